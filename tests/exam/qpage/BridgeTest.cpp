// The page bridge (the page's "vdprotocol://" commands), the marking of replies, what a loaded page
// restores by mode, and the image viewer.

#include <gtest/gtest.h>

#include <algorithm>

#include "QuestionPageSupport.h"
#include "app/VDViewControllerFactory.h"
#include "exam/ImageBrowserViewController.h"

namespace qpage {
namespace {

using Strings = std::vector<std::string>;

class Bridge : public PageSuite {};

TEST_F(Bridge, CommandsReachTheScreenAndEveryAddressOfTheSchemeIsRefused) {
  struct Case {
    const char* url;
    Strings calls;
  };
  const Case cases[] = {
      {"vdprotocol://analysisClick/", {"analysisClick"}},
      {"vdprotocol://noteClick/%E7%AC%94%E8%AE%B0", {"openMyNote"}},
      {"vdprotocol://wrongredoClick/x", {"errorFeedback"}},
      {"vdprotocol://favClick/", {"favClick"}},
      {"vdprotocol://chongzuoClick/%E9%87%8D%E5%81%9A", {"againTest"}},
      {"vdprotocol://markClick/", {"markClick"}},
      {"vdprotocol://markclick/", {"saveToLastLearningRecord"}},  // commands keep their case
      {"vdprotocol://somethingElse/1/2", {"saveToLastLearningRecord"}},
      {"vdprotocol://", {"saveToLastLearningRecord"}},
  };
  show(makeQuestion("ATEST", "A"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    owner->calls.clear();
    EXPECT_FALSE(web().navigate(c.url));
    EXPECT_EQ(owner->calls, c.calls);
  }
  owner->calls.clear();
  EXPECT_TRUE(web().navigate("https://example.org/help.html"));
  EXPECT_TRUE(owner->calls.empty());
}

TEST_F(Bridge, RepliesAreMarkedByTypeAndMode) {
  struct Case {
    const char* type;
    const char* answer;
    AnsweringMode mode;
    const char* url;
    AnswerState state;
    const char* reply;
    Strings calls;
    Strings scripts;
  };
  const Case cases[] = {
      {"ATEST",
       "A",
       AnsweringMode::Practice,
       "vdprotocol://replyclick/B",
       AnswerState::Wrong,
       "B",
       {"markExamPapers:YES", "saveToLastLearningRecord"},
       {"updateAnalysisImage()", "userDisAnalysis()"}},
      {"PDTEST",
       "A",
       AnsweringMode::Practice,
       "vdprotocol://replyclick/A",
       AnswerState::Right,
       "A",
       {"saveToLastLearningRecord"},
       {"updateAnalysisImage()", "userDisAnalysis()"}},
      {"ATEST",
       "A",
       AnsweringMode::Exam,
       "vdprotocol://replyclick/B",
       AnswerState::Wrong,
       "B",
       {"saveToLastLearningRecord"},
       {"userDisAnalysis()"}},
      {"BTEST",
       "丙",
       AnsweringMode::Practice,
       "vdprotocol://replyclick/%E4%B8%99",
       AnswerState::Right,
       "丙",
       {"saveToLastLearningRecord"},
       {"updateAnalysisImage()", "userDisAnalysis()"}},
      // A checkbox tap in practice mode keeps a partial choice; "确认" marks it.
      {"XTEST",
       "AC",
       AnsweringMode::Practice,
       "vdprotocol://replyclick/AB",
       AnswerState::NotAnswered,
       "AB",
       {"saveToLastLearningRecord"},
       {}},
      {"XTEST",
       "AC",
       AnsweringMode::Practice,
       "vdprotocol://replyclickOK/AB",
       AnswerState::Wrong,
       "AB",
       {"markExamPapers:YES", "saveToLastLearningRecord"},
       {"updateAnalysisImage()"}},
      {"A3TEST",
       "AC",
       AnsweringMode::Practice,
       "vdprotocol://replyclickOK/AC",
       AnswerState::Right,
       "AC",
       {"saveToLastLearningRecord"},
       {"updateAnalysisImage()"}},
      {"A3TEST",
       "AC",
       AnsweringMode::Exam,
       "vdprotocol://replyclick/",
       AnswerState::NotAnswered,
       "",
       {"saveToLastLearningRecord"},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.type) + " " + c.url);
    owner->mode = c.mode;
    setQuestions({});
    auto q = makeQuestion(c.type, c.answer);
    if (std::string(c.type) == "BTEST") q->ChoiceItems[2].set("Name", "丙");
    show(q);
    owner->calls.clear();
    const std::size_t before = web().evaluated().size();
    EXPECT_FALSE(web().navigate(c.url));
    EXPECT_EQ(q->state, c.state);
    EXPECT_EQ(q->reply, c.reply);
    EXPECT_EQ(owner->calls, c.calls);
    EXPECT_EQ(scripts(0, before), c.scripts);
  }
}

// What a page sends is bounded: a reply past the cap (escaped or not) is no option and is ignored, as is
// an empty reply to a single-answer page. Ignored means nothing is marked, stored, saved or sent.
TEST_F(Bridge, OverlongRepliesAndEmptySingleAnswersAreIgnored) {
  const std::size_t cap = BaseTestHtmlViewController::kMaxReplyBytes;
  std::string escapedPastCap;
  for (std::size_t i = 0; i <= cap; ++i) escapedPastCap += "%41";
  struct Case {
    const char* type;
    AnsweringMode mode;
    std::string argument;
    bool marked;
  };
  const Case cases[] = {
      {"ATEST", AnsweringMode::Practice, "", false},
      {"ATEST", AnsweringMode::Exam, "", false},
      {"BTEST", AnsweringMode::Practice, "", false},
      {"PDTEST", AnsweringMode::Practice, "", false},
      {"ATEST", AnsweringMode::Practice, std::string(cap + 1, 'B'), false},
      {"ATEST", AnsweringMode::Practice, std::string(1 << 20, 'B'), false},
      {"ATEST", AnsweringMode::Exam, escapedPastCap, false},
      {"XTEST", AnsweringMode::Practice, std::string(cap + 1, 'B'), false},
      {"ATEST", AnsweringMode::Practice, std::string(cap, 'B'), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.type) + " " + std::to_string(c.argument.size()));
    owner->mode = c.mode;
    setQuestions({});
    auto q = makeQuestion(c.type, "A");
    show(q);
    owner->calls.clear();
    const std::size_t before = web().evaluated().size();
    EXPECT_FALSE(web().navigate("vdprotocol://replyclick/" + c.argument));
    if (c.marked) {
      EXPECT_EQ(q->state, AnswerState::Wrong);
      EXPECT_EQ(q->reply, c.argument);
      EXPECT_EQ(owner->calls, (Strings{"markExamPapers:YES", "saveToLastLearningRecord"}));
    } else {
      EXPECT_EQ(q->state, AnswerState::NotAnswered);
      EXPECT_EQ(q->reply, "");
      EXPECT_TRUE(owner->calls.empty());
      EXPECT_EQ(scripts(0, before), Strings{});
    }
  }
}

TEST_F(Bridge, AFreeTextAnswerIsKeptToTheCapBetweenCharacters) {
  auto q = makeQuestion("JDTEST", "标准答案");
  show(q);
  std::string typed;
  for (int i = 0; i < 5000; ++i) typed += "答";  // three bytes each
  web().respond(BaseTestHtmlViewController::kTextareaScript, typed);
  web().navigate("vdprotocol://replyclick");
  EXPECT_EQ(q->state, AnswerState::FreeText);
  const std::size_t kept = BaseTestHtmlViewController::kMaxReplyBytes / 3 * 3;
  EXPECT_EQ(q->reply, typed.substr(0, kept));
}

TEST_F(Bridge, ExamModeChecksOfSeveralLettersFollowEachTap) {
  owner->mode = AnsweringMode::Exam;
  auto q = makeQuestion("XTEST", "AC");
  show(q);
  const std::pair<const char*, AnswerState> taps[] = {
      {"A", AnswerState::Wrong}, {"AC", AnswerState::Right}, {"", AnswerState::NotAnswered}};
  for (const auto& [reply, state] : taps) {
    SCOPED_TRACE(reply);
    web().navigate(std::string("vdprotocol://replyclick/") + reply);
    EXPECT_EQ(q->state, state);
    EXPECT_EQ(q->reply, reply);
  }
  EXPECT_EQ(std::count(owner->calls.begin(), owner->calls.end(), "markExamPapers:YES"), 0);
}

TEST_F(Bridge, FreeTextRepliesAreReadFromTheTextBoxWhenItsAnswerArrives) {
  auto q = makeQuestion("JDTEST", "标准答案");
  show(q);
  web().setDeferResults(true);
  web().respond(BaseTestHtmlViewController::kTextareaScript, "我的答案");
  owner->calls.clear();
  std::size_t before = web().evaluated().size();
  EXPECT_FALSE(web().navigate("vdprotocol://replyclick"));
  EXPECT_EQ(scripts(0, before), Strings{BaseTestHtmlViewController::kTextareaScript});
  EXPECT_EQ(q->state, AnswerState::NotAnswered);  // nothing before the text is known
  EXPECT_TRUE(owner->calls.empty());
  web().deliverResults();
  EXPECT_EQ(q->state, AnswerState::FreeText);
  EXPECT_EQ(q->reply, "我的答案");
  EXPECT_EQ(scripts(0, before), (Strings{BaseTestHtmlViewController::kTextareaScript, "displayexplain()"}));
  EXPECT_EQ(owner->calls, Strings{"saveToLastLearningRecord"});

  // An empty box changes nothing: the earlier answer stays.
  web().respond(BaseTestHtmlViewController::kTextareaScript, "");
  owner->calls.clear();
  before = web().evaluated().size();
  web().navigate("vdprotocol://replyclick");
  web().deliverResults();
  EXPECT_EQ(q->state, AnswerState::FreeText);
  EXPECT_EQ(q->reply, "我的答案");
  EXPECT_EQ(scripts(0, before), Strings{BaseTestHtmlViewController::kTextareaScript});
  EXPECT_EQ(owner->calls, Strings{"saveToLastLearningRecord"});
}

TEST_F(Bridge, ALoadedPageRestoresItsAnswerByMode) {
  struct Case {
    const char* type;
    AnsweringMode mode;
    AnswerState state;
    const char* reply;
    bool showExplain;
    Strings scripts;
  };
  const Case cases[] = {
      {"ATEST", AnsweringMode::Practice, AnswerState::NotAnswered, "", false, {"userAnalysis()"}},
      {"ATEST",
       AnsweringMode::Practice,
       AnswerState::Wrong,
       "B",
       false,
       {"userDisAnalysis()", "userDisAnalysis()", "updateAnalysisImage()", "displayRadioResult('B')"}},
      {"PDTEST",
       AnsweringMode::Practice,
       AnswerState::NotAnswered,
       "",
       true,
       {"userAnalysis()", "displayRadioResult()", "updateAnalysisImage()"}},
      {"ATEST", AnsweringMode::Exam, AnswerState::Wrong, "B", false, {"displayRadioSelect('B')"}},
      {"ATEST", AnsweringMode::Exam, AnswerState::NotAnswered, "", true, {}},
      {"ATEST",
       AnsweringMode::Exam,
       AnswerState::Wrong,
       "it's\\",
       false,
       {"displayRadioSelect('it\\'s\\\\')"}},
      {"ATEST",
       AnsweringMode::Reading,
       AnswerState::NotAnswered,
       "",
       true,
       {"userDisAnalysis()", "displayRadioResult('')"}},
      {"XTEST",
       AnsweringMode::Practice,
       AnswerState::NotAnswered,
       "A",
       false,
       {"userAnalysis()", "displayCheckboxSelect('A')"}},
      {"A3TEST",
       AnsweringMode::Practice,
       AnswerState::Right,
       "AC",
       false,
       {"userDisAnalysis()", "displayCheckBoxResult()", "userDisAnalysis()", "updateAnalysisImage()",
        "displayCheckBoxResult('AC')"}},
      {"XTEST", AnsweringMode::Exam, AnswerState::Right, "AC", false, {"displayCheckboxSelect('AC')"}},
      {"XTEST", AnsweringMode::Reading, AnswerState::NotAnswered, "", false, {"displayCheckBoxResult('')"}},
      {"JDTEST", AnsweringMode::Reading, AnswerState::NotAnswered, "", false, {"displayexplain()"}},
      {"TKTEST",
       AnsweringMode::Practice,
       AnswerState::FreeText,
       "答",
       false,
       {"userDisAnalysis()", "displayexplain()", "userDisAnalysis()", "updateAnalysisImage()"}},
      {"JDTEST",
       AnsweringMode::Practice,
       AnswerState::NotAnswered,
       "",
       true,
       {"userAnalysis()", "displayexplain()"}},
      {"JDTEST", AnsweringMode::Exam, AnswerState::FreeText, "答", false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.type) + " mode " + std::to_string(static_cast<int>(c.mode)) + " reply " +
                 c.reply);
    owner->mode = c.mode;
    owner->showExplain = c.showExplain;
    setQuestions({});
    auto q = makeQuestion(c.type, "AC");
    q->state = c.state;
    q->reply = c.reply;
    show(q);
    EXPECT_EQ(scripts(), c.scripts);
  }
}

TEST_F(Bridge, TheCompletionRunsAfterTheExplanationCallAndBeforeTheRestore) {
  auto q = makeQuestion("ATEST", "A");
  q->state = AnswerState::Wrong;
  q->reply = "B";
  int completions = 0;
  Strings atCompletion;
  show(q, 0, [&] {
    ++completions;
    atCompletion = web().evaluated();
  });
  EXPECT_EQ(completions, 1);
  EXPECT_EQ(atCompletion, Strings{"userDisAnalysis()"});
  EXPECT_EQ(web().evaluated().size(), 4u);
}

TEST_F(Bridge, ReadingPagesOfTheFirstBuildRestoreTwoSecondsLateExceptTheFirstView) {
  owner->mode = AnsweringMode::Reading;
  owner->firstHud = true;
  owner->showExplain = true;
  auto a = makeQuestion("ATEST", "A");
  auto b = makeQuestion("ATEST", "B");
  setQuestions({a, b});
  show(a, 0);
  show(b, 1);
  EXPECT_EQ(scripts(0).size(), 2u);  // at once
  EXPECT_TRUE(scripts(1).empty());
  h().advance(1.9);
  EXPECT_TRUE(scripts(1).empty());
  h().advance(0.2);
  EXPECT_EQ(scripts(1), (Strings{"userDisAnalysis()", "displayRadioResult('')"}));

  // A page gone before its time restores nothing.
  auto c = makeQuestion("ATEST", "C");
  owner->pager->setCurrentLoadTest(c);
  auto page = TestHtmlVCFactory::createTestHtmlVC("ATEST", owner, owner->webViews[2]);
  page->AsynloadWebViewHtml({});
  settle();
  page.reset();
  h().advance(3);
  EXPECT_TRUE(scripts(2).empty());
}

class ImageBrowser : public PageSuite {};

TEST_F(ImageBrowser, ShowsItsImageWithoutBaseAndClosesOnATap) {
  auto made = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("imageBrowser");
  auto browser = std::dynamic_pointer_cast<ImageBrowserViewController>(made);
  ASSERT_NE(browser, nullptr);
  browser->setWebhtml("<img src='file:///tmp/a%20b.png' />");
  owner->presentImageBrowser(browser);
  h().settle();
  ASSERT_EQ(h().topScreen(), browser.get());
  auto& page = h().web(*browser->imgWebView());
  EXPECT_EQ(page.html(), "<img src='file:///tmp/a%20b.png' />");
  EXPECT_FALSE(page.baseURL().has_value());
  EXPECT_FALSE(browser->imgWebView()->scrollView().bounces());

  EXPECT_TRUE(h().tap(*browser->imgWebView()));
  h().settle();
  EXPECT_EQ(owner->presentedViewController(), nullptr);
  EXPECT_EQ(h().topScreen(), owner.get());
}

}  // namespace
}  // namespace qpage
