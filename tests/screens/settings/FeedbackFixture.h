#pragma once
// The feedback, information and share screens under test: a temporary home, the loopback API server (one
// per test program) as the server, every screen registered as the executable does, an application
// delegate launched on the UI harness with a network status the test can change and a URL opener that
// records what it is given, and the subject GKSample chosen. Nobody is logged in unless a test says so.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "app/AppServices.h"
#include "app/URLOpener.h"
#include "app/VDHelper.h"
#include "app/VDViewControllerFactory.h"
#include "librarys/http/HTTPRequest.h"
#include "librarys/json/JsonParser.h"
#include "librarys/json/JsonWriter.h"
#include "platform/core/Bundle.h"
#include "platform/core/UserDefaults.h"
#include "platform/runloop/DispatchQueue.h"
#include "platform/runloop/OperationQueue.h"
#include "platform/runloop/RunLoop.h"
#include "screens/AllScreens.h"
#include "service/ServerConfig.h"
#include "service/ServiceShell.h"
#include "statistics/UsageStats.h"
#include "tests/support/RunUntil.h"
#include "tests/support/ServerJournal.h"
#include "tests/support/LoopbackApp.h"
#include "tools/testserver/apiserver/ApiServer.h"
#include "ui/NavigationController.h"
#include "ui/test/Harness.h"

namespace settings_test {

// A network watcher whose status a test can change (0 not reachable, 2 Wi-Fi).
class SwitchableReachability : public ReachabilityWatcher {
 public:
  int status = 2;
  int currentReachabilityStatus() const override { return status; }
  bool startNotifier() override { return true; }
};

// Keeps the addresses instead of opening them.
class RecordingURLOpener : public URLOpener {
 public:
  std::vector<std::string> opened;
  bool openURL(const std::string& url) override {
    opened.push_back(url);
    return true;
  }
};

class FeedbackFixture : public ::testing::Test {
 public:
  static testserver::ApiServer& server() { return testsupport::LoopbackApp::server(); }

  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(loopback_.prepare("vd-settings"));
    registerEveryScreen();

    core::UserDefaults::standard().setBool("isFirstOpen", true);  // a later start: no welcome pages
    core::UserDefaults::standard().setBool("isFirstMain", false);
    core::UserDefaults::standard().synchronize();
    AppServices services;
    services.reachabilityForInternetConnection = [this] { return reachability_; };
    services.urlOpener = opener_;
    loopback_.launch(services);
    ASSERT_FALSE(HasFailure());
    ASSERT_NO_FATAL_FAILURE(loopback_.chooseSampleSubject());
    ASSERT_TRUE(server().clearJournal());
  }

  void TearDown() override {
    nav_.reset();
    loopback_.finish();
    registerAllScreens();
  }

  ui::test::Harness& h() { return loopback_.h(); }
  AppDelegate& app() { return loopback_.app(); }

  void logInAs(const std::string& name) {
    app().userSession().set("userInfo", core::Dictionary{{"UserName", name}, {"NickName", ""}});
  }
  void goOffline() {
    reachability_->status = 0;
    app().reachabilityChanged({});
  }

  // ---- screens ----
  ui::NavigationController& navigation() {
    if (!nav_) {
      nav_ = std::make_shared<ui::NavigationController>(std::make_shared<ui::ViewController>());
      h().setRoot(nav_);
      h().settle();
    }
    return *nav_;
  }
  template <class Screen>
  std::shared_ptr<Screen> make(const char* identifier) {
    auto screen = std::dynamic_pointer_cast<Screen>(
        VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(identifier));
    EXPECT_NE(screen, nullptr) << identifier;
    return screen;
  }
  void push(const std::shared_ptr<ui::ViewController>& screen) {
    navigation().pushViewController(screen, false);
    h().settle();
    h().drainMain();
  }
  std::string top() {
    ui::ViewController* vc = h().topScreen();
    return vc ? vc->className() : "";
  }

  // ---- waiting ----
  void settleRequests() {
    const auto idle = [] { return HTTPRequest::sharedQueue().operationCount() == 0; };
    bool settled = false;
    testsupport::runUntil(
        [&] {
          if (!settled) {
            h().settle(0.2);
            if (idle()) {
              h().settle();
              settled = idle();
            }
          }
          return settled;
        },
        20);
    EXPECT_TRUE(settled) << "requests still running";
  }

  // ---- the server ----
  static void fault(const core::Value& f) { testsupport::armFault(server(), f); }
  static std::vector<core::Value> requests(const std::string& part) {
    return testsupport::journalRequests(server(), part);
  }

  std::string alertTitle() {
    ui::AlertView* a = h().alert();
    return a ? a->title() : "";
  }
  std::string alertMessage() {
    ui::AlertView* a = h().alert();
    return a ? a->message() : "";
  }

  testsupport::LoopbackApp loopback_;
  std::shared_ptr<SwitchableReachability> reachability_ = std::make_shared<SwitchableReachability>();
  std::shared_ptr<RecordingURLOpener> opener_ = std::make_shared<RecordingURLOpener>();
  std::shared_ptr<ui::NavigationController> nav_;
};

}  // namespace settings_test
