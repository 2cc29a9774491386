#pragma once
// UsageStats: the usage-statistics component as an app uses it. Class operations only (and one shared
// instance for the few instance facts): start it with an application key and a report policy; it then
// counts sessions from the application's life-cycle notifications, and records events, timed events,
// events with attributes and page views, keeps them in memory and in its job file, and uploads them
// (UsageStatsInternal, StatsWorker). It also fetches its online configuration, can check for a newer
// app version, and has a crash catcher of its own, off unless switched on.
//
// Sessions. start (or setDelegate) registers, once per process, for the application's life-cycle
// notifications as the UI model posts them (ui/Notifications.h; the names are repeated below because
// this library does not depend on the UI):
//   "UIApplicationDidBecomeActiveNotification"   -> startSession: a new session and its launch record
//   "UIApplicationWillResignActiveNotification"  -> stopSession: the session's termination record
//   "UIApplicationWillTerminateNotification"     -> stopSession, then up to kTerminationGrace seconds
//                                                   for the component's queues to finish their work
// The first session also starts 1 second after start when no activation came first. A session that is
// not running is not stopped again, and a running one is not started again.
//
// Launch marking (on the creation queue): under policy 2 memory is emptied; the job file is loaded into
// memory (and deleted); a launch record is added; the launched flag goes up; then the send decision for
// a launch. Termination marking (on the thread that posted the notification): the termination record
// with the session's length (above 7200 seconds it counts as 60), its finished page views and the
// location; the session's attribute events; then, unless a crash is being recorded, the send decision
// for a termination; and the job file is written there and then (emptying memory, except under policy
// 2), so it is on disk before the process may end.
//
// Report policy: the public value given at start (or stored as the user default "report_policy", which
// wins) becomes the internal one the send decision uses: 0 -> 1, 4 -> 3, 5 -> 1, 6 -> 6, 7 -> 2, any
// other -> 1 (the app's 0 therefore sends once per session, at launch).
//
// Threads. Public calls come from the main thread. The component's process-wide state is guarded by
// one lock (never held together with UsageStatsInternal's), held only to move values in and out; results that
// go back to the main thread (the online-configuration notification, the update alert, the update
// check's callback) are posted to the main run loop, never waited for.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/core/Value.h"
#include "statistics/UsageStatsDelegate.h"

namespace core {
struct Notification;
}
class UsageStatsInternal;

class UsageStats {
 public:
  // The life-cycle notifications observed (the same names as ui/Notifications.h).
  static constexpr const char* kDidBecomeActiveNotification = "UIApplicationDidBecomeActiveNotification";
  static constexpr const char* kWillResignActiveNotification = "UIApplicationWillResignActiveNotification";
  static constexpr const char* kWillTerminateNotification = "UIApplicationWillTerminateNotification";
  // Posted on the main thread when an online-configuration fetch is over (user info: getConfigParams()).
  static constexpr const char* kOnlineConfigDidFinishedNotification = "OnlineConfigDidFinishedNotification";
  // Posted by the crash catcher with the crash (object: a dictionary, see UncaughtExceptionHandler).
  static constexpr const char* kCrashCatchNotification = "UsageStatsCrashCatch";

  static constexpr const char* kAgentVersion = "2.2.1.SharedUDID";
  static constexpr std::size_t kMaxEventIdBytes = 128;
  // A timed event or attribute event of this many milliseconds or more is not recorded (six hours).
  static constexpr int kMaxEventDuration = 21599999;
  // A session longer than this many seconds reports kLongSessionDuration instead.
  static constexpr double kMaxSessionDuration = 7200;
  static constexpr double kLongSessionDuration = 60;
  static constexpr double kFirstLaunchDelay = 1.0;
  static constexpr double kCrashCatcherDelay = 0.01;
  static constexpr double kTerminationGrace = 2.0;
  static constexpr double kMinLogSendInterval = 10;
  static constexpr double kMaxLogSendInterval = 86400;
  // Logged (as "Stats: " and this text) when an event comes before any application key.
  static constexpr const char* kNoAppKeyMessage =
      "appkey can not be found. UsageStats methods must be called after [UsageStats startWithAppkey:]!";

  // User-defaults keys.
  static constexpr const char* kReportPolicyKey = "report_policy";
  static constexpr const char* kReportIntervalKey = "stats_report_interval";
  static constexpr const char* kLastConfigTimeKey = "last_config_time";
  static constexpr const char* kOnlineParamsKey = "online_params";

  // Where the online configuration and the update check go on a statistics host.
  static constexpr const char* kOnlineConfigPath = "/check_config_update";
  static constexpr const char* kUpdateCheckPath = "/api/check_app_update";

  // ---- start and settings ----

  // Logs "analytics agent version %@ and app version %@"; a non-empty key replaces the stored one and
  // a new session id is made at once; a non-empty channel replaces the stored one; the stored
  // "report_policy" default (when there is one) replaces `reportPolicy`; setReportPolicy; registers
  // for the sessions; the first session starts kFirstLaunchDelay seconds later on the calling thread's
  // run loop unless one has started by then.
  static void startWithAppkey(const std::string& appKey, int reportPolicy, const std::string& channelId);
  static void startWithAppkey(const std::string& appKey);  // policy 1, no channel
  // Keeps the delegate (weakly), sets the policy (default 1) and registers for the sessions.
  static void setDelegate(std::weak_ptr<UsageStatsDelegate> delegate, int reportPolicy = 1);
  // Once per process: observes the three life-cycle notifications, then setCrashReportEnabled with the
  // stored flag.
  static void addObserverForSession();
  // The first session, unless one has started.
  static void ensureFirstLaunch();
  static void startSession();
  static void stopSession();

  static void setReportPolicy(int publicPolicy);
  static int reportPolicy();  // the internal value
  static int internalPolicy(int publicPolicy);
  // Values below 10 or above 86400 become 10.
  static void setLogSendInterval(double seconds);
  // Log lines ("Stats: ...") on or off (off at first).
  static void setLogEnabled(bool enabled);
  // A non-empty version is kept; the reported one is it, else the bundle's CFBundleVersion, else "".
  static void setAppVersion(const std::string& version);
  static std::string appVersion();
  // The crash catcher. On: installUncaughtExceptionHandler kCrashCatcherDelay seconds later and the
  // crash notification observed (saveCrashInfo). Off leaves it uninstalled; switching it off after it
  // was installed does not uninstall it. On at first.
  static void setCrashReportEnabled(bool enabled);
  static bool crashReportEnabled();
  static std::string getAgentVersion() { return kAgentVersion; }
  // The current session id, made when there is none: the upper-case hexadecimal MD5 of the whole
  // seconds since 1970 followed by the application key.
  static std::string sessionID();

  static UsageStats& sharedInstance();
  static std::shared_ptr<UsageStatsInternal> sharedInternal();

  // Instance facts: the key (stored, else the delegate's), the channel (stored, else the delegate's
  // non-empty one, else "App Store"), and the delegate's gender (0..2, else 0), age (1..200, else 0) and
  // user id (its text, else "").
  std::string appKey() const;
  std::string channelId() const;
  int gender() const;
  int age() const;
  std::string user_id() const;
  // Reported in the upload header when set; empty values are ignored.
  void setWrapperType(const std::string& type);
  void setWrapperVersion(const std::string& version);
  void setWrapperType(const std::string& type, const std::string& version);
  std::string wrapperType() const;
  std::string wrapperVersion() const;

  // The location reported with the next termination record: kept only when both are non-zero (with
  // the fix time now); otherwise "Latitude or longitude may be wrong." is logged.
  static void setLatitude(double latitude, double longitude);
  static void setLocation(std::optional<std::pair<double, double>> coordinate);

  // ---- page views ----

  // An empty name is ignored; else the page's start time is now.
  static void beginLogPageView(const std::string& pageName);
  // Without a start nothing happens; else the page view of (int)now - (int)start seconds is logged
  // and the start forgotten.
  static void endLogPageView(const std::string& pageName);
  // A page view for the next termination record; an empty name or seconds <= 0 are ignored.
  static void logPageView(const std::string& pageName, int seconds);
  // The second page-view interface: the first call starts the page, the second notes [name, seconds,
  // start]. Its list is never uploaded.
  static void logPageView(const std::string& pageName);

  // ---- events ----
  // Every call below is dropped (silently, or with the warnings named) unless an application key is
  // known and the event id is valid (validEventID).

  // Not blank after trimming and at most 128 UTF-8 bytes; otherwise the warning
  // "(Warning) Stats event_id (%@) max bytes length > 128" goes to the log and the answer is false.
  static bool validEventID(const std::string& eventId);
  // A counted event: label = the id.
  static void event(const std::string& eventId);
  static void event(const std::string& eventId, const std::string& label);
  static void event(const std::string& eventId, const std::string& label, int acc);
  static void eventAcc(const std::string& eventId, int acc);  // no label
  // An event that lasted `milliseconds` (label = the id when not given).
  static void eventDurations(const std::string& eventId, int milliseconds);
  static void eventDurations(const std::string& eventId, const std::string& label, int milliseconds);
  // Records a StatsEvent and asks for the send decision of an event when no upload is running.
  static void eventJob(const std::string& eventId, const std::string& label, int acc, int du);

  // Timed events: begin puts the event at the front of the list kept for id + label, end takes the
  // front one, records it when it lasted under six hours, and removes it either way.
  static void beginEvent(const std::string& eventId);
  static void beginEvent(const std::string& eventId, const std::string& label);
  static void endEvent(const std::string& eventId);
  static void endEvent(const std::string& eventId, const std::string& label);

  // Events with attributes (at most ten pairs are sent), kept per session.
  static void eventAttributes(const std::string& eventId, const core::Dictionary& attributes,
                              int milliseconds = 0);
  static void beginEventPrimarykey(const std::string& eventId, const std::string& primaryKey,
                                   const core::Dictionary& attributes);
  static void endEventPrimarykey(const std::string& eventId, const std::string& primaryKey);

  // Kept for apps that call them; they do nothing.
  static void appLaunched() {}
  static void appTerminated() {}

  // ---- markings ----
  static void markAppLaunchedTime(const std::string& sessionId);
  static void markTerminatedTime();

  // ---- online configuration and update check ----

  // Fetches the online configuration on the creation queue (primary host, then the fallback host when
  // the primary gave no reply), then posts kOnlineConfigDidFinishedNotification on the main thread.
  static void updateOnlineConfig();
  // The same fetch on the calling thread (the notification still goes to the main thread).
  static void updateOnlineConfigSync();
  // One exchange with "http://" + host + kOnlineConfigPath; false when no reply came. A reply's
  // "report_policy" is stored and applied, its "report_interval" (10 outside 10..86400) stored and
  // applied, and with "config_update" exactly "Yes" its "last_config_time" and "online_params" stored.
  static bool getOnlineConfigParams(const std::string& address);
  static void postOnlineConfigDidFinishedNotification();
  // The stored parameters (Nil when none); one of them as text (nothing when missing).
  static core::Value getConfigParams();
  static std::optional<std::string> getConfigParams(const std::string& key);

  // The update check, on the creation queue: primary, then fallback host. A reply goes to the
  // delegate's appUpdate, else to the callback given to checkUpdateWithDelegate (on the main thread),
  // else, when "update" is "YES", to the update alert (on the main thread).
  static void checkUpdate();
  static void checkUpdate(const std::string& title, const std::string& cancelButtonTitle,
                          const std::string& otherButtonTitle);
  static void checkUpdateWithDelegate(std::weak_ptr<UsageStatsDelegate> delegate,
                                      std::function<void(const core::Value& reply)> callback);
  static void checkAppUpdateResult();
  static bool checkAppUpdate(const std::string& address);
  // Shows the update alert through the presenter the app installed (title: the alert title followed
  // by the reply's "version"; message: "update_log"; buttons: cancel 0, other 1), keeping "path".
  static void appUpdateWithAlert(const core::Value& reply);
  // The update alert's button: 1 opens the kept path with the URL opener; 0 does nothing.
  static void alertViewClickedButtonAtIndex(int buttonIndex);

  // What the UI shows of the update alert: the app installs a presenter (this library has no UI) and
  // an opener of outside addresses. Without them the alert is only logged and nothing is opened.
  struct UpdateAlert {
    std::string title, message, cancelButtonTitle, otherButtonTitle;
  };
  using UpdateAlertPresenter =
      std::function<void(const UpdateAlert& alert, std::function<void(int buttonIndex)> clicked)>;
  static void setUpdateAlertPresenter(UpdateAlertPresenter presenter);
  static void setURLOpener(std::function<bool(const std::string& url)> opener);

  // ---- crash catcher ----

  // Installs the terminate handler (uncaught C++ exceptions), one handler for SIGABRT, SIGILL, SIGSEGV,
  // SIGFPE, SIGBUS and SIGPIPE, and reads the facts of the app's own binary image (StatsBinaryImage).
  static void installUncaughtExceptionHandler();
  static bool uncaughtExceptionHandlerInstalled();
  // The crash notification: "StatsAppVersion" = the reported app version, then
  // UsageStatsInternal::error with "<reason>\n<addresses>\n<call stack>".
  static void saveCrashInfo(const core::Notification& notification);

  // For tests: waits until both queues of the component are idle, then forgets every setting, record,
  // observer, timer, hook and flag, with a fresh UsageStatsInternal (its hosts read again).
  static void reset();
  // Waits at most `seconds` for the work queued so far on both queues; false when time ran out.
  static bool waitForQueues(double seconds);

  // The process-wide state (UsageStatsState.h), for the component's own files.
  struct State;
  static State& state();

 private:
  UsageStats() = default;
};
