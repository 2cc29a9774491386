#pragma once
// The collaborators that the application delegate drives at launch and from the re-login timer but
// that live in other libraries. Each interface is named after the class that fills it:
//
//   HTTPRequestClassSwitches  the two class-wide switches of HTTPRequest
//   VDAppStatisticsStarter    VDAppStatistics::startStatsTrack
//   CrashCatcherInstaller     InstallUncaughtExceptionHandler
//   ReachabilityWatcher       Reachability, the internet-connection watcher (status 0, 1, 2; change notice)
//   UserLoginSender           User::login with a LoginRequest
//   URLOpener                 opens outside addresses (app/URLOpener.h)
//   VDAppInfoClient           the application-information request of VDNetworkHelper (app/VDNetworkHelper.h)
//
// AppServices::standard() (app/StandardAppServices.cpp, the one place that names the concrete
// classes) gives what the executable runs with; tests hand in recording doubles.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/core/Date.h"
#include "platform/core/Value.h"

class URLOpener;
class VDAppInfoClient;

// Class-wide switches of the HTTP client.
class HTTPRequestClassSwitches {
 public:
  virtual ~HTTPRequestClassSwitches() = default;
  virtual void setShouldUpdateNetworkActivityIndicator(bool update) = 0;
  virtual void setShouldThrottleBandwidthForWWAN(bool throttle) = 0;
};

// Starts the usage statistics for the life of the process.
class VDAppStatisticsStarter {
 public:
  virtual ~VDAppStatisticsStarter() = default;
  virtual void startStatsTrack() = 0;
};

// Installs the handlers that report uncaught exceptions and fatal signals.
class CrashCatcherInstaller {
 public:
  virtual ~CrashCatcherInstaller() = default;
  virtual void installUncaughtExceptionHandler() = 0;
};

// Watches whether the internet can be reached. Status: 0 not reachable, 1 through the mobile
// network, 2 through Wi-Fi. A started notifier posts kReachabilityChangedNotification on
// core::NotificationCenter, with this object as the notification's object, on every change.
class ReachabilityWatcher : public std::enable_shared_from_this<ReachabilityWatcher> {
 public:
  static constexpr const char* kReachabilityChangedNotification = "NetworkReachabilityChangedNotification";

  virtual ~ReachabilityWatcher() = default;
  virtual int currentReachabilityStatus() const = 0;
  virtual bool startNotifier() = 0;
  virtual void stopNotifier() {}
  bool isReachable() const { return currentReachabilityStatus() != 0; }
  bool isReachableViaWiFi() const { return currentReachabilityStatus() == 2; }

 protected:
  // Posts the change notice with this object; implementations call it when their status changes.
  void postReachabilityChanged();
};

// Sends a login request of the account area. The request is the LoginRequest dictionary
// ("AppEName", "Group", "ID", "LoginCheckCode", "LoginCount", "Pwd", "UserName"); the sender writes
// it as JSON text for the request body.
class UserLoginSender {
 public:
  virtual ~UserLoginSender() = default;
  virtual void login(const core::Value& loginRequest) = 0;
};

struct AppServices {
  std::shared_ptr<HTTPRequestClassSwitches> httpRequest;
  std::shared_ptr<VDAppStatisticsStarter> statistics;
  std::shared_ptr<CrashCatcherInstaller> crashCatcher;
  // Makes the internet-connection watcher (reachabilityForInternetConnection).
  std::function<std::shared_ptr<ReachabilityWatcher>()> reachabilityForInternetConnection;
  // Makes a new account client with no delegate for one login call.
  std::function<std::shared_ptr<UserLoginSender>()> newUser;
  // Connects the process-wide hooks of the lower libraries to this shell before the launch runs: the
  // request layer's shell side, the data-access location, the HTTP client's authentication dialog.
  std::function<void()> connectShell;
  // The question-bank check the main screen's background check ends with (the update centre is
  // asked: VDHelper::getLibrary). Empty: the check only fills its DownSession flags.
  std::function<void()> libraryCheck;
  // Opens outside addresses (the store page). Empty: the desktop's opener.
  std::shared_ptr<URLOpener> urlOpener;
  // Makes a new client for one application-information request (VDNetworkHelper::getAppInfo). Empty:
  // the request is not sent.
  std::function<std::shared_ptr<VDAppInfoClient>()> newAppInfoClient;
  // Runs on the first-install unpack's worker before it looks at the archive (tests hold an unpack
  // there). Empty: nothing. It must not touch views nor wait for the main thread.
  std::function<void()> unpackGate;
  // The application's wall clock: relative note times, exam dates and the traffic counter's days
  // (ApplicationState::now). Empty: the system clock.
  std::function<core::Date()> clock;
  // Whether the local bank holds a question, by its id (VDHelper::isQuestionInLocalBank). Empty: the
  // chosen subject's bank is asked. Called on the thread that shapes a page of notes (a worker too).
  std::function<bool(std::int32_t aid)> questionInLocalBank;

  // What the executable runs with: the HTTP client's class switches, the statistics facade, the crash
  // catcher, the kernel's view of the internet connection, the account client's login and application
  // information, the shell's hooks, the update centre's library check and the desktop's URL opener.
  static AppServices standard();
};
