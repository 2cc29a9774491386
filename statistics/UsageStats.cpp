#include "statistics/UsageStats.h"

#include <cmath>
#include <utility>

#include "platform/core/UserDefaults.h"
#include "platform/runloop/RunLoop.h"
#include "platform/runloop/Semaphore.h"
#include "statistics/StatsLaunch.h"
#include "statistics/StatsLog.h"
#include "statistics/StatsTerminate.h"
#include "statistics/StatsUtil.h"
#include "statistics/UsageStatsState.h"

namespace usage_stats_detail {

double now() { return StatsUtil::now().secondsSince1970; }

std::string currentSessionId() {
  auto& s = UsageStats::state();
  std::lock_guard lock(s.mutex);
  return s.sessionId.value_or("");
}

}  // namespace usage_stats_detail

using usage_stats_detail::now;

UsageStats::State& UsageStats::state() {
  // Never destroyed: the component's queues may still use it while the process ends.
  static State* s = new State();
  return *s;
}

UsageStats& UsageStats::sharedInstance() {
  static UsageStats* instance = new UsageStats();
  return *instance;
}

std::shared_ptr<UsageStatsInternal> UsageStats::sharedInternal() {
  auto& s = state();
  std::lock_guard lock(s.internalMutex);
  if (!s.internal) s.internal = UsageStatsInternal::create();
  return s.internal;
}

// ---- start and settings ----

void UsageStats::startWithAppkey(const std::string& appKey, int reportPolicy, const std::string& channelId) {
  auto internal = sharedInternal();
  StatsLog::log(std::string("analytics agent version ") + kAgentVersion + " and app version " +
                internal->appVersion());
  if (!appKey.empty()) {
    internal->setAppKey(appKey);
    const std::string id = StatsUtil::md5Value(std::to_string(static_cast<std::int64_t>(now())) + appKey);
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.sessionId = id;
  }
  if (!channelId.empty()) internal->setChannel(channelId);
  const core::Value stored = core::UserDefaults::standard().objectForKey(kReportPolicyKey);
  if (!stored.isNil()) reportPolicy = static_cast<int>(stored.toInt());
  setReportPolicy(reportPolicy);
  addObserverForSession();
  auto timer = rl::performAfterDelay(kFirstLaunchDelay, [] { ensureFirstLaunch(); });
  std::shared_ptr<rl::Timer> previous;
  {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    previous = std::exchange(s.firstLaunchTimer, timer);
  }
  if (previous) previous->invalidate();
}

void UsageStats::startWithAppkey(const std::string& appKey) { startWithAppkey(appKey, 1, ""); }

void UsageStats::setDelegate(std::weak_ptr<UsageStatsDelegate> delegate, int reportPolicy) {
  sharedInternal()->setDelegate(std::move(delegate));
  setReportPolicy(reportPolicy);
  addObserverForSession();
}

void UsageStats::addObserverForSession() {
  auto& s = state();
  bool enabled = false;
  {
    std::lock_guard lock(s.mutex);
    if (s.observersRegistered) return;
    s.observersRegistered = true;
    enabled = s.crashReportEnabled;
  }
  auto& center = core::NotificationCenter::defaultCenter();
  center.addObserver(
      kDidBecomeActiveNotification, [](const core::Notification&) { startSession(); }, &s);
  center.addObserver(
      kWillResignActiveNotification, [](const core::Notification&) { stopSession(); }, &s);
  center.addObserver(
      kWillTerminateNotification,
      [](const core::Notification&) {
        stopSession();
        // The process may end right after this notification: what the queues still hold (a launch
        // marking, an upload) gets a short grace to finish.
        waitForQueues(kTerminationGrace);
      },
      &s);
  setCrashReportEnabled(enabled);
}

void UsageStats::ensureFirstLaunch() {
  bool started = false;
  {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    started = s.sessionStarted;
  }
  if (!started) startSession();
}

void UsageStats::startSession() {
  auto& s = state();
  {
    std::lock_guard lock(s.mutex);
    if (s.inSession) return;
  }
  const std::string id = sessionID();
  {
    std::lock_guard lock(s.mutex);
    if (s.inSession) return;
    s.inSession = true;
    s.sessionStarted = true;
  }
  sharedInternal()->creatQueue().async([id] { markAppLaunchedTime(id); });
}

void UsageStats::stopSession() {
  bool running = false;
  {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    running = s.inSession;
  }
  if (running) {
    markTerminatedTime();
    return;
  }
  // Between sessions there is nothing to end; a crash recorded meanwhile still goes to the job file.
  auto internal = sharedInternal();
  if (internal->crashed()) internal->internalSaveJobToFileAndClean(true);
}

int UsageStats::internalPolicy(int publicPolicy) {
  switch (publicPolicy) {
    case 4:
      return 3;
    case 6:
      return 6;
    case 7:
      return 2;  // every supported system is version 4 or later
    default:
      return 1;  // 0, 5 and every other value
  }
}

void UsageStats::setReportPolicy(int publicPolicy) {
  sharedInternal()->setPolicy(internalPolicy(publicPolicy));
}

int UsageStats::reportPolicy() { return sharedInternal()->policy(); }

void UsageStats::setLogSendInterval(double seconds) { sharedInternal()->setSendInterval(seconds); }

void UsageStats::setLogEnabled(bool enabled) { StatsLog::setEnabled(enabled); }

void UsageStats::setAppVersion(const std::string& version) { sharedInternal()->setAppVersion(version); }

std::string UsageStats::appVersion() { return sharedInternal()->appVersion(); }

std::string UsageStats::sessionID() {
  auto& s = state();
  {
    std::lock_guard lock(s.mutex);
    if (s.sessionId) return *s.sessionId;
  }
  const std::string made =
      StatsUtil::md5Value(std::to_string(static_cast<std::int64_t>(now())) + sharedInternal()->appKey());
  std::lock_guard lock(s.mutex);
  if (!s.sessionId) s.sessionId = made;
  return *s.sessionId;
}

// ---- instance facts ----

std::string UsageStats::appKey() const { return sharedInternal()->appKey(); }

std::string UsageStats::channelId() const { return sharedInternal()->channelId(); }

int UsageStats::gender() const {
  auto d = sharedInternal()->delegate().lock();
  const std::optional<std::int64_t> v = d ? d->gender() : std::nullopt;
  return v && *v >= 0 && *v <= 2 ? static_cast<int>(*v) : 0;
}

int UsageStats::age() const {
  auto d = sharedInternal()->delegate().lock();
  const std::optional<std::int64_t> v = d ? d->age() : std::nullopt;
  return v && *v >= 1 && *v <= 200 ? static_cast<int>(*v) : 0;
}

std::string UsageStats::user_id() const {
  auto d = sharedInternal()->delegate().lock();
  const std::optional<core::Value> v = d ? d->user_id() : std::nullopt;
  return v && !v->isNil() ? v->describe() : "";
}

void UsageStats::setWrapperType(const std::string& type) { sharedInternal()->setWrapper(type, ""); }

void UsageStats::setWrapperVersion(const std::string& version) { sharedInternal()->setWrapper("", version); }

void UsageStats::setWrapperType(const std::string& type, const std::string& version) {
  sharedInternal()->setWrapper(type, version);
}

std::string UsageStats::wrapperType() const { return sharedInternal()->wrapperType(); }

std::string UsageStats::wrapperVersion() const { return sharedInternal()->wrapperVersion(); }

// ---- location ----

void UsageStats::setLatitude(double latitude, double longitude) {
  if (latitude == 0 || longitude == 0) {
    StatsLog::log("Latitude or longitude may be wrong.");
    return;
  }
  const auto fix = static_cast<std::int64_t>(now() * 1000);
  auto& s = state();
  std::lock_guard lock(s.mutex);
  s.latitude = latitude;
  s.longitude = longitude;
  s.gpsTime = fix;
}

void UsageStats::setLocation(std::optional<std::pair<double, double>> coordinate) {
  const auto c = coordinate.value_or(std::pair<double, double>{0, 0});
  setLatitude(c.first, c.second);
}

// ---- page views ----

void UsageStats::beginLogPageView(const std::string& pageName) {
  if (pageName.empty()) return;
  const double t = now();
  auto& s = state();
  std::lock_guard lock(s.mutex);
  s.pageStarts[pageName] = t;
}

void UsageStats::endLogPageView(const std::string& pageName) {
  const double t = now();
  std::optional<double> start;
  {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    auto it = s.pageStarts.find(pageName);
    if (it == s.pageStarts.end()) return;
    start = it->second;
    s.pageStarts.erase(it);
  }
  logPageView(pageName, static_cast<int>(static_cast<std::int64_t>(t) - static_cast<std::int64_t>(*start)));
}

void UsageStats::logPageView(const std::string& pageName, int seconds) {
  StatsLog::log("(logPageView) " + pageName + " " + std::to_string(seconds) + " seconds");
  if (pageName.empty() || seconds <= 0) return;
  auto& s = state();
  std::lock_guard lock(s.mutex);
  s.finishedPageViews.push_back(core::Array{pageName, seconds});
}

void UsageStats::logPageView(const std::string& pageName) {
  if (pageName.empty()) return;
  const double t = now();
  sharedInternal()->withLists([&](UsageStatsInternal::Lists& l) {
    const core::Value start = l.pageViewHash.get(pageName);
    if (start.isNil()) {
      l.pageViewHash.set(pageName, t);
      return;
    }
    l.pageViewArray.push_back(
        core::Array{pageName, static_cast<std::int64_t>(t - start.toDouble()), start.toDouble()});
    l.pageViewHash.remove(pageName);
  });
}

// ---- markings ----

void UsageStats::markAppLaunchedTime(const std::string& sessionId) {
  auto internal = sharedInternal();
  if (internal->policy() == 2) internal->clearInstanceData();
  internal->loadJobFromFileAndInstance();
  const double t = now();
  internal->withLists([&](UsageStatsInternal::Lists& l) {
    l.lastLaunchTime = t;
    l.lastSessionId = sessionId;
  });
  StatsLaunch launch;
  launch.session_id = sessionId;
  internal->appendLaunch(launch.attributes());
  internal->setLaunched(true);
  internal->preparePerformJob(UsageStatsInternal::kLaunchJob);
}

void UsageStats::markTerminatedTime() {
  auto internal = sharedInternal();
  StatsTerminate record;
  std::string sessionId;
  {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.updatePath.reset();
    record.pageViews = s.finishedPageViews;
    s.finishedPageViews = core::Array();
    sessionId = s.sessionId.value_or("");
    if (s.latitude != 0 && s.longitude != 0) {
      record.latitude = s.latitude;
      record.longitude = s.longitude;
      record.gps_time = s.gpsTime;
      s.latitude = s.longitude = 0;
      s.gpsTime = 0;
    }
  }
  const double lastLaunch =
      internal->withLists([](UsageStatsInternal::Lists& l) { return l.lastLaunchTime; });
  const auto duration = static_cast<std::int64_t>(now() - lastLaunch);
  record.duration = static_cast<double>(duration) > kMaxSessionDuration ? kLongSessionDuration
                                                                        : static_cast<double>(duration);
  record.session_id = sessionId;
  internal->appendTerminate(record.attributes());
  // The session's attribute events leave as a copy under its id; the next session starts afresh.
  internal->withLists([&](UsageStatsInternal::Lists& l) {
    if (l.currentEkvArray.empty()) return;
    l.ekvSession.set(sessionId, core::Value(l.currentEkvArray));
    l.ekv.push_back(core::Value(l.ekvSession).deepCopy());
    l.ekvSession = core::Dictionary();
    l.currentEkvArray = core::Array();
  });

  const bool crashed = internal->crashed();
  if (internal->policy() == 2) {
    internal->internalSaveJobToFileAndClean(false);
    if (!crashed) internal->preparePerformJob(UsageStatsInternal::kTerminationJob);
  } else {
    if (!crashed) internal->preparePerformJob(UsageStatsInternal::kTerminationJob);
    internal->internalSaveJobToFileAndClean(true);
  }

  auto& s = state();
  std::lock_guard lock(s.mutex);
  s.sessionId.reset();
  s.inSession = false;
}

// ---- tests and the end of the process ----

bool UsageStats::waitForQueues(double seconds) {
  auto internal = sharedInternal();
  auto done = std::make_shared<rl::Semaphore>();
  // The creation queue's work may queue an upload: the send queue is asked once the creation queue is
  // through.
  internal->creatQueue().async([internal, done] { internal->sendQueue().async([done] { done->signal(); }); });
  return done->waitFor(seconds);
}

void UsageStats::reset() {
  auto& s = state();
  std::shared_ptr<UsageStatsInternal> old;
  {
    std::lock_guard lock(s.internalMutex);
    old = s.internal;
  }
  if (old) {
    old->creatQueue().waitIdle();
    old->sendQueue().waitIdle();
    old->creatQueue().waitIdle();
  }
  core::NotificationCenter::defaultCenter().removeObserver(&s);
  std::shared_ptr<rl::Timer> firstLaunch, crashCatcher;
  {
    std::lock_guard lock(s.mutex);
    firstLaunch = std::move(s.firstLaunchTimer);
    crashCatcher = std::move(s.crashCatcherTimer);
    s.crashReportEnabled = true;
    s.crashObserverAdded = false;
    s.handlerInstalled = false;  // (handlers a test installed are its own to restore)
    s.observersRegistered = false;
    s.sessionStarted = false;
    s.inSession = false;
    s.sessionId.reset();
    s.latitude = s.longitude = 0;
    s.gpsTime = 0;
    s.pageStarts.clear();
    s.finishedPageViews = core::Array();
    s.alertTitle.reset();
    s.alertCancel.reset();
    s.alertOther.reset();
    s.updateCallback = nullptr;
    s.updatePath.reset();
    s.presenter = nullptr;
    s.urlOpener = nullptr;
  }
  if (firstLaunch) firstLaunch->invalidate();
  if (crashCatcher) crashCatcher->invalidate();
  {
    std::lock_guard lock(s.internalMutex);
    s.internal = UsageStatsInternal::create();
  }
  old.reset();
}
