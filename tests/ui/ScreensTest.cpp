// The window's screens: overlays, the screen description, the top screen, launch and termination.

#include <gtest/gtest.h>

#include "Screens.h"
#include "platform/core/NotificationCenter.h"
#include "platform/runloop/BlockingCall.h"
#include "ui/AlertView.h"
#include "ui/NavigationController.h"
#include "ui/Notifications.h"
#include "ui/ScreenDescription.h"
#include "ui/test/Harness.h"

using namespace ui;
using uitest::screen;

TEST(Overlay, CoversTheScreensAndLivesAsLongAsItsViewIsOnTheWindow) {
  test::Harness h;
  int taps = 0;
  h.setRoot(screen("Home", [&](View& v) {
    uitest::addButton(v, "开始", {10, 10, 100, 40}, [&] { ++taps; });
  }));
  std::weak_ptr<uitest::Screen> weakPanel;
  {
    auto panel = screen("UpdatePanel");
    weakPanel = panel;
    panel->loadView();  // full content area, opaque to touches
    std::weak_ptr<View> weakView = panel->sharedView();
    uitest::addButton(panel->view(), "关闭", {200, 10, 100, 40}, [weakView] {
      if (auto v = weakView.lock()) v->removeFromSuperview();  // the panel takes itself away
    });
    h.window().addOverlay(panel);
  }
  EXPECT_FALSE(weakPanel.expired()) << "the window keeps the overlay's controller";
  EXPECT_FALSE(h.tap(*h.button("开始")));
  EXPECT_EQ(h.topScreen()->className(), "UpdatePanel");

  h.setRoot(screen("Other"));  // a root switch goes behind the overlay
  EXPECT_EQ(h.topScreen()->className(), "UpdatePanel");

  ASSERT_TRUE(h.tap(*h.button("关闭")));
  EXPECT_TRUE(h.window().overlays().empty());
  EXPECT_EQ(h.topScreen()->className(), "Other");
  h.drainMain();
  EXPECT_TRUE(weakPanel.expired()) << "released once its view left the window";
  EXPECT_EQ(taps, 0);
}

TEST(Overlay, PresentingFromAnOverlayKeepsItForTheReturn) {
  test::Harness h;
  h.setRoot(screen("Home"));
  std::weak_ptr<uitest::Screen> weakResult;
  {
    auto result = screen("TestResultViewController");
    weakResult = result;
    h.window().addOverlay(result);
    ASSERT_TRUE(result->presentViewController(screen("QuestionCard"), true));
  }
  h.settle();
  h.drainMain();
  ASSERT_FALSE(weakResult.expired());
  EXPECT_EQ(h.topScreen()->className(), "QuestionCard");
  ASSERT_TRUE(weakResult.lock()->dismissViewController(false));
  h.drainMain();
  ASSERT_FALSE(weakResult.expired());
  EXPECT_EQ(h.topScreen()->className(), "TestResultViewController");
  EXPECT_EQ(h.window().overlays().size(), 1u);
}

TEST(ScreenDescription, ListsRootStacksPresentedScreensOverlaysAndAlerts) {
  test::Harness h;
  auto sort = screen("SelectSortViewController");
  sort->setTitle("选择类别");
  auto series = screen("SelectSeriesViewController");
  auto nav = std::make_shared<NavigationController>(sort);
  h.setRoot(nav);
  nav->pushViewController(series, false);
  auto login = screen("LoginViewController");
  login->setTitle("登录");
  series->presentViewController(std::make_shared<NavigationController>(login), false);
  h.window().addOverlay(screen("TestResultViewController"));
  std::make_shared<AlertView>("提示", "网络连接不可用", std::weak_ptr<AlertViewDelegate>{}, "取消",
                              std::vector<std::string>{"重试"})
      ->show();

  const std::string expected =
      "root: NavigationController\n"
      "  [0] SelectSortViewController \"选择类别\"\n"
      "  [1] SelectSeriesViewController\n"
      "  presented: NavigationController\n"
      "    [0] LoginViewController \"登录\"\n"
      "overlay: TestResultViewController\n"
      "alert: AlertView \"提示\" \"网络连接不可用\" [取消, 重试]\n";
  EXPECT_EQ(h.screens(), expected);
  EXPECT_EQ(describeScreens(h.window()), expected);
  EXPECT_EQ(describeScreen(*sort), "SelectSortViewController \"选择类别\"\n");
}

namespace {
struct AppDelegate : ApplicationDelegate {
  std::vector<std::string> calls;
  bool didFinishLaunching(Application& app) override {
    calls.push_back(window ? "launch with window" : "launch without window");
    auto nav = std::make_shared<NavigationController>(screen("Start"));
    window->setRootViewController(nav);
    app.setStatusBarStyle(StatusBarStyle::LightContent);
    return true;
  }
  void didBecomeActive(Application&) override { calls.push_back("active"); }
  void willTerminate(Application&) override { calls.push_back("terminate"); }
};
}  // namespace

TEST(Application, LaunchHandsTheWindowToTheDelegateAndTerminationIsObservable) {
  test::Harness h;
  auto d = std::make_shared<AppDelegate>();
  auto& center = core::NotificationCenter::defaultCenter();
  int owner = 0;
  for (const char* name : {kApplicationDidFinishLaunchingNotification,
                           kApplicationDidBecomeActiveNotification, kApplicationWillTerminateNotification}) {
    center.addObserver(
        name, [d, name](const core::Notification&) { d->calls.push_back(name); }, &owner);
  }
  EXPECT_TRUE(h.launch(d));
  EXPECT_EQ(h.topScreen()->className(), "Start");
  EXPECT_EQ(h.app().statusBarStyle(), StatusBarStyle::LightContent);
  EXPECT_EQ(h.app().applicationFrame(), Rect(0, 20, 320, 460));
  EXPECT_EQ(h.terminatedWith(), std::nullopt);
  h.app().terminate(0);
  EXPECT_EQ(h.terminatedWith(), 0);
  center.removeObserver(&owner);
  EXPECT_EQ(d->calls,
            (std::vector<std::string>{"launch with window", kApplicationDidFinishLaunchingNotification,
                                      "active", kApplicationDidBecomeActiveNotification, "terminate",
                                      kApplicationWillTerminateNotification}));
}

// From launch to exit the main thread may not wait for the disk or a socket, but the launch itself
// and willTerminate may.
TEST(Application, TheMainThreadMayBlockOnlyWhileItStartsAndEnds) {
  struct Recorder : ApplicationDelegate {
    std::vector<std::pair<std::string, bool>> mayBlock;
    bool didFinishLaunching(Application&) override {
      mayBlock.emplace_back("launch", !rl::isBlockingDisallowed());
      return true;
    }
    void willTerminate(Application&) override {
      mayBlock.emplace_back("terminate", !rl::isBlockingDisallowed());
    }
  };
  auto d = std::make_shared<Recorder>();
  {
    test::Harness h;
    EXPECT_TRUE(h.launch(d));
    d->mayBlock.emplace_back("running", !rl::isBlockingDisallowed());
    h.app().terminate(0);
  }
  d->mayBlock.emplace_back("gone", !rl::isBlockingDisallowed());
  EXPECT_EQ(d->mayBlock, (std::vector<std::pair<std::string, bool>>{
                             {"launch", true}, {"running", false}, {"terminate", true}, {"gone", true}}));
}

TEST(TopScreen, FollowsContainersToTheChildOnShow) {
  test::Harness h;
  auto container = screen("SidePanelController");
  auto left = screen("EvenMoreViewController");
  auto home = screen("MainInterfaceViewController1");
  auto centre = std::make_shared<NavigationController>(home);
  h.setRoot(container);
  for (auto& child : std::vector<std::shared_ptr<ViewController>>{left, centre}) {
    container->addChildViewController(child);
    container->view().addSubview(child->sharedView());
    child->didMoveToParentViewController(container.get());
  }
  EXPECT_EQ(h.topScreen(), home.get());
  container->view().bringSubviewToFront(left->view());
  EXPECT_EQ(h.topScreen(), left.get());
  const std::string expected =
      "root: SidePanelController\n"
      "  child: EvenMoreViewController\n"
      "  child: NavigationController\n"
      "    [0] MainInterfaceViewController1\n";
  EXPECT_EQ(h.screens(), expected);
}
