// Gesture recognisers driven through hit testing by the harness.

#include <gtest/gtest.h>

#include "Screens.h"
#include "ui/GestureRecognizer.h"
#include "ui/test/Harness.h"

using namespace ui;
using uitest::addButton;
using uitest::screen;

namespace {

// Logs "name:state" for every action call.
GestureRecognizer::Action logTo(std::vector<std::string>& log, std::string name) {
  return [&log, name](GestureRecognizer& g) { log.push_back(name + ":" + toString(g.state())); };
}

struct Delegate : GestureRecognizerDelegate {
  bool begin = true;
  bool receive = true;
  bool together = false;
  int asked = 0;
  bool shouldBegin(GestureRecognizer&) override {
    ++asked;
    return begin;
  }
  bool shouldReceiveTouch(GestureRecognizer&, const Touch&) override { return receive; }
  bool shouldRecognizeSimultaneously(GestureRecognizer&, GestureRecognizer&) override { return together; }
};

// A screen with an outer view (0,0,320,400) holding an inner view (20,20,100,100) and a button.
struct GestureFixture : ::testing::Test {
  test::Harness h;
  std::shared_ptr<View> outer = std::make_shared<View>(Rect{0, 0, 320, 400});
  std::shared_ptr<View> inner = std::make_shared<View>(Rect{20, 20, 100, 100});
  std::shared_ptr<Button> button;
  int buttonTaps = 0;
  std::vector<std::string> log;
  void SetUp() override {
    h.setRoot(screen("Root", [this](View& v) {
      v.addSubview(outer);
      outer->addSubview(inner);
      button = addButton(*outer, "Go", {20, 200, 100, 44}, [this] { ++buttonTaps; });
    }));
  }
};

}  // namespace

TEST_F(GestureFixture, TapIsRecognisedForTouchesInsideItsViewOnly) {
  auto tap = std::make_shared<TapGestureRecognizer>(logTo(log, "tap"));
  inner->addGestureRecognizer(tap);
  EXPECT_EQ(tap->view(), inner.get());
  EXPECT_TRUE(h.tap(*inner));
  EXPECT_EQ(log, std::vector<std::string>{"tap:ended"});
  EXPECT_EQ(tap->state(), GestureState::Possible);  // back for the next sequence
  h.tap(Point{200, 100});                           // outer, outside inner
  EXPECT_EQ(log.size(), 1u);
  // a touch that wanders more than 10 points is no tap
  h.pan(*inner, {10, 10}, {40, 10});
  EXPECT_EQ(log.size(), 1u);
  inner->removeGestureRecognizer(*tap);
  EXPECT_EQ(tap->view(), nullptr);
  h.tap(*inner);
  EXPECT_EQ(log.size(), 1u);
}

TEST_F(GestureFixture, DoubleTapNeedsTwoQuickTapsInOnePlace) {
  auto tap = std::make_shared<TapGestureRecognizer>(logTo(log, "double"));
  tap->setNumberOfTapsRequired(2);
  inner->addGestureRecognizer(tap);
  h.tap(*inner);
  EXPECT_TRUE(log.empty());
  h.advance(0.2);
  h.tap(*inner);
  EXPECT_EQ(log.size(), 1u);
  h.tap(*inner);
  h.advance(1.0);  // too slow for a second tap
  h.tap(*inner);
  EXPECT_EQ(log.size(), 1u);
}

TEST_F(GestureFixture, PanBeginsAfterTenPointsAndReportsTranslationAndVelocity) {
  std::vector<Point> translations;
  auto pan = std::make_shared<PanGestureRecognizer>([&](GestureRecognizer& g) {
    log.push_back(std::string("pan:") + toString(g.state()));
    translations.push_back(static_cast<PanGestureRecognizer&>(g).translationInView(outer.get()));
  });
  outer->addGestureRecognizer(pan);
  Point velocity;
  pan->addAction([&](GestureRecognizer& g) {
    if (g.state() == GestureState::Ended)
      velocity = static_cast<PanGestureRecognizer&>(g).velocityInView(nullptr);
  });

  h.pan(*inner, {10, 10}, {19, 10}, 3);  // 9 points: never begins
  EXPECT_TRUE(log.empty());

  // 100 points right in 10 steps over 0.25 s: begins at the first step of 10 points.
  EXPECT_TRUE(h.pan(*inner, {10, 10}, {110, 10}, 10, 0.25));
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log.front(), "pan:began");
  EXPECT_EQ(log.back(), "pan:ended");
  EXPECT_EQ(log.size(), 11u);  // began + 9 changed + ended
  EXPECT_EQ(translations.front(), (Point{10, 0}));
  EXPECT_EQ(translations.back(), (Point{100, 0}));
  EXPECT_NEAR(velocity.x, 400, 1e-6);  // 10 points per 0.025 s
  EXPECT_EQ(velocity.y, 0);

  // Translation is measured in the given view: a view scaled 2x sees half the movement.
  log.clear();
  translations.clear();
  outer->setTransform(Transform::scale(2, 2));
  h.pan(*outer, {120, 150}, {120, 180}, 3);  // 60 points on the window
  ASSERT_FALSE(translations.empty());
  EXPECT_EQ(translations.back(), (Point{0, 30}));  // in outer's own (scaled) coordinates
}

TEST_F(GestureFixture, DelegateDecidesReceivingAndBeginning) {
  auto delegate = std::make_shared<Delegate>();
  auto pan = std::make_shared<PanGestureRecognizer>(logTo(log, "pan"));
  pan->setDelegate(delegate);
  outer->addGestureRecognizer(pan);

  delegate->receive = false;
  h.pan(*inner, {10, 10}, {80, 10});
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(delegate->asked, 0);

  delegate->receive = true;
  delegate->begin = false;
  h.pan(*inner, {10, 10}, {80, 10});
  EXPECT_TRUE(log.empty());  // failed: no action at all
  EXPECT_EQ(delegate->asked, 1);
  EXPECT_EQ(pan->state(), GestureState::Possible);

  delegate->begin = true;
  h.pan(*inner, {10, 10}, {80, 10});
  EXPECT_EQ(log.front(), "pan:began");
}

TEST_F(GestureFixture, HitViewRecogniserWinsUnlessBothMayRecogniseTogether) {
  auto innerPan = std::make_shared<PanGestureRecognizer>(logTo(log, "inner"));
  auto outerPan = std::make_shared<PanGestureRecognizer>(logTo(log, "outer"));
  inner->addGestureRecognizer(innerPan);
  outer->addGestureRecognizer(outerPan);
  h.pan(*inner, {10, 10}, {60, 10}, 2);
  EXPECT_EQ(log, (std::vector<std::string>{"inner:began", "inner:changed", "inner:ended"}));

  // When the hit view's recogniser refuses, the ancestor's gets the gesture.
  auto refuse = std::make_shared<Delegate>();
  refuse->begin = false;
  innerPan->setDelegate(refuse);
  log.clear();
  h.pan(*inner, {10, 10}, {60, 10}, 2);
  EXPECT_EQ(log, (std::vector<std::string>{"outer:began", "outer:changed", "outer:ended"}));

  auto together = std::make_shared<Delegate>();
  together->together = true;
  innerPan->setDelegate(together);
  log.clear();
  h.pan(*inner, {10, 10}, {60, 10}, 2);
  EXPECT_EQ(log, (std::vector<std::string>{"inner:began", "outer:began", "inner:changed", "outer:changed",
                                           "inner:ended", "outer:ended"}));
}

TEST_F(GestureFixture, RecognisingCancelsTheViewsTouchesUnlessToldNotTo) {
  auto tap = std::make_shared<TapGestureRecognizer>(logTo(log, "tap"));
  outer->addGestureRecognizer(tap);
  h.tap(*button);
  EXPECT_EQ(log.size(), 1u);
  EXPECT_EQ(buttonTaps, 0);  // the recogniser took the touch from the button
  EXPECT_FALSE(button->isHighlighted());

  tap->setCancelsTouchesInView(false);
  h.tap(*button);
  EXPECT_EQ(log.size(), 2u);
  EXPECT_EQ(buttonTaps, 1);

  // A pan that begins on the button cancels its touch: lifting back inside does not press it.
  auto pan = std::make_shared<PanGestureRecognizer>(logTo(log, "pan"));
  outer->addGestureRecognizer(pan);
  h.pan(*button, {10, 10}, {40, 10}, 3, 0.1, false);
  h.touchUp(button->convertPointToView({10, 10}, nullptr));
  EXPECT_EQ(buttonTaps, 1);
  EXPECT_EQ(log.back(), "pan:ended");
}

TEST_F(GestureFixture, LongPressBeginsAfterItsDurationOnTheClock) {
  auto press = std::make_shared<LongPressGestureRecognizer>(logTo(log, "press"));
  press->setMinimumPressDuration(1.0);
  inner->addGestureRecognizer(press);

  EXPECT_TRUE(h.longPress(*inner, 0.5));  // too short
  EXPECT_TRUE(log.empty());

  const Point p = h.visibleRect(*inner).center();
  h.touchDown(p);
  h.advance(0.99);
  EXPECT_TRUE(log.empty());
  h.advance(0.01);
  EXPECT_EQ(log, std::vector<std::string>{"press:began"});  // while the finger is still down
  h.touchMove({p.x + 30, p.y});
  h.touchUp({p.x + 30, p.y});
  EXPECT_EQ(log, (std::vector<std::string>{"press:began", "press:changed", "press:ended"}));

  // moving away before the time fails it
  log.clear();
  h.touchDown(p);
  h.touchMove({p.x + 20, p.y});
  h.advance(2);
  h.touchUp({p.x + 20, p.y});
  EXPECT_TRUE(log.empty());

  // disabling during the gesture cancels it
  h.touchDown(p);
  h.advance(1.0);
  press->setEnabled(false);
  h.touchUp(p);
  EXPECT_EQ(log, (std::vector<std::string>{"press:began", "press:cancelled"}));
}
