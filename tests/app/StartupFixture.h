#pragma once
// A temporary home (VARDO_HOME) per test, the shared user defaults and bundle reloaded for it, the UI
// harness on a manual clock, and recording doubles for the collaborators of the start-up.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "app/AppServices.h"
#include "app/VDViewControllerFactory.h"
#include "platform/core/Bundle.h"
#include "platform/core/Paths.h"
#include "platform/core/PropertyList.h"
#include "platform/core/UserDefaults.h"
#include "screens/AllScreens.h"
#include "tests/support/ScopedBundle.h"
#include "tests/support/StandInScreens.h"
#include "tests/support/TempDir.h"
#include "ui/test/Harness.h"

namespace startup_test {

// The shared temporary directory (tests/support/TempDir.h).
using TempDir = testsupport::TempDir;

// What the doubles saw, in order.
struct Record {
  std::vector<std::string> calls;
  std::vector<core::Value> logins;  // every LoginRequest sent
};

class RecordingHTTPSwitches : public HTTPRequestClassSwitches {
 public:
  explicit RecordingHTTPSwitches(std::shared_ptr<Record> r) : r_(std::move(r)) {}
  void setShouldUpdateNetworkActivityIndicator(bool on) override {
    r_->calls.push_back(std::string("setShouldUpdateNetworkActivityIndicator:") + (on ? "YES" : "NO"));
  }
  void setShouldThrottleBandwidthForWWAN(bool on) override {
    r_->calls.push_back(std::string("setShouldThrottleBandwidthForWWAN:") + (on ? "YES" : "NO"));
  }

 private:
  std::shared_ptr<Record> r_;
};

class RecordingStatistics : public VDAppStatisticsStarter {
 public:
  explicit RecordingStatistics(std::shared_ptr<Record> r) : r_(std::move(r)) {}
  void startStatsTrack() override { r_->calls.push_back("startStatsTrack"); }

 private:
  std::shared_ptr<Record> r_;
};

class RecordingCrashCatcher : public CrashCatcherInstaller {
 public:
  explicit RecordingCrashCatcher(std::shared_ptr<Record> r) : r_(std::move(r)) {}
  void installUncaughtExceptionHandler() override { r_->calls.push_back("installUncaughtExceptionHandler"); }

 private:
  std::shared_ptr<Record> r_;
};

// A watcher whose status the test sets; change() posts the change notice as a real one would.
class FakeReachability : public ReachabilityWatcher {
 public:
  explicit FakeReachability(std::shared_ptr<Record> r, int status) : r_(std::move(r)), status_(status) {}
  int currentReachabilityStatus() const override { return status_; }
  bool startNotifier() override {
    r_->calls.push_back("startNotifier");
    return true;
  }
  void setStatusSilently(int status) { status_ = status; }
  void change(int status) {
    status_ = status;
    postReachabilityChanged();
  }

 private:
  std::shared_ptr<Record> r_;
  int status_;
};

class RecordingUser : public UserLoginSender {
 public:
  explicit RecordingUser(std::shared_ptr<Record> r) : r_(std::move(r)) {}
  void login(const core::Value& request) override { r_->logins.push_back(request.deepCopy()); }

 private:
  std::shared_ptr<Record> r_;
};

class StartupFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(home_.path().empty());
    homeInUse_.emplace("VARDO_HOME", home_.path());
    core::UserDefaults::resetStandard();
    core::Bundle::resetMain();
    registerAllScreens();
    testsupport::registerStandInScreensWhereNoneIs();  // the screens of the other areas
    harness_ = std::make_unique<ui::test::Harness>();
  }

  void TearDown() override {
    delegate_.reset();
    harness_.reset();
    bundleCopyInUse_.reset();
    homeInUse_.reset();
    core::UserDefaults::resetStandard();
    core::Bundle::resetMain();
    registerAllScreens();
  }

  ui::test::Harness& h() { return *harness_; }

  AppServices services() {
    AppServices s;
    s.httpRequest = std::make_shared<RecordingHTTPSwitches>(record_);
    s.statistics = std::make_shared<RecordingStatistics>(record_);
    s.crashCatcher = std::make_shared<RecordingCrashCatcher>(record_);
    s.reachabilityForInternetConnection = [this] {
      record_->calls.push_back("reachabilityForInternetConnection");
      reachability_ = std::make_shared<FakeReachability>(record_, initialStatus_);
      return reachability_;
    };
    s.newUser = [this] { return std::make_shared<RecordingUser>(record_); };
    return s;
  }

  // Launches a new application delegate on the harness (network status 2 unless said otherwise).
  AppDelegate& launch(int networkStatus = 2) {
    initialStatus_ = networkStatus;
    delegate_ = std::make_shared<AppDelegate>(services());
    EXPECT_TRUE(h().launch(delegate_));
    return *delegate_;
  }

  // A second launch of the same installation: a new harness and delegate over the same home.
  AppDelegate& relaunch(int networkStatus = 2) {
    delegate_.reset();
    harness_.reset();
    core::UserDefaults::resetStandard();
    harness_ = std::make_unique<ui::test::Harness>();
    return launch(networkStatus);
  }

  // Points the main bundle at a copy of the build bundle whose Info.plist says CFBundleName = name.
  void useBundleNamed(const std::string& name) {
    const std::string from = core::Bundle::main().resourcePath();
    const std::string to = bundleCopy_.path();
    for (const char* file :
         {"Info.plist", "vardo-iPhoneUI.plist", "vardo-config.plist", "Localizable.strings"}) {
      auto bytes = core::Paths::readFile(core::Paths::join(from, file));
      ASSERT_TRUE(bytes.has_value()) << file;
      ASSERT_TRUE(core::Paths::atomicWrite(core::Paths::join(to, file), *bytes));
    }
    core::Value info = core::PropertyList::readFile(core::Paths::join(to, "Info.plist"));
    info.set("CFBundleName", name);
    ASSERT_TRUE(core::PropertyList::writeFile(core::Paths::join(to, "Info.plist"), info));
    bundleCopyInUse_.emplace(to);
    ASSERT_EQ(core::Bundle::main().bundleName(), name);
  }

  TempDir home_;
  TempDir bundleCopy_;
  std::optional<testsupport::ScopedEnv> homeInUse_;
  std::optional<testsupport::ScopedBundle> bundleCopyInUse_;
  std::unique_ptr<ui::test::Harness> harness_;
  std::shared_ptr<Record> record_ = std::make_shared<Record>();
  std::shared_ptr<FakeReachability> reachability_;
  std::shared_ptr<AppDelegate> delegate_;
  int initialStatus_ = 2;
};

}  // namespace startup_test
