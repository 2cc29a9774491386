#pragma once
// Shared pieces of the question-page tests: a stand-in answering screen that owns three page views side
// by side in a paging scroll view and records what the pages ask of it, questions of each type, and a
// suite that gives each test a temporary home, a chosen subject and the UI harness.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/VDHelper.h"
#include "exam/BaseTestHtmlViewController.h"
#include "exam/ExamScreens.h"
#include "exam/TestHtmlPageOwner.h"
#include "exam/TestHtmlVCFactory.h"
#include "model/TestPager.h"
#include "platform/core/Bundle.h"
#include "platform/core/Text.h"
#include "platform/core/UserDefaults.h"
#include "platform/runloop/DispatchQueue.h"
#include "platform/runloop/RunLoop.h"
#include "service/ServerConfig.h"
#include "tests/support/TempDir.h"
#include "ui/ScrollView.h"
#include "ui/ViewController.h"
#include "ui/WebView.h"
#include "ui/test/Harness.h"

namespace qpage {

namespace fs = std::filesystem;

// The answering screen as the pages see it. Page views stand at x = 0, 320 and 640 (places 0, 1, 2 of
// the set) until a test moves them.
class RecordingOwner : public ui::ViewController, public TestHtmlPageOwner {
 public:
  std::string className() const override { return "RecordingOwner"; }
  void loadView() override {
    ui::ViewController::loadView();
    scroll = std::make_shared<ui::ScrollView>(view().bounds());
    view().addSubview(scroll);
    for (int i = 0; i < 3; ++i) {
      webViews[i] = std::make_shared<ui::WebView>(ui::Rect{{320.0 * i, 0}, {320, 480}});
      scroll->addSubview(webViews[i]);
    }
  }

  std::shared_ptr<TestPager> testPager() const override { return pager; }
  AnsweringMode currentMode() const override { return mode; }
  bool isShowExplain() const override { return showExplain; }
  bool isFirstHud() const override { return firstHud; }
  std::shared_ptr<ui::WebView> pageWebView(int index) const override {
    return index >= 1 && index <= 3 ? webViews[index - 1] : nullptr;
  }
  std::shared_ptr<ui::ScrollView> pageScrollView() const override { return scroll; }

  void analysisClick() override { calls.push_back("analysisClick"); }
  void openMyNote() override { calls.push_back("openMyNote"); }
  void errorFeedback() override { calls.push_back("errorFeedback"); }
  void favClick() override { calls.push_back("favClick"); }
  void againTest() override { calls.push_back("againTest"); }
  void markClick() override { calls.push_back("markClick"); }
  void saveToLastLearningRecord() override { calls.push_back("saveToLastLearningRecord"); }
  void markExamPapers(bool immediately) override {
    calls.push_back(immediately ? "markExamPapers:YES" : "markExamPapers:NO");
  }
  void presentImageBrowser(std::shared_ptr<ui::ViewController> browser) override {
    calls.push_back("presentImageBrowser");
    presentViewController(std::move(browser), true);
  }

  std::shared_ptr<TestPager> pager = std::make_shared<TestPager>();
  AnsweringMode mode = AnsweringMode::Practice;
  bool showExplain = false;
  bool firstHud = false;
  std::shared_ptr<ui::ScrollView> scroll;
  std::shared_ptr<ui::WebView> webViews[3];
  std::vector<std::string> calls;
};

// A question of a type, with options A to D ("甲", "乙", "丙", "丁") for the choice types.
inline std::shared_ptr<Questions> makeQuestion(const std::string& type, const std::string& answer,
                                               const std::string& title = "题干") {
  auto q = std::make_shared<Questions>();
  q->type = type;
  q->styleID = "1";
  q->style = "单选题";
  q->Style_Explain = "每题只有一个正确答案";
  q->MainTitle = title;
  q->Answer = answer;
  q->Explain = "解析文字";
  q->AllTestID = "1001";
  if (type != "JDTEST" && type != "TKTEST") {
    core::Value items = core::Value::newArray();
    const char* texts[] = {"甲", "乙", "丙", "丁"};
    const char* names[] = {"A", "B", "C", "D"};
    for (int i = 0; i < 4; ++i) items.push_back(core::Dictionary{{"Name", names[i]}, {"Text", texts[i]}});
    q->ChoiceItems = items;
  }
  return q;
}

// A temporary home with a chosen subject, the harness, and a stand-in screen on the window.
class PageSuite : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = std::make_unique<testsupport::TempHome>("vd-qpage-home");
    ASSERT_FALSE(home_->path().empty());
    core::Bundle::resetMain();
    harness_ = std::make_unique<ui::test::Harness>();
    ASSERT_TRUE(VDHelper::saveQuoteProduct(core::Dictionary{{"Key", "常识"}, {"Value", "GKSample"}}));
    registerExamScreens();
    owner = std::make_shared<RecordingOwner>();
    h().setRoot(owner);
    owner->view();
  }

  void TearDown() override {
    rl::DispatchQueue::global().waitIdle();
    for (auto& page : pages_) page.reset();
    owner.reset();
    harness_.reset();
    home_.reset();
  }

  ui::test::Harness& h() { return *harness_; }
  ui::test::FakeWebEngine& web(int index = 0) { return h().web(*owner->webViews[index]); }

  // The set the pager holds, its first question current.
  void setQuestions(const QuestionsArray& tests) { owner->pager = std::make_shared<TestPager>(tests); }

  // Makes the page of `q` in page view `index` through the factory, keeps it (in place of the view's
  // earlier page) and loads it: the background build, the load into the web view, and what follows the
  // load (unless the engine holds the load).
  std::shared_ptr<BaseTestHtmlViewController> show(const std::shared_ptr<Questions>& q, int index = 0,
                                                   std::function<void()> onComplete = {}) {
    if (owner->pager->testArray().empty()) setQuestions({q});
    owner->pager->setCurrentLoadTest(q);
    shownFrom_[index] = web(index).evaluated().size();
    auto page = TestHtmlVCFactory::createTestHtmlVC(q->type, owner, owner->webViews[index]);
    if (!page) return nullptr;
    pages_[index] = page;  // kept while its web view shows the question, as the answering screen does
    page->AsynloadWebViewHtml(std::move(onComplete));
    settle();
    return page;
  }

  // Runs the background build and the main loop until both are idle.
  void settle() {
    for (int i = 0; i < 5; ++i) {
      rl::DispatchQueue::global().waitIdle();
      h().drainMain();
    }
  }

  // The scripts run in a page view since `from` (by default: since its last show()).
  std::vector<std::string> scripts(int index = 0, std::size_t from = SIZE_MAX) {
    const auto& all = web(index).evaluated();
    if (from == SIZE_MAX) from = shownFrom_[index];
    return std::vector<std::string>(all.begin() + static_cast<long>(std::min(from, all.size())), all.end());
  }

  std::unique_ptr<testsupport::TempHome> home_;
  std::size_t shownFrom_[3] = {0, 0, 0};
  std::shared_ptr<BaseTestHtmlViewController> pages_[3];
  std::unique_ptr<ui::test::Harness> harness_;
  std::shared_ptr<RecordingOwner> owner;
};

}  // namespace qpage
