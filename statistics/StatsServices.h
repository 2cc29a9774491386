#pragma once
// StatsServices: what the statistics component takes from its owner: its wall clock and where its log
// lines go.
//
// The component is used through class methods (UsageStats, StatsUtil, StatsLog), so its services are
// process-wide: the owner hands them in once, when it starts the component (the application does so in
// VDAppStatistics::startStatsTrack; a test's fixture, which owns the component for the test, in its
// set-up), and StatsUtil::now() and StatsLog read them. An empty member means the real service: the
// system clock, the process's standard error. Thread-safe; the services are called with no lock held.

#include <functional>
#include <string>

#include "platform/core/Date.h"

struct StatsServices {
  // Now, on the component's wall clock. Empty: core::Date::now().
  std::function<core::Date()> clock;
  // Writes one log line. Empty: the line and a newline to standard error.
  std::function<void(const std::string& line)> logSink;

  // Hands `services` to the component, in place of the ones it had.
  static void install(StatsServices services);
  // A copy of what was handed in last.
  static StatsServices installed();
};
