#pragma once
// The account screens under test: a temporary home, the loopback API server (one per test program) as
// the main API and the resource root, an application delegate launched on the UI harness with a network
// the test can take away, the subject GKSample chosen, the account screens registered over the shell's,
// and a scripted picture chooser. logIn() makes a real session on the server through the login screen
// driven without being shown (as the home screen's automatic login drives it).

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "app/AppServices.h"
#include "app/VDHelper.h"
#include "app/VDViewControllerFactory.h"
#include "dao/BankLocation.h"
#include "librarys/http/HTTPRequest.h"
#include "librarys/json/JsonParser.h"
#include "librarys/json/JsonWriter.h"
#include "platform/core/Bundle.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"
#include "platform/runloop/DispatchQueue.h"
#include "platform/runloop/OperationQueue.h"
#include "platform/runloop/RunLoop.h"
#include "platform/security/Keychain.h"
#include "screens/AllScreens.h"
#include "screens/account/AccountScreens.h"
#include "screens/account/AccountShared.h"
#include "screens/account/LoginViewController.h"
#include "screens/home/MainInterfaceViewController1.h"
#include "service/ServerConfig.h"
#include "service/ServiceShell.h"
#include "statistics/UsageStats.h"
#include "tests/support/AppLaunch.h"
#include "tests/support/LoopbackApp.h"
#include "tests/support/RunUntil.h"
#include "tests/support/ScopedOverride.h"
#include "tests/support/ServerJournal.h"
#include "tests/support/TempDir.h"
#include "tools/testserver/apiserver/ApiServer.h"
#include "ui/ImageCodec.h"
#include "ui/NavigationController.h"
#include "ui/test/Harness.h"
#include "ui/test/ScriptedImagePicker.h"
#include "util/Base64.h"
#include "util/KeychainItemStore.h"

namespace account_test {

inline const char* kSubject = "GKSample";

inline std::string screenName(const ui::ViewController* vc) {
  if (!vc) return "";
  return vc->className();
}

// Pixels of a small picture: a colour ramp, so that a JPEG of it is not trivial.
inline ui::Bitmap rampBitmap(int width, int height) {
  ui::Bitmap b;
  b.width = width;
  b.height = height;
  b.rgb.resize(static_cast<std::size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = &b.rgb[(static_cast<std::size_t>(y) * width + x) * 3];
      p[0] = static_cast<std::uint8_t>(x * 255 / width);
      p[1] = static_cast<std::uint8_t>(y * 255 / height);
      p[2] = 128;
    }
  return b;
}

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class AccountFixture : public ::testing::Test {
 public:
  static testserver::ApiServer& server() { return testsupport::LoopbackApp::server(); }

  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(loopback_.prepare("vd-account"));
    registerAllScreens();
    registerAccountScreens();
    chooser_ = std::make_shared<ui::test::ScriptedImagePicker>();
    picker_.emplace(ui::ImagePickerService::install, chooser_, nullptr);

    AppServices services = loopback_.services();
    services.newAppInfoClient = AppServices::standard().newAppInfoClient;
    loopback_.launch(std::move(services));
    auto& defaults = core::UserDefaults::standard();
    defaults.setBool("isFirstMain", false);
    defaults.setBool("isFirstLoginApp", false);
    defaults.setBool("isAutoLogon", false);
    defaults.setBool("isKeepPassword", false);
    ASSERT_NO_FATAL_FAILURE(loopback_.chooseSampleSubject());
    VDHelper::installBankLocation();
    KeychainItemStore(LoginViewController::kKeychainIdentifier).resetKeychainItem();
  }
  void TearDown() override {
    settleRequests();
    picker_.reset();
    loopback_.finish();
    registerAllScreens();
  }

  ui::test::Harness& h() { return loopback_.h(); }
  AppDelegate& app() { return loopback_.app(); }
  std::string top() { return screenName(h().topScreen()); }

  // Runs the main loop (real time, bounded) until `done`.
  template <typename Pred>
  bool runUntil(Pred done, double seconds = testsupport::kRunUntilSeconds) {
    return testsupport::runUntil(
        [&] {
          h().settle(0.5);  // long enough for a transition (0.35 s)
          return done();
        },
        seconds);
  }
  // Until no request is on its way and no worker job (a screen's post-and-reply, which may start the
  // next request) is left: both halves have run.
  void settleRequests() {
    for (;;) {
      EXPECT_TRUE(testsupport::runUntil([] { return HTTPRequest::sharedQueue().operationCount() == 0; }, 20));
      rl::DispatchQueue::global().waitIdle();
      h().settle();
      if (HTTPRequest::sharedQueue().operationCount() == 0 || ::testing::Test::HasFailure()) break;
    }
  }

  // The network goes away (the delegate's change notice and its alert, which the test closes).
  void goOffline() {
    loopback_.network().setStatus(0);
    app().reachabilityChanged(core::Notification{ReachabilityWatcher::kReachabilityChangedNotification, {}, {}, {}});
    h().advance(AppDelegate::kNetworkAlertDelay + 0.1);
    h().settle();
    if (h().alert() && h().alert()->title() == "断网提示") h().press("取消");
    h().settle();
  }

  // The main screen, as a subject choice shows it; returns its home screen.
  MainInterfaceViewController1& openHome() {
    app().setIsFirstOpenMain(false);
    app().setDownSession(core::Value::dictionary());
    VDHelper::showMainVC();
    h().settle();
    EXPECT_TRUE(testsupport::runUntil([this] { return app().downSession().contains("Main"); }, 20));
    settleRequests();
    return homeScreen();
  }
  MainInterfaceViewController1& homeScreen() {
    auto* home = dynamic_cast<MainInterfaceViewController1*>(app().mainInterfaceVC().get());
    EXPECT_NE(home, nullptr);
    return *home;
  }

  // Logs in on the server through a login screen that is never shown; returns when the login and its
  // application information have been answered.
  void logIn(const std::string& user, const std::string& password) {
    auto screen = std::make_shared<LoginViewController>();
    screen->setUsernameFieldText(user);
    screen->setPwdFieldText(password);
    screen->loginAction();
    ASSERT_TRUE(runUntil([&] { return app().userSession().contains("userInfo"); }));
    settleRequests();
  }

  // Puts an avatar for a user on the server as the application uploads one.
  static void putServerAvatar(const std::string& user, const std::string& password, const std::string& jpeg) {
    const auto login = server().request(
        "POST", "/api/1.0/json/User/login",
        JSONRepresentation(LoginViewController::loginRequest(user, password)).value_or(""),
        {{"Content-Type", "application/json"}});
    ASSERT_TRUE(login.has_value());
    std::string cookie = login->header("Set-Cookie");
    cookie = cookie.substr(0, cookie.find(';'));
    const auto upload = server().request("POST", "/api/1.0/json/user/SetPhoto", jpeg, {{"Cookie", cookie}});
    ASSERT_TRUE(upload.has_value());
    ASSERT_EQ(JSONValue(upload->body)["Body"], core::Value(true)) << upload->body;
  }

  // ---- the server ----
  static void fault(const core::Value& f) { testsupport::armFault(server(), f); }
  static void scenario(const std::string& json) { ASSERT_TRUE(server().scenario(json)) << json; }
  // The requests received whose decoded path contains `part`.
  static std::vector<core::Value> requests(const std::string& part) {
    return testsupport::journalRequests(server(), part);
  }
  // The bytes of a journalled request's body.
  static std::string bodyBytes(const core::Value& entry) {
    if (entry.contains("body_base64")) {
      const core::Bytes bytes = dataWithBase64EncodedString(entry["body_base64"].toString());
      return std::string(bytes.begin(), bytes.end());
    }
    return entry["body"].toString();
  }

  core::Value userInfo() { return app().userSession()["userInfo"]; }
  static std::string keychain(const char* key) {
    return KeychainItemStore(LoginViewController::kKeychainIdentifier).objectForKey(key);
  }
  static std::string avatarDirectory() { return core::Paths::documents() + "/head"; }

  testsupport::LoopbackApp loopback_;
  std::shared_ptr<ui::test::ScriptedImagePicker> chooser_;
  std::optional<testsupport::ScopedOverride<std::shared_ptr<ui::ImagePickerService>>> picker_;
};

}  // namespace account_test
