#include "statistics/UsageStatsInternal.h"

#include <cmath>
#include <utility>

#include "platform/core/Bundle.h"
#include "platform/core/DateFormatter.h"
#include "platform/core/Paths.h"
#include "platform/core/PropertyList.h"
#include "platform/core/PropertyListWriter.h"
#include "platform/core/Text.h"
#include "platform/core/UserDefaults.h"
#include "statistics/StatsError.h"
#include "statistics/StatsLog.h"
#include "statistics/StatsUtil.h"
#include "statistics/StatsWorker.h"
#include "statistics/UsageStats.h"

namespace {

// Appends the entries of `from` (shared, not copied: attribute dictionaries never change once listed).
void appendAll(core::Array& to, const core::Array& from) {
  for (const auto& v : from) to.push_back(v);
}

// A new array holding the same entries.
core::Array copyOf(const core::Array& a) {
  core::Array c;
  appendAll(c, a);
  return c;
}

// Removes from `memory` the entries that are the very ones in `sent`.
void removeSame(core::Array& memory, const core::Array& sent) {
  if (sent.empty()) return;
  auto& items = memory.items();
  std::erase_if(items, [&](const core::Value& v) {
    for (const auto& s : sent) {
      if (v.sameAs(s)) return true;
    }
    return false;
  });
}

// Puts `taken` back in front of `memory`.
void restoreFront(core::Array& memory, const core::Array& taken) {
  auto& items = memory.items();
  items.insert(items.begin(), taken.begin(), taken.end());
}

core::Array arrayIn(const core::Dictionary& d, const char* key) {
  core::Value v = d.get(key);
  core::Array out;
  if (!v.isArray()) return out;
  for (const auto& item : v.array()) {
    if (!item.isNilOrNull()) out.push_back(item);
  }
  return out;
}

std::string today() { return core::DateFormatter("yyyy-MM-dd").format(StatsUtil::now()); }

}  // namespace

std::shared_ptr<UsageStatsInternal> UsageStatsInternal::create() {
  return std::shared_ptr<UsageStatsInternal>(new UsageStatsInternal());
}

UsageStatsInternal::UsageStatsInternal()
    : hosts_(StatsHosts::load()),
      deviceFacts_(&StatsDeviceFacts::current),
      sendQueue_(rl::DispatchQueue::serial("statistics.send")),
      creatQueue_(rl::DispatchQueue::serial("statistics.create")) {
  job_.statsInternal = this;
}

UsageStatsInternal::~UsageStatsInternal() = default;

// ---- settings ----

void UsageStatsInternal::setAppKey(std::string key) {
  std::lock_guard lock(mutex_);
  appKey_ = std::move(key);
}

std::string UsageStatsInternal::appKey() const {
  std::shared_ptr<UsageStatsDelegate> d;
  {
    std::lock_guard lock(mutex_);
    if (!appKey_.empty()) return appKey_;
    d = delegate_.lock();
  }
  if (!d) return "";
  const std::optional<core::Value> key = d->appKey();
  return key && !key->isNil() ? key->describe() : "";
}

void UsageStatsInternal::setChannel(std::string channel) {
  std::lock_guard lock(mutex_);
  channel_ = std::move(channel);
}

std::string UsageStatsInternal::channelId() const {
  std::shared_ptr<UsageStatsDelegate> d;
  {
    std::lock_guard lock(mutex_);
    if (!channel_.empty()) return channel_;
    d = delegate_.lock();
  }
  if (d) {
    const std::optional<core::Value> channel = d->channelId();
    if (channel && !channel->isNil()) {
      std::string text = channel->describe();
      if (!text.empty()) return text;
    }
  }
  return "App Store";
}

void UsageStatsInternal::setDelegate(std::weak_ptr<UsageStatsDelegate> delegate) {
  std::lock_guard lock(mutex_);
  delegate_ = std::move(delegate);
}

std::weak_ptr<UsageStatsDelegate> UsageStatsInternal::delegate() const {
  std::lock_guard lock(mutex_);
  return delegate_;
}

void UsageStatsInternal::setAppVersion(std::string version) {
  if (version.empty()) return;
  std::lock_guard lock(mutex_);
  appVersion_ = std::move(version);
}

std::string UsageStatsInternal::appVersion() const {
  {
    std::lock_guard lock(mutex_);
    if (!appVersion_.empty()) return appVersion_;
  }
  return core::Bundle::main().version();
}

void UsageStatsInternal::setWrapper(std::string type, std::string version) {
  std::lock_guard lock(mutex_);
  if (!type.empty()) wrapperType_ = std::move(type);
  if (!version.empty()) wrapperVersion_ = std::move(version);
}

std::string UsageStatsInternal::wrapperType() const {
  std::lock_guard lock(mutex_);
  return wrapperType_;
}

std::string UsageStatsInternal::wrapperVersion() const {
  std::lock_guard lock(mutex_);
  return wrapperVersion_;
}

void UsageStatsInternal::setPolicy(int policy) {
  std::lock_guard lock(mutex_);
  policy_ = policy;
}

int UsageStatsInternal::policy() const {
  std::lock_guard lock(mutex_);
  return policy_;
}

void UsageStatsInternal::setSendInterval(double seconds) {
  const bool outside =
      !std::isfinite(seconds) || seconds < kDefaultSendInterval || seconds > kMaxSendInterval;
  std::lock_guard lock(mutex_);
  sendInterval_ = outside ? kDefaultSendInterval : seconds;
}

double UsageStatsInternal::sendInterval() const {
  std::lock_guard lock(mutex_);
  return sendInterval_;
}

void UsageStatsInternal::setLaunched(bool launched) {
  std::lock_guard lock(mutex_);
  launched_ = launched;
}

bool UsageStatsInternal::launched() const {
  std::lock_guard lock(mutex_);
  return launched_;
}

void UsageStatsInternal::setCrashed(bool crashed) {
  std::lock_guard lock(mutex_);
  crashed_ = crashed;
}

bool UsageStatsInternal::crashed() const {
  std::lock_guard lock(mutex_);
  return crashed_;
}

bool UsageStatsInternal::jobRunning() const {
  std::lock_guard lock(mutex_);
  return jobRunning_;
}

void UsageStatsInternal::setHosts(StatsHosts hosts) {
  std::lock_guard lock(mutex_);
  hosts_ = std::move(hosts);
}

StatsHosts UsageStatsInternal::hosts() const {
  std::lock_guard lock(mutex_);
  return hosts_;
}

void UsageStatsInternal::setDeviceFactsProvider(std::function<StatsDeviceFacts()> provider) {
  std::lock_guard lock(mutex_);
  deviceFacts_ =
      provider ? std::move(provider) : std::function<StatsDeviceFacts()>(&StatsDeviceFacts::current);
}

StatsDeviceFacts UsageStatsInternal::deviceFacts() const {
  std::function<StatsDeviceFacts()> provider;
  {
    std::lock_guard lock(mutex_);
    provider = deviceFacts_;
  }
  return provider();
}

void UsageStatsInternal::updateErrorSupportInfo(const core::Value& info) {
  if (info.isNil()) return;
  std::lock_guard lock(mutex_);
  errorSupportInfo_ = info.deepCopy();
}

core::Value UsageStatsInternal::errorSupportInfo() const {
  std::lock_guard lock(mutex_);
  return errorSupportInfo_.deepCopy();
}

// ---- the lists ----

void UsageStatsInternal::appendLaunch(const core::Value& a) {
  std::lock_guard lock(mutex_);
  lists_.launches.push_back(a);
}

void UsageStatsInternal::appendTerminate(const core::Value& a) {
  std::lock_guard lock(mutex_);
  lists_.terminates.push_back(a);
}

void UsageStatsInternal::appendEvent(const core::Value& a) {
  std::lock_guard lock(mutex_);
  lists_.events.push_back(a);
}

void UsageStatsInternal::appendError(const core::Value& a) {
  std::lock_guard lock(mutex_);
  lists_.errors.push_back(a);
}

void UsageStatsInternal::appendEkv(const core::Value& a) {
  std::lock_guard lock(mutex_);
  lists_.ekv.push_back(a);
}

UsageStatsInternal::Lists UsageStatsInternal::snapshot() const {
  std::lock_guard lock(mutex_);
  Lists s;
  s.launches = copyOf(lists_.launches);
  s.terminates = copyOf(lists_.terminates);
  s.events = copyOf(lists_.events);
  s.errors = copyOf(lists_.errors);
  s.ekv = copyOf(lists_.ekv);
  s.ekvSession = core::Value(lists_.ekvSession).deepCopy().dict();
  s.currentEkvArray = copyOf(lists_.currentEkvArray);
  s.lastLaunchTime = lists_.lastLaunchTime;
  s.lastSessionId = lists_.lastSessionId;
  return s;
}

StatsJob UsageStatsInternal::jobSnapshot() const {
  std::lock_guard lock(mutex_);
  return jobSnapshotLocked();
}

StatsJob UsageStatsInternal::jobSnapshotLocked() const {
  StatsJob j;
  j.status = job_.status;
  j.launches = copyOf(job_.launches);
  j.terminates = copyOf(job_.terminates);
  j.events = copyOf(job_.events);
  j.errors = copyOf(job_.errors);
  j.ekv = copyOf(job_.ekv);
  j.header = core::Value(job_.header).deepCopy().dict();
  return j;
}

core::Value UsageStatsInternal::toDictionaryLocked() const {
  core::Dictionary body;
  if (!lists_.launches.empty()) body.set("launch", core::Value(copyOf(lists_.launches)));
  if (!lists_.terminates.empty()) body.set("terminate", core::Value(copyOf(lists_.terminates)));
  if (!lists_.events.empty()) body.set("event", core::Value(copyOf(lists_.events)));
  if (!lists_.errors.empty()) body.set("error", core::Value(copyOf(lists_.errors)));
  if (!lists_.ekv.empty()) body.set("ekv", core::Value(copyOf(lists_.ekv)));
  if (body.empty()) return {};
  return core::Value(core::Dictionary{{"body", core::Value(body)}});
}

core::Value UsageStatsInternal::toDictionary(bool withHeader) {
  core::Dictionary h;
  if (withHeader) h = header();
  core::Value doc;
  {
    std::lock_guard lock(mutex_);
    doc = toDictionaryLocked();
  }
  if (!doc.isNil() && withHeader) doc.set("header", core::Value(h));
  return doc;
}

// ---- the job file ----

std::string UsageStatsInternal::jobFilePath() {
  const std::string bundleId =
      core::Bundle::main().objectForInfoDictionaryKey("CFBundleIdentifier").toString();
  return core::Paths::join(core::Paths::caches(), "." + bundleId + "_stats.plist");
}

bool UsageStatsInternal::jobToFile() {
  std::lock_guard fileLock(fileMutex_);
  core::Value doc;
  {
    std::lock_guard lock(mutex_);
    doc = toDictionaryLocked();
  }
  return doc.isNil() || core::PropertyListWriter::shared().writeFile(jobFilePath(), doc);
}

core::Dictionary UsageStatsInternal::loadJobDataFromFile() {
  std::lock_guard fileLock(fileMutex_);
  const std::string path = jobFilePath();
  core::Value doc = core::PropertyListWriter::shared().readFile(path);
  core::Paths::removeAll(path);
  return doc.isDictionary() ? doc.dict() : core::Dictionary();
}

void UsageStatsInternal::fillJobDataFromDictionary(const core::Dictionary& file) {
  const core::Value bodyValue = file.get("body");
  const core::Dictionary body = bodyValue.isDictionary() ? bodyValue.dict() : core::Dictionary();
  // Crash records are kept only for the version that crashed.
  auto& defaults = core::UserDefaults::standard();
  const core::Value crashedVersion = defaults.objectForKey(kCrashAppVersionKey);
  enum class Errors { Merge, Skip, Clear } errors = Errors::Clear;
  if (!crashedVersion.isNil()) {
    errors = core::equalsIgnoringCase(crashedVersion.toString(), appVersion()) ? Errors::Merge : Errors::Skip;
  }
  {
    std::lock_guard lock(mutex_);
    appendAll(lists_.launches, arrayIn(body, "launch"));
    appendAll(lists_.terminates, arrayIn(body, "terminate"));
    appendAll(lists_.events, arrayIn(body, "event"));
    if (errors == Errors::Merge) appendAll(lists_.errors, arrayIn(body, "error"));
    if (errors == Errors::Clear) lists_.errors.clear();
    appendAll(lists_.ekv, arrayIn(body, "ekv"));
  }
  if (errors == Errors::Merge) {
    defaults.removeObject(kCrashAppVersionKey);
    defaults.synchronize();
  }
}

void UsageStatsInternal::loadJobFromFileAndInstance() { fillJobDataFromDictionary(loadJobDataFromFile()); }

void UsageStatsInternal::saveJobAndClean(bool clean) {
  creatQueue_->async([self = shared_from_this(), clean] { self->internalSaveJobToFileAndClean(clean); });
}

void UsageStatsInternal::internalSaveJobToFileAndClean(bool clean) {
  std::lock_guard fileLock(fileMutex_);
  core::Value doc;
  Lists taken;
  {
    std::lock_guard lock(mutex_);
    doc = toDictionaryLocked();
    if (clean) {
      taken.launches = copyOf(lists_.launches);
      taken.terminates = copyOf(lists_.terminates);
      taken.events = copyOf(lists_.events);
      taken.errors = copyOf(lists_.errors);
      taken.ekv = copyOf(lists_.ekv);
      clearInstanceDataLocked();
      clearJobDataLocked();
    }
  }
  if (doc.isNil() || core::PropertyListWriter::shared().writeFile(jobFilePath(), doc)) return;
  StatsLog::log("(Error   SaveJob) the job file could not be written: " + jobFilePath());
  if (!clean) return;
  std::lock_guard lock(mutex_);
  restoreFront(lists_.launches, taken.launches);
  restoreFront(lists_.terminates, taken.terminates);
  restoreFront(lists_.events, taken.events);
  restoreFront(lists_.errors, taken.errors);
  restoreFront(lists_.ekv, taken.ekv);
}

void UsageStatsInternal::clearJobDataLocked() { job_.clear(); }

void UsageStatsInternal::clearInstanceDataLocked() {
  lists_.launches.clear();
  lists_.terminates.clear();
  lists_.events.clear();
  lists_.errors.clear();
  lists_.ekv.clear();
  lists_.ekvSession.clear();
  lists_.currentEkvArray.clear();
  lists_.eventBeginTimes.clear();
}

void UsageStatsInternal::clearJobData() {
  std::lock_guard lock(mutex_);
  clearJobDataLocked();
}

void UsageStatsInternal::clearInstanceData() {
  std::lock_guard lock(mutex_);
  clearInstanceDataLocked();
}

void UsageStatsInternal::clearInstanceAndJobData() {
  std::lock_guard lock(mutex_);
  clearInstanceDataLocked();
  clearJobDataLocked();
}

void UsageStatsInternal::fillJobDataFromInstance() {
  std::lock_guard lock(mutex_);
  fillJobDataFromInstanceLocked();
}

void UsageStatsInternal::fillJobDataFromInstanceLocked() {
  appendAll(job_.launches, lists_.launches);
  appendAll(job_.terminates, lists_.terminates);
  appendAll(job_.events, lists_.events);
  appendAll(job_.errors, lists_.errors);
  if ((!lists_.ekv.empty() || !lists_.currentEkvArray.empty()) && !lists_.ekvSession.empty()) {
    lists_.ekv.push_back(core::Value(lists_.ekvSession).deepCopy());
    lists_.ekvSession.clear();
    lists_.currentEkvArray.clear();
  }
  appendAll(job_.ekv, lists_.ekv);
}

void UsageStatsInternal::removeInstanceDataInJobData() {
  std::lock_guard lock(mutex_);
  removeSame(lists_.launches, job_.launches);
  removeSame(lists_.terminates, job_.terminates);
  removeSame(lists_.events, job_.events);
  removeSame(lists_.errors, job_.errors);
  removeSame(lists_.ekv, job_.ekv);
}

// ---- sending ----

core::Dictionary UsageStatsInternal::header() {
  const StatsDeviceFacts facts = deviceFacts();
  const std::string version = appVersion();
  const std::string channel = channelId();
  const std::string deviceId = StatsUtil::sharedUDIDString();
  const std::string key = appKey();
  std::string wrapperType, wrapperVersion;
  {
    std::lock_guard lock(mutex_);
    wrapperType = wrapperType_;
    wrapperVersion = wrapperVersion_;
  }
  core::Bundle& bundle = core::Bundle::main();
  core::Dictionary h{
      {"appkey", key},
      {"channel", channel},
      {"sdk_type", kSdkType},
      {"os", kSdkType},
      {"os_version", facts.systemVersion},
      {"sdk_version", kAgentVersion},
      {"app_version", version},
      {"sv", bundle.shortVersion()},
      {"device_model", facts.model},
      {"mc", facts.macAddress},
      {"device_id", deviceId},
      {"resolution", facts.resolution},
      {"access", facts.access},
      {"carrier", facts.carrier},
      {"country", facts.country},
      {"timezone", facts.timezone},
      {"language", facts.language},
      {"package_name", bundle.objectForInfoDictionaryKey("CFBundleIdentifier").toString()},
      {"display_name", bundle.objectForInfoDictionaryKey("CFBundleDisplayName").toString()},
  };
  if (!wrapperType.empty()) h.set("wrapper_type", wrapperType);
  if (!wrapperVersion.empty()) h.set("wrapper_version", wrapperVersion);
  if (facts.idfa && !facts.idfa->empty()) h.set("idfa", *facts.idfa);
  if (facts.idfv && !facts.idfv->empty()) h.set("idfv", *facts.idfv);
  return h;
}

std::string UsageStatsInternal::statsSdkHeader() {
  const StatsDeviceFacts facts = deviceFacts();
  core::Bundle& bundle = core::Bundle::main();
  const std::string display = bundle.objectForInfoDictionaryKey("CFBundleDisplayName").toString();
  return std::string(kSdkType) + "/" + kAgentVersion + " " + StatsUtil::urlEncode(display) + "/" +
         StatsUtil::urlEncode(appVersion()) + " " + facts.model + "/" + facts.systemVersion + " " +
         StatsUtil::md5Value(appKey());
}

bool UsageStatsInternal::shouldCommitJob(int kind) {
  if (deviceFacts().access.empty() || !launched()) return false;
  auto& defaults = core::UserDefaults::standard();
  double interval = sendInterval();
  const core::Value configured = defaults.objectForKey(kReportIntervalKey);
  if (!configured.isNil()) interval = static_cast<double>(configured.toInt());
  const int p = policy();
  if (p == 6) {
    const core::Value last = defaults.objectForKey(kLastPostIntervalKey);
    if (last.isNil()) return true;
    return StatsUtil::now().secondsSince1970 - last.toDouble() > interval;
  }
  switch (kind) {
    case kLaunchJob:
      if (p == 1) return true;
      if (p == 3) return defaults.stringForKey(kLastPostDateKey) != today();  // an absent date differs
      return false;
    case kTerminationJob:
      return p == 2;
    default:
      return false;
  }
}

void UsageStatsInternal::preparePerformJob(int kind) {
  if (jobRunning() || !shouldCommitJob(kind)) return;
  beginPerformJob();
}

void UsageStatsInternal::beginPerformJob() {
  const core::Dictionary h = header();
  core::Value doc;
  {
    std::lock_guard lock(mutex_);
    if (jobRunning_) return;  // another trigger got there first
    jobRunning_ = true;
    fillJobDataFromInstanceLocked();
    if (!job_.hasTask()) {  // nothing to send: no job runs
      jobRunning_ = false;
      return;
    }
    job_.header = h;
    doc = jobSnapshotLocked().toDictionary(true);
  }
  const std::optional<std::string> json = StatsUtil::JSONFragment(doc);
  if (!json) {
    finishJob();
    return;
  }
  StatsLog::log("(Request  Applog) content=" + *json);
  auto worker = std::make_shared<StatsWorker>(shared_from_this());
  worker->json = "content=" + StatsUtil::urlEncode(*json);
  sendQueue_->async([worker] { worker->main(); });
}

void UsageStatsInternal::markJobDone() {
  auto& defaults = core::UserDefaults::standard();
  defaults.setObject(kLastPostDateKey, today());
  defaults.setObject(kLastPostIntervalKey, StatsUtil::now().secondsSince1970);
  defaults.synchronize();
  removeInstanceDataInJobData();
  if (policy() == 2) {
    std::lock_guard fileLock(fileMutex_);
    core::PropertyListWriter::shared().remove(jobFilePath());  // after any write of it still queued
  }
}

void UsageStatsInternal::finishJob() {
  std::lock_guard lock(mutex_);
  job_.clear();
  jobRunning_ = false;
}

// ---- crashes ----

void UsageStatsInternal::error(const std::optional<std::string>& text) {
  if (!text) return;
  const std::shared_ptr<UsageStatsInternal> internal = UsageStats::sharedInternal();
  const core::Value info = internal->errorSupportInfo();
  if (info.isNil()) {
    StatsLog::log("Read binary image info failed!");
    return;
  }
  StatsError record;
  record.context = *text + "\n\ndSYM UUID: " + info["binary_uuid"].describe() +
                   "\nCPU Type: " + info["cpu_arch"].describe() +
                   "\nSlide Address: " + info["slide_address"].describe() +
                   "\nBinary Image: " + info["image_name"].describe() +
                   "\nBase Address: " + info["image_base_address"].describe() + "\n";
  record.session_id = UsageStats::sessionID();
  StatsLog::log(record.context);
  internal->appendError(record.attributes());
  internal->setCrashed(true);
  UsageStats::stopSession();
}
