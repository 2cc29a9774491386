#pragma once
// A temporary home (VARDO_HOME) per test with the user defaults and bundle reloaded for it, the UI
// harness on a manual clock, a cleared UsageStats record, and (when a test asks) an application
// delegate launched with quiet collaborators and a network status the test chooses.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "app/AppDelegate.h"
#include "app/AppServices.h"
#include "app/VDHelper.h"
#include "app/VDNetworkHelper.h"
#include "app/VDViewControllerFactory.h"
#include "platform/core/Bundle.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"
#include "statistics/UsageStats.h"
#include "ui/test/Harness.h"
#include "tests/support/FixedReachability.h"

namespace shellui_test {

class TempHome {
 public:
  TempHome() {
    std::string pattern = "/tmp/vardo-shellui-XXXXXX";
    if (char* made = mkdtemp(pattern.data())) path_ = made;
  }
  ~TempHome() {
    if (!path_.empty()) core::Paths::removeAll(path_);
  }
  TempHome(const TempHome&) = delete;
  TempHome& operator=(const TempHome&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

using testsupport::FixedReachability;

class ShellFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(home_.path().empty());
    setenv("VARDO_HOME", home_.path().c_str(), 1);
    core::UserDefaults::resetStandard();
    core::Bundle::resetMain();
    registerAllScreens();
    UsageStats::reset();
    harness_ = std::make_unique<ui::test::Harness>();
  }

  void TearDown() override {
    VDNetworkHelper::setAppInfoClientFactory({});
    delegate_.reset();
    harness_.reset();
    unsetenv("VARDO_HOME");
    core::UserDefaults::resetStandard();
    UsageStats::reset();
  }

  ui::test::Harness& h() { return *harness_; }

  // Launches an application delegate whose network status is `networkStatus` (0 offline).
  AppDelegate& launch(int networkStatus = 2) {
    AppServices s;
    s.reachabilityForInternetConnection = [networkStatus] {
      return std::make_shared<FixedReachability>(networkStatus);
    };
    delegate_ = std::make_shared<AppDelegate>(std::move(s));
    EXPECT_TRUE(h().launch(delegate_));
    return *delegate_;
  }

  // Stores the subject choice whose short name begins every page name.
  static void chooseSubject(const std::string& shortName) {
    ASSERT_TRUE(VDHelper::saveQuoteProduct(core::Dictionary{{"Key", "科目"}, {"Value", shortName}}));
  }

  TempHome home_;
  std::unique_ptr<ui::test::Harness> harness_;
  std::shared_ptr<AppDelegate> delegate_;
};

}  // namespace shellui_test
