#include <gmock/gmock.h>

#include <cmath>

#include "app/VDHelper.h"
#include "platform/runloop/BlockingCall.h"
#include "platform/security/Keychain.h"
#include "platform/system/Device.h"
#include "screens/home/SidePanelController.h"
#include "tests/app/StartupFixture.h"
#include "ui/AlertLayer.h"
#include "ui/NavigationBar.h"
#include "ui/NavigationController.h"
#include "util/KeychainItemStore.h"
#include "util/SystemVersion.h"

using namespace startup_test;
using ::testing::ElementsAre;

namespace {

// The identifier of the root screen of a navigation controller ("" when it is something else).
std::string navigationRootIdentifier(const ui::ViewController* vc) {
  auto* nav = dynamic_cast<const ui::NavigationController*>(vc);
  if (!nav || nav->viewControllers().empty()) return "";
  return testsupport::standInIdentifier(nav->viewControllers().front().get());
}

std::vector<std::string> buttonTitles(const ui::AlertView& alert) {
  std::vector<std::string> titles;
  for (int i = 0; i < alert.numberOfButtons(); ++i) titles.push_back(alert.buttonTitleAtIndex(i));
  return titles;
}

}  // namespace

// ---- the launch ----

using Launch = StartupFixture;

TEST_F(Launch, RunsItsStepsInOrderAndShowsTheOfflineAlertBeforeTheRoot) {
  // The root screen's creator notes what was already done when the root is made.
  VDViewControllerFactory::registerScreen("selectSort", [this](const std::string& storyboard) {
    record_->calls.push_back(
        "make selectSort, alerts waiting: " + std::to_string(h().window().alertLayer().panels().size()) +
        ", fontSize: " + core::UserDefaults::standard().stringForKey("fontSize"));
    return std::make_shared<testsupport::StandInScreen>("selectSort");
  });

  AppDelegate& app = launch(/*networkStatus=*/0);

  EXPECT_THAT(
      record_->calls,
      ElementsAre("setShouldUpdateNetworkActivityIndicator:NO", "setShouldThrottleBandwidthForWWAN:YES",
                  "startStatsTrack", "installUncaughtExceptionHandler", "reachabilityForInternetConnection",
                  "startNotifier", "make selectSort, alerts waiting: 1, fontSize: 中号"));
  EXPECT_EQ(ui::NavigationBar::appearanceBarStyle(), ui::BarStyle::Black);
  EXPECT_EQ(h().app().statusBarStyle(),
            systemMajorVersionNumber() >= 7 ? ui::StatusBarStyle::LightContent : ui::StatusBarStyle::Default);
  EXPECT_EQ(app.isReachable(), 0);
  EXPECT_EQ(app.status(), 0u);
  EXPECT_TRUE(app.isFirstOpenMain());
  EXPECT_EQ(app.hostReach(), reachability_);
  EXPECT_TRUE(app.userSession().isDictionary() && app.userSession().size() == 0);
  EXPECT_TRUE(app.downSession().isDictionary() && app.downSession().size() == 0);
  EXPECT_EQ(VDHelper::getAppdelegate(), &app);

  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->title(), "断网提示");
  EXPECT_EQ(h().alert()->message(), core::Bundle::main().localizedString("alertNetwork"));
  EXPECT_NE(h().alert()->message(), "alertNetwork");  // the strings table has the text
}

TEST_F(Launch, OnlineShowsNoAlert) {
  AppDelegate& app = launch(/*networkStatus=*/1);
  EXPECT_EQ(app.isReachable(), 1);
  EXPECT_EQ(h().alert(), nullptr);
  EXPECT_FALSE(app.isAlertOpen());
}

TEST_F(Launch, VardoBundleWithoutSubjectOpensTheExamCategoryChoice) {
  AppDelegate& app = launch();
  EXPECT_EQ(navigationRootIdentifier(h().window().rootViewController()), "selectSort");
  EXPECT_TRUE(app.appNameKeyValue().isNil());
  EXPECT_EQ(app.sidePanelVC(), nullptr);
}

TEST_F(Launch, AnotherBundleNameOpensTheSubjectChoice) {
  useBundleNamed("zyys");
  launch();
  EXPECT_EQ(navigationRootIdentifier(h().window().rootViewController()), "selectSubject");
}

TEST_F(Launch, SavedSubjectOpensTheSidePanelContainer) {
  const core::Value choice = core::Dictionary{{"Key", "中医执业医师"}, {"Value", "zyys"}};
  ASSERT_TRUE(VDHelper::saveQuoteProduct(choice));
  AppDelegate& app = launch();

  EXPECT_EQ(app.appNameKeyValue(), choice);
  auto* panel = dynamic_cast<SidePanelController*>(h().window().rootViewController());
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel, app.sidePanelVC().get());
  EXPECT_EQ(panel->state(), SidePanelController::kCenterVisible);
  auto* nav = dynamic_cast<ui::NavigationController*>(panel->centerPanel().get());
  ASSERT_NE(nav, nullptr);
  EXPECT_EQ(nav->viewControllers().front(), app.mainInterfaceVC());
  EXPECT_EQ(app.mainInterfaceVC()->className(), "MainInterfaceViewController1");
  EXPECT_EQ(testsupport::standInIdentifier(panel->leftPanel().get()), "evenmore");
  EXPECT_EQ(panel->leftPanel(), app.evenMoreVC());
  // The user sees the home screen; the "more" menu waits beneath it, not loaded yet.
  EXPECT_EQ(h().topScreen(), app.mainInterfaceVC().get());
  EXPECT_FALSE(app.evenMoreVC()->isViewLoaded());
}

TEST_F(Launch, SubjectNameThatCannotNameFilesCountsAsNoSubject) {
  core::UserDefaults::standard().setObject("saveAppName", core::Dictionary{{"Key", "x"}, {"Value", "../db"}});
  AppDelegate& app = launch();
  EXPECT_TRUE(app.appNameKeyValue().isNil());
  EXPECT_EQ(navigationRootIdentifier(h().window().rootViewController()), "selectSort");
}

TEST_F(Launch, ShowMainVCAgainReplacesTheContainerAndBothPanels) {
  ASSERT_TRUE(VDHelper::saveQuoteProduct(core::Dictionary{{"Key", "k"}, {"Value", "zyys"}}));
  AppDelegate& app = launch();
  auto oldPanel = app.sidePanelVC();
  auto oldHome = app.mainInterfaceVC();
  auto oldMore = app.evenMoreVC();

  VDHelper::showMainVC();
  h().drainMain();

  EXPECT_NE(app.sidePanelVC(), oldPanel);
  EXPECT_NE(app.mainInterfaceVC(), oldHome);
  EXPECT_NE(app.evenMoreVC(), oldMore);
  EXPECT_EQ(h().window().rootViewController(), app.sidePanelVC().get());
  EXPECT_EQ(oldPanel->view().window(), nullptr);
}

// ---- first-start seeding ----

using Seeding = StartupFixture;

TEST_F(Seeding, FirstLaunchCopiesTheConfigurationAndResetsTheSavedLogin) {
  {
    rl::ScopedAllowBlocking setUp;  // the test's own writes, not the application's
    KeychainItemStore saved(AppDelegate::kKeychainIdentifier);
    ASSERT_TRUE(saved.setObject("user01", sec::kSecAttrAccount));
    ASSERT_TRUE(saved.setObject("secret1", sec::kSecValueData));
  }
  launch();

  auto& defaults = core::UserDefaults::standard();
  const core::Value config = core::PropertyList::readFile(*VDHelper::configPath());
  ASSERT_TRUE(config.isDictionary());
  ASSERT_GT(config.size(), 0u);
  for (const auto& [key, value] : config.dict()) EXPECT_EQ(defaults.objectForKey(key), value) << key;
  EXPECT_FALSE(config.contains("isFirstOpen"));
  EXPECT_FALSE(config.contains("saveAppName"));
  EXPECT_TRUE(defaults.boolForKey(AppDelegate::kSeededDefault));

  KeychainItemStore after(AppDelegate::kKeychainIdentifier);
  EXPECT_EQ(after.objectForKey(sec::kSecAttrAccount), "");
  EXPECT_EQ(after.objectForKey(sec::kSecValueData), "");

  // Written to disk: a fresh read of the file sees the seed.
  core::UserDefaults reread(defaults.path());
  EXPECT_EQ(reread.stringForKey("fontSize"), "中号");
}

TEST_F(Seeding, LaterLaunchesBeforeTheStartButtonKeepWhatTheUserChanged) {
  launch();
  auto& defaults = core::UserDefaults::standard();
  defaults.setObject("fontSize", "大号");
  defaults.removeObject("isFirstMain");
  ASSERT_TRUE(defaults.synchronize());
  {
    rl::ScopedAllowBlocking setUp;  // the test's own writes, not the application's
    KeychainItemStore saved(AppDelegate::kKeychainIdentifier);
    ASSERT_TRUE(saved.setObject("user01", sec::kSecAttrAccount));
    ASSERT_TRUE(saved.setObject("secret1", sec::kSecValueData));
  }

  relaunch();  // "isFirstOpen" is still not set

  auto& after = core::UserDefaults::standard();
  EXPECT_EQ(after.stringForKey("fontSize"), "大号");  // the user's choice stays
  EXPECT_TRUE(after.boolForKey("isFirstMain"));       // a missing key is added again
  KeychainItemStore kept(AppDelegate::kKeychainIdentifier);
  EXPECT_EQ(kept.objectForKey(sec::kSecAttrAccount), "user01");
  EXPECT_EQ(kept.objectForKey(sec::kSecValueData), "secret1");
}

TEST_F(Seeding, NothingIsCopiedOnceTheStartButtonSetIsFirstOpen) {
  auto& defaults = core::UserDefaults::standard();
  defaults.setBool("isFirstOpen", true);
  ASSERT_TRUE(defaults.synchronize());
  launch();
  EXPECT_TRUE(core::UserDefaults::standard().objectForKey("fontSize").isNil());
  EXPECT_FALSE(core::UserDefaults::standard().boolForKey(AppDelegate::kSeededDefault));
}

// ---- network alert ----

using NetworkAlert = StartupFixture;

TEST_F(NetworkAlert, ShowsTitleMessageAndButtons) {
  launch(0);
  ASSERT_EQ(h().alerts().size(), 1u);
  const ui::AlertView& alert = *h().alert();
  EXPECT_EQ(alert.title(), "断网提示");
  EXPECT_THAT(buttonTitles(alert), ElementsAre("取消", "重试"));
  EXPECT_EQ(alert.cancelButtonIndex(), 0);
}

TEST_F(NetworkAlert, LossWhileTheAlertIsOpenShowsNoSecondAlert) {
  AppDelegate& app = launch(0);
  ASSERT_EQ(h().alerts().size(), 1u);
  reachability_->change(0);
  h().advance(AppDelegate::kNetworkAlertDelay + 0.5);
  EXPECT_EQ(h().alerts().size(), 1u);
  EXPECT_TRUE(app.isAlertOpen());
}

TEST_F(NetworkAlert, LossShowsTheAlertOneSecondLater) {
  AppDelegate& app = launch(2);
  reachability_->change(0);
  EXPECT_EQ(app.isReachable(), 0);
  EXPECT_EQ(h().alert(), nullptr);
  h().advance(0.9);
  EXPECT_EQ(h().alert(), nullptr);
  h().advance(0.1);
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->title(), "断网提示");
}

TEST_F(NetworkAlert, RetryWhileStillOfflineShowsTheAlertAgain) {
  AppDelegate& app = launch(0);
  // The network came back, but no change notice said so: the last known status is still 0.
  reachability_->setStatusSilently(2);
  ASSERT_TRUE(h().press("重试"));
  h().settle();
  ASSERT_EQ(h().alerts().size(), 1u);
  EXPECT_EQ(h().alert()->title(), "断网提示");
  EXPECT_TRUE(app.isAlertOpen());
}

TEST_F(NetworkAlert, RetryAfterTheNetworkCameBackSaysSo) {
  AppDelegate& app = launch(0);
  reachability_->change(1);
  EXPECT_EQ(app.isReachable(), 1);
  EXPECT_EQ(app.status(), 1u);
  ASSERT_TRUE(h().press("重试"));
  h().settle();
  ASSERT_EQ(h().alerts().size(), 1u);
  const ui::AlertView& alert = *h().alert();
  EXPECT_EQ(alert.title(), "提示");
  EXPECT_EQ(alert.message(), "网络连接成功！");
  EXPECT_THAT(buttonTitles(alert), ElementsAre("OK"));
  EXPECT_FALSE(app.isAlertOpen());
}

TEST_F(NetworkAlert, CancelClosesItAndTheNextLossAlertsAgain) {
  AppDelegate& app = launch(0);
  ASSERT_TRUE(h().press("取消"));
  EXPECT_TRUE(app.isAlertOpen());  // until the alert has gone
  h().settle();
  EXPECT_EQ(h().alert(), nullptr);
  EXPECT_FALSE(app.isAlertOpen());

  reachability_->change(0);
  h().advance(AppDelegate::kNetworkAlertDelay);
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->title(), "断网提示");
}

TEST_F(NetworkAlert, TerminationStopsListeningForChanges) {
  AppDelegate& app = launch(2);
  app.willTerminate(h().app());
  reachability_->change(0);
  EXPECT_EQ(app.isReachable(), 1);
  h().advance(2);
  EXPECT_EQ(h().alert(), nullptr);
}

// ---- exit ----

using Exit = StartupFixture;

TEST_F(Exit, ConfirmedExitShrinksTheWindowAndEndsWithStatusZero) {
  AppDelegate& app = launch();
  app.exitSoft("确定要退出吗？");
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->title(), core::Bundle::main().localizedString("alertTitle"));
  EXPECT_EQ(h().alert()->message(), "确定要退出吗？");
  EXPECT_THAT(buttonTitles(*h().alert()), ElementsAre("取消", "关闭程序"));

  ASSERT_TRUE(h().press("关闭程序"));
  h().advance(ui::AlertPanel::kDismissDuration);  // the alert has gone; the animation starts
  EXPECT_FALSE(app.isAlertOpen());
  const ui::Transform t = h().window().transform();
  EXPECT_DOUBLE_EQ(t.a, 0.001);
  EXPECT_DOUBLE_EQ(t.d, 0.0011);
  h().advance(AppDelegate::kExitAnimationDuration - 0.01);
  EXPECT_FALSE(h().terminatedWith().has_value());
  h().advance(0.01);
  EXPECT_EQ(h().terminatedWith(), 0);
}

TEST_F(Exit, CancelKeepsRunningAndOnlyOneAlertAtATime) {
  AppDelegate& app = launch(0);  // the network alert is open
  app.exitSoft("退出？");
  EXPECT_EQ(h().alerts().size(), 1u);
  ASSERT_TRUE(h().press("取消"));
  h().settle();

  app.exitSoft("退出？");
  ASSERT_TRUE(h().press("取消"));
  h().advance(5);
  EXPECT_FALSE(h().terminatedWith().has_value());
  EXPECT_TRUE(h().window().transform().isIdentity());
  EXPECT_FALSE(app.isAlertOpen());
}

TEST_F(Exit, OtherAnimationsDoNotEndTheProcess) {
  AppDelegate& app = launch();
  app.animationFinished("somethingElse", true);
  EXPECT_FALSE(h().terminatedWith().has_value());
}

TEST_F(Exit, TransformFollowsTheStatusBarOrientation) {
  AppDelegate& app = launch();
  struct Case {
    ui::InterfaceOrientation orientation;
    double radians;
  };
  const Case cases[] = {{ui::InterfaceOrientation::Portrait, 0},
                        {ui::InterfaceOrientation::PortraitUpsideDown, -M_PI},
                        {ui::InterfaceOrientation::LandscapeRight, M_PI / 2},
                        {ui::InterfaceOrientation::LandscapeLeft, 3 * M_PI / 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.orientation));
    h().app().setStatusBarOrientation(c.orientation);
    const ui::Transform t = app.transformForOrientation();
    EXPECT_NEAR(t.a, std::cos(c.radians), 1e-12);
    EXPECT_NEAR(t.b, std::sin(c.radians), 1e-12);
  }
}

// ---- automatic re-login ----

class AutoLogin : public StartupFixture {
 protected:
  AppDelegate& loggedIn() {
    AppDelegate& app = launch();
    app.userSession().set("userInfo",
                          core::Dictionary{{"UserName", "user01"}, {"Pwd", "secret1"}, {"ID", 42}});
    return app;
  }
};

TEST_F(AutoLogin, FiresEvery36000SecondsWithTheLoginRequest) {
  AppDelegate& app = loggedIn();
  app.fireAutoLoginTimer();
  EXPECT_TRUE(AppDelegate::isAutoLoginTimerRunning());
  h().advance(35999);
  EXPECT_TRUE(record_->logins.empty());
  h().advance(1);
  ASSERT_EQ(record_->logins.size(), 1u);

  const core::Value& r = record_->logins[0];
  EXPECT_EQ(r.dict().keys(), (std::vector<std::string>{"AppEName", "Group", "ID", "LoginCheckCode",
                                                       "LoginCount", "Pwd", "UserName"}));
  EXPECT_EQ(r["AppEName"], core::Value(""));
  EXPECT_EQ(r["Group"], core::Value(0));
  EXPECT_EQ(r["ID"], core::Value(0));
  EXPECT_EQ(r["LoginCount"], core::Value(0));
  EXPECT_TRUE(r["LoginCount"].isInteger());
  EXPECT_EQ(r["LoginCheckCode"], core::Value(sys::Device::hardwareAddress().value_or("")));
  EXPECT_EQ(r["Pwd"], core::Value("secret1"));
  EXPECT_EQ(r["UserName"], core::Value("user01"));

  h().advance(36000);
  EXPECT_EQ(record_->logins.size(), 2u);
}

TEST_F(AutoLogin, ASecondStartReplacesTheRunningTimer) {
  AppDelegate& app = loggedIn();
  app.fireAutoLoginTimer();
  h().advance(10000);
  app.fireAutoLoginTimer();
  h().advance(26000);  // the first timer would have fired now
  EXPECT_TRUE(record_->logins.empty());
  h().advance(10000);  // 36000 s after the second start
  EXPECT_EQ(record_->logins.size(), 1u);
  h().advance(36000 * 3);
  EXPECT_EQ(record_->logins.size(), 4u);  // one timer, not two
}

TEST_F(AutoLogin, StopEndsItForGood) {
  AppDelegate& app = loggedIn();
  app.fireAutoLoginTimer();
  h().advance(20000);
  app.stopAutoLoginTimer();
  EXPECT_FALSE(AppDelegate::isAutoLoginTimerRunning());
  h().advance(36000 * 3);
  EXPECT_TRUE(record_->logins.empty());
  app.stopAutoLoginTimer();  // stopping again is harmless
}

TEST_F(AutoLogin, FireWithNobodyLoggedInSendsNothingAndStops) {
  AppDelegate& app = loggedIn();
  app.fireAutoLoginTimer();
  app.userSession().remove("userInfo");  // a logout that left the timer running
  h().advance(36000);
  EXPECT_TRUE(record_->logins.empty());
  EXPECT_FALSE(AppDelegate::isAutoLoginTimerRunning());

  // The next login starts it again.
  app.userSession().set("userInfo", core::Dictionary{{"UserName", "user02"}, {"Pwd", "pw2"}});
  app.fireAutoLoginTimer();
  h().advance(36000);
  ASSERT_EQ(record_->logins.size(), 1u);
  EXPECT_EQ(record_->logins[0]["UserName"], core::Value("user02"));
}
