// The forced logout end to end, with the application shell's hooks installed on a launched application
// delegate: the same user logs in on a second device, the next asynchronous request of this one is told
// so, the session loses "userInfo", the alert shows, and its button logs the "more" menu out, stops the
// re-login timer and makes a stolen login screen the window's root. Also the shell's traffic counter.
#include <memory>
#include <string>

#include "app/AppDelegate.h"
#include "app/AppServices.h"
#include "app/VDLogHelper.h"
#include "app/VDViewControllerFactory.h"
#include "platform/core/Date.h"
#include "screens/AllScreens.h"
#include "service/UserService.h"
#include "tests/service/RequestLayerSupport.h"
#include "tests/support/FixedReachability.h"
#include "ui/NavigationController.h"
#include "ui/ViewController.h"

namespace reqlayer_test {
namespace {

using testsupport::FixedReachability;

class StolenLoginScreen : public ui::ViewController, public ForcedLogoutLoginScreen {
 public:
  std::string className() const override { return "StolenLoginScreen"; }
  void setIsStolen(bool stolen) override {
    isStolen = stolen;
    ++marks;
  }
  bool isStolen = false;
  int marks = 0;
};

class MoreMenu : public ui::ViewController, public ForcedLogoutMoreMenu {
 public:
  std::string className() const override { return "MoreMenu"; }
  void userLogout() override {
    ++logouts;
    sessionHadUserInfo = AppDelegate::current()->userSession().contains("userInfo");
  }
  int logouts = 0;
  bool sessionHadUserInfo = true;
};

const char* kLogin = R"({"AppEName":"","Group":0,"ID":0,"LoginCheckCode":"00:11:22:33:44:55","LoginCount":0,)"
                     R"("Pwd":"secret1","UserName":"user01"})";

class RequestLayerForcedLogout : public RequestLayerSuite {
 protected:
  void SetUp() override {
    RequestLayerSuite::SetUp();
    registerAllScreens();
    AppServices services;
    services.reachabilityForInternetConnection = [reach = reach_] { return reach; };
    app_ = std::make_shared<AppDelegate>(services);
    ASSERT_TRUE(h().launch(app_));
    installApplicationServiceShell();
  }

  void TearDown() override {
    if (app_) app_->stopAutoLoginTimer();
    app_.reset();
    RequestLayerSuite::TearDown();
    registerAllScreens();
    VDLogHelper::resetSharedInstance();
  }

  // Logs user01 in through the request layer, as the login screen does: the reply's "Body" plus "Pwd"
  // becomes "userInfo", and the re-login timer starts.
  void logIn() {
    auto service = std::make_shared<UserService>();
    auto d = watch(service);
    service->doPostLogin(api("1.0/json/User/login"), kLogin);
    await(d);
    ASSERT_TRUE(d->reply["Body"].isDictionary()) << d->reply.describe();
    core::Value userInfo = d->reply["Body"].deepCopy();
    userInfo.set("Pwd", "secret1");
    app_->userSession().set("userInfo", userInfo);
    app_->fireAutoLoginTimer();
  }

  // The same user logs in on another device: the server replaces this device's session.
  void logInElsewhere() {
    auto other =
        server().request("POST", "/api/1.0/json/User/login", kLogin, {{"Content-Type", "application/json"}});
    ASSERT_TRUE(other);
    ASSERT_NE(other->header("Set-Cookie").find("VDSID="), std::string::npos);
  }

  // An asynchronous request of the logged-in user; returns its reply and whether "userInfo" was still
  // in the session when the reply reached the caller.
  core::Value requestAsUser(bool* hadUserInfo) {
    auto service = std::make_shared<UserService>();
    core::Value reply;
    bool delivered = false;
    service->setFinishedBlock([&](const std::shared_ptr<AbstractService>&, const core::Value& r) {
      delivered = true;
      reply = r;
      *hadUserInfo = app_->userSession().contains("userInfo");
    });
    service->login(api("1.0/json/user/GetPrimary"));  // any GET of a logged-in user
    EXPECT_TRUE(runUntil([&] { return delivered; }));
    return reply;
  }

  ui::NavigationController* rootNavigation() {
    return dynamic_cast<ui::NavigationController*>(h().window().rootViewController());
  }

  std::shared_ptr<FixedReachability> reach_ = std::make_shared<FixedReachability>(2);
  std::shared_ptr<AppDelegate> app_;
};

TEST_F(RequestLayerForcedLogout, SecondLoginElsewhereSendsThisDeviceToAStolenLoginScreen) {
  std::shared_ptr<StolenLoginScreen> login;
  VDViewControllerFactory::registerScreen("login", [&](const std::string&) {
    login = std::make_shared<StolenLoginScreen>();
    return login;
  });
  auto menu = std::make_shared<MoreMenu>();
  app_->setEvenMoreVC(menu);

  logIn();
  bool hadUserInfo = true;
  core::Value before = requestAsUser(&hadUserInfo);
  EXPECT_EQ(before["LoginState"].toInt(), 1);
  EXPECT_TRUE(hadUserInfo);
  EXPECT_EQ(h().alert(), nullptr);

  logInElsewhere();
  core::Value reply = requestAsUser(&hadUserInfo);
  EXPECT_EQ(reply["LoginState"].toInt(), 2) << reply.describe();
  EXPECT_FALSE(hadUserInfo) << "\"userInfo\" goes before the reply reaches the caller";
  EXPECT_FALSE(app_->userSession().contains("userInfo"));

  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->title(), "警告");
  EXPECT_EQ(h().alert()->message(), "您的帐号已被抢登！请重新登录");
  ASSERT_EQ(h().alert()->numberOfButtons(), 1);
  EXPECT_EQ(h().alert()->buttonTitleAtIndex(0), "确定");
  EXPECT_EQ(login, nullptr) << "the login screen waits for the button";
  EXPECT_EQ(menu->logouts, 0);
  EXPECT_TRUE(AppDelegate::isAutoLoginTimerRunning());

  ASSERT_TRUE(h().press("确定"));
  h().settle();
  EXPECT_EQ(menu->logouts, 1);
  EXPECT_FALSE(menu->sessionHadUserInfo);
  EXPECT_FALSE(AppDelegate::isAutoLoginTimerRunning());
  ASSERT_NE(login, nullptr);
  EXPECT_TRUE(login->isStolen);
  EXPECT_EQ(login->marks, 1);
  ui::NavigationController* nav = rootNavigation();
  ASSERT_NE(nav, nullptr) << h().screens();
  ASSERT_EQ(nav->viewControllers().size(), 1u);
  EXPECT_EQ(nav->topViewController(), login.get());
  EXPECT_EQ(h().topScreen(), login.get());
}

// Without the account and "more" screens (no login screen to open): the session still records the
// logout the menu would have made, the user is told nothing false and the application keeps its screen.
TEST_F(RequestLayerForcedLogout, WithoutALoginScreenTheLogoutStillHappens) {
  logIn();
  logInElsewhere();
  bool hadUserInfo = true;
  EXPECT_EQ(requestAsUser(&hadUserInfo)["LoginState"].toInt(), 2);
  ui::ViewController* before = h().window().rootViewController();
  ASSERT_TRUE(h().press("确定"));
  h().settle();

  EXPECT_EQ(h().window().rootViewController(), before) << h().screens();
  EXPECT_EQ(h().alert(), nullptr);
  EXPECT_FALSE(app_->userSession().contains("userInfo"));
  EXPECT_TRUE(app_->userSession()["isUserLogout"].toBool());
  EXPECT_FALSE(AppDelegate::isAutoLoginTimerRunning());
}

// The shell's traffic hook reaches the traffic counter, which counts off Wi-Fi only.
TEST_F(RequestLayerForcedLogout, TrafficReachesTheCounterOffWiFi) {
  VDLogHelper::resetSharedInstance();
  reach_->setStatus(1);
  const std::string day = VDLogHelper::dayKey(core::Date::now());
  const std::int64_t before = VDLogHelper::sharedInstance()->getDayBytes(day);

  auto service = std::make_shared<AbstractService>();
  auto d = watch(service);
  service->doGetRequest(api("1.0/json/user/AppInfo/GKSample"), false);
  await(d);
  auto expected = server().request("GET", "/api/1.0/json/user/AppInfo/GKSample");
  ASSERT_TRUE(expected);
  EXPECT_EQ(VDLogHelper::sharedInstance()->getDayBytes(day) - before,
            static_cast<std::int64_t>(expected->body.size()));

  reach_->setStatus(2);
  auto wifi = std::make_shared<AbstractService>();
  auto dw = watch(wifi);
  wifi->doGetRequest(api("1.0/json/user/AppInfo/GKSample"), false);
  await(dw);
  EXPECT_EQ(VDLogHelper::sharedInstance()->getDayBytes(day) - before,
            static_cast<std::int64_t>(expected->body.size()));
}

}  // namespace
}  // namespace reqlayer_test
