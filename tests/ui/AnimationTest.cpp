// View animations: end values at once, the animation log, completions on the manual clock.

#include <gtest/gtest.h>

#include "Screens.h"
#include "ui/Animation.h"
#include "ui/Layer.h"
#include "ui/test/Harness.h"

using namespace ui;
using uitest::screen;

namespace {

struct AnimationFixture : ::testing::Test {
  test::Harness h;
  std::shared_ptr<View> box = std::make_shared<View>(Rect{10, 20, 100, 50});
  void SetUp() override {
    h.setRoot(screen("Root", [this](View& v) { v.addSubview(box); }));
    h.animations().clear();
  }
};

}  // namespace

TEST_F(AnimationFixture, BlockAppliesEndValuesAtOnceAndLogsEveryAnimatableChange) {
  AnimationOptions options;
  options.curve = AnimationCurve::Linear;
  std::vector<bool> done;
  View::animate(
      0.3, 0.1, options,
      [&] {
        box->setFrame({50, 20, 100, 50});
        box->setFrame({60, 20, 100, 50});  // two changes of one property: one record, first from, last to
        box->setAlpha(0.5);
        box->setTransform(Transform::scale(2, 2));
        box->setBackgroundColor(Color::red());
        box->setTag(7);  // not animatable
      },
      [&](bool finished) { done.push_back(finished); });

  // The model is at the end state before any time passes; hit testing sees it.
  EXPECT_EQ(box->alpha(), 0.5);
  EXPECT_EQ(box->center(), (Point{110, 45}));

  const auto& log = h.animations().records();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0].property, AnimatableProperty::Frame);
  EXPECT_EQ(log[0].fromRect(), (Rect{10, 20, 100, 50}));
  EXPECT_EQ(log[0].toRect(), (Rect{60, 20, 100, 50}));
  EXPECT_EQ(log[1].property, AnimatableProperty::Alpha);
  EXPECT_EQ(log[1].fromDouble(), 1.0);
  EXPECT_EQ(log[1].toDouble(), 0.5);
  EXPECT_EQ(log[2].property, AnimatableProperty::Transform);
  EXPECT_EQ(log[3].property, AnimatableProperty::BackgroundColor);
  for (const auto& r : log) {
    EXPECT_EQ(r.view, box.get());
    EXPECT_EQ(r.duration, 0.3);
    EXPECT_EQ(r.delay, 0.1);
    EXPECT_EQ(r.curve, AnimationCurve::Linear);
    EXPECT_EQ(r.group, log[0].group);
  }

  // The completion runs at delay + duration on the clock, once.
  h.advance(0.39);
  EXPECT_TRUE(done.empty());
  h.advance(0.02);
  EXPECT_EQ(done, std::vector<bool>{true});
  h.settle();
  EXPECT_EQ(done.size(), 1u);
}

TEST_F(AnimationFixture, ZeroDurationCompletesOnTheNextRunLoopTurnNotInline) {
  bool done = false;
  View::animate(
      0, [&] { box->setAlpha(0); }, [&](bool) { done = true; });
  EXPECT_FALSE(done);
  EXPECT_EQ(box->alpha(), 0.0);
  h.drainMain();
  EXPECT_TRUE(done);
}

TEST_F(AnimationFixture, BeginCommitStyleReportsItsIdWhenItStops) {
  std::vector<std::string> stopped;
  View::beginAnimations("exitApplication");
  View::setAnimationDuration(0.3);
  View::setAnimationCurve(AnimationCurve::EaseIn);
  View::setAnimationDidStop([&](const std::string& id, bool finished) {
    stopped.push_back(id + (finished ? ":finished" : ":interrupted"));
  });
  box->setTransform(Transform::scale(0.001, 0.0011));
  View::commitAnimations();

  EXPECT_EQ(box->transform(), Transform::scale(0.001, 0.0011));
  auto rec = h.animations().last(*box, AnimatableProperty::Transform);
  ASSERT_TRUE(rec.has_value());
  EXPECT_EQ(rec->id, "exitApplication");
  EXPECT_EQ(rec->duration, 0.3);
  EXPECT_EQ(rec->curve, AnimationCurve::EaseIn);
  h.advance(0.29);
  EXPECT_TRUE(stopped.empty());
  h.advance(0.01);
  EXPECT_EQ(stopped, std::vector<std::string>{"exitApplication:finished"});

  View::commitAnimations();  // an unmatched commit changes nothing
  EXPECT_EQ(h.animations().size(), 1u);
}

TEST_F(AnimationFixture, LaterAnimationOfTheSamePropertyInterruptsTheEarlierOne) {
  std::vector<std::string> events;
  View::animate(
      0.5, [&] { box->setAlpha(0.2); }, [&](bool f) { events.push_back(f ? "first" : "first-cut"); });
  h.advance(0.1);
  // another property of the same view does not interrupt
  View::animate(
      0.1,
      [&] {
        box->setCenter({0, 0});
      },
      [&](bool f) { events.push_back(f ? "centre" : "centre-cut"); });
  View::animate(
      0.2, [&] { box->setAlpha(1); }, [&](bool f) { events.push_back(f ? "second" : "second-cut"); });
  h.settle();
  EXPECT_EQ(events, (std::vector<std::string>{"centre", "second", "first-cut"}));
}

TEST_F(AnimationFixture, NestedAndSuppressedChangesAndRemovedViews) {
  bool innerDone = false, outerDone = false;
  View::animate(
      0.4,
      [&] {
        box->setAlpha(0.5);
        View::animate(
            0.1,
            [&] {
              box->setCenter({5, 5});
            },
            [&](bool) { innerDone = true; });
        View::performWithoutAnimation([&] { box->setBackgroundColor(Color::blue()); });
        box->removeFromSuperview();  // a view that leaves keeps its completion
      },
      [&](bool) { outerDone = true; });
  const auto& log = h.animations().records();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].property, AnimatableProperty::Center);  // the inner block closes first
  EXPECT_EQ(log[0].duration, 0.1);
  EXPECT_EQ(log[1].property, AnimatableProperty::Alpha);
  EXPECT_EQ(log[1].duration, 0.4);
  EXPECT_EQ(box->backgroundColor(), Color::blue());
  h.settle();
  EXPECT_TRUE(innerDone);
  EXPECT_TRUE(outerDone);
}

TEST_F(AnimationFixture, LayerShadowPathAnimationIsRecordedWithItsKey) {
  Layer& layer = box->layer();
  const Path from = Path::rect({0, 0, 100, 50});
  const Path to = Path::roundedRect({0, 0, 100, 50}, 0);
  layer.setShadowPath(from);
  PropertyAnimation a;
  a.keyPath = "shadowPath";
  a.to = Path::rect({0, 0, 80, 50});
  a.duration = 0.1;
  a.curve = AnimationCurve::Linear;
  EXPECT_TRUE(layer.addAnimation(a, "shadowPath"));
  a.keyPath = "cornerRadius";
  EXPECT_FALSE(layer.addAnimation(a, "cornerRadius"));

  auto rec = h.animations().last(*box, AnimatableProperty::ShadowPath);
  ASSERT_TRUE(rec.has_value());
  EXPECT_EQ(std::get<Path>(rec->from), from);
  EXPECT_EQ(std::get<Path>(rec->to), Path::rect({0, 0, 80, 50}));
  EXPECT_EQ(rec->duration, 0.1);
  EXPECT_EQ(rec->id, "shadowPath");
  EXPECT_EQ(to, from);  // a zero corner radius gives the plain rectangle
}

TEST_F(AnimationFixture, LogObserversHearEachRecordAndTheLogStaysBounded) {
  int heard = 0;
  const int id = h.animations().addObserver([&](const AnimationRecord&) { ++heard; });
  View::animate(0.1, [&] {
    box->setAlpha(0.3);
    box->setCenter({1, 1});
  });
  EXPECT_EQ(heard, 2);
  h.animations().removeObserver(id);
  for (std::size_t i = 0; i < AnimationLog::kCapacity + 10; ++i) {
    View::animate(0.1, [&] { box->setAlpha(i % 2 ? 0.1 : 0.9); });
  }
  EXPECT_LE(h.animations().size(), AnimationLog::kCapacity);
  EXPECT_EQ(heard, 2);
  h.animations().clear();
  h.settle();
}
