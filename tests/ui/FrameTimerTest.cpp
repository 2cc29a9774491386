// Frame timers: ticks on the run loop's clock without a window, once a frame with one, a backstop when
// frames stop, and a timer that carries on when the window goes.

#include <gtest/gtest.h>

#include <vector>

#include "platform/runloop/RunLoop.h"
#include "ui/FrameTimer.h"
#include "ui/test/Harness.h"

using namespace ui;

namespace {

struct FakeFrames : FrameTimer::Driver {
  int wakes = 0;
  void wake() override { ++wakes; }
};

struct FrameTimerFixture : ::testing::Test {
  test::Harness h;
  std::vector<double> ticks;  // times since the start
  double start = 0;
  std::shared_ptr<FrameTimer> timer;

  void schedule(double interval = 0.001) {
    start = h.now();
    timer = FrameTimer::scheduled(interval, [this](FrameTimer&, double t) { ticks.push_back(t - start); });
  }
  void TearDown() override {
    if (timer) timer->invalidate();
    FrameTimer::setDriver(nullptr);
  }
};

}  // namespace

TEST_F(FrameTimerFixture, WithoutAWindowItTicksOnTheClockAtItsInterval) {
  schedule(0.01);
  EXPECT_TRUE(FrameTimer::running());
  h.advance(0.035);
  ASSERT_EQ(ticks.size(), 3u);
  for (std::size_t i = 0; i < ticks.size(); ++i) EXPECT_NEAR(ticks[i], 0.01 * (i + 1), 1e-9);
  timer->invalidate();
  h.advance(0.1);
  EXPECT_EQ(ticks.size(), 3u);
  EXPECT_FALSE(FrameTimer::running());
}

TEST_F(FrameTimerFixture, WithAWindowItTicksOnceAFrameWithTheFramesTime) {
  FakeFrames frames;
  FrameTimer::setDriver(&frames);
  schedule();
  EXPECT_EQ(frames.wakes, 1);
  h.advance(0.01);  // no frame yet: the run loop's interval means nothing now
  EXPECT_TRUE(ticks.empty());
  FrameTimer::tickFrame(start + 0.016);
  FrameTimer::tickFrame(start + 0.033);
  EXPECT_EQ(ticks, (std::vector<double>{0.016, 0.033}));
  // A timer that ends itself inside its tick is no longer running; the next frame leaves it alone.
  timer = FrameTimer::scheduled(1, [&](FrameTimer& t, double) {
    ticks.push_back(-1);
    t.invalidate();
  });
  ticks.clear();
  FrameTimer::tickFrame(start + 0.05);
  FrameTimer::tickFrame(start + 0.066);
  EXPECT_EQ(ticks, (std::vector<double>{-1}));
  EXPECT_FALSE(FrameTimer::running());
}

TEST_F(FrameTimerFixture, FramesThatStopLeaveTheBackstopTicking) {
  FakeFrames frames;
  FrameTimer::setDriver(&frames);
  schedule();
  h.advance(0.35);  // a hidden window: no frames at all
  ASSERT_EQ(ticks.size(), 3u);
  EXPECT_NEAR(ticks.back(), 3 * FrameTimer::kBackstopInterval, 1e-9);
  // Frames come again: the backstop keeps quiet while they do.
  ticks.clear();
  for (int i = 1; i <= 12; ++i) {
    h.advance(0.016);
    FrameTimer::tickFrame(h.now());
  }
  EXPECT_EQ(ticks.size(), 12u);
}

TEST_F(FrameTimerFixture, ATimerOnFramesCarriesOnWhenTheWindowGoes) {
  FakeFrames frames;
  FrameTimer::setDriver(&frames);
  schedule(0.005);
  FrameTimer::tickFrame(start + 0.016);
  FrameTimer::setDriver(nullptr);
  h.advance(0.012);
  EXPECT_EQ(ticks.size(), 3u);  // the frame, then two of its interval
  // A window that comes later leaves it on its interval.
  FakeFrames again;
  FrameTimer::setDriver(&again);
  FrameTimer::tickFrame(h.now());
  EXPECT_EQ(ticks.size(), 3u);
  EXPECT_EQ(again.wakes, 0);
}
