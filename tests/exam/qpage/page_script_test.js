'use strict';
// The question page's script in a real engine: jsdom (Debian's node-jsdom) loads the page the
// application's builder writes (vd_question_page) with the bundle as base, so the page's jQuery, style
// sheet and script run as they do in the application's web view. A person's taps are clicks on the
// page's elements; the commands the page sends are caught at vdSend, the one function that leaves the
// page; what native code calls in the page is run with the exact texts native code sends.
//
//   node page_script_test.js --dump PATH/vd_question_page --bundle BUNDLE_DIR --fixtures FIXTURE_DIR
// (with NODE_PATH=/usr/share/nodejs for Debian's modules). Exit status 0 when every case passes.

const assert = require('assert');
const { execFileSync } = require('child_process');
const path = require('path');
const { pathToFileURL } = require('url');
let jsdom;
try {
  jsdom = require('jsdom');
} catch (e) {
  console.log('jsdom not found (' + e.message + '): install node-jsdom and run with ' +
    'NODE_PATH=/usr/share/nodejs (scripts/bootstrap.sh)');
  process.exit(1);
}
const { JSDOM, VirtualConsole } = jsdom;

function option(name) {
  const i = process.argv.indexOf(name);
  if (i < 0 || i + 1 >= process.argv.length) throw new Error('missing ' + name);
  return process.argv[i + 1];
}
const dump = option('--dump');
const bundle = option('--bundle');
const fixtures = option('--fixtures');

const AT_EXAM_MODE = 1;

// The page of a fixture question in a mode, loaded, with its scripts run.
async function openPage(fixture, mode) {
  const html = execFileSync(dump, ['--mode', String(mode), path.join(fixtures, fixture)], {
    encoding: 'utf8',
    env: Object.assign({}, process.env, { VARDO_BUNDLE: bundle }),
  });
  const errors = [];
  const virtualConsole = new VirtualConsole();
  virtualConsole.on('jsdomError', (e) => errors.push(e.message));
  const dom = new JSDOM(html, {
    url: pathToFileURL(bundle + '/').href,
    runScripts: 'dangerously',
    resources: 'usable',
    virtualConsole,
  });
  const window = dom.window;
  await new Promise((resolve) => window.addEventListener('load', resolve));
  assert.strictEqual(typeof window.jQuery, 'function', 'the bundle\'s jquery-1.6.4.min.js ran');
  const sent = [];
  window.vdSend = (address) => sent.push(address);
  const doc = window.document;
  return {
    window, doc, sent, errors, html,
    $: (selector) => doc.querySelector(selector),
    labelOf: (id) => doc.querySelector('label[for="' + id + '"]'),
    image: (name) => doc.querySelector('img[name="' + name + '"]'),
    shown: (el) => window.getComputedStyle(el).display !== 'none',
    text: (selector) => doc.querySelector(selector).textContent,
    run: (script) => window.eval(script),
  };
}

const GREEN = 'rgb(0, 102, 0)';
const RED = 'rgb(255, 0, 0)';

const cases = [];
function test(name, fn) { cases.push({ name, fn }); }

// ---- a person answering ----

test('a wrong radio tap in practice mode marks the options, explains and sends the letter', async () => {
  const p = await openPage('atest.json', 0);
  p.$('#radio_B').click();
  assert.deepStrictEqual(p.sent, ['vdprotocol://replyclick/B']);
  assert.strictEqual(p.$('#radio_B').checked, true);
  assert.strictEqual(p.labelOf('radio_B').style.color, RED);
  assert.strictEqual(p.labelOf('radio_A').style.color, GREEN);
  assert.strictEqual(p.labelOf('radio_C').style.color, '');
  assert.ok(p.shown(p.image('wrong_B')) && p.shown(p.image('right_A')));
  assert.ok(!p.shown(p.image('right_B')) && !p.shown(p.image('wrong_A')) && !p.shown(p.image('wrong_C')));
  for (const letter of 'ABCD') assert.strictEqual(p.$('#radio_' + letter).disabled, true, letter);
  assert.ok(p.shown(p.$('#Explain_Area')));
  const rows = [...p.doc.querySelectorAll('#Explain_Area tr')].map((tr) => tr.textContent.trim());
  assert.deepStrictEqual(rows, ['您的选择 :B (答错了)', '正确答案: A　解题思路: 北京是中华人民共和国的首都。']);
  assert.deepStrictEqual(p.errors, []);
});

test('a right radio tap says so', async () => {
  const p = await openPage('atest.json', 0);
  p.$('#radio_A').click();
  assert.deepStrictEqual(p.sent, ['vdprotocol://replyclick/A']);
  assert.strictEqual(p.labelOf('radio_A').style.color, GREEN);
  assert.ok(p.text('#Explain_Area').includes('您的选择 :A (答对了)'));
});

test('in exam mode a radio tap only reports the choice', async () => {
  const p = await openPage('atest.json', AT_EXAM_MODE);
  p.$('#radio_C').click();
  assert.deepStrictEqual(p.sent, ['vdprotocol://replyclick/C']);
  assert.strictEqual(p.labelOf('radio_C').style.color, '');
  assert.strictEqual(p.$('#radio_A').disabled, false);
  assert.ok(!p.shown(p.$('#Explain_Area')));
});

test('checkbox taps report the choice so far, "确认" marks it and sends replyclickOK', async () => {
  const p = await openPage('xtest.json', 0);
  p.$('#checkbox_C').click();
  p.$('#checkbox_A').click();
  assert.deepStrictEqual(p.sent, ['vdprotocol://replyclick/C', 'vdprotocol://replyclick/AC']);
  p.$('#btnShowAnswer').click();
  assert.strictEqual(p.sent[2], 'vdprotocol://replyclickOK/AC');
  assert.strictEqual(p.$('#btnShowAnswer').disabled, true);
  for (const letter of 'ABCD') assert.strictEqual(p.$('#checkbox_' + letter).disabled, true, letter);
  assert.strictEqual(p.labelOf('checkbox_A').style.color, GREEN);
  assert.strictEqual(p.labelOf('checkbox_C').style.color, GREEN);
  assert.ok(p.text('#Explain_Area').includes('您的选择 :AC (答对了)'));
});

test('"确认" with a wrong box marks it red and the missed right one green', async () => {
  const p = await openPage('xtest.json', 0);
  p.$('#checkbox_A').click();
  p.$('#checkbox_B').click();
  p.$('#btnShowAnswer').click();
  assert.strictEqual(p.sent[p.sent.length - 1], 'vdprotocol://replyclickOK/AB');
  assert.strictEqual(p.labelOf('checkbox_B').style.color, RED);
  assert.strictEqual(p.labelOf('checkbox_C').style.color, GREEN);
  assert.ok(p.shown(p.image('wrong_B')) && p.shown(p.image('right_C')));
  assert.ok(p.text('#Explain_Area').includes('您的选择 :AB (答错了)'));
});

test('unchecking every box sends an empty choice', async () => {
  const p = await openPage('xtest.json', AT_EXAM_MODE);
  p.$('#checkbox_D').click();
  p.$('#checkbox_D').click();
  assert.deepStrictEqual(p.sent, ['vdprotocol://replyclick/D', 'vdprotocol://replyclick/']);
  assert.strictEqual(p.$('#btnShowAnswer'), null);
});

test('leaving the text box sends replyclick without an argument; the box holds the reply as typed', async () => {
  const p = await openPage('jdtest.json', 0);
  const box = p.$('#textarea_reply');
  assert.strictEqual(p.run(`document.getElementById('textarea_reply').value`), '</textarea><b>"防御"</b> & \'x\'');
  assert.strictEqual(p.doc.querySelectorAll('b').length, 0, 'the reply is text, not markup');
  box.focus();
  box.value = '修长城';
  box.blur();
  assert.deepStrictEqual(p.sent, ['vdprotocol://replyclick']);
  assert.strictEqual(p.run(`document.getElementById('textarea_reply').value`), '修长城');
});

test('the tool row and the submit button send their commands with their names', async () => {
  const practice = await openPage('atest.json', 0);
  practice.$('#favStrBtn').click();
  practice.doc.querySelector('input[name="笔记"]').click();
  practice.doc.querySelector('input[name="批阅"]').click();
  practice.$('#fav').click();
  assert.deepStrictEqual(practice.sent, [
    'vdprotocol://favClick/',
    'vdprotocol://noteClick/%E7%AC%94%E8%AE%B0',
    'vdprotocol://markClick/%E6%89%B9%E9%98%85',
    'vdprotocol://favClick/',
  ]);
  const reading = await openPage('atest.json', 2);
  reading.$('#chongzuo').click();
  assert.deepStrictEqual(reading.sent, ['vdprotocol://chongzuoClick/%E9%87%8D%E5%81%9A']);
  const exam = await openPage('xtest.json', AT_EXAM_MODE);  // the set's last question
  exam.doc.querySelector('#MarkBtn_Area input[type=button]').click();
  assert.deepStrictEqual(exam.sent, ['vdprotocol://markClick/']);
});

test('a tap on a wide image sends its name; narrow images are plain', async () => {
  const p = await openPage('imagetest.json', 0);
  const wide = p.image('宽图.png');
  assert.ok(wide, 'the wide image has a name');
  assert.strictEqual(wide.getAttribute('width'), '280');
  assert.ok(wide.getAttribute('src').endsWith('/images/%E5%AE%BD%E5%9B%BE.png'));
  assert.strictEqual(p.doc.querySelectorAll('#MainTitle_Area img').length, 2);
  wide.click();
  assert.deepStrictEqual(p.sent, ['vdprotocol://imageclick/%E5%AE%BD%E5%9B%BE.png']);
});

// ---- what native code calls ----

const nativeCalls = [
  'userAnalysis()', 'userDisAnalysis()', 'updateAnalysisImage()', 'updateAnalysisImageR()',
  'updateFavImage()', 'updateFavImageR()', 'displayexplain()', 'dismissexplain()',
  "displayRadioSelect('B')", "displayRadioResult('B')", 'displayRadioResult()', "displayRadioResult('')",
  'dismissRadioResult()', "displayCheckboxSelect('AC')", "displayCheckBoxResult('AC')", 'displayCheckBoxResult()',
  "displayCheckBoxResult('')", 'dismissCheckBoxResult()', "displayRadioSelect('it\\'s\\\\')",
];

test('every function native code calls runs on pages that lack "favStrBtn" and "analysis"', async () => {
  for (const [fixture, extra] of [['atest.json', []], ['xtest.json', []],
    ['jdtest.json', ["document.getElementById('textarea_reply').value"]]]) {
    const p = await openPage(fixture, AT_EXAM_MODE);
    assert.strictEqual(p.$('#favStrBtn'), null);
    assert.strictEqual(p.$('#analysis'), null);
    for (const script of nativeCalls.concat(extra, ["document.body.innerHTML='';"])) {
      assert.doesNotThrow(() => p.run(script), fixture + ': ' + script);
    }
    assert.deepStrictEqual(p.errors, [], fixture);
    assert.deepStrictEqual(p.sent, [], fixture);
  }
});

test('the favourite calls change the stars that are there', async () => {
  const p = await openPage('atest.json', 0);
  p.run('updateFavImage()');
  assert.strictEqual(p.$('#fav').getAttribute('src'), 'ic_t_fav_true.png');
  assert.strictEqual(p.$('#favStrBtn').getAttribute('src'), 'favCancelBtn.png');
  p.run('updateFavImageR()');
  assert.strictEqual(p.$('#fav').getAttribute('src'), 'ic_t_fav_false.png');
  assert.strictEqual(p.$('#favStrBtn').getAttribute('src'), 'favBtn.png');
});

test('restore scripts show a stored reply, marked or not, and dismissing undoes the marks', async () => {
  const p = await openPage('atest.json', 0);
  p.run("displayRadioSelect('C')");
  assert.strictEqual(p.$('#radio_C').checked, true);
  assert.strictEqual(p.labelOf('radio_C').style.color, '');
  p.run("displayRadioResult('C')");
  assert.strictEqual(p.labelOf('radio_C').style.color, RED);
  assert.ok(p.text('#Explain_Area').includes('您的选择 :C (答错了)'));
  p.run('displayRadioResult()');  // the explanation again: still one "您的选择" row
  assert.strictEqual(p.doc.querySelectorAll('#Explain_Area tr').length, 2);
  p.run('dismissRadioResult()');
  assert.strictEqual(p.labelOf('radio_C').style.color, '');
  assert.strictEqual(p.labelOf('radio_A').style.color, '');
  assert.ok(!p.shown(p.image('wrong_C')) && !p.shown(p.image('right_A')));
  assert.strictEqual(p.$('#radio_A').disabled, false);
  assert.ok(!p.shown(p.$('#Explain_Area')));

  const x = await openPage('xtest.json', 0);
  x.run("displayCheckboxSelect('AC')");
  assert.deepStrictEqual([...'ABCD'].map((l) => x.$('#checkbox_' + l).checked), [true, false, true, false]);
  assert.strictEqual(x.labelOf('checkbox_A').style.color, '');
  x.run("displayCheckBoxResult('AD')");
  assert.strictEqual(x.labelOf('checkbox_D').style.color, RED);
  assert.ok(x.text('#Explain_Area').includes('您的选择 :AD (答错了)'));

  const j = await openPage('jdtest.json', 0);
  j.run('displayexplain()');
  assert.ok(j.shown(j.$('#Explain_Area')));
  assert.strictEqual(j.$('#textarea_reply').disabled, true);
  assert.ok(!j.text('#Explain_Area').includes('您的选择'));
  j.run('dismissexplain()');
  assert.strictEqual(j.$('#textarea_reply').disabled, false);
});

// ---- the display filters (no page of the application calls them) ----

test('the filters judge a question box and show the empty-list message', async () => {
  const p = await openPage('atest.json', 0);
  const $ = p.window.jQuery;
  const box = $('<div class="testbox"><input type="hidden" value="AC"/>' +
    '<input type="checkbox" value="A"/><input type="checkbox" value="B"/><input type="checkbox" value="C"/></div>');
  assert.strictEqual(p.window.IsReplied(box[0]), false);
  box.find('input[value=A]').prop('checked', true);
  assert.strictEqual(p.window.IsReplied(box[0]), true);
  assert.strictEqual(p.window.IsRight(box[0]), false);
  box.find('input[value=C]').prop('checked', true);
  assert.strictEqual(p.window.IsRight(box[0]), true);
  p.run('DisplayBlock(1)');
  assert.strictEqual(p.text('#EmptyDIV'), '很可惜，您还没有答对的题，请再继续努力吧!');
  p.run('DisplayBlock(2)');
  assert.strictEqual(p.doc.querySelectorAll('#EmptyDIV').length, 1);
  assert.strictEqual(p.text('#EmptyDIV'), '恭喜您，您没有答错的题，继续保持喔！');
});

(async () => {
  let failed = 0;
  for (const c of cases) {
    try {
      await c.fn();
      console.log('ok     ' + c.name);
    } catch (e) {
      failed++;
      console.log('FAILED ' + c.name + '\n' + (e && e.stack ? e.stack : e));
    }
  }
  console.log(`${cases.length - failed} of ${cases.length} page-script cases passed`);
  process.exit(failed ? 1 : 0);
})();
