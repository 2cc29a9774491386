// The status overlay: box layout, placement, notice durations, activity counting, masks and
// notifications, on the manual clock.

#include <gtest/gtest.h>

#include <atomic>
#include <numbers>
#include <thread>

#include "WidgetTestSupport.h"
#include "platform/core/NotificationCenter.h"
#include "ui/Canvas.h"
#include "ui/test/Harness.h"
#include "widgets/HUDActivityIndicator.h"
#include "widgets/StatusHUD.h"

namespace {

struct StatusFixture : ::testing::Test {
  ui::test::Harness h;
  std::vector<std::string> notices;
  std::vector<core::Value> infos;
  int buttonTaps = 0;

  void SetUp() override {
    h.setRoot(widgettest::screen([this](ui::View& v) {
      auto b = std::make_shared<ui::Button>(ui::Rect{0, 0, 320, 460});
      b->setTitle("背后的按钮");
      b->addTarget(ui::ControlEvent::TouchUpInside, [this](ui::Control&) { ++buttonTaps; });
      v.addSubview(b);
    }));
    for (const char* name : {StatusHUD::kWillDisappearNotification, StatusHUD::kDidDisappearNotification,
                             StatusHUD::kDidReceiveTouchEventNotification}) {
      core::NotificationCenter::defaultCenter().addObserver(
          name,
          [this](const core::Notification& n) {
            notices.push_back(n.name);
            infos.push_back(n.userInfo);
          },
          this);
    }
  }
  void TearDown() override {
    StatusHUD::dismiss();
    h.settle();
    core::NotificationCenter::defaultCenter().removeObserver(this);
    StatusHUD::appearance() = {};
  }
  StatusHUD& hud() { return *StatusHUD::sharedView(); }
  ui::Rect box() { return hud().hudView()->bounds(); }
};

}  // namespace

// Fixed metrics: the bold 16-point font is 8 points per ASCII character, 16 per Chinese one, 19.2 per line,
// rounded up over the whole text.
TEST_F(StatusFixture, BoxLayout) {
  struct Case {
    const char* name;
    std::function<void()> show;
    ui::Size box;
    ui::Rect label;
    ui::Point picture;  // the image view's centre
  };
  const std::string wide(25, 'a');      // 200 points: one line at the widest
  const std::string longText(40, 'x');  // 320 points: two lines of at most 200, 39 high
  const Case cases[] = {
      {"spinner without text", [] { StatusHUD::show(); }, {100, 100}, {}, {50, 50}},
      {"spinner with text",
       [] { StatusHUD::showWithStatus("加载中"); },
       {124, 100},
       {0, 66, 124, 20},
       {62, 36}},
      {"text only", [] { StatusHUD::showOnlyStatus("已复制", 2); }, {124, 40}, {0, 9, 124, 20}, {62, 36}},
      {"wide text only", [&] { StatusHUD::showOnlyStatus(wide, 2); }, {224, 40}, {0, 9, 224, 20}, {112, 36}},
      {"ring with two lines",
       [&] { StatusHUD::showProgress(0.5, longText); },
       {224, 119},
       {12, 66, 200, 39},
       {112, 36}},
      {"image with text",
       [] { StatusHUD::showSuccessWithStatus("成功"); },
       {124, 100},
       {0, 66, 124, 20},
       {62, 36}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    c.show();
    EXPECT_EQ(box().size, c.box);
    EXPECT_EQ(hud().stringLabel()->frame(), c.label);
    EXPECT_EQ(hud().imageView()->center(), c.picture);
    StatusHUD::dismiss();
    h.settle();
  }
}

TEST_F(StatusFixture, TextWidthIsRoundedUpToAnEvenNumber) {
  StatusHUD::appearance().hudFont = ui::Font::boldSystem(15);  // 7.5 points per ASCII character
  StatusHUD::showOnlyStatus(std::string(15, 'a'), 2);          // 112.5 measured as 113
  EXPECT_EQ(box().width(), 114 + 24);
}

TEST_F(StatusFixture, SpinnerAndRingPlacement) {
  StatusHUD::show();
  EXPECT_EQ(hud().spinnerView()->center(), (ui::Point{50.5, 50.5}));
  EXPECT_TRUE(hud().spinnerView()->isAnimating());
  EXPECT_EQ(hud().ringLayer(), nullptr);
  StatusHUD::showProgress(0.25, "下载");
  EXPECT_EQ(hud().spinnerView()->center(), (ui::Point{62.5, 40.5}));
  EXPECT_FALSE(hud().spinnerView()->isAnimating());
  ASSERT_NE(hud().ringLayer(), nullptr);
  EXPECT_EQ(hud().ringLayer()->center(), (ui::Point{62, 36}));
  EXPECT_DOUBLE_EQ(hud().ringLayer()->strokeEnd(), 0.25);
  EXPECT_DOUBLE_EQ(hud().backgroundRingLayer()->strokeEnd(), 1);
  StatusHUD::showWithStatus("等待");
  EXPECT_EQ(hud().ringLayer(), nullptr);
}

TEST_F(StatusFixture, PlacementByOrientationAndKeyboard) {
  struct Case {
    const char* name;
    ui::InterfaceOrientation orientation;
    double keyboard;
    ui::Point center;
    double rotation;
  };
  const Case cases[] = {
      {"portrait", ui::InterfaceOrientation::Portrait, 0, {160, 216}, 0},
      {"upside down", ui::InterfaceOrientation::PortraitUpsideDown, 0, {160, 264}, std::numbers::pi},
      {"landscape left", ui::InterfaceOrientation::LandscapeLeft, 0, {144, 240}, -std::numbers::pi / 2},
      {"landscape right", ui::InterfaceOrientation::LandscapeRight, 0, {176, 240}, std::numbers::pi / 2},
      // 480 + 2 x 20 - 216 = 304 usable points
      {"portrait with keyboard", ui::InterfaceOrientation::Portrait, 216, {160, 136}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto p = StatusHUD::placement({320, 480}, {320, 20}, c.keyboard, c.orientation);
    EXPECT_EQ(p.center, c.center);
    EXPECT_DOUBLE_EQ(p.rotation, c.rotation);
  }
  StatusHUD::show();
  EXPECT_EQ(hud().hudView()->center(), (ui::Point{160, 216}));
}

TEST_F(StatusFixture, KeyboardNoticesMoveTheBox) {
  StatusHUD::showWithStatus("保存中");
  core::Value frame = core::Value::newDictionary();
  frame.dict().set("width", 320);
  frame.dict().set("height", 216);
  core::Value info = core::Value::newDictionary();
  info.dict().set(StatusHUD::kKeyboardFrameBeginUserInfoKey, frame);
  info.dict().set(StatusHUD::kKeyboardAnimationDurationUserInfoKey, 0.25);
  core::NotificationCenter::defaultCenter().post(StatusHUD::kKeyboardWillShowNotification, core::Value(),
                                                 info);
  EXPECT_EQ(hud().hudView()->center(), (ui::Point{160, 136}));
  auto move = h.animations().last(*hud().hudView(), ui::AnimatableProperty::Center);
  ASSERT_TRUE(move.has_value());
  EXPECT_DOUBLE_EQ(move->duration, 0.25);
  StatusHUD::setStatus("还在保存");  // a new text keeps the place
  EXPECT_EQ(hud().hudView()->center(), (ui::Point{160, 136}));
  core::NotificationCenter::defaultCenter().post(StatusHUD::kKeyboardWillHideNotification);
  EXPECT_EQ(hud().hudView()->center(), (ui::Point{160, 216}));
}

TEST_F(StatusFixture, NoticeDurations) {
  EXPECT_DOUBLE_EQ(StatusHUD::displayDurationForString(""), 0.3);
  EXPECT_DOUBLE_EQ(StatusHUD::displayDurationForString("0123456789"), 0.9);
  EXPECT_DOUBLE_EQ(StatusHUD::displayDurationForString(std::string(100, 'x')), 6.3);
  EXPECT_DOUBLE_EQ(StatusHUD::displayDurationForString("保存成功"), 0.54);  // four characters

  struct Case {
    const char* name;
    std::function<void()> show;
    double stays;
  };
  const Case cases[] = {
      {"image, 10 characters", [] { StatusHUD::showErrorWithStatus("0123456789"); }, 0.9},
      {"image, 100 characters", [] { StatusHUD::showImage(nullptr, std::string(100, 'x')); }, 6.3},
      {"text only", [] { StatusHUD::showOnlyStatus("已复制", 2.0); }, 2.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    c.show();
    h.advance(c.stays - 0.05);
    EXPECT_TRUE(StatusHUD::isVisible());
    h.advance(0.1);
    EXPECT_FALSE(StatusHUD::isVisible());
    h.settle();
    EXPECT_EQ(hud().overlayView(), nullptr);
  }
}

TEST_F(StatusFixture, ASecondShowCancelsTheFadeOut) {
  StatusHUD::showOnlyStatus("已复制", 1.0);
  EXPECT_TRUE(hud().hasFadeOutTimer());
  StatusHUD::showWithStatus("加载中");
  EXPECT_FALSE(hud().hasFadeOutTimer());
  h.advance(5);
  EXPECT_TRUE(StatusHUD::isVisible());
}

TEST_F(StatusFixture, PopActivityDismissesAtTheLastOne) {
  StatusHUD::show();
  StatusHUD::showWithStatus("加载中");
  EXPECT_EQ(hud().activityCount(), 2u);
  StatusHUD::popActivity();
  EXPECT_TRUE(StatusHUD::isVisible());
  StatusHUD::popActivity();
  EXPECT_FALSE(StatusHUD::isVisible());
  EXPECT_EQ(hud().activityCount(), 0u);
  StatusHUD::popActivity();  // nothing left: stays at 0
  EXPECT_EQ(hud().activityCount(), 0u);
  // A ring at exactly 0 counts one activity; one further along does not.
  StatusHUD::showProgress(0);
  StatusHUD::showProgress(0.5);
  EXPECT_EQ(hud().activityCount(), 1u);
}

TEST_F(StatusFixture, DisappearNoticesCarryTheText) {
  StatusHUD::showWithStatus("加载中");
  StatusHUD::dismiss();
  ASSERT_EQ(notices, std::vector<std::string>{StatusHUD::kWillDisappearNotification});
  h.advance(StatusHUD::kFadeDuration);
  ASSERT_EQ(notices.size(), 2u);
  EXPECT_EQ(notices[1], StatusHUD::kDidDisappearNotification);
  for (const auto& info : infos)
    EXPECT_EQ(info.dict().get(StatusHUD::kStatusUserInfoKey).toString(), "加载中");
  EXPECT_EQ(hud().overlayView(), nullptr);
  EXPECT_EQ(hud().hudView(), nullptr);

  notices.clear();
  infos.clear();
  StatusHUD::show();
  StatusHUD::dismiss();
  h.settle();
  ASSERT_EQ(notices.size(), 2u);
  for (const auto& info : infos) EXPECT_TRUE(info.isNil());
}

TEST_F(StatusFixture, ShownAgainDuringTheFadeOutStaysShown) {
  StatusHUD::show();
  StatusHUD::dismiss();
  StatusHUD::showWithStatus("又来了");
  h.settle();
  EXPECT_TRUE(StatusHUD::isVisible());
  EXPECT_NE(hud().overlayView(), nullptr);
  EXPECT_EQ(notices, std::vector<std::string>{StatusHUD::kWillDisappearNotification});
}

TEST_F(StatusFixture, MasksDecideWhoGetsTheTouches) {
  StatusHUD::showWithStatus("请稍候");
  EXPECT_TRUE(h.tap(ui::Point{160, 300}));
  EXPECT_EQ(buttonTaps, 1);
  EXPECT_TRUE(notices.empty());
  EXPECT_EQ(hud().accessibilityLabel(), "请稍候");

  for (auto mask : {StatusHUD::MaskType::Clear, StatusHUD::MaskType::Black, StatusHUD::MaskType::Gradient}) {
    StatusHUD::showWithStatus("请稍候", mask);
    EXPECT_TRUE(h.tap(ui::Point{160, 300}));
  }
  EXPECT_EQ(buttonTaps, 1);
  EXPECT_EQ(notices.size(), 3u);
  EXPECT_EQ(notices.back(), StatusHUD::kDidReceiveTouchEventNotification);
}

TEST_F(StatusFixture, MasksDraw) {
  struct Case {
    StatusHUD::MaskType mask;
    std::size_t ops;
    ui::DrawOpKind kind;
  };
  const Case cases[] = {{StatusHUD::MaskType::None, 0, ui::DrawOpKind::FillRect},
                        {StatusHUD::MaskType::Clear, 0, ui::DrawOpKind::FillRect},
                        {StatusHUD::MaskType::Black, 1, ui::DrawOpKind::FillRect},
                        {StatusHUD::MaskType::Gradient, 1, ui::DrawOpKind::RadialGradient}};
  for (const auto& c : cases) {
    StatusHUD::showWithMaskType(c.mask);
    ui::Canvas canvas;
    hud().draw(canvas, hud().bounds());
    ASSERT_EQ(canvas.operations().size(), c.ops);
    if (c.ops) {
      EXPECT_EQ(canvas.operations()[0].kind, c.kind);
    }
  }
  StatusHUD::showWithMaskType(StatusHUD::MaskType::Black);
  ui::Canvas canvas;
  hud().draw(canvas, hud().bounds());
  EXPECT_EQ(canvas.operations()[0].fill, ui::Color::black().withAlpha(0.5));
}

TEST_F(StatusFixture, AnotherThreadGetsTheOneViewMadeOnTheMainThreadAndPostsWithoutWaiting) {
  const auto made = StatusHUD::sharedView();
  std::shared_ptr<StatusHUD> fromWorker;
  // The worker ends before the main loop runs at all: none of its calls may wait for the main thread.
  std::thread worker([&] {
    fromWorker = StatusHUD::sharedView();
    StatusHUD::showOnlyStatus("来自后台", 2.0);
  });
  worker.join();
  EXPECT_EQ(fromWorker, made);
  EXPECT_FALSE(StatusHUD::isVisible());  // posted, not yet shown
  h.drainMain();
  h.advance(StatusHUD::kFadeDuration);
  EXPECT_TRUE(StatusHUD::isVisible());
}
