// What the executable runs with: the concrete classes behind AppServices.

#include <atomic>

#include "app/AppPaths.h"
#include "app/AppServices.h"
#include "app/BankUpdateCheck.h"
#include "app/CrashCatcherInstallerImpl.h"
#include "app/SystemCrashReportSender.h"
#include "app/URLOpener.h"
#include "app/VDAppStatistics.h"
#include "dao/BankLocation.h"
#include "librarys/http/HTTPRequest.h"
#include "librarys/http/Reachability.h"
#include "librarys/json/JsonWriter.h"
#include "service/ServiceShell.h"
#include "service/User.h"
#include "widgets/AuthenticationDialog.h"

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

// The HTTP client's own class-wide switches, remembered here too for the state query below.
class HTTPRequestSwitchesAdapter : public StandardHTTPRequestSwitches {
 public:
  void setShouldUpdateNetworkActivityIndicator(bool update) override {
    StandardHTTPRequestSwitches::setShouldUpdateNetworkActivityIndicator(update);
    HTTPRequest::setShouldUpdateNetworkActivityIndicator(update);
  }
  void setShouldThrottleBandwidthForWWAN(bool throttle) override {
    StandardHTTPRequestSwitches::setShouldThrottleBandwidthForWWAN(throttle);
    HTTPRequest::setShouldThrottleBandwidthForWWAN(throttle);
  }
};

// The internet-connection watcher over the kernel's link and route tables. Its change notice has
// the same name the delegate observes; the delegate reads the status from this watcher.
class InternetReachability : public ReachabilityWatcher {
 public:
  InternetReachability() : reach_(Reachability::reachabilityForInternetConnection()) {}
  int currentReachabilityStatus() const override {
    return reach_ ? static_cast<int>(reach_->currentReachabilityStatus()) : 0;
  }
  bool startNotifier() override { return reach_ && reach_->startNotifier(); }
  void stopNotifier() override {
    if (reach_) reach_->stopNotifier();
  }

 private:
  std::shared_ptr<Reachability> reach_;
};

// The re-login request through the account client; nobody listens for its reply.
class UserLoginAdapter : public UserLoginSender {
 public:
  void login(const core::Value& loginRequest) override {
    const auto text = JSONRepresentation(loginRequest);
    if (!text) return;
    auto user = std::make_shared<User>();
    user->login(*text);
  }
};

}  // namespace

AppServices AppServices::standard() {
  AppServices s;
  s.httpRequest = std::make_shared<HTTPRequestSwitchesAdapter>();
  s.statistics = std::make_shared<VDAppStatisticsTracker>();
  s.crashCatcher = std::make_shared<CrashCatcherInstallerImpl>(std::make_shared<SystemCrashReportSender>());
  s.reachabilityForInternetConnection = [] { return std::make_shared<InternetReachability>(); };
  s.newUser = [] { return std::make_shared<UserLoginAdapter>(); };
  s.connectShell = [] {
    installApplicationServiceShell();
    BankLocation::set(AppPaths::bankLocation());
    AuthenticationDialog::install();
  };
  s.libraryCheck = [] { BankUpdateCheck::getLibrary(); };
  s.urlOpener = std::make_shared<DesktopURLOpener>();
  return s;
}

HTTPRequestSwitchState currentHTTPRequestSwitchState() {
  return {gUpdateNetworkActivityIndicator.load(), gThrottleBandwidthForWWAN.load()};
}
