// The first road a new user takes, run headless on the UI harness against the loopback API server:
// the application starts with a subject chosen and no question bank; a function of the home screen
// offers the bank; the download is accepted and the update panel installs the bank from the server;
// the function then asks for a login; the login screen logs in; the main screen comes back and the
// function opens.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "app/AppDelegate.h"
#include "app/AppServices.h"
#include "app/VDHelper.h"
#include "app/VDViewControllerFactory.h"
#include "dao/BankLocation.h"
#include "librarys/http/HTTPRequest.h"
#include "librarys/json/JsonParser.h"
#include "platform/core/Bundle.h"
#include "platform/core/UserDefaults.h"
#include "platform/runloop/OperationQueue.h"
#include "platform/runloop/RunLoop.h"
#include "screens/AllScreens.h"
#include "screens/account/LoginViewController.h"
#include "screens/home/MainInterfaceViewController1.h"
#include "screens/update/UpdateSoftwareViewController.h"
#include "service/ServerConfig.h"
#include "service/ServiceShell.h"
#include "tests/support/AppLaunch.h"
#include "tests/support/FixedReachability.h"
#include "tests/support/LoopbackApp.h"
#include "tests/support/RunUntil.h"
#include "tests/support/TempDir.h"
#include "tools/testserver/apiserver/ApiServer.h"
#include "ui/Button.h"
#include "ui/NavigationController.h"
#include "ui/test/Harness.h"

namespace {

using testsupport::FixedReachability;

using testsupport::runUntil;

std::string screenName(const ui::ViewController* vc) {
  if (!vc) return "";
  return vc->className();
}

class HeadlessRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(loopback_.prepare("vd-e2e"));
    // No notices: their overlay would stand in front of the road.
    ASSERT_TRUE(testsupport::LoopbackApp::server().scenario(R"({"notices": []})"));
    registerEveryScreen();
    loopback_.h();
  }

  void TearDown() override {
    runUntil([] { return !MainInterfaceViewController1::isUnpacking(); }, 10);
    loopback_.finish();
    registerAllScreens();
  }

  ui::test::Harness& h() { return loopback_.h(); }
  std::string top() { return screenName(h().topScreen()); }
  MainInterfaceViewController1* homeScreen() {
    return dynamic_cast<MainInterfaceViewController1*>(loopback_.app().mainInterfaceVC().get());
  }
  UpdateSoftwareViewController* panel() {
    for (const auto& vc : h().window().overlays())
      if (auto* p = dynamic_cast<UpdateSoftwareViewController*>(vc.get())) return p;
    return nullptr;
  }
  bool tapFunction(int tag) {
    MainInterfaceViewController1* home = homeScreen();
    if (!home || !home->functionButton(tag)) return false;
    const bool took = h().tap(*home->functionButton(tag));
    h().settle();
    return took;
  }

  testsupport::LoopbackApp loopback_;
};

TEST_F(HeadlessRoad, FromNoBankToAnOpenFunction) {
  // A subject chosen earlier, no bank, the first-start prompt already seen.
  auto& defaults = core::UserDefaults::standard();
  ASSERT_TRUE(
      VDHelper::saveQuoteProduct(core::Dictionary{{"Key", "常识综合（样例）"}, {"Value", "GKSample"}}));
  defaults.setBool("isFirstMain", false);
  defaults.synchronize();

  // The launch, with the executable's own shell wiring and a network that is up.
  AppServices services = AppServices::standard();
  services.statistics.reset();
  services.crashCatcher.reset();
  services.newUser = nullptr;
  services.reachabilityForInternetConnection = [] { return std::make_shared<FixedReachability>(); };
  loopback_.launch(std::move(services));
  h().settle();
  ASSERT_TRUE(runUntil([this] {
    h().settle(0.2);
    return HTTPRequest::sharedQueue().operationCount() == 0 && loopback_.app().downSession().contains("Main");
  }));
  ASSERT_NE(homeScreen(), nullptr);
  EXPECT_EQ(top(), "MainInterfaceViewController1");
  EXPECT_FALSE(VDHelper::isHavefileName());

  // A function: the bank is offered first.
  ASSERT_TRUE(tapFunction(2));
  ASSERT_TRUE(runUntil([this] { return h().alert() != nullptr; })) << "no download prompt";
  h().settle();
  EXPECT_EQ(h().alert()->title(), "提示");
  EXPECT_EQ(top(), "MainInterfaceViewController1");

  // Accepted: the update panel fetches the bank from the server and installs it.
  ASSERT_TRUE(h().press("下载"));
  h().settle();
  ASSERT_NE(panel(), nullptr) << h().screens();
  ASSERT_TRUE(runUntil(
      [this] {
        h().settle(0.2);
        return VDHelper::isHavefileName() && panel() == nullptr;
      },
      60))
      << "the bank was not installed";
  ASSERT_TRUE(runUntil([this] {
    h().settle(0.2);
    return HTTPRequest::sharedQueue().operationCount() == 0 && loopback_.app().updateReply().has_value();
  }));

  // The same function now asks for a login; the login screen opens modally.
  ASSERT_TRUE(tapFunction(2));
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->message(), MainInterfaceViewController1::kLoginGateMessage);
  ASSERT_TRUE(h().press("登录"));
  h().settle();
  ASSERT_EQ(top(), "LoginViewController");
  // The first login's hint over the window: a tap takes it away.
  if (auto* hint = h().find<ui::Button>([](const ui::Button& b) {
        return b.currentBackgroundImage() && b.currentBackgroundImage()->name() == LoginViewController::kFirstRunImage;
      })) {
    ASSERT_TRUE(h().tap(*hint));
  }

  // The user types the account and logs in; the login screen closes onto the home screen.
  ui::TextField* name = h().field("用户名");
  ui::TextField* password = h().field("密码");
  ASSERT_TRUE(name && password);
  ASSERT_TRUE(h().type(*name, "user01"));
  ASSERT_TRUE(h().type(*password, "secret1"));
  ASSERT_TRUE(h().tap(*h().button("登录")));
  ASSERT_TRUE(runUntil([this] {
    h().settle(0.5);  // the modal screen closes with a 0.35 s transition
    return loopback_.app().userSession().contains("userInfo") && top() == "MainInterfaceViewController1" &&
           HTTPRequest::sharedQueue().operationCount() == 0;
  })) << h().screens();
  EXPECT_EQ(loopback_.app().userSession()["userInfo"]["UserName"].toString(), "user01");
  EXPECT_TRUE(AppDelegate::isAutoLoginTimerRunning());
  EXPECT_EQ(homeScreen()->registButton()->currentTitle(), "注销");

  // Back on the home screen, the function opens.
  ASSERT_TRUE(tapFunction(2));
  EXPECT_EQ(h().alert(), nullptr);
  EXPECT_EQ(top(), "ExamSetting1ViewController");
  EXPECT_EQ(loopback_.app().currentModule(), 2);
}

}  // namespace
