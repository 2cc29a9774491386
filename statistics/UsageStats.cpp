#include "statistics/UsageStats.h"

#include <cmath>
#include <map>
#include <mutex>

#include "platform/core/NotificationCenter.h"
#include "platform/runloop/RunLoop.h"
#include "statistics/UsageStatsInternal.h"

namespace {

struct State {
  std::mutex mutex;
  std::vector<UsageStats::Call> calls;
  std::vector<UsageStats::Event> events;
  std::vector<UsageStats::PageView> pageViews;
  std::map<std::string, double> pageStarts;  // page name -> start time on the main loop's clock
  UsageStats::Settings settings;
};

State& state() {
  static State s;
  return s;
}

double now() { return rl::RunLoop::main().now(); }

}  // namespace

void UsageStats::setAppVersion(const std::string& version) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  s.calls.push_back({"setAppVersion:", {version}});
  if (!version.empty()) s.settings.appVersion = version;
}

void UsageStats::setCrashReportEnabled(bool enabled) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  s.calls.push_back({"setCrashReportEnabled:", {enabled}});
  s.settings.crashReportEnabled = enabled;
}

void UsageStats::setLogSendInterval(double seconds) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  s.calls.push_back({"setLogSendInterval:", {seconds}});
  const bool outside =
      !std::isfinite(seconds) || seconds < kMinLogSendInterval || seconds > kMaxLogSendInterval;
  s.settings.logSendInterval = outside ? kMinLogSendInterval : seconds;
}

void UsageStats::startWithAppkey(const std::string& appKey, int reportPolicy, const std::string& channelId) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  s.calls.push_back({"startWithAppkey:reportPolicy:channelId:", {appKey, reportPolicy, channelId}});
  s.settings.started = true;
  s.settings.appKey = appKey;
  s.settings.reportPolicy = reportPolicy;
  s.settings.channelId = channelId;
}

void UsageStats::updateOnlineConfig() {
  {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.calls.push_back({"updateOnlineConfig", {}});
  }
  rl::RunLoop::main().post(
      [] { core::NotificationCenter::defaultCenter().post(kOnlineConfigDidFinishedNotification); });
}

void UsageStats::event(const std::string& eventId) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  s.calls.push_back({"event:", {eventId}});
  s.events.push_back({eventId, std::nullopt});
}

void UsageStats::event(const std::string& eventId, const std::string& label) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  s.calls.push_back({"event:label:", {eventId, label}});
  s.events.push_back({eventId, label});
}

void UsageStats::beginLogPageView(const std::string& pageName) {
  const double t = now();
  auto& s = state();
  std::lock_guard lock(s.mutex);
  s.calls.push_back({"beginLogPageView:", {pageName}});
  if (pageName.empty()) return;
  s.pageStarts[pageName] = t;
}

void UsageStats::endLogPageView(const std::string& pageName) {
  const double t = now();
  auto& s = state();
  std::lock_guard lock(s.mutex);
  s.calls.push_back({"endLogPageView:", {pageName}});
  auto it = s.pageStarts.find(pageName);
  if (it == s.pageStarts.end()) return;
  const double elapsed = std::max(0.0, t - it->second);
  s.pageViews.push_back({pageName, static_cast<std::int64_t>(std::floor(elapsed))});
  s.pageStarts.erase(it);
}

std::vector<UsageStats::Call> UsageStats::calls() {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  return s.calls;
}

std::vector<UsageStats::Event> UsageStats::events() {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  return s.events;
}

std::vector<UsageStats::PageView> UsageStats::pageViews() {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  return s.pageViews;
}

std::vector<std::string> UsageStats::openPages() {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  std::vector<std::string> names;
  for (const auto& [name, start] : s.pageStarts) names.push_back(name);
  return names;
}

UsageStats::Settings UsageStats::settings() {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  return s.settings;
}

void UsageStats::reset() {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  s.calls.clear();
  s.events.clear();
  s.pageViews.clear();
  s.pageStarts.clear();
  s.settings = Settings{};
}

std::shared_ptr<UsageStatsInternal> UsageStats::sharedInternal() {
  // Lives until the process ends: its queues are never joined at exit, where an upload in flight would
  // hold the process up.
  static const auto* internal = new std::shared_ptr<UsageStatsInternal>(UsageStatsInternal::create());
  return *internal;
}

bool UsageStats::shouldCommitJob(int kind) { return sharedInternal()->shouldCommitJob(kind); }

void UsageStats::preparePerformJob(int kind) { sharedInternal()->preparePerformJob(kind); }
