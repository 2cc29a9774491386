#pragma once
// Set-up of the tests of the component's public side (UsageStats): a home of its own, the component
// reset, the main run loop on a manual clock that is also the component's wall clock (kNow + the
// clock's seconds), device facts the test chooses (by default no network access, so nothing is sent),
// and the life-cycle notifications posted as the application posts them.

#include <memory>
#include <string>
#include <vector>

#include "platform/core/NotificationCenter.h"
#include "platform/core/Paths.h"
#include "platform/core/PropertyList.h"
#include "platform/runloop/Clock.h"
#include "platform/runloop/RunLoop.h"
#include "statistics/UsageStats.h"
#include "tests/statistics/StatsTestSupport.h"

namespace stats_test {

inline constexpr const char* kKey = "7e3c19d0a4b25f8861c0e9d3";

inline StatsDeviceFacts offlineFacts() {
  StatsDeviceFacts f = testFacts();
  f.access = "";
  return f;
}

class SessionFixture : public StatsFixture {
 protected:
  void SetUp() override {
    StatsFixture::SetUp();
    UsageStats::reset();
    rl::RunLoop::setMainThread();
    clock_ = std::make_shared<rl::ManualClock>(0);
    rl::RunLoop::main().clear();
    rl::RunLoop::main().setClock(clock_);
    StatsUtil::setClock([clock = clock_] { return core::Date{kNow + clock->now()}; });
    setFacts(offlineFacts());
  }

  void TearDown() override {
    UsageStats::reset();
    rl::RunLoop::main().clear();
    rl::RunLoop::main().setClock(rl::Clock::real());
    StatsFixture::TearDown();
  }

  static void setFacts(StatsDeviceFacts facts) {
    UsageStats::sharedInternal()->setDeviceFactsProvider([facts] { return facts; });
  }
  static std::shared_ptr<UsageStatsInternal> internal() { return UsageStats::sharedInternal(); }

  // Moves the component's clock and the main loop's timers on.
  void advance(double seconds) { rl::RunLoop::main().advance(seconds); }
  // Runs what the component's queues hold, then what they handed to the main loop.
  static void finishWork() {
    ASSERT_TRUE(UsageStats::waitForQueues(30));
    rl::RunLoop::main().runUntilIdle();
  }

  static void post(const char* name) { core::NotificationCenter::defaultCenter().post(name); }
  // The application became active / ends, as the UI posts it.
  void becomeActive() {
    post(UsageStats::kDidBecomeActiveNotification);
    finishWork();
  }
  void terminate() {
    post(UsageStats::kWillTerminateNotification);
    finishWork();
  }

  static core::Value jobFile() { return core::PropertyList::readFile(UsageStatsInternal::jobFilePath()); }
  static core::Array terminatesInFile() { return jobFile()["body"]["terminate"].array(); }

  std::shared_ptr<rl::ManualClock> clock_;
};

}  // namespace stats_test
