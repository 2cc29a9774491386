#pragma once
// UsageStats: the usage-statistics component as the statistics facade sees it: the nine class
// operations that start it, count events and time page views.
//
// The nine operations are still the component's small recording stand-in: they keep what they set and
// record every call in order, so the facade can be checked, and they collect nothing on disk and send
// nothing yet. The component's records, job file, send decision and uploads are built
// (UsageStatsInternal, reached through sharedInternal()); the session life cycle that feeds them from
// these operations comes next, behind the same operations. Thread-safe.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/Value.h"

class UsageStatsInternal;

class UsageStats {
 public:
  static constexpr const char* kOnlineConfigDidFinishedNotification = "OnlineConfigDidFinishedNotification";
  static constexpr double kMinLogSendInterval = 10;
  static constexpr double kMaxLogSendInterval = 86400;

  // Keeps a non-empty version text for the records (an empty one is ignored).
  static void setAppVersion(const std::string& version);
  // NO leaves the component's own crash catcher uninstalled.
  static void setCrashReportEnabled(bool enabled);
  // Keeps the send interval; values below 10 or above 86400 become 10.
  static void setLogSendInterval(double seconds);
  // Starts the component's session and its launch record.
  static void startWithAppkey(const std::string& appKey, int reportPolicy, const std::string& channelId);
  // Fetches the online parameters and posts kOnlineConfigDidFinishedNotification when done. The
  // stand-in has no parameters to fetch: the notice is posted from the main run loop's next turn.
  static void updateOnlineConfig();
  // Records one event, with or without a label.
  static void event(const std::string& eventId);
  static void event(const std::string& eventId, const std::string& label);
  // Remembers when the page started (on the main run loop's clock); an empty name is ignored.
  static void beginLogPageView(const std::string& pageName);
  // Records the page view with its whole seconds since the start and forgets the start; without a
  // start nothing is recorded.
  static void endLogPageView(const std::string& pageName);

  // The component's records, job file and uploads: one for the process, made on first use.
  static std::shared_ptr<UsageStatsInternal> sharedInternal();
  // The send decision for a trigger (0 launch, 1 termination, 2 event) and, when it says yes and no
  // upload is running, the upload of everything in memory (UsageStatsInternal).
  static bool shouldCommitJob(int kind);
  static void preparePerformJob(int kind);

  // ---- what the stand-in recorded ----
  struct Call {
    std::string operation;               // the operation's name: "setLogSendInterval:", "event:label:", ...
    std::vector<core::Value> arguments;  // as passed
  };
  struct Event {
    std::string eventId;
    std::optional<std::string> label;
  };
  struct PageView {
    std::string pageName;
    std::int64_t seconds = 0;
  };
  struct Settings {
    std::string appVersion;
    bool crashReportEnabled = true;
    double logSendInterval = kMinLogSendInterval;
    bool started = false;
    std::string appKey;
    int reportPolicy = 0;
    std::string channelId;
  };

  static std::vector<Call> calls();
  static std::vector<Event> events();
  static std::vector<PageView> pageViews();
  static std::vector<std::string> openPages();  // pages begun and not yet ended
  static Settings settings();
  // Forgets every call, record and setting (tests).
  static void reset();
};
