#include "platform/runloop/RunLoop.h"
#include "tests/platform/runloop/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace {

using rltest::ManualMainLoop;

class TimerOnManualClock : public ManualMainLoop {
 protected:
  // Records "name@elapsed" at every fire.
  rl::Timer::Callback record(std::string name) {
    return [this, name](rl::Timer&) { log.push_back(name + "@" + fmt(elapsed())); };
  }
  static std::string fmt(double t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", t);
    return buf;
  }
  std::vector<std::string> log;
};

TEST_F(TimerOnManualClock, AdvanceFiresEachTimerAtItsOwnTimeInOrder) {
  auto a = rl::Timer::scheduled(0.25, true, [this](rl::Timer&) {
    log.push_back("A@" + fmt(elapsed()));
    if (log.size() == 1) loop().post([this] { log.push_back("task@" + fmt(elapsed())); });
  });
  auto b = rl::Timer::scheduled(0.6, false, record("B"));
  auto c = rl::Timer::scheduled(0.5, false, record("C"));

  loop().advance(1.0);

  // Equal fire dates keep the order the timers were added in; a task posted by a callback runs before
  // the next step.
  EXPECT_EQ(log, (std::vector<std::string>{"A@0.25", "task@0.25", "A@0.50", "C@0.50", "B@0.60", "A@0.75",
                                           "A@1.00"}));
  EXPECT_DOUBLE_EQ(elapsed(), 1.0);
  EXPECT_TRUE(a->isValid());
  EXPECT_FALSE(b->isValid());  // one-shot timers are done after firing
  EXPECT_FALSE(c->isValid());
  EXPECT_DOUBLE_EQ(a->fireDate(), 101.25);
  EXPECT_EQ(loop().nextTimerFireTime(), 101.25);
}

TEST_F(TimerOnManualClock, InvalidatingInsideTheCallbackStopsItAndReleasesWhatItHeld) {
  auto held = std::make_shared<int>(7);
  std::weak_ptr<int> watch = held;
  int fires = 0;
  auto t = rl::Timer::scheduled(0.1, true, [&fires, held = std::move(held)](rl::Timer& self) {
    if (++fires == 3) self.invalidate();
    EXPECT_EQ(*held, 7);  // still alive while the callback runs
  });
  loop().advance(1.0);
  EXPECT_EQ(fires, 3);
  EXPECT_FALSE(t->isValid());
  EXPECT_TRUE(watch.expired());
  EXPECT_FALSE(loop().nextTimerFireTime().has_value());
}

TEST_F(TimerOnManualClock, ACallbackCanInvalidateOrMoveAnotherTimerDueAtTheSameInstant) {
  std::shared_ptr<rl::Timer> second, third;
  auto first = rl::Timer::scheduled(0.5, false, [&](rl::Timer&) {
    log.push_back("first");
    second->invalidate();
    third->setFireDate(clock->now() + 0.2);
  });
  second = rl::Timer::scheduled(0.5, false, record("second"));
  third = rl::Timer::scheduled(0.5, false, record("third"));
  loop().advance(1.0);
  EXPECT_EQ(log, (std::vector<std::string>{"first", "third@0.70"}));
}

TEST_F(TimerOnManualClock, FireDateChangesMoveTheNextFire) {
  auto oneShot = rl::Timer::scheduled(1.0, false, record("once"));
  oneShot->setFireDate(clock->now() + 0.3);
  auto repeating = rl::Timer::scheduled(0.5, true, record("rep"));
  repeating->setFireDate(clock->now() + 0.1);
  auto never = rl::Timer::scheduled(0.2, false, record("never"));
  never->setFireDate(clock->now() + 100);

  ASSERT_TRUE(loop().nextTimerFireTime().has_value());
  EXPECT_DOUBLE_EQ(*loop().nextTimerFireTime(), 100.1);
  loop().advance(1.2);
  // The repeating timer keeps its interval from the moved date.
  EXPECT_EQ(log, (std::vector<std::string>{"rep@0.10", "once@0.30", "rep@0.60", "rep@1.10"}));
  EXPECT_TRUE(never->isValid());
}

TEST_F(TimerOnManualClock, FireRunsNowAndKeepsTheSchedule) {
  auto repeating = rl::Timer::scheduled(1.0, true, record("rep"));
  repeating->fire();
  EXPECT_EQ(log, (std::vector<std::string>{"rep@0.00"}));
  EXPECT_DOUBLE_EQ(repeating->fireDate(), 101.0);
  EXPECT_TRUE(repeating->isValid());

  auto oneShot = rl::Timer::scheduled(0.5, false, record("once"));
  oneShot->fire();
  EXPECT_FALSE(oneShot->isValid());
  oneShot->fire();  // an invalid timer does nothing
  loop().advance(1.0);
  EXPECT_EQ(log, (std::vector<std::string>{"rep@0.00", "once@0.00", "rep@1.00"}));
}

TEST_F(TimerOnManualClock, ALateLoopSkipsMissedFiresOfARepeatingTimer) {
  auto t = rl::Timer::scheduled(0.25, true, record("rep"));
  clock->advance(1.1);  // time jumps without the loop running
  EXPECT_EQ(loop().runUntilIdle(), 1u);
  EXPECT_EQ(log, (std::vector<std::string>{"rep@1.10"}));
  EXPECT_DOUBLE_EQ(t->fireDate(), 101.25);
}

TEST_F(TimerOnManualClock, NonPositiveIntervalsStillAdvance) {
  int fires = 0;
  auto t = rl::Timer::scheduled(0, true, [&](rl::Timer&) { ++fires; });
  EXPECT_GT(t->interval(), 0);
  loop().advance(0.01);
  EXPECT_NEAR(fires, 100, 1);  // 0.0001 s steps, give or take rounding at the end
}

TEST_F(TimerOnManualClock, TimersFireOnlyInTheModesTheyWereAddedFor) {
  auto inDefault = rl::Timer::make(0.5, false, record("default"));
  auto inCommon = rl::Timer::make(0.5, false, record("common"));
  auto inHttp = rl::Timer::make(0.5, false, record("http"));
  auto inBoth = rl::Timer::make(0.5, true, record("both"));
  loop().addTimer(inDefault, rl::kDefaultMode);
  loop().addTimer(inCommon, rl::kCommonModes);
  loop().addTimer(inHttp, rl::kHTTPRequestMode);
  loop().addTimer(inBoth, rl::kDefaultMode);
  loop().addTimer(inBoth, rl::kHTTPRequestMode);
  loop().post([this] { log.push_back("http task"); }, rl::kHTTPRequestMode);
  loop().post([this] { log.push_back("common task"); });

  EXPECT_EQ(loop().nextTimerFireTime(rl::kHTTPRequestMode), 100.5);
  // A synchronous request runs the loop in its own mode: the UI's timers and tasks wait.
  loop().advance(0.6, rl::kHTTPRequestMode);
  EXPECT_EQ(log, (std::vector<std::string>{"http task", "http@0.50", "both@0.50"}));

  log.clear();
  loop().runUntilIdle(rl::kDefaultMode);
  EXPECT_EQ(log, (std::vector<std::string>{"common task", "default@0.60", "common@0.60"}));
  EXPECT_FALSE(loop().isCommonMode(rl::kHTTPRequestMode));
}

TEST_F(TimerOnManualClock, AddingACommonModeBringsCommonTimersIntoIt) {
  auto common = rl::Timer::scheduled(0.5, false, record("common"));
  auto defaultOnly = rl::Timer::make(0.5, false, record("default"));
  loop().addTimer(defaultOnly, rl::kDefaultMode);
  loop().addCommonMode("TrackingMode");
  loop().advance(1.0, "TrackingMode");
  EXPECT_EQ(log, (std::vector<std::string>{"common@0.50"}));
  EXPECT_TRUE(defaultOnly->isValid());
}

TEST_F(TimerOnManualClock, PerformAfterDelayRunsOnceInTheDefaultModeAndCanBeCancelled) {
  auto kept = rl::performAfterDelay(1.0, [this] { log.push_back("kept@" + fmt(elapsed())); });
  auto cancelled = rl::performAfterDelay(0.5, [this] { log.push_back("cancelled"); });
  cancelled->invalidate();
  loop().advance(2.0, rl::kHTTPRequestMode);
  EXPECT_TRUE(log.empty());
  loop().advance(2.0);
  EXPECT_EQ(log, (std::vector<std::string>{"kept@2.00"}));
}

TEST_F(TimerOnManualClock, RunOnceNeverSleepsForATimerOnAManualClock) {
  int fires = 0;
  auto t = rl::Timer::scheduled(5.0, false, [&](rl::Timer&) { ++fires; });
  auto started = std::chrono::steady_clock::now();
  EXPECT_TRUE(loop().runOnce(rl::kDefaultMode, 0));
  EXPECT_EQ(fires, 0);
  // Another thread moving the manual clock wakes a waiting loop, which then fires what is due.
  std::thread mover([clock = clock] { clock->advance(5.0); });
  while (fires == 0 && std::chrono::steady_clock::now() - started < std::chrono::seconds(20))
    loop().runOnce(rl::kDefaultMode, 20);
  mover.join();
  EXPECT_EQ(fires, 1);
}

TEST_F(TimerOnManualClock, ATimerLivesOnOneLoop) {
  auto t = rl::Timer::scheduled(0.5, false, record("main"));
  std::thread other([&] {
    rl::RunLoop::current().addTimer(t);  // ignored: it belongs to the main loop
    rl::RunLoop::current().runUntilIdle();
  });
  other.join();
  loop().advance(1.0);
  EXPECT_EQ(log, (std::vector<std::string>{"main@0.50"}));
}

// Many timers, some moved earlier or later, some invalidated, some in a mode that never runs: they fire
// by fire date, then the order they were added, and a timer that is done leaves the loop at once.
TEST_F(TimerOnManualClock, ManyTimersMovedAndInvalidatedKeepTheirOrderAndLeaveWhenDone) {
  struct Expected {
    double date;
    int added;
  };
  std::vector<Expected> expected;
  std::vector<int> fired;
  std::vector<std::shared_ptr<rl::Timer>> timers;
  std::uint32_t seed = 12345;  // a fixed sequence: a failure replays
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) % 100; };
  const std::size_t before = loop().timerCount();
  int parked = 0;
  for (int i = 0; i < 300; ++i) {
    double delay = 0.01 * static_cast<double>(next() % 40);  // many equal fire dates
    auto t = rl::Timer::make(delay + 0.01, false, [&fired, i](rl::Timer&) { fired.push_back(i); });
    const std::uint32_t what = next();
    if (what < 10) {
      loop().addTimer(t, rl::kHTTPRequestMode);  // never runs below: stays filed
      ++parked;
    } else {
      loop().addTimer(t, what < 20 ? std::string(rl::kCommonModes) : std::string(rl::kDefaultMode));
      if (what < 35) {
        t->invalidate();
      } else {
        double date = t->fireDate();
        if (what < 60) date = 100.0 + 0.01 * static_cast<double>(next() % 40);  // moved, either way
        if (what < 60) t->setFireDate(date);
        expected.push_back({date, i});
      }
    }
    timers.push_back(t);
  }
  EXPECT_EQ(loop().timerCount(), before + expected.size() + static_cast<std::size_t>(parked));

  loop().advance(1.0);

  std::stable_sort(expected.begin(), expected.end(),
                   [](const Expected& a, const Expected& b) { return a.date < b.date; });
  std::vector<int> order;
  for (const auto& e : expected) order.push_back(e.added);
  EXPECT_EQ(fired, order);
  EXPECT_EQ(loop().timerCount(), before + static_cast<std::size_t>(parked));
  loop().advance(1.0, rl::kHTTPRequestMode);
  EXPECT_EQ(loop().timerCount(), before);
}

TEST(ManualClock, NeverGoesBackwards) {
  rl::ManualClock clock(10);
  clock.set(5);
  clock.advance(-1);
  EXPECT_EQ(clock.now(), 10);
  clock.advance(2.5);
  clock.set(20);
  EXPECT_EQ(clock.now(), 20);
}

}  // namespace
