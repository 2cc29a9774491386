#include "app/AppServices.h"

#include <ifaddrs.h>
#include <net/if.h>

#include <atomic>

#include "app/CrashCatcherInstallerImpl.h"
#include "platform/core/NotificationCenter.h"

void ReachabilityWatcher::postReachabilityChanged() {
  core::NotificationCenter::defaultCenter().post(kReachabilityChangedNotification,
                                                 std::static_pointer_cast<void>(shared_from_this()));
}

namespace {

std::atomic<bool> gUpdateNetworkActivityIndicator{true};
std::atomic<bool> gThrottleBandwidthForWWAN{false};

class StandardHTTPRequestSwitches : public HTTPRequestClassSwitches {
 public:
  void setShouldUpdateNetworkActivityIndicator(bool update) override {
    gUpdateNetworkActivityIndicator = update;
  }
  void setShouldThrottleBandwidthForWWAN(bool throttle) override { gThrottleBandwidthForWWAN = throttle; }
};

class NoStatistics : public VDAppStatisticsStarter {
 public:
  void startStatsTrack() override {}
};

class NoCrashCatcher : public CrashCatcherInstaller {
 public:
  void installUncaughtExceptionHandler() override {}
};

// The host's own view of its links: a running interface other than the loopback counts as Wi-Fi (2),
// none as not reachable (0). Changes are not watched yet, so the notifier never posts.
class InterfaceReachability : public ReachabilityWatcher {
 public:
  int currentReachabilityStatus() const override {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return 0;
    int status = 0;
    for (ifaddrs* a = list; a; a = a->ifa_next) {
      const unsigned flags = a->ifa_flags;
      if ((flags & IFF_UP) && (flags & IFF_RUNNING) && !(flags & IFF_LOOPBACK)) {
        status = 2;
        break;
      }
    }
    freeifaddrs(list);
    return status;
  }
  bool startNotifier() override { return true; }
};

class UnsentUserLogin : public UserLoginSender {
 public:
  void login(const core::Value&) override {}
};

}  // namespace

AppServices AppServices::standard() {
  AppServices s;
  s.httpRequest = std::make_shared<StandardHTTPRequestSwitches>();
  s.statistics = std::make_shared<NoStatistics>();
  s.crashCatcher = std::make_shared<CrashCatcherInstallerImpl>();
  s.reachabilityForInternetConnection = [] { return std::make_shared<InterfaceReachability>(); };
  s.newUser = [] { return std::make_shared<UnsentUserLogin>(); };
  return s;
}

HTTPRequestSwitchState currentHTTPRequestSwitchState() {
  return {gUpdateNetworkActivityIndicator.load(), gThrottleBandwidthForWWAN.load()};
}
