// The side-panel container: built by showMainVC, opened and closed by drags, taps and the menu button,
// centre replacement, and the background question-bank check.

#include <gtest/gtest.h>
#include "tests/support/RunUntil.h"
#include "widgets/ProgressHUD.h"

#include <cstdlib>
#include <memory>
#include <string>

#include "app/AppDelegate.h"
#include "app/AppServices.h"
#include "app/VDHelper.h"
#include "app/VDViewControllerFactory.h"
#include "platform/core/Bundle.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"
#include "platform/runloop/BlockingCall.h"
#include "platform/runloop/RunLoop.h"
#include "platform/runloop/Timer.h"
#include "screens/AllScreens.h"
#include "screens/home/SidePanelController.h"
#include "tests/support/AppLaunch.h"
#include "tests/support/StandInScreens.h"
#include "tests/support/TempDir.h"
#include "ui/BarButtonItem.h"
#include "ui/Canvas.h"
#include "ui/Image.h"
#include "ui/NavigationController.h"
#include "ui/NavigationItem.h"
#include "ui/test/Harness.h"

namespace sidepanel_test {

// A screen of its own class, for pushes and replacements.
class Plain : public ui::ViewController {
 public:
  explicit Plain(std::string name) : name_(std::move(name)) {}
  std::string className() const override { return name_; }

 private:
  std::string name_;
};

// The application launched on the harness with a chosen subject and the main interface built.
class SidePanel : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(home_.path().empty());
    core::Bundle::resetMain();
    registerAllScreens();
    testsupport::registerStandInScreensWhereNoneIs();  // the screens of the other areas
    AppServices services = testsupport::quietServices(2);
    services.libraryCheck = [this] {
      if (libraryCheck_) libraryCheck_();
    };
    launch_.launch(std::move(services));
    ASSERT_TRUE(VDHelper::saveQuoteProduct(core::Dictionary{{"Key", "科目"}, {"Value", "Vardo1"}}));
    // The home screen's first-start picture would cover the window: these tests drag the panels.
    core::UserDefaults::standard().setBool("isFirstMain", false);
  }

  void TearDown() override {
    side_.reset();
    launch_.reset();
  }

  ui::test::Harness& h() { return launch_.h(); }
  AppDelegate& app() { return launch_.app(); }

  SidePanelController& showMain() {
    VDHelper::showMainVC();
    h().settle();
    waitForRequestOverlays();
    side_ = std::dynamic_pointer_cast<SidePanelController>(launch_.app().sidePanelVC());
    return *side_;
  }

  // The home screen asks for the notices when it first loads; the request's overlay covers the window
  // until its answer (here: no server) comes back from the network thread. Wait for it, bounded.
  void waitForRequestOverlays() {
    testsupport::runUntil([this] { return ProgressHUD::allHUDsForView(h().window()).empty(); }, 10);
    h().settle();
  }

  ui::View& center() { return *side_->centerPanelContainer(); }
  double x() { return center().frame().minX(); }
  std::vector<ui::AnimationRecord> slides() {
    return h().animations().recordsFor(center(), ui::AnimatableProperty::Frame);
  }
  // A drag on the centre panel from (100, 200) of the centre container by (dx, dy).
  void dragCenter(double dx, double dy, bool release = true) {
    h().pan(center(), {100, 200}, {100 + dx, 200 + dy}, 10, 0.25, release);
  }
  ui::BarButtonView* menuButton() {
    auto image = SidePanelController::defaultImage();
    return h().find<ui::BarButtonView>(
        [&](const ui::BarButtonView& b) { return b.item() && b.item()->image() == image; });
  }
  // Opens the left panel with the menu button and lets the slide end.
  void openLeft() {
    ASSERT_NE(menuButton(), nullptr);
    ASSERT_TRUE(h().tap(*menuButton()));
    h().settle();
    ASSERT_EQ(side_->state(), SidePanelController::kLeftVisible);
  }
  // Runs the main loop until `done` holds: the check's thread hands its result over by posting to the
  // main loop, so the loop waits for posted work (bounded). An idle loop returns at once from runOnce,
  // so a far-off timer keeps it waiting for posts meanwhile.
  template <class F>
  bool pumpUntil(F done) {
    auto& loop = rl::RunLoop::main();
    auto holder = rl::Timer::make(3600, false, [](rl::Timer&) {});
    loop.addTimer(holder);
    for (int i = 0; i < 400 && !done(); ++i) loop.runOnce(rl::kDefaultMode, 0.025);
    holder->invalidate();
    return done();
  }

  testsupport::TempHome home_{"vardo-sidepanel"};
  testsupport::AppLaunch launch_;
  std::function<void()> libraryCheck_;  // what the application's library check does in this test
  std::shared_ptr<SidePanelController> side_;
};

TEST_F(SidePanel, ShowMainVCBuildsTheContainerWithHomeInTheCentreAndTheMenuOnTheLeft) {
  SidePanelController& side = showMain();
  EXPECT_EQ(h().window().rootViewController(), &side);
  auto* nav = dynamic_cast<ui::NavigationController*>(side.centerPanel().get());
  ASSERT_NE(nav, nullptr);
  ASSERT_EQ(nav->viewControllers().size(), 1u);
  EXPECT_EQ(nav->viewControllers().front(), app().mainInterfaceVC());
  EXPECT_EQ(side.leftPanel(), app().evenMoreVC());
  EXPECT_EQ(h().topScreen(), app().mainInterfaceVC().get());
  EXPECT_EQ(sidePanelController(*app().mainInterfaceVC()), &side);
  EXPECT_EQ(sidePanelController(*app().evenMoreVC()), &side);
  Plain lone("Lone");
  EXPECT_EQ(sidePanelController(lone), nullptr);

  EXPECT_EQ(side.state(), SidePanelController::kCenterVisible);
  EXPECT_EQ(side.leftVisibleWidth(), 256);
  EXPECT_EQ(center().frame(), h().window().rootViewController()->view().bounds());
  EXPECT_TRUE(side.leftPanelContainer()->isHidden());
  EXPECT_FALSE(app().evenMoreVC()->isViewLoaded());  // the menu loads when first shown
  EXPECT_EQ(side.tapView(), nullptr);
  // shadowed centre, rounded panel
  EXPECT_EQ(center().layer().shadowRadius(), 10);
  EXPECT_EQ(center().layer().shadowOpacity(), 0.75);
  EXPECT_EQ(center().layer().shadowPath(), ui::Path::rect(center().bounds()));
  EXPECT_FALSE(center().clipsToBounds());
  EXPECT_EQ(nav->view().layer().cornerRadius(), 6);
  EXPECT_TRUE(nav->view().clipsToBounds());

  // The menu button: on the first screen only.
  auto item = app().mainInterfaceVC()->navigationItem().leftBarButtonItem();
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->image(), SidePanelController::defaultImage());
  EXPECT_NE(menuButton(), nullptr);
  auto pushed = std::make_shared<Plain>("Pushed");
  nav->pushViewController(pushed, false);
  h().settle();
  EXPECT_EQ(pushed->navigationItem().leftBarButtonItem(), nullptr);
  EXPECT_EQ(menuButton(), nullptr);
}

TEST_F(SidePanel, MenuImageIsThreeBlackAndThreeWhiteBars) {
  auto image = SidePanelController::defaultImage();
  EXPECT_EQ(image, SidePanelController::defaultImage());  // made once
  EXPECT_EQ(image->size(), (ui::Size{20, 13}));
  std::vector<std::pair<double, double>> black, white;  // (y, height)
  for (const auto& op : image->drawing()) {
    ASSERT_EQ(op.kind, ui::DrawOpKind::FillRect);
    EXPECT_EQ(op.rect.width(), 20);
    (op.fill == ui::Color::black() ? black : white).emplace_back(op.rect.minY(), op.rect.height());
  }
  EXPECT_EQ(black, (std::vector<std::pair<double, double>>{{0, 1}, {5, 1}, {10, 1}}));
  EXPECT_EQ(white, (std::vector<std::pair<double, double>>{{1, 2}, {6, 2}, {11, 2}}));
}

TEST_F(SidePanel, FirstScreenKeepsALeftButtonOfItsOwn) {
  auto own = ui::BarButtonItem::withTitle("自己", ui::BarButtonItem::Style::Bordered, {});
  auto first = std::make_shared<Plain>("First");
  first->navigationItem().setLeftBarButtonItem(own);
  auto side = std::make_shared<SidePanelController>();
  side->setCenterPanel(std::make_shared<ui::NavigationController>(first));
  side->setLeftPanel(std::make_shared<Plain>("Menu"));
  h().setRoot(side);
  EXPECT_EQ(first->navigationItem().leftBarButtonItem(), own);
}

// Drags on the centre panel from the centre state: where the centre rests afterwards.
TEST_F(SidePanel, DragsOnTheCentreOpenOnlyPastTheThreshold) {
  struct Case {
    const char* name;
    double dx, dy;
    int state;               // after the drag
    double movedDuringDrag;  // the centre's x before release
  };
  const Case cases[] = {
      {"short rightward drag springs back", 40, 0, SidePanelController::kCenterVisible, 40},
      {"one point short of 48", 47, 0, SidePanelController::kCenterVisible, 47},
      {"48 points open", 48, 0, SidePanelController::kLeftVisible, 48},
      {"mostly vertical never starts", 30, 60, SidePanelController::kCenterVisible, 0},
      {"leftward never starts without a right panel", -120, 0, SidePanelController::kCenterVisible, 0},
  };
  showMain();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    side_->showCenterPanelAnimated(false);
    h().settle();
    h().animations().clear();
    dragCenter(c.dx, c.dy, false);
    EXPECT_EQ(x(), c.movedDuringDrag);
    h().touchUp(center().convertPointToView({100 + c.dx, 200 + c.dy}, nullptr));
    h().settle();
    EXPECT_EQ(side_->state(), c.state);
    EXPECT_EQ(x(), c.state == SidePanelController::kLeftVisible ? 256 : 0);
    // springing back never bounces (the opening bounce has a test of its own)
    if (c.state == SidePanelController::kCenterVisible) {
      for (const auto& r : slides()) EXPECT_EQ(r.curve, ui::AnimationCurve::Linear);
    }
  }
}

TEST_F(SidePanel, OpeningDragSlidesLinearlyThenBouncesBySevenAndAHalfPercent) {
  showMain();
  h().animations().clear();
  dragCenter(100, 0);
  EXPECT_EQ(side_->state(), SidePanelController::kLeftVisible);
  EXPECT_FALSE(side_->leftPanelContainer()->isHidden());
  EXPECT_TRUE(app().evenMoreVC()->view().isDescendantOf(*side_->leftPanelContainer()));
  EXPECT_EQ(app().evenMoreVC()->view().layer().cornerRadius(), 6);
  h().settle();
  const auto s = slides();
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ(s[0].fromRect().minX(), 100);
  EXPECT_EQ(s[0].toRect().minX(), 256);
  EXPECT_EQ(s[0].curve, ui::AnimationCurve::Linear);
  EXPECT_DOUBLE_EQ(s[0].duration, 0.2 * 156 / 256);  // the rest of the way, at full speed
  const double bounce = 256 + 156 * 0.075;
  EXPECT_DOUBLE_EQ(s[1].toRect().minX(), bounce);
  EXPECT_EQ(s[1].curve, ui::AnimationCurve::EaseOut);
  EXPECT_EQ(s[1].duration, 0.1);
  EXPECT_DOUBLE_EQ(s[2].fromRect().minX(), bounce);
  EXPECT_EQ(s[2].toRect().minX(), 256);
  EXPECT_EQ(s[2].curve, ui::AnimationCurve::EaseIn);
  EXPECT_EQ(s[2].duration, 0.1);
  EXPECT_EQ(x(), 256);
  // the shadow path follows with the slide's duration
  auto shadow = h().animations().last(center(), ui::AnimatableProperty::ShadowPath);
  ASSERT_TRUE(shadow.has_value());
  EXPECT_DOUBLE_EQ(shadow->duration, 0.2 * 156 / 256);
  EXPECT_EQ(h().topScreen(), app().evenMoreVC().get());
}

TEST_F(SidePanel, MenuButtonAndTapOnTheStripOpenAndCloseWithoutBounce) {
  showMain();
  h().animations().clear();
  openLeft();
  ASSERT_EQ(slides().size(), 1u);
  EXPECT_EQ(slides()[0].duration, 0.2);
  ASSERT_NE(side_->tapView(), nullptr);
  EXPECT_EQ(side_->tapView()->frame(), center().bounds());

  // the strip at the right (x 256...320 on the window) is the tap view over the centre
  h().animations().clear();
  EXPECT_TRUE(h().tap(ui::Point{300, 300}));
  EXPECT_EQ(side_->state(), SidePanelController::kCenterVisible);
  EXPECT_EQ(side_->tapView(), nullptr);
  EXPECT_FALSE(side_->leftPanelContainer()->isHidden());  // still showing while the centre slides back
  h().advance(0.2);
  EXPECT_TRUE(side_->leftPanelContainer()->isHidden());
  ASSERT_EQ(slides().size(), 1u);
  EXPECT_EQ(slides()[0].duration, 0.2);
  EXPECT_EQ(slides()[0].curve, ui::AnimationCurve::Linear);
}

TEST_F(SidePanel, DragsOnTheTapViewAlwaysStartAndCloseHalfWayInHalfTheTime) {
  showMain();
  openLeft();
  ui::View* tap = side_->tapView();
  // a short leftward drag springs back open
  h().pan(*tap, {30, 200}, {-10, 200});
  h().settle();
  EXPECT_EQ(side_->state(), SidePanelController::kLeftVisible);
  EXPECT_EQ(x(), 256);
  // a mostly vertical drag still starts on the tap view (and moves nothing sideways)
  h().animations().clear();
  tap = side_->tapView();
  h().pan(*tap, {30, 100}, {32, 200}, 10, 0.25, false);
  EXPECT_EQ(x(), 258);
  h().touchUp(tap->convertPointToView({32, 200}, nullptr));
  h().settle();
  EXPECT_EQ(x(), 256);
  // half the way back: half of 0.2 s, no bounce
  h().animations().clear();
  tap = side_->tapView();
  h().pan(*tap, {30, 200}, {-98, 200});
  EXPECT_EQ(side_->state(), SidePanelController::kCenterVisible);
  ASSERT_EQ(slides().size(), 1u);
  EXPECT_EQ(slides()[0].fromRect().minX(), 128);
  EXPECT_DOUBLE_EQ(slides()[0].duration, 0.1);
  h().advance(0.1);
  EXPECT_TRUE(side_->leftPanelContainer()->isHidden());
  h().settle();
  EXPECT_EQ(slides().size(), 1u);
  EXPECT_EQ(x(), 0);
}

TEST_F(SidePanel, NoDragWhileTheCentreShowsAPushedScreen) {
  showMain();
  auto* nav = dynamic_cast<ui::NavigationController*>(side_->centerPanel().get());
  nav->pushViewController(std::make_shared<Plain>("Pushed"), false);
  h().settle();
  dragCenter(150, 0, false);
  EXPECT_EQ(x(), 0);
  h().touchUp(center().convertPointToView({250, 200}, nullptr));
  h().settle();
  EXPECT_EQ(side_->state(), SidePanelController::kCenterVisible);
  nav->popViewController(false);
  h().settle();
  dragCenter(150, 0);
  h().settle();
  EXPECT_EQ(side_->state(), SidePanelController::kLeftVisible);
}

TEST_F(SidePanel, ReplacingTheCentreWhileOpenSlidesTheOldOneOffToTheRight) {
  showMain();
  openLeft();
  auto oldCenter = side_->centerPanel();
  auto first = std::make_shared<Plain>("NewFirst");
  auto replacement = std::make_shared<ui::NavigationController>(first);
  h().animations().clear();
  side_->setCenterPanel(replacement);
  EXPECT_EQ(side_->state(), SidePanelController::kCenterVisible);
  ASSERT_EQ(slides().size(), 1u);
  EXPECT_EQ(slides()[0].toRect().minX(), 320);  // fully off, away from the open panel
  EXPECT_EQ(slides()[0].duration, 0.2);
  EXPECT_EQ(oldCenter->parentViewController(), side_.get());  // swapped only when the slide ends
  h().advance(0.2);
  EXPECT_EQ(oldCenter->parentViewController(), nullptr);
  EXPECT_EQ(oldCenter->view().window(), nullptr);
  EXPECT_TRUE(replacement->view().isDescendantOf(center()));
  EXPECT_EQ(first->navigationItem().leftBarButtonItem()->image(), SidePanelController::defaultImage());
  h().settle();
  EXPECT_EQ(x(), 0);
  const auto s = slides();
  ASSERT_EQ(s.size(), 2u);
  EXPECT_EQ(s[1].fromRect().minX(), 320);
  EXPECT_EQ(s[1].toRect().minX(), 0);
  EXPECT_TRUE(side_->leftPanelContainer()->isHidden());
  EXPECT_EQ(h().topScreen(), first.get());

  // in the centre state the swap is immediate
  auto third = std::make_shared<Plain>("Third");
  side_->setCenterPanel(third);
  EXPECT_EQ(replacement->parentViewController(), nullptr);
  EXPECT_TRUE(third->view().isDescendantOf(center()));
  EXPECT_EQ(third->navigationItem().leftBarButtonItem()->image(), SidePanelController::defaultImage());
  dragCenter(100, 0);  // a plain screen counts as the top level
  EXPECT_EQ(side_->state(), SidePanelController::kLeftVisible);
  h().settle();
}

TEST_F(SidePanel, ReopeningDuringTheClosingSlideKeepsTheMenuVisible) {
  showMain();
  openLeft();
  side_->showCenterPanelAnimated(true);
  h().advance(0.05);
  side_->showLeftPanelAnimated(true);
  h().settle();
  EXPECT_EQ(side_->state(), SidePanelController::kLeftVisible);
  EXPECT_FALSE(side_->leftPanelContainer()->isHidden());
  EXPECT_EQ(x(), 256);
}

TEST_F(SidePanel, HidingTheCentreWorksOnlyWithASidePanelOpen) {
  showMain();
  side_->setCenterPanelHidden(true);
  EXPECT_FALSE(side_->centerPanelHidden());
  openLeft();
  side_->setCenterPanelHidden(true, true, 0.3);
  EXPECT_EQ(x(), 320);
  h().advance(0.3);
  EXPECT_TRUE(center().isHidden());
  EXPECT_FALSE(side_->centerPanel()->view().isDescendantOf(center()));
  side_->showCenterPanelAnimated(false);
  EXPECT_FALSE(side_->centerPanelHidden());
  EXPECT_FALSE(center().isHidden());
  EXPECT_TRUE(side_->centerPanel()->view().isDescendantOf(center()));
  EXPECT_EQ(x(), 0);
}

// The check writes its DownSession flags on the main thread, after the file look-up of its own thread.
TEST_F(SidePanel, BackgroundCheckWritesItsFlagsOnTheMainThreadThenRunsTheLibraryCheck) {
  struct Seen {
    int calls = 0;
    bool onMain = false;
    core::Value flags;
  };
  auto seen = std::make_shared<Seen>();
  libraryCheck_ = [seen, this] {
    ++seen->calls;
    seen->onMain = rl::RunLoop::isMainThread();
    seen->flags = app().downSession().deepCopy();
  };
  app().downSession().set("isUpdateDB", core::Value(true));

  VDHelper::showMainVC();
  // Nothing is written until the main loop runs the posted part.
  EXPECT_TRUE(app().downSession()["isUpdateDB"].toBool());
  EXPECT_FALSE(app().downSession().contains("Main"));
  ASSERT_TRUE(pumpUntil([&] { return seen->calls > 0; }));
  EXPECT_EQ(seen->calls, 1);
  EXPECT_TRUE(seen->onMain);
  EXPECT_EQ(seen->flags["isUpdateDB"], core::Value(false));
  EXPECT_EQ(seen->flags["isHavefileName"], core::Value(false));  // no database file yet
  EXPECT_EQ(seen->flags["Main"], core::Value(true));

  // With the subject's database in place the next check finds it.
  {
    rl::ScopedAllowBlocking setUp;  // the test's own writes, not the application's
    ASSERT_TRUE(
        core::Paths::atomicWrite(VDHelper::dbSavePath() + "/Vardo1.db", std::string("SQLite format 3")));
  }
  VDHelper::showMainVC();
  ASSERT_TRUE(pumpUntil([&] { return seen->calls > 1; }));
  EXPECT_EQ(seen->flags["isHavefileName"], core::Value(true));
}

}  // namespace sidepanel_test
