#pragma once
// The process-wide state of UsageStats, shared by the files that implement it. Everything is guarded
// by `mutex`, held only to read or change these members: no notification, log line, queue, timer or
// other component is called while it is held. The shared UsageStatsInternal has a lock of its own
// (internalMutex); the two are never held together.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/NotificationCenter.h"
#include "platform/core/Value.h"
#include "platform/runloop/Timer.h"
#include "statistics/UsageStats.h"
#include "statistics/UsageStatsInternal.h"

struct UsageStats::State {
  std::mutex internalMutex;
  std::shared_ptr<UsageStatsInternal> internal;  // guarded by internalMutex

  std::mutex mutex;  // guards everything below
  bool crashReportEnabled = true;
  bool crashObserverAdded = false;
  bool handlerInstalled = false;
  bool observersRegistered = false;
  bool sessionStarted = false;  // a session has started in this process
  bool inSession = false;       // a session is running (started and not yet stopped)
  std::optional<std::string> sessionId;

  double latitude = 0;
  double longitude = 0;
  std::int64_t gpsTime = 0;  // milliseconds since 1970

  std::map<std::string, double> pageStarts;  // page name -> start (seconds since 1970)
  core::Array finishedPageViews;             // [page name, whole seconds]

  std::optional<std::string> alertTitle, alertCancel, alertOther;  // the update alert's texts
  std::function<void(const core::Value&)> updateCallback;
  std::optional<std::string> updatePath;  // the address the update alert offers
  UsageStats::UpdateAlertPresenter presenter;
  std::function<bool(const std::string&)> urlOpener;

  std::shared_ptr<rl::Timer> firstLaunchTimer;
  std::shared_ptr<rl::Timer> crashCatcherTimer;
};

namespace usage_stats_detail {

// Seconds since 1970 on the component's clock.
double now();
// The running session's id, or "" between sessions.
std::string currentSessionId();

}  // namespace usage_stats_detail
