#include <gmock/gmock.h>

#include <future>
#include <thread>

#include "platform/core/NotificationCenter.h"
#include "platform/runloop/DispatchQueue.h"
#include "tests/app/shellui/ShellFixture.h"
#include "ui/Canvas.h"
#include "ui/TextMeasurer.h"
#include "widgets/BarProgressView.h"
#include "widgets/HUDActivityIndicator.h"
#include "widgets/ProgressHUD.h"
#include "widgets/RoundProgressView.h"

using namespace shellui_test;

namespace {

// Records what the overlay reports when it has hidden.
struct HiddenRecorder : ProgressHUDDelegate {
  void hudWasHidden(ProgressHUD& hud) override { hidden.push_back(&hud); }
  std::vector<ProgressHUD*> hidden;
};

// The screens' view: a 320 x 480 host on the window, under the status bar.
class ProgressOverlay : public ShellFixture {
 protected:
  void SetUp() override {
    ShellFixture::SetUp();
    ui::TextMeasurer::setCurrent(nullptr);  // the fixed metrics the figures below are worked out with
    host_ = std::make_shared<ui::View>(ui::Rect(0, 0, 320, 480));
    h().window().addSubview(host_);
  }
  ui::View& host() { return *host_; }
  std::shared_ptr<ui::View> host_;
};

}  // namespace

// Fixed metrics: bold 16 -> Chinese characters 16 wide, ASCII 8, lines 20 high (19.2 rounded up);
// bold 12 -> 12 / 6 wide, 15 high.
TEST_F(ProgressOverlay, LayoutFiguresPerMode) {
  struct Case {
    const char* name;
    ProgressHUD::Mode mode;
    const char* label;
    const char* details;
    double margin;
    double yOffset;
    bool square;
    ui::Size minSize;
    const char* indicatorClass;  // "" = none
    ui::Size box;
    ui::Rect indicatorFrame;
    ui::Rect labelFrame;
  };
  const Case cases[] = {
      {"text toast",
       ProgressHUD::Mode::Text,
       "保存成功",
       "",
       10,
       150,
       false,
       {},
       "",
       {84, 40},
       {},
       {128, 380, 64, 20}},
      {"busy",
       ProgressHUD::Mode::Indeterminate,
       "正在加载...",
       "",
       20,
       0,
       false,
       {},
       "HUDActivityIndicator",
       {128, 101},
       {142, 210, 37, 37},
       {116, 251, 88, 20}},
      {"pie without label",
       ProgressHUD::Mode::Round,
       "",
       "",
       20,
       0,
       false,
       {},
       "RoundProgressView",
       {77, 77},
       {142, 222, 37, 37},
       {160, 259, 0, 0}},
      {"bar with details",
       ProgressHUD::Mode::Bar,
       "下载中",
       "共 3 个文件",
       20,
       -40,
       false,
       {},
       "BarProgressView",
       {160, 103},
       {100, 169, 120, 20},
       {136, 193, 48, 20}},
      {"square ring",
       ProgressHUD::Mode::Annular,
       "上传",
       "",
       20,
       0,
       true,
       {},
       "RoundProgressView",
       {101, 101},
       {142, 210, 37, 37},
       {144, 251, 32, 20}},
      {"minimum size",
       ProgressHUD::Mode::Text,
       "好",
       "",
       20,
       0,
       false,
       {150, 150},
       "",
       {150, 150},
       {},
       {152, 230, 16, 20}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto hud = std::make_shared<ProgressHUD>(host());
    host().addSubview(hud);
    hud->setMode(c.mode);
    hud->setLabelText(c.label);
    hud->setDetailsLabelText(c.details);
    hud->setMargin(c.margin);
    hud->setYOffset(c.yOffset);
    hud->setSquare(c.square);
    hud->setMinSize(c.minSize);
    hud->show(false);

    EXPECT_EQ(hud->frame(), host().bounds());
    EXPECT_EQ(hud->size(), c.box);
    EXPECT_EQ(hud->boxRect(),
              ui::Rect(std::round((320 - c.box.width) / 2), std::round((480 - c.box.height) / 2) + c.yOffset,
                       c.box.width, c.box.height));
    if (*c.indicatorClass) {
      ASSERT_NE(hud->indicator(), nullptr);
      EXPECT_EQ(hud->indicator()->className(), c.indicatorClass);
      EXPECT_EQ(hud->indicator()->frame(), c.indicatorFrame);
    } else {
      EXPECT_EQ(hud->indicator(), nullptr);
    }
    EXPECT_EQ(hud->label().frame(), c.labelFrame);
    hud->removeFromSuperview();
  }
}

TEST_F(ProgressOverlay, LongLabelIsCutWhileTheDetailsWrap) {
  auto hud = ProgressHUD::showHUDAddedTo(host(), false);
  hud->setMode(ProgressHUD::Mode::Text);
  hud->setLabelText(std::string(40, 'x'));          // 320 points on one line
  hud->setDetailsLabelText(std::string(100, 'y'));  // 600 points: three lines of at most 240
  const double maxWidth = 320 - 4 * 20;
  EXPECT_EQ(hud->label().frame().width(), maxWidth);
  EXPECT_EQ(hud->label().frame().height(), 20);
  EXPECT_EQ(hud->detailsLabel().frame().width(), maxWidth);
  EXPECT_EQ(hud->detailsLabel().frame().height(), 44);  // 3 x 14.4 rounded up
  EXPECT_EQ(hud->detailsLabel().numberOfLines(), 0);
  EXPECT_EQ(hud->size(), ui::Size(maxWidth + 40, 20 + 4 + 44 + 40));
}

TEST_F(ProgressOverlay, IndicatorFollowsTheModeAndKeepsTheProgress) {
  auto hud = ProgressHUD::showHUDAddedTo(host(), false);
  ASSERT_NE(dynamic_cast<HUDActivityIndicator*>(hud->indicator()), nullptr);
  EXPECT_TRUE(dynamic_cast<HUDActivityIndicator*>(hud->indicator())->isAnimating());

  hud->setProgress(0.4);
  hud->setMode(ProgressHUD::Mode::Annular);
  auto ring = std::dynamic_pointer_cast<RoundProgressView>(hud->indicator()->shared_from_this());
  ASSERT_NE(ring, nullptr);
  EXPECT_TRUE(ring->isAnnular());
  EXPECT_EQ(ring->progress(), 0.4);
  hud->setMode(ProgressHUD::Mode::Round);  // the same view, now a pie
  EXPECT_EQ(hud->indicator(), ring.get());
  EXPECT_FALSE(ring->isAnnular());

  hud->setMode(ProgressHUD::Mode::Bar);
  auto* bar = dynamic_cast<BarProgressView*>(hud->indicator());
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->progress(), 0.4);
  EXPECT_EQ(ring->superview(), nullptr);
  hud->setProgress(0.75);
  EXPECT_EQ(bar->progress(), 0.75);

  auto custom = std::make_shared<ui::View>(ui::Rect(0, 0, 50, 30));
  hud->setCustomView(custom);
  hud->setMode(ProgressHUD::Mode::CustomView);
  EXPECT_EQ(hud->indicator(), custom.get());
  EXPECT_EQ(custom->superview(), hud.get());
  hud->setMode(ProgressHUD::Mode::Text);
  EXPECT_EQ(hud->indicator(), nullptr);
  EXPECT_EQ(custom->superview(), nullptr);
}

TEST_F(ProgressOverlay, DrawsTheRoundedBoxAndOptionallyDimsTheHost) {
  auto hud = ProgressHUD::showHUDAddedTo(host(), false);
  hud->setLabelText("请稍候");
  ui::Canvas plain;
  hud->displayInto(plain);
  const auto fills = plain.operations(ui::DrawOpKind::FillPath);
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0].path, ui::Path::roundedRect(hud->boxRect(), 10));
  EXPECT_EQ(fills[0].fill, ui::Color::black().withAlpha(0.8));
  EXPECT_TRUE(plain.operations(ui::DrawOpKind::RadialGradient).empty());

  hud->setDimBackground(true);
  hud->setColor(ui::Color::rgb(0.2, 0.4, 0.6, 0.9));
  hud->setCornerRadius(4);
  ui::Canvas dimmed;
  hud->displayInto(dimmed);
  ASSERT_EQ(dimmed.operations().size(), 2u);
  const ui::DrawOp& gradient = dimmed.operations()[0];
  EXPECT_EQ(gradient.kind, ui::DrawOpKind::RadialGradient);
  EXPECT_EQ(gradient.start, ui::Point(160, 240));
  EXPECT_EQ(gradient.endRadius, 320);
  EXPECT_TRUE(gradient.drawsAfterEnd);
  EXPECT_THAT(gradient.stops,
              ::testing::ElementsAre(ui::GradientStop{0, ui::Color::black().withAlpha(0)},
                                     ui::GradientStop{1, ui::Color::black().withAlpha(0.75)}));
  EXPECT_EQ(dimmed.operations()[1].fill, ui::Color::rgb(0.2, 0.4, 0.6, 0.9));
  EXPECT_EQ(dimmed.operations()[1].path, ui::Path::roundedRect(hud->boxRect(), 4));
}

TEST_F(ProgressOverlay, ShowsAndHidesOverThreeTenthsOfASecond) {
  auto recorder = std::make_shared<HiddenRecorder>();
  auto hud = std::make_shared<ProgressHUD>(host());
  host().addSubview(hud);
  hud->setAnimationType(ProgressHUD::AnimationType::ZoomOut);
  hud->setDelegate(recorder);
  int completions = 0;
  hud->setCompletionBlock([&] { ++completions; });
  h().animations().clear();

  hud->show(true);
  EXPECT_EQ(hud->alpha(), 1);
  auto alpha = h().animations().last(*hud, ui::AnimatableProperty::Alpha);
  ASSERT_TRUE(alpha.has_value());
  EXPECT_EQ(alpha->fromDouble(), 0);
  EXPECT_EQ(alpha->duration, 0.30);
  auto zoom = h().animations().last(*hud, ui::AnimatableProperty::Transform);
  ASSERT_TRUE(zoom.has_value());
  EXPECT_EQ(std::get<ui::Transform>(zoom->from), ui::Transform::scale(1.5, 1.5));
  EXPECT_EQ(std::get<ui::Transform>(zoom->to), ui::Transform::identity());

  hud->hide(true);
  EXPECT_EQ(hud->alpha(), ProgressHUD::kHidingAlpha);
  EXPECT_EQ(hud->transform(), ui::Transform::scale(0.5, 0.5));
  EXPECT_FALSE(hud->isFinished());
  h().advance(0.29);
  EXPECT_TRUE(recorder->hidden.empty());
  h().advance(0.02);
  EXPECT_TRUE(hud->isFinished());
  EXPECT_EQ(hud->alpha(), 0);
  EXPECT_EQ(hud->superview(), &host());  // not asked to go
  EXPECT_THAT(recorder->hidden, ::testing::ElementsAre(hud.get()));
  EXPECT_EQ(completions, 1);
  EXPECT_FALSE(hud->showStarted().has_value());
}

TEST_F(ProgressOverlay, HidingWithoutAnimationEndsAtOnce) {
  auto recorder = std::make_shared<HiddenRecorder>();
  auto hud = ProgressHUD::showHUDAddedTo(host(), true);
  hud->setRemoveFromSuperViewOnHide(true);
  hud->setDelegate(recorder);
  int completions = 0;
  hud->setCompletionBlock([&] { ++completions; });
  hud->hide(false);
  EXPECT_EQ(hud->superview(), nullptr);
  EXPECT_EQ(hud->alpha(), 0);
  EXPECT_EQ(completions, 1);
  EXPECT_THAT(recorder->hidden, ::testing::ElementsAre(hud.get()));
  hud->hide(false);  // the block ran once and is gone
  EXPECT_EQ(completions, 1);
}

TEST_F(ProgressOverlay, MinimumShowTimeHoldsAnEarlyHide) {
  auto recorder = std::make_shared<HiddenRecorder>();
  auto hud = std::make_shared<ProgressHUD>(host());
  host().addSubview(hud);
  hud->setMinShowTime(1);
  hud->setDelegate(recorder);
  hud->show(false);
  h().advance(0.4);
  hud->hide(false);
  EXPECT_EQ(hud->alpha(), 1);
  h().advance(0.59);
  EXPECT_EQ(hud->alpha(), 1);
  EXPECT_TRUE(recorder->hidden.empty());
  h().advance(0.02);  // 0.6 s after the hide
  EXPECT_EQ(hud->alpha(), 0);
  EXPECT_THAT(recorder->hidden, ::testing::ElementsAre(hud.get()));

  // Shown long enough already: the hide is immediate.
  hud->show(false);
  h().advance(1.5);
  hud->hide(false);
  EXPECT_EQ(hud->alpha(), 0);
  EXPECT_EQ(recorder->hidden.size(), 2u);
}

TEST_F(ProgressOverlay, GraceTimeShowsOnlyWorkThatOutlastsIt) {
  auto queue = rl::DispatchQueue::serial("hud-test");

  // Work that ends within the grace time: the overlay never shows.
  auto quick = std::make_shared<ProgressHUD>(host());
  host().addSubview(quick);
  quick->setGraceTime(0.5);
  int quickDone = 0;
  quick->showAnimated(
      true, [] {}, *queue, [&] { ++quickDone; });
  EXPECT_TRUE(quick->taskInProgress());
  queue->waitIdle();
  h().drainMain();  // the end of the work reaches the main thread
  EXPECT_FALSE(quick->taskInProgress());
  EXPECT_EQ(quickDone, 1);
  h().advance(1);
  EXPECT_EQ(quick->alpha(), 0);
  EXPECT_FALSE(quick->showStarted().has_value());

  // Work still running when the grace time is over: the overlay shows then, and hides when it ends.
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  auto slow = std::make_shared<ProgressHUD>(host());
  host().addSubview(slow);
  slow->setGraceTime(0.5);
  int slowDone = 0;
  slow->showAnimated(
      false, [released] { released.wait(); }, *queue, [&] { ++slowDone; });
  h().advance(0.49);
  EXPECT_EQ(slow->alpha(), 0);
  h().advance(0.02);
  EXPECT_EQ(slow->alpha(), 1);
  release.set_value();
  queue->waitIdle();
  h().drainMain();
  EXPECT_EQ(slow->alpha(), 0);
  EXPECT_EQ(slowDone, 1);
}

TEST_F(ProgressOverlay, AGraceTimeWithoutATaskNeverShows) {
  auto hud = std::make_shared<ProgressHUD>(host());
  host().addSubview(hud);
  hud->setGraceTime(0.2);
  hud->show(false);
  h().advance(5);
  EXPECT_EQ(hud->alpha(), 0);
}

TEST_F(ProgressOverlay, ChangesFromAWorkerReachTheViewsOnTheMainThread) {
  auto hud = ProgressHUD::showHUDAddedTo(host(), false);
  hud->setMode(ProgressHUD::Mode::Bar);
  std::thread worker([&] {
    hud->setLabelText("已完成 50%");
    hud->setProgress(0.5);
  });
  worker.join();
  EXPECT_EQ(hud->labelText(), "已完成 50%");  // the setting itself is there at once
  EXPECT_EQ(hud->label().text(), "");         // the views wait for the main thread
  h().drainMain();
  EXPECT_EQ(hud->label().text(), "已完成 50%");
  EXPECT_EQ(hud->label().frame().width(), 3 * 16 + 4 * 8);
  EXPECT_EQ(dynamic_cast<BarProgressView*>(hud->indicator())->progress(), 0.5);
}

TEST_F(ProgressOverlay, ClassOperationsFindAndHideTheOverlaysOfAView) {
  EXPECT_FALSE(ProgressHUD::hideHUDForView(host(), false));
  EXPECT_EQ(host().subviews().size(), 0u);

  auto first = ProgressHUD::showHUDAddedTo(host(), false);
  auto other = std::make_shared<ui::View>(ui::Rect(0, 0, 10, 10));
  host().addSubview(other);
  auto second = ProgressHUD::showHUDAddedTo(host(), false);
  EXPECT_EQ(ProgressHUD::HUDForView(host()), second);
  EXPECT_THAT(ProgressHUD::allHUDsForView(host()), ::testing::ElementsAre(first, second));

  EXPECT_TRUE(ProgressHUD::hideHUDForView(host(), false));
  EXPECT_EQ(second->superview(), nullptr);
  EXPECT_EQ(first->superview(), &host());

  auto third = ProgressHUD::showHUDAddedTo(host(), true);
  EXPECT_EQ(ProgressHUD::hideAllHUDsForView(host(), true), 2);
  h().advance(ProgressHUD::kAnimationDuration + 0.01);
  EXPECT_THAT(ProgressHUD::allHUDsForView(host()), ::testing::IsEmpty());
  EXPECT_EQ(other->superview(), &host());
}

TEST(BarProgressFill, FillEndsAtTheProgressInsideTheInnerCapsule) {
  // 120 x 20: inner capsule from x 4 to 116, cap radius 6, straight part from 10 to 110.
  using Kind = BarProgressView::FillKind;
  struct Case {
    double progress;
    Kind kind;
    double x;
    double angleDegrees;
  };
  const Case cases[] = {{0, Kind::None, 0, 0},
                        {-0.5, Kind::None, 0, 0},
                        {0.02, Kind::LeftCap, 2.4, 0},
                        {0.08, Kind::LeftCap, 9.6, 0},
                        {0.5, Kind::Straight, 60, 0},
                        {110.0 / 120, Kind::Straight, 110, 0},
                        {113.0 / 120, Kind::RightCap, 113, 60},
                        {1, Kind::RightCap, 116, 0},
                        {1.5, Kind::RightCap, 116, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.progress);
    const auto fill = BarProgressView::fillGeometry({120, 20}, c.progress);
    EXPECT_EQ(fill.kind, c.kind);
    EXPECT_NEAR(fill.x, c.x, 1e-9);
    EXPECT_NEAR(fill.angle * 180 / std::numbers::pi, c.angleDegrees, 1e-6);
    EXPECT_EQ(fill.path.isEmpty(), c.kind == Kind::None);
    if (c.kind != Kind::None) {
      const ui::Rect b = fill.path.bounds();
      EXPECT_GE(b.minX(), 4 - 1e-9);  // inside the inner capsule
      EXPECT_LE(b.maxX(), 116 + 1e-9);
      EXPECT_GE(b.minY(), 4 - 1e-9);
      EXPECT_LE(b.maxY(), 16 + 1e-9);
    }
  }
}

TEST_F(ProgressOverlay, OnAWindowTheOverlayTurnsWithTheInterface) {
  h().app().setStatusBarOrientation(ui::InterfaceOrientation::LandscapeLeft);
  auto hud = ProgressHUD::showHUDAddedTo(h().window(), false);
  hud->setMode(ProgressHUD::Mode::Text);
  hud->setLabelText("横屏");
  EXPECT_EQ(hud->rotationTransform(), ui::Transform::rotation(std::numbers::pi / 2));
  EXPECT_EQ(hud->transform(), hud->rotationTransform());
  EXPECT_EQ(hud->bounds(), ui::Rect(0, 0, 480, 320));  // laid out across the turned screen
  EXPECT_EQ(hud->center(), ui::Point(160, 240));
  EXPECT_EQ(hud->size(), ui::Size(32 + 40, 20 + 40));
  EXPECT_EQ(hud->boxRect(), ui::Rect(204, 130, 72, 60));

  // The orientation notice turns it back, animated.
  h().app().setStatusBarOrientation(ui::InterfaceOrientation::Portrait);
  h().animations().clear();
  core::NotificationCenter::defaultCenter().post(ProgressHUD::kDeviceOrientationDidChangeNotification);
  EXPECT_EQ(hud->transform(), ui::Transform::rotation(0));
  EXPECT_EQ(hud->bounds(), ui::Rect(0, 0, 320, 480));
  ASSERT_TRUE(h().animations().last(*hud, ui::AnimatableProperty::Transform).has_value());

  // On a plain view the notice only makes it cover its host again.
  host().setFrame({0, 0, 320, 400});
  auto inView = ProgressHUD::showHUDAddedTo(host(), false);
  EXPECT_EQ(inView->frame(), ui::Rect(0, 0, 320, 400));
  core::NotificationCenter::defaultCenter().post(ProgressHUD::kDeviceOrientationDidChangeNotification);
  EXPECT_TRUE(inView->transform().isIdentity());
  EXPECT_EQ(inView->frame(), ui::Rect(0, 0, 320, 400));
}
