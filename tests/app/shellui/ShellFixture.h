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
#include "screens/AllScreens.h"
#include "statistics/UsageStats.h"
#include "tests/support/AppLaunch.h"
#include "tests/support/FixedReachability.h"
#include "tests/support/StandInScreens.h"
#include "tests/support/TempDir.h"
#include "ui/test/Harness.h"

namespace shellui_test {

using testsupport::FixedReachability;

class ShellFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(home_.path().empty());
    core::Bundle::resetMain();
    registerAllScreens();
    testsupport::registerStandInScreensWhereNoneIs();  // the screens of the other areas
    UsageStats::reset();
    launch_.h();  // the harness (and its manual clock) from the start, as a launched application has it
  }

  void TearDown() override {
    launch_.reset();
    UsageStats::reset();
  }

  ui::test::Harness& h() { return launch_.h(); }

  // Launches an application delegate whose network status is `networkStatus` (0 offline).
  AppDelegate& launch(int networkStatus = 2) { return launch(testsupport::quietServices(networkStatus)); }
  // Launches an application delegate over `services`.
  AppDelegate& launch(AppServices services) { return launch_.launch(std::move(services)); }

  // Stores the subject choice whose short name begins every page name.
  static void chooseSubject(const std::string& shortName) {
    ASSERT_TRUE(VDHelper::saveQuoteProduct(core::Dictionary{{"Key", "科目"}, {"Value", shortName}}));
  }

  testsupport::TempHome home_{"vardo-shellui"};
  testsupport::AppLaunch launch_;
};

}  // namespace shellui_test
