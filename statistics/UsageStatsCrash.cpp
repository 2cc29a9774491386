// UsageStats: the switch of the crash catcher, its installation and the record of a caught crash.

#include <utility>

#include "platform/core/UserDefaults.h"
#include "platform/runloop/RunLoop.h"
#include "statistics/StatsBinaryImage.h"
#include "statistics/UncaughtExceptionHandler.h"
#include "statistics/UsageStats.h"
#include "statistics/UsageStatsState.h"

void UsageStats::setCrashReportEnabled(bool enabled) {
  auto& s = state();
  bool observe = false;
  {
    std::lock_guard lock(s.mutex);
    s.crashReportEnabled = enabled;
    if (enabled && !s.crashObserverAdded) observe = s.crashObserverAdded = true;
  }
  if (!enabled) return;
  auto timer = rl::performAfterDelay(kCrashCatcherDelay, [] { installUncaughtExceptionHandler(); });
  std::shared_ptr<rl::Timer> previous;
  {
    std::lock_guard lock(s.mutex);
    previous = std::exchange(s.crashCatcherTimer, timer);
  }
  if (previous) previous->invalidate();
  if (observe)
    core::NotificationCenter::defaultCenter().addObserver(kCrashCatchNotification, &UsageStats::saveCrashInfo,
                                                          &s);
}

bool UsageStats::crashReportEnabled() {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  return s.crashReportEnabled;
}

void UsageStats::installUncaughtExceptionHandler() {
  UncaughtExceptionHandler::install();
  sharedInternal()->updateErrorSupportInfo(StatsBinaryImage::errorSupportInfo());
  auto& s = state();
  std::lock_guard lock(s.mutex);
  s.handlerInstalled = true;
}

bool UsageStats::uncaughtExceptionHandlerInstalled() {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  return s.handlerInstalled;
}

void UsageStats::saveCrashInfo(const core::Notification& notification) {
  const core::Value exception = notification.object;
  auto& defaults = core::UserDefaults::standard();
  defaults.setObject(UsageStatsInternal::kCrashAppVersionKey, appVersion());
  defaults.synchronize();

  core::Value stack = exception["callStackSymbols"];
  if (!stack.isArray() || stack.array().empty()) {
    std::vector<void*> addresses;
    for (const auto& a : exception["callStackReturnAddresses"].array())
      addresses.push_back(reinterpret_cast<void*>(static_cast<std::uintptr_t>(a.toInt())));
    core::Array lines;
    for (const auto& line : UncaughtExceptionHandler::backtrace(addresses)) lines.push_back(line);
    stack = core::Value(lines);
  }
  const std::string text = exception["reason"].describe() + "\n" +
                           exception["userInfo"][UncaughtExceptionHandler::kAddressesKey].describe() + "\n" +
                           stack.describe();
  UsageStatsInternal::error(text);
}
