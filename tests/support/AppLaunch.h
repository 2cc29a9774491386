#pragma once
// An application delegate launched under test, in one place: quietServices() gives the collaborators of
// a launch that installs nothing process-wide and sends nothing (no HTTP class switches, statistics,
// crash catcher, login or shell hooks), with the network status the test chooses; AppLaunch launches a
// delegate over them on a UI harness of its own (made on first use) and keeps both until it goes or is
// reset (the delegate first).

#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "app/AppDelegate.h"
#include "app/AppServices.h"
#include "tests/support/FixedReachability.h"
#include "ui/test/Harness.h"

namespace testsupport {

// Network status: 0 not reachable, 1 mobile network, 2 Wi-Fi.
inline AppServices quietServices(int networkStatus = 2) {
  AppServices services;
  services.reachabilityForInternetConnection = [networkStatus] {
    return std::make_shared<FixedReachability>(networkStatus);
  };
  return services;
}

class AppLaunch {
 public:
  AppLaunch() = default;
  ~AppLaunch() {
    delegate_.reset();
    harness_.reset();
  }
  AppLaunch(const AppLaunch&) = delete;
  AppLaunch& operator=(const AppLaunch&) = delete;

  // Launches a new delegate over `services` (a failed launch fails the test).
  AppDelegate& launch(AppServices services) {
    delegate_ = std::make_shared<AppDelegate>(std::move(services));
    EXPECT_TRUE(h().launch(delegate_));
    return *delegate_;
  }
  AppDelegate& launch(int networkStatus = 2) { return launch(quietServices(networkStatus)); }

  // No delegate and no harness: the next launch starts the application afresh on a new harness.
  void reset() {
    delegate_.reset();
    harness_.reset();
  }

  // The harness, made on first use.
  ui::test::Harness& h() {
    if (!harness_) harness_ = std::make_unique<ui::test::Harness>();
    return *harness_;
  }
  AppDelegate& app() { return *delegate_; }
  const std::shared_ptr<AppDelegate>& delegate() const { return delegate_; }

 private:
  std::unique_ptr<ui::test::Harness> harness_;
  std::shared_ptr<AppDelegate> delegate_;
};

}  // namespace testsupport
