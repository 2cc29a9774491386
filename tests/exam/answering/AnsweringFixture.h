#pragma once
// The answering screen under test: a temporary home, the loopback API server (one per test program) as
// the main API, an application delegate launched on the UI harness with a network the test can take
// away, the subject GKSample chosen, the shell's screens and the answering engine's registered, and a
// navigation controller on the window from which the answering screen is pushed as a launcher pushes
// it. Questions are made in memory; their pages load in the scripted web engine.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "app/AppServices.h"
#include "app/VDHelper.h"
#include "app/VDNetworkHelper.h"
#include "app/VDViewControllerFactory.h"
#include "exam/BaseTestHtmlViewController.h"
#include "exam/ExamScreens.h"
#include "exam/ExammingViewController.h"
#include "librarys/http/HTTPRequest.h"
#include "librarys/json/JsonParser.h"
#include "librarys/json/JsonWriter.h"
#include "platform/core/Bundle.h"
#include "platform/core/UserDefaults.h"
#include "platform/runloop/DispatchQueue.h"
#include "platform/runloop/OperationQueue.h"
#include "platform/runloop/RunLoop.h"
#include "screens/AllScreens.h"
#include "screens/account/AccountScreens.h"
#include "screens/account/LoginViewController.h"
#include "service/ServerConfig.h"
#include "service/ServiceShell.h"
#include "statistics/UsageStats.h"
#include "tests/support/LoopbackApp.h"
#include "tests/support/RunUntil.h"
#include "tests/support/ServerJournal.h"
#include "tools/testserver/apiserver/ApiServer.h"
#include "ui/NavigationController.h"
#include "ui/test/Harness.h"
#include "widgets/ProgressHUD.h"

namespace answering_test {

inline const char* kSubject = "GKSample";

// Question n of a set: ATEST, id 1000 + n, title "题n"; its group is given by style and instructions.
inline std::shared_ptr<Questions> question(int n, const std::string& style = "单选题",
                                           const std::string& explain = "每题只有一个正确答案") {
  auto q = std::make_shared<Questions>();
  q->type = "ATEST";
  q->styleID = "1";
  q->style = style;
  q->Style_Explain = explain;
  q->MainTitle = "题" + std::to_string(n);
  q->Answer = "A";
  q->AllTestID = std::to_string(1000 + n);
  core::Value items = core::Value::newArray();
  items.push_back(core::Dictionary{{"Name", "A"}, {"Text", "甲"}});
  items.push_back(core::Dictionary{{"Name", "B"}, {"Text", "乙"}});
  q->ChoiceItems = items;
  return q;
}

inline QuestionsArray questions(int count) {
  QuestionsArray all;
  for (int n = 0; n < count; ++n) all.push_back(question(n));
  return all;
}

class AnsweringFixture : public ::testing::Test {
 public:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(loopback_.prepare("vd-answering"));
    registerAllScreens();
    registerAccountScreens();
    registerExamScreens();

    loopback_.launch();
    auto& defaults = core::UserDefaults::standard();
    defaults.setBool("isFirstMain", false);
    defaults.setBool("isFirstLoginApp", false);
    defaults.setBool("isAutoLogon", false);
    ASSERT_NO_FATAL_FAILURE(loopback_.chooseSampleSubject());
    nav_ = std::make_shared<ui::NavigationController>(std::make_shared<ui::ViewController>());
    h().setRoot(nav_);
    h().settle();
  }

  void TearDown() override {
    settleRequests();
    screen_.reset();
    nav_.reset();
    loopback_.finish();
    registerAllScreens();
  }

  static testserver::ApiServer& server() { return testsupport::LoopbackApp::server(); }
  ui::test::Harness& h() { return loopback_.h(); }
  AppDelegate& app() { return loopback_.app(); }
  ExammingViewController& screen() { return *screen_; }

  // Makes the answering screen through the factory, as a launcher does, and pushes it at question
  // `start`; returns when the first pages have loaded (unless `wait` is false).
  ExammingViewController& open(QuestionsArray tests, int start = 0, AnsweringMode mode = AnsweringMode::Practice,
                               bool wait = true) {
    auto vc = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("examming");
    screen_ = std::dynamic_pointer_cast<ExammingViewController>(vc);
    EXPECT_NE(screen_, nullptr);
    auto pager = std::make_shared<TestPager>(tests);
    pager->setCurrentTest(tests[static_cast<std::size_t>(start)]);
    AnsweringScreen& launch = *screen_;
    launch.setTestPager(pager);
    launch.setOriginalMode(mode);
    launch.setRedoMode(AnsweringMode::Practice);
    launch.setChapterName("第一章");
    nav_->pushViewController(screen_, true);
    if (!wait) return *screen_;
    loadPages();
    h().advance(0.5);  // the push, and the progress overlay fading out
    // The group instructions cover the screen until a tap takes them away.
    if (dismissBanner_ && screen_->styleHud()) {
      EXPECT_TRUE(h().tap(ui::Point{20, 400}));
      EXPECT_EQ(screen_->styleHud(), nullptr);
    }
    return *screen_;
  }

  // Runs the background page builds and the main loop until both are idle (no clock time passes).
  void loadPages() {
    for (int i = 0; i < 6; ++i) {
      rl::DispatchQueue::global().waitIdle();
      h().drainMain();
    }
  }
  // Pages and timers: lets `seconds` of clock time pass, loading pages as they are asked for.
  void run(double seconds = 1) {
    loadPages();
    h().advance(seconds);
    loadPages();
    h().advance(0.05);
    loadPages();
  }

  // The question (its index in the set) each page view shows, from left to right by x; -1 for a view
  // whose page was never made. Also checks that each page stands at 320 x its question.
  std::vector<int> viewsHold() {
    struct Slot {
      double x;
      int question;
    };
    std::vector<Slot> slots;
    const auto& all = screen().testPager()->testArray();
    for (int i = 1; i <= 3; ++i) {
      auto page = screen().basetestVC(i);
      const double x = screen().pageWebView(i)->frame().origin.x;
      if (!page) continue;
      const int q = static_cast<int>(std::find(all.begin(), all.end(), page->currentTest()) - all.begin());
      EXPECT_EQ(x, 320.0 * q) << "view " << i;
      slots.push_back({x, q});
    }
    std::sort(slots.begin(), slots.end(), [](const Slot& a, const Slot& b) { return a.x < b.x; });
    std::vector<int> out;
    for (const auto& s : slots) out.push_back(s.question);
    return out;
  }
  int current() {
    const auto& all = screen().testPager()->testArray();
    return static_cast<int>(std::find(all.begin(), all.end(), screen().testPager()->currentTest()) - all.begin());
  }

  // The toast on show ("" when none).
  std::string toast() {
    auto* hud = dynamic_cast<ProgressHUD*>(h().window().viewWithTag(VDNetworkHelper::kToastTag));
    return hud ? hud->labelText() : std::string();
  }

  // A button move: taps the button and lets the move (160 steps of 0.001 s) and the loads run.
  bool tapMove(ui::Button* button) {
    if (!button || !h().tap(*button)) return false;
    run(0.4);
    return true;
  }

  void settleRequests() {
    EXPECT_TRUE(testsupport::runUntil([] { return HTTPRequest::sharedQueue().operationCount() == 0; }, 20));
    if (loopback_.delegate()) h().settle(0.5);
  }
  template <typename Pred>
  bool runUntil(Pred done, double seconds = testsupport::kRunUntilSeconds) {
    return testsupport::runUntil(
        [&] {
          h().settle(0.5);
          return done();
        },
        seconds);
  }

  void logIn(const std::string& user, const std::string& password) {
    auto login = std::make_shared<LoginViewController>();
    login->setUsernameFieldText(user);
    login->setPwdFieldText(password);
    login->loginAction();
    ASSERT_TRUE(runUntil([&] { return app().userSession().contains("userInfo"); }));
    settleRequests();
  }

  static void fault(const core::Value& f) { testsupport::armFault(server(), f); }
  // The requests received whose decoded path contains `part`, oldest first.
  static std::vector<core::Value> requests(const std::string& part) {
    return testsupport::journalRequests(server(), part);
  }

  bool dismissBanner_ = true;
  testsupport::LoopbackApp loopback_;
  std::shared_ptr<ui::NavigationController> nav_;
  std::shared_ptr<ExammingViewController> screen_;
};

}  // namespace answering_test
