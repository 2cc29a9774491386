#pragma once
// UsageStatsInternal: the statistics component's records and their way out: the in-memory lists of
// records not yet sent, the job being sent, the job file that carries unsent records across launches,
// the upload header, the send decision and the hand-over of a job to a StatsWorker.
//
// One per process (UsageStats::sharedInternal()); tests make their own with create().
//
// Threads. Public calls come from the main thread; launch marking, the online configuration and the job
// file's saves run on the creation queue, uploads on the send queue (two serial queues of this object,
// one task at a time each). Every list, the job and every flag below are guarded by one lock, held only to
// move records in and out: no file, network or log call runs under it. The job file has a lock of its own
// so that a save and the deletion after a confirmed upload never interleave; the lock order is
// file lock, then the record lock.

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "platform/core/Value.h"
#include "platform/runloop/DispatchQueue.h"
#include "statistics/StatsDeviceFacts.h"
#include "statistics/StatsEkv.h"
#include "statistics/StatsEvent.h"
#include "statistics/StatsHosts.h"
#include "statistics/StatsJob.h"
#include "statistics/UsageStatsDelegate.h"

class UsageStatsInternal : public std::enable_shared_from_this<UsageStatsInternal> {
 public:
  // What asks for an upload (preparePerformJob).
  enum JobKind : int { kLaunchJob = 0, kTerminationJob = 1, kEventJob = 2 };

  static constexpr const char* kAgentVersion = "2.2.1.SharedUDID";
  static constexpr const char* kSdkType = "iOS";
  // The one reply text that confirms an upload (one space after the colon, nothing else).
  static constexpr const char* kSuccessReply = "{\"success\": \"ok\"}";
  static constexpr const char* kUploadPath = "/app_logs";
  static constexpr double kDefaultSendInterval = 10;
  static constexpr double kMaxSendInterval = 86400;

  // User-defaults keys.
  static constexpr const char* kLastPostDateKey = "lastPostDate";          // "yyyy-MM-dd"
  static constexpr const char* kLastPostIntervalKey = "lastPostInterval";  // seconds since 1970
  static constexpr const char* kReportIntervalKey = "stats_report_interval";
  static constexpr const char* kCrashAppVersionKey = "StatsAppVersion";

  // The records of the component's memory.
  struct Lists {
    core::Array launches, terminates, events, errors, ekv;  // attribute dictionaries not yet in a job
    core::Dictionary ekvSession;                            // session id -> array of ekv attributes
    core::Array currentEkvArray;                            // ekv attributes of the running session
    // "%@%@" key -> records begun and not yet ended, newest first.
    std::map<std::string, std::deque<std::shared_ptr<StatsEvent>>> eventBeginTimes;
    std::map<std::string, std::deque<std::shared_ptr<StatsEkv>>> ekvBeginTimes;
    core::Dictionary pageViewHash;  // the second page-view interface (never uploaded)
    core::Array pageViewArray;
    double lastLaunchTime = 0;
    std::string lastSessionId;
  };

  static std::shared_ptr<UsageStatsInternal> create();
  ~UsageStatsInternal();

  // ---- settings: the component's process-wide state ----
  void setAppKey(std::string key);
  // The stored key; else the delegate's key as text; else "".
  std::string appKey() const;
  void setChannel(std::string channel);
  // The stored channel when not empty; else the delegate's non-empty channel as text; else "App Store".
  std::string channelId() const;
  // The app's delegate (kept weakly; it is called with no lock held).
  void setDelegate(std::weak_ptr<UsageStatsDelegate> delegate);
  std::weak_ptr<UsageStatsDelegate> delegate() const;
  void setAppVersion(std::string version);
  // The reported app version: the one set, else the bundle's CFBundleVersion, else "".
  std::string appVersion() const;
  void setWrapper(std::string type, std::string version);  // each kept only when not empty
  std::string wrapperType() const;
  std::string wrapperVersion() const;
  // The internal report policy (1, 2, 3 or 6) the send decision uses.
  void setPolicy(int policy);
  int policy() const;
  // Values below 10 or above 86400 (or not finite) become 10.
  void setSendInterval(double seconds);
  double sendInterval() const;
  void setLaunched(bool launched);
  bool launched() const;
  void setCrashed(bool crashed);
  bool crashed() const;
  bool jobRunning() const;
  void setHosts(StatsHosts hosts);
  StatsHosts hosts() const;
  // Where the device facts come from (default StatsDeviceFacts::current).
  void setDeviceFactsProvider(std::function<StatsDeviceFacts()> provider);
  StatsDeviceFacts deviceFacts() const;
  void updateErrorSupportInfo(const core::Value& info);  // a Nil value is ignored
  core::Value errorSupportInfo() const;

  // A crash of the process (the crash catcher's text), for the shared component: without binary-image
  // facts it is only logged ("Read binary image info failed!"); otherwise an error record with the text
  // and the facts ("%@\n\ndSYM UUID: %@\nCPU Type: %@\nSlide Address: %@\nBinary Image: %@\nBase
  // Address: %@\n") joins the error list, the crashed flag goes up, and the session is stopped, which
  // writes the job file without trying an upload. The record goes out with the next launch's upload.
  static void error(const std::optional<std::string>& text);

  rl::DispatchQueue& sendQueue() { return *sendQueue_; }
  rl::DispatchQueue& creatQueue() { return *creatQueue_; }

  // ---- the lists ----
  // Runs fn with the lists under the lock and returns what it returns. fn only moves values in and out:
  // it must not call other code, log, or touch files.
  template <class F>
  auto withLists(F&& fn) {
    std::lock_guard lock(mutex_);
    return fn(lists_);
  }
  void appendLaunch(const core::Value& attributes);
  void appendTerminate(const core::Value& attributes);
  void appendEvent(const core::Value& attributes);
  void appendError(const core::Value& attributes);
  void appendEkv(const core::Value& attributes);
  // Copies of the five lists, ekvSession and currentEkvArray (begin times left empty).
  Lists snapshot() const;
  // A copy of the job's lists and header.
  StatsJob jobSnapshot() const;

  // {"body": the non-empty lists, in the order launch, terminate, event, error, ekv} plus "header" when
  // asked; Nil when every list is empty.
  core::Value toDictionary(bool withHeader);

  // ---- the job file ----
  // <caches>/.<CFBundleIdentifier>_stats.plist
  static std::string jobFilePath();
  // Writes toDictionary(false) to the job file (atomically); nothing when every list is empty. False when
  // the write failed.
  bool jobToFile();
  // The job file's dictionary (empty when it is missing or unreadable); the file is deleted in every case.
  core::Dictionary loadJobDataFromFile();
  // Appends the file's "launch", "terminate", "event" and "ekv" lists to memory; its "error" list only
  // while the user default "StatsAppVersion" equals the reported app version (case-insensitive), and
  // then removes that key; with the key absent the in-memory error list is emptied.
  void fillJobDataFromDictionary(const core::Dictionary& file);
  void loadJobFromFileAndInstance();
  // On the creation queue: internalSaveJobToFileAndClean(clean).
  void saveJobAndClean(bool clean);
  // Writes the job file and, with `clean`, empties memory and the job. The lists are taken out and written
  // in one step, so a record added meanwhile is neither lost nor written twice; should the write fail, the
  // taken records go back into memory.
  void internalSaveJobToFileAndClean(bool clean);
  void clearJobData();
  void clearInstanceData();
  void clearInstanceAndJobData();
  // Appends every in-memory list to the job's list (memory keeps its entries until a confirmed upload).
  void fillJobDataFromInstance();
  // Removes from memory every record that went into the job (the very same entries).
  void removeInstanceDataInJobData();

  // ---- sending ----
  // The upload header, built afresh.
  core::Dictionary header();
  // The "X-Stats-Sdk" header value of an upload.
  std::string statsSdkHeader();
  // The send decision for a trigger of `kind`.
  bool shouldCommitJob(int kind);
  // When no job is running and the decision says yes: beginPerformJob().
  void preparePerformJob(int kind);
  // Fills the job from memory (the job-running flag goes up) and, when it has records, hands its upload
  // to a StatsWorker on the send queue. With nothing to send the flag goes down again.
  void beginPerformJob();
  // A confirmed upload: notes the date and time of the post in the user defaults, removes the job's
  // records from memory and, under policy 2, deletes the job file.
  void markJobDone();
  // The worker is done with both hosts: empties the job, the flag goes down.
  void finishJob();

 private:
  UsageStatsInternal();
  core::Value toDictionaryLocked() const;
  void clearJobDataLocked();
  void fillJobDataFromInstanceLocked();
  StatsJob jobSnapshotLocked() const;
  void clearInstanceDataLocked();

  mutable std::mutex fileMutex_;  // taken before mutex_
  mutable std::mutex mutex_;
  Lists lists_;
  StatsJob job_;
  std::string appKey_, channel_, appVersion_, wrapperType_, wrapperVersion_;
  std::weak_ptr<UsageStatsDelegate> delegate_;
  int policy_ = 1;
  double sendInterval_ = kDefaultSendInterval;
  bool launched_ = false;
  bool crashed_ = false;
  bool jobRunning_ = false;
  StatsHosts hosts_;
  std::function<StatsDeviceFacts()> deviceFacts_;
  core::Value errorSupportInfo_;

  std::shared_ptr<rl::DispatchQueue> sendQueue_;
  std::shared_ptr<rl::DispatchQueue> creatQueue_;
};
