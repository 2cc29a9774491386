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
  static testserver::ApiServer& server() {
    static testserver::ApiServer s;
    return s;
  }

  void SetUp() override {
    if (server().port() == 0) {
      ASSERT_TRUE(server().start()) << server().failure();
    }
    ASSERT_TRUE(server().reset());

    std::string pattern = (std::filesystem::temp_directory_path() / "vd-settings-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    home_ = pattern;
    ::setenv("VARDO_HOME", home_.c_str(), 1);
    ::setenv(ServerConfig::kMainAPIBaseEnv, server().mainBase().c_str(), 1);
    ::setenv(ServerConfig::kUpdateCentreBaseEnv, server().updateBase().c_str(), 1);
    ::setenv(ServerConfig::kResourceRootEnv, server().origin().c_str(), 1);
    ServerConfig::reload();
    core::UserDefaults::resetStandard();
    core::Bundle::resetMain();
    installApplicationServiceShell();
    UsageStats::reset();
    HTTPRequest::clearSession();
    registerEveryScreen();

    harness_ = std::make_unique<ui::test::Harness>();
    core::UserDefaults::standard().setBool("isFirstOpen", true);  // a later start: no welcome pages
    core::UserDefaults::standard().setBool("isFirstMain", false);
    core::UserDefaults::standard().synchronize();
    AppServices services;
    services.reachabilityForInternetConnection = [this] { return reachability_; };
    services.urlOpener = opener_;
    delegate_ = std::make_shared<AppDelegate>(services);
    ASSERT_TRUE(h().launch(delegate_));
    ASSERT_TRUE(VDHelper::saveQuoteProduct(core::Dictionary{{"Key", "常识综合（样例）"}, {"Value", "GKSample"}}));
    app().userSession().set("appInfo", core::Dictionary{{"Name", "常识综合（样例）"}, {"EName", "GKSample"}});
    ASSERT_TRUE(server().clearJournal());
  }

  void TearDown() override {
    rl::DispatchQueue::global().waitIdle();
    rl::RunLoop::main().runUntil([] { return HTTPRequest::sharedQueue().operationCount() == 0; }, 10);
    rl::RunLoop::main().runUntilIdle();
    if (delegate_) delegate_->stopAutoLoginTimer();
    setServiceShell({});
    nav_.reset();
    delegate_.reset();
    harness_.reset();
    core::UserDefaults::resetStandard();
    registerAllScreens();
    ::unsetenv("VARDO_HOME");
    std::error_code ec;
    if (!home_.empty()) std::filesystem::remove_all(home_, ec);
  }

  ui::test::Harness& h() { return *harness_; }
  AppDelegate& app() { return *delegate_; }

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
    rl::RunLoop::main().runUntil(
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
  static void fault(const core::Value& f) { ASSERT_TRUE(server().fault(JSONRepresentation(f).value_or(""))); }
  static std::vector<core::Value> requests(const std::string& part) {
    std::vector<core::Value> out;
    const core::Value doc = JSONValue(server().journal().value_or("{}"));
    for (const core::Value& e : doc["requests"].array())
      if (e["decoded_path"].toString().find(part) != std::string::npos) out.push_back(e);
    return out;
  }

  std::string alertTitle() {
    ui::AlertView* a = h().alert();
    return a ? a->title() : "";
  }
  std::string alertMessage() {
    ui::AlertView* a = h().alert();
    return a ? a->message() : "";
  }

  std::string home_;
  std::unique_ptr<ui::test::Harness> harness_;
  std::shared_ptr<SwitchableReachability> reachability_ = std::make_shared<SwitchableReachability>();
  std::shared_ptr<RecordingURLOpener> opener_ = std::make_shared<RecordingURLOpener>();
  std::shared_ptr<AppDelegate> delegate_;
  std::shared_ptr<ui::NavigationController> nav_;
};

}  // namespace settings_test
