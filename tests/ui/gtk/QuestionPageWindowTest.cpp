// A real question page in the window: the page the question controllers build from the bundle's template
// (with its scripts and jQuery) runs in WebKit, a click on an option with real X input reaches the
// controller through "vdprotocol://", the reply is marked, and neither the page nor the scripts the
// controller runs in it report an error.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/VDHelper.h"
#include "exam/ExamScreens.h"
#include "exam/TestHtmlVCFactory.h"
#include "platform/core/Bundle.h"
#include "tests/ui/gtk/WindowSession.h"
#include "tests/exam/qpage/QuestionPageSupport.h"
#include "tests/support/TempDir.h"
#include "ui/PageResources.h"
#include "ui/gtk/WebKitEngine.h"

using gtktest::WindowSession;

namespace {

std::string evaluate(WindowSession& s, ui::WebView& web, const std::string& script) {
  std::optional<std::string> result;
  web.stringByEvaluatingJavaScriptFromString(script, [&](const std::string& r) { result = r; });
  EXPECT_TRUE(s.waitFor([&] { return result.has_value(); }, 20)) << script;
  return result.value_or("(no answer)");
}

// Every console message of every page while it lives.
struct ConsoleRecorder {
  ConsoleRecorder() {
    ui::gtk::WebKitEngine::setConsoleListener([this](const ui::gtk::WebKitEngine::ConsoleMessage& m) {
      all.push_back(m.level + ": " + m.text);
      if (m.level == "error") errors.push_back(m.text);
    });
  }
  ~ConsoleRecorder() { ui::gtk::WebKitEngine::setConsoleListener({}); }
  std::vector<std::string> all;
  std::vector<std::string> errors;
};

}  // namespace

// The console reports the page's own errors and those of scripts run in it: without that, the
// test below could not tell a page whose scripts fail from one that works.
TEST(QuestionPageWindow, TheConsoleReportsScriptErrors) {
  ConsoleRecorder console;
  WindowSession s;
  auto owner = std::make_shared<qpage::RecordingOwner>();
  s.app().keyWindow().setRootViewController(owner);
  s.open();
  ui::WebView& web = *owner->webViews[0];
  struct Recorder : ui::WebViewDelegate {
    int finished = 0;
    void webViewDidFinishLoad(ui::WebView&) override { ++finished; }
  };
  auto recorder = std::make_shared<Recorder>();
  web.setDelegate(recorder);
  // The page's own inline scripts run by their hashes (the page policy).
  ui::PageResources::trustInlineScript("console.log('hello');");
  ui::PageResources::trustInlineScript("undefinedFunction();");
  web.loadHTMLString(
      "<html><body><script>console.log('hello');</script>"
      "<script>undefinedFunction();</script>"
      "<script src='missing-script.js'></script></body></html>",
      ui::PageResources::bundleBaseURL());
  ASSERT_TRUE(s.waitFor([&] { return recorder->finished == 1; }, 60)) << "the page did not load";
  evaluate(s, web, "nothing.here()");
  EXPECT_TRUE(s.waitFor([&] { return console.errors.size() >= 3; }, 20));
  auto has = [&](const std::vector<std::string>& list, const std::string& part) {
    for (const auto& m : list)
      if (m.find(part) != std::string::npos) return true;
    return false;
  };
  EXPECT_TRUE(has(console.all, "log: hello"));
  EXPECT_TRUE(has(console.errors, "undefinedFunction"));
  EXPECT_TRUE(has(console.errors, "missing-script.js"));
  EXPECT_TRUE(has(console.errors, "nothing.here()"));
}

// A single-choice question in practice: a click on option B (the wrong one) marks it wrong, records the
// reply, has the screen send its reply log and save the learning record, and the page shows the choice.
TEST(QuestionPageWindow, AClickOnAnOptionAnswersThroughThePageBridge) {
  testsupport::TempHome home("vd-gtk-qpage");
  core::Bundle::resetMain();
  ASSERT_TRUE(VDHelper::saveQuoteProduct(core::Dictionary{{"Key", "常识"}, {"Value", "GKSample"}}));
  registerExamScreens();
  ConsoleRecorder console;
  WindowSession s;
  auto owner = std::make_shared<qpage::RecordingOwner>();
  s.app().keyWindow().setRootViewController(owner);
  s.open();

  auto question = qpage::makeQuestion("ATEST", "A", "下列哪一项是正确的？");
  owner->pager = std::make_shared<TestPager>(QuestionsArray{question});
  owner->pager->setCurrentLoadTest(question);
  auto page = TestHtmlVCFactory::createTestHtmlVC("ATEST", owner, owner->webViews[0]);
  ASSERT_NE(page, nullptr);
  bool loaded = false;
  page->AsynloadWebViewHtml([&] { loaded = true; });
  ASSERT_TRUE(s.waitFor([&] { return loaded; }, 60)) << "the question page did not load";
  ui::WebView& web = *owner->webViews[0];
  // The template's scripts and jQuery are there.
  EXPECT_EQ(evaluate(s, web, "typeof jQuery + ',' + typeof radioReplyClick + ',' + typeof displayRadioResult"),
            "function,function,function");
  EXPECT_EQ(evaluate(s, web, "document.body.innerText.indexOf('下列哪一项是正确的') >= 0"), "true");
  gtktest::keepShot(s.shot(), "question-page");

  const std::string box = evaluate(s, web,
                                   "var r = document.getElementById('radio_B').getBoundingClientRect();"
                                   "r.x + ',' + r.y + ',' + r.width + ',' + r.height");
  double x = 0, y = 0, w = 0, h = 0;
  ASSERT_EQ(std::sscanf(box.c_str(), "%lf,%lf,%lf,%lf", &x, &y, &w, &h), 4) << box;
  const ui::Rect frame = WindowSession::frameOf(web);
  ASSERT_TRUE(frame.contains({frame.minX() + x + w / 2, frame.minY() + y + h / 2})) << box;
  s.click({frame.minX() + x + w / 2, frame.minY() + y + h / 2});
  ASSERT_TRUE(s.waitFor([&] { return question->state != AnswerState::NotAnswered; }, 20))
      << "the click did not reach the page's controller";
  EXPECT_EQ(question->state, AnswerState::Wrong);
  EXPECT_EQ(question->reply, "B");
  EXPECT_TRUE(s.waitFor([&] { return owner->calls.size() >= 2; }));
  EXPECT_EQ(owner->calls, (std::vector<std::string>{"markExamPapers:YES", "saveToLastLearningRecord"}));
  // Scripts run in order: once this answers, the page has run what the controller sent it after the reply.
  EXPECT_EQ(evaluate(s, web, "document.getElementById('radio_B').checked"), "true");
  gtktest::keepShot(s.shot(), "question-page-answered");
  EXPECT_TRUE(console.errors.empty()) << "first error: " << console.errors.front();
}
