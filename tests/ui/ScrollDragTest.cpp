// Scroll views moved by the user: dragging, bounce, paging and deceleration on the manual clock.

#include <gtest/gtest.h>

#include "Screens.h"
#include "ui/GestureRecognizer.h"
#include "ui/ScrollView.h"
#include "ui/test/Harness.h"

using namespace ui;
using uitest::addButton;
using uitest::screen;

namespace {

struct Recorder : ScrollViewDelegate {
  std::vector<std::string> events;
  std::vector<Point> offsets;
  void scrollViewDidScroll(ScrollView& s) override {
    if (events.empty() || events.back() != "scroll") events.push_back("scroll");
    offsets.push_back(s.contentOffset());
  }
  void scrollViewWillBeginDragging(ScrollView&) override { events.push_back("willBeginDragging"); }
  void scrollViewDidEndDragging(ScrollView&, bool decelerate) override {
    events.push_back(decelerate ? "endDragging:decelerate" : "endDragging:stop");
  }
  void scrollViewDidEndDecelerating(ScrollView&) override { events.push_back("endDecelerating"); }
  void scrollViewDidEndScrollingAnimation(ScrollView&) override { events.push_back("endScrollingAnimation"); }
};

struct ScrollFixture : ::testing::Test {
  test::Harness h;
  std::shared_ptr<ScrollView> scroll = std::make_shared<ScrollView>(Rect{0, 0, 320, 400});
  std::shared_ptr<Recorder> rec = std::make_shared<Recorder>();
  int buttonTaps = 0;
  void SetUp() override {
    h.setRoot(screen("Root", [this](View& v) {
      v.addSubview(scroll);
      addButton(*scroll, "Inside", {100, 150, 120, 100}, [this] { ++buttonTaps; });
    }));
    scroll->setScrollViewDelegate(rec);
  }
  void pages(int n) {
    scroll->setContentSize({320.0 * n, 400});
    scroll->setPagingEnabled(true);
  }
};

}  // namespace

// Where a paging scroll view comes to rest after one drag from page 1 (offset 320) of four.
TEST_F(ScrollFixture, PagingSettlesOnAWholePage) {
  struct Case {
    const char* name;
    double finger;    // finger movement along x
    double velocity;  // finger speed at release
    double rest;      // offset x at rest
  };
  const Case cases[] = {
      {"short slow drag springs back", -100, 0, 320}, {"past half a page goes on", -200, 0, 640},
      {"short fast flick goes on", -60, 1000, 640},   {"fast flick backwards", 60, 1000, 0},
      {"slow drag back past half", 170, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    pages(4);
    scroll->setContentOffset({320, 0});
    rec->events.clear();
    EXPECT_TRUE(h.drag(*scroll, {c.finger, 0}, true, {c.velocity, 0}));
    EXPECT_FALSE(scroll->isDragging());
    h.settle();
    EXPECT_EQ(scroll->contentOffset(), (Point{c.rest, 0}));
    EXPECT_EQ(rec->events, (std::vector<std::string>{"willBeginDragging", "scroll", "endDragging:decelerate",
                                                     "scroll", "endDecelerating"}));
    EXPECT_FALSE(scroll->isDecelerating());
  }
  // the last page cannot be left forwards; a drag that ends on a page needs no deceleration
  scroll->setContentOffset({960, 0});
  rec->events.clear();
  h.drag(*scroll, {-100, 0}, true, {2000, 0});
  h.settle();
  EXPECT_EQ(scroll->contentOffset(), (Point{960, 0}));
}

TEST_F(ScrollFixture, DecelerationRunsOnTheClockAndStopsAtTheEnd) {
  scroll->setContentSize({320, 4000});
  h.drag(*scroll, {0, -100}, true, {0, -2000});
  EXPECT_TRUE(scroll->isDecelerating());
  const double atRelease = scroll->contentOffset().y;
  EXPECT_EQ(atRelease, 100);
  EXPECT_EQ(rec->events.back(), "endDragging:decelerate");
  h.advance(0.1);
  const double later = scroll->contentOffset().y;
  EXPECT_GT(later, atRelease);
  h.settle(10);
  EXPECT_EQ(rec->events.back(), "endDecelerating");
  EXPECT_GT(scroll->contentOffset().y, later);
  EXPECT_LE(scroll->contentOffset().y, 3600);
  EXPECT_GT(rec->offsets.size(), 20u);  // every step reported

  // a throw that would pass the end stops exactly there
  scroll->setDecelerationRate(0.9999);
  h.drag(*scroll, {0, -100}, true, {0, -5000});
  h.settle(30);
  EXPECT_EQ(scroll->contentOffset().y, 3600);

  // a slow release stops at once; a touch on a coasting view stops it where it is
  scroll->setContentOffset({0, 0});
  rec->events.clear();
  h.drag(*scroll, {0, -50});
  EXPECT_EQ(rec->events.back(), "endDragging:stop");
  scroll->setDecelerationRate(ScrollView::kNormalDecelerationRate);
  h.drag(*scroll, {0, -100}, true, {0, -2000});
  h.advance(0.2);
  const Point touched = scroll->contentOffset();
  h.touchDown(h.visibleRect(*scroll).center());
  h.advance(1);
  EXPECT_EQ(scroll->contentOffset(), touched);
  EXPECT_FALSE(scroll->isDecelerating());
  h.touchUp(h.visibleRect(*scroll).center());
}

TEST_F(ScrollFixture, OverscrollBouncesBackOnlyWhenBouncing) {
  scroll->setContentSize({320, 800});
  const Point c = h.visibleRect(*scroll).center();
  h.drag(*scroll, {0, 100}, false);           // pull down at the top
  EXPECT_EQ(scroll->contentOffset().y, -50);  // half the overscroll
  h.touchUp({c.x, c.y + 100});
  EXPECT_EQ(rec->events.back(), "endDragging:decelerate");
  h.settle();
  EXPECT_EQ(scroll->contentOffset().y, 0);
  EXPECT_EQ(rec->events.back(), "endDecelerating");

  scroll->setBounces(false);
  rec->events.clear();
  h.drag(*scroll, {0, 100}, false);
  EXPECT_EQ(scroll->contentOffset().y, 0);
  h.touchUp({c.x, c.y + 100});
  EXPECT_EQ(rec->events, (std::vector<std::string>{"willBeginDragging", "endDragging:stop"}));
}

TEST_F(ScrollFixture, DragsAcrossADirectionItCannotScrollGoToTheAncestor) {
  scroll->setContentSize({320, 800});  // vertical only
  std::vector<std::string> outer;
  auto pan = std::make_shared<PanGestureRecognizer>(
      [&](GestureRecognizer& g) { outer.push_back(toString(g.state())); });
  scroll->superview()->addGestureRecognizer(pan);
  EXPECT_FALSE(h.drag(*scroll, {120, 5}));
  EXPECT_EQ(outer.front(), "began");
  EXPECT_TRUE(rec->events.empty());
  outer.clear();
  EXPECT_TRUE(h.drag(*scroll, {5, -120}));  // begins on the button inside
  EXPECT_TRUE(outer.empty());
  EXPECT_EQ(buttonTaps, 0);  // the drag took the touch from the button
  scroll->setScrollEnabled(false);
  EXPECT_FALSE(h.drag(*scroll, {5, -120}));
}

TEST_F(ScrollFixture, AnimatedProgramOffsetEndsWithTheScrollingAnimationCall) {
  scroll->setContentSize({320, 800});
  scroll->setContentOffset({0, 200}, true);
  EXPECT_EQ(scroll->contentOffset(), (Point{0, 200}));
  EXPECT_EQ(rec->events, std::vector<std::string>{"scroll"});
  auto anim = h.animations().last(*scroll, AnimatableProperty::Bounds);
  ASSERT_TRUE(anim.has_value());
  EXPECT_EQ(anim->fromRect().origin, (Point{0, 0}));
  EXPECT_EQ(anim->toRect().origin, (Point{0, 200}));
  h.advance(0.29);
  EXPECT_EQ(rec->events.size(), 1u);
  h.advance(0.01);
  EXPECT_EQ(rec->events.back(), "endScrollingAnimation");
}

// The mouse wheel: plain views move within their range; paging views turn a page and settle.
TEST_F(ScrollFixture, WheelMovesWithinTheRangeAndTurnsPages) {
  scroll->setContentSize({320, 1000});  // 600 points to scroll down
  struct Case {
    Point delta;
    bool moved;
    Point offset;
  };
  const Case plain[] = {
      {{0, 40}, true, {0, 40}}, {{0, -100}, true, {0, 0}},  {{0, -10}, false, {0, 0}},
      {{30, 0}, false, {0, 0}}, {{0, 700}, true, {0, 600}}, {{0, 1}, false, {0, 600}},
  };
  for (const Case& c : plain) {
    SCOPED_TRACE(toString(c.delta));
    EXPECT_EQ(scroll->userWheel(c.delta), c.moved);
    EXPECT_EQ(scroll->contentOffset(), c.offset);
  }
  EXPECT_EQ(rec->events, (std::vector<std::string>{"scroll"})) << "the wheel is not a drag";

  // A sideways pager: a wheel turn (up and down counts as sideways) settles on the next page.
  scroll->setContentOffset({0, 0});
  pages(3);
  rec->events.clear();
  EXPECT_TRUE(scroll->userWheel({0, 3}));
  EXPECT_TRUE(scroll->userWheel({0, 3})) << "ignored while the turn settles";
  h.settle();
  EXPECT_EQ(scroll->contentOffset(), (Point{320, 0}));
  EXPECT_EQ(rec->events, (std::vector<std::string>{"scroll", "endDecelerating"}));
  EXPECT_TRUE(scroll->userWheel({40, 0}));
  h.settle();
  EXPECT_EQ(scroll->contentOffset(), (Point{640, 0}));
  EXPECT_FALSE(scroll->userWheel({0, 3})) << "no page after the last";
  EXPECT_TRUE(scroll->userWheel({0, -3}));
  h.settle();
  EXPECT_EQ(scroll->contentOffset(), (Point{320, 0}));
}
