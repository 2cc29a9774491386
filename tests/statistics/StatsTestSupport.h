#pragma once
// Shared set-up of the statistics tests: a home of its own (VARDO_HOME, so user defaults, caches and
// the pasteboard directory are fresh), the component's services handed in by the fixture (a wall clock
// the test sets, the component's log lines captured), and device facts the test chooses.

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/DateFormatter.h"
#include "platform/core/UserDefaults.h"
#include "statistics/StatsDeviceFacts.h"
#include "statistics/StatsLog.h"
#include "statistics/StatsServices.h"
#include "statistics/StatsUtil.h"
#include "statistics/UsageStatsInternal.h"
#include "tests/support/ScopedOverride.h"
#include "tests/support/TempDir.h"

namespace stats_test {

// 2024-03-05 10:20:30 UTC.
inline constexpr double kNow = 1709634030;

inline StatsDeviceFacts testFacts() {
  StatsDeviceFacts f;
  f.systemVersion = "12";
  f.model = "x86_64";
  f.macAddress = "02:00:00:AA:BB:CC";
  f.resolution = "480 x 320";
  f.access = "WiFi";
  f.country = "CN";
  f.timezone = "8";
  f.language = "zh-CN";
  return f;
}

class StatsFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    home_.emplace("VARDO_HOME", dir_.path());
    core::UserDefaults::resetStandard();
    logSwitch_.emplace(StatsLog::setEnabled, true, StatsLog::enabled());
    services_.emplace(StatsServices::install, services(), StatsServices::installed());
  }

  void TearDown() override {
    services_.reset();
    logSwitch_.reset();
    core::UserDefaults::resetStandard();
    home_.reset();
  }

  // A component of the test's own, with the test's device facts.
  std::shared_ptr<UsageStatsInternal> makeInternal(StatsDeviceFacts facts = testFacts()) {
    auto internal = UsageStatsInternal::create();
    internal->setDeviceFactsProvider([facts] { return facts; });
    return internal;
  }

  // The services this fixture hands the component (installed for every test): the test's wall clock
  // and a capture of the log lines. Starting the component through the application hands them in again.
  StatsServices services() {
    StatsServices s;
    s.clock = [this] {
      std::function<core::Date()> clock;
      {
        std::lock_guard lock(mutex_);
        if (!clock_) return core::Date{now_};
        clock = clock_;
      }
      return clock();
    };
    s.logSink = [this](const std::string& line) {
      std::lock_guard lock(mutex_);
      log_.push_back(line);
    };
    return s;
  }

  // The wall clock reads `t` (seconds since 1970) from now on.
  void setNow(double t) {
    std::lock_guard lock(mutex_);
    now_ = t;
    clock_ = nullptr;
  }
  // The wall clock reads what `clock` says from now on.
  void setClock(std::function<core::Date()> clock) {
    std::lock_guard lock(mutex_);
    clock_ = std::move(clock);
  }
  std::vector<std::string> log() {
    std::lock_guard lock(mutex_);
    return log_;
  }
  static std::string localDay(double t) { return core::DateFormatter("yyyy-MM-dd").format(core::Date{t}); }
  core::UserDefaults& defaults() { return core::UserDefaults::standard(); }
  const std::string& home() const { return dir_.path(); }

 private:
  testsupport::TempDir dir_;
  std::optional<testsupport::ScopedEnv> home_;
  std::optional<testsupport::ScopedOverride<bool>> logSwitch_;
  std::optional<testsupport::ScopedOverride<StatsServices>> services_;
  std::mutex mutex_;
  double now_ = kNow;
  std::function<core::Date()> clock_;  // when set, in place of now_
  std::vector<std::string> log_;
};

}  // namespace stats_test
