#pragma once
// The home screen under test: a temporary home, the loopback API server (one per test program) as the
// main API and the update centre, an application delegate launched on the UI harness with the network
// up, the subject GKSample chosen after the launch, and the answering screen under "examming", kept by
// the fixture so that tests read what it was launched with (question sets are built from the sample
// bank, once a test installs it). openHome() shows the main
// screen as a subject choice does.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "app/AppServices.h"
#include "app/VDAppStatistics.h"
#include "app/VDHelper.h"
#include "app/VDViewControllerFactory.h"
#include "dao/BankLocation.h"
#include "exam/ExamScreens.h"
#include "exam/ExammingViewController.h"
#include "librarys/http/HTTPRequest.h"
#include "librarys/json/JsonParser.h"
#include "librarys/json/JsonWriter.h"
#include "platform/core/Bundle.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"
#include "platform/runloop/DispatchQueue.h"
#include "platform/runloop/OperationQueue.h"
#include "platform/runloop/RunLoop.h"
#include "screens/AllScreens.h"
#include "screens/account/AccountScreens.h"
#include "screens/home/MainInterfaceViewController1.h"
#include "screens/home/SidePanelController.h"
#include "service/ServerConfig.h"
#include "service/ServiceShell.h"
#include "statistics/UsageStats.h"
#include "statistics/UsageStatsInternal.h"
#include "tests/support/AppLaunch.h"
#include "tests/support/LoopbackApp.h"
#include "tests/support/RunUntil.h"
#include "tests/support/ServerJournal.h"
#include "tests/support/StandInScreens.h"
#include "tests/support/TempDir.h"
#include "tools/testserver/apiserver/ApiServer.h"
#include "ui/NavigationController.h"
#include "ui/test/Harness.h"

namespace home_test {

inline const char* kSubject = "GKSample";

using testsupport::runUntil;

// The identifier of a stand-in screen; the class name of any other screen.
inline std::string screenName(const ui::ViewController* vc) {
  if (!vc) return "";
  if (const std::string id = testsupport::standInIdentifier(vc); !id.empty()) return id;
  return vc->className();
}

class HomeFixture : public ::testing::Test {
 public:
  static testserver::ApiServer& server() { return testsupport::LoopbackApp::server(); }

  void SetUp() override {
    // The registration screen, opened from the home header, asks this server for its picture code.
    ASSERT_NO_FATAL_FAILURE(loopback_.prepare("vd-home"));
    resetStatistics();

    registerAllScreens();
    registerAccountScreens();  // the login screen of the automatic login
    registerExamScreens();
    VDViewControllerFactory::registerScreen("examming", [this](const std::string&) {
      auto screen = std::make_shared<ExammingViewController>();
      answering_ = screen;
      return screen;
    });
    testsupport::registerStandInScreensWhereNoneIs();  // the screens the home screen opens

    AppServices services = loopback_.services();
    services.newAppInfoClient = AppServices::standard().newAppInfoClient;  // the home screen asks for it
    services.unpackGate = [this] {
      std::function<void()> gate;
      {
        std::lock_guard lock(gateMutex_);
        gate = unpackGate_;
      }
      if (gate) gate();
    };
    loopback_.launch(std::move(services));
    auto& defaults = core::UserDefaults::standard();
    defaults.setBool("isFirstMain", false);
    defaults.setBool("isAutoLogon", false);
    // With the application information the start-up would have asked for (the notes client reads "EName").
    ASSERT_NO_FATAL_FAILURE(loopback_.chooseSampleSubject());
    VDHelper::installBankLocation();
  }

  void TearDown() override {
    setUnpackGate({});
    runUntil([] { return !MainInterfaceViewController1::isUnpacking(); }, 10);
    runUntil([] { return HTTPRequest::sharedQueue().operationCount() == 0; }, 10);
    rl::DispatchQueue::global().waitIdle();  // the personal-data screen's avatar download
    rl::RunLoop::main().runUntilIdle();
    loopback_.finish();
    registerAllScreens();
  }

  // What the application's unpack worker runs before it looks at the archive (a test holds an unpack
  // there); empty: nothing.
  void setUnpackGate(std::function<void()> gate) {
    std::lock_guard lock(gateMutex_);
    unpackGate_ = std::move(gate);
  }

  ui::test::Harness& h() { return loopback_.h(); }
  AppDelegate& app() { return loopback_.app(); }
  testsupport::LoopbackApp& loopback() { return loopback_; }

  // Shows the main screen (side panel with the home screen) and waits until its start has settled:
  // the container's bank check has written its flags and no request runs.
  MainInterfaceViewController1& openHome(bool notices = false) {
    app().setIsFirstOpenMain(notices);
    app().setDownSession(core::Value::dictionary());
    VDHelper::showMainVC();
    h().settle();
    EXPECT_TRUE(runUntil([this] { return app().downSession().contains("Main"); }));
    settleRequests();
    return homeScreen();
  }
  MainInterfaceViewController1& homeScreen() {
    auto* home = dynamic_cast<MainInterfaceViewController1*>(app().mainInterfaceVC().get());
    EXPECT_NE(home, nullptr);
    return *home;
  }
  std::string top() { return screenName(h().topScreen()); }

  void settleRequests() {
    EXPECT_TRUE(runUntil([] { return HTTPRequest::sharedQueue().operationCount() == 0; }));
    h().settle();
  }
  // Taps a function button of the home screen (hit-tested) and lets the screen respond.
  bool tapFunction(int tag) {
    ui::Button* b = homeScreen().functionButton(tag);
    if (!b) return false;
    const bool took = h().tap(*b);
    h().settle();
    return took;
  }
  // Waits for the top screen to be `name` (requests answered on the network thread).
  bool waitForTop(const std::string& name) {
    return runUntil([&] {
      h().settle(0.5);
      return top() == name;
    });
  }

  // ---- files ----
  std::string bankFile() const { return VDHelper::dbSavePath() + "/" + kSubject + ".db"; }
  static std::string sampleFile(const std::string& name) {
    return (std::filesystem::path(testserver::ApiServer::defaultSampleDir()) / name).string();
  }
  void installSampleBank() {
    std::filesystem::copy_file(sampleFile("GKSample.db"), bankFile(),
                               std::filesystem::copy_options::overwrite_existing);
  }

  // ---- the user ----
  // Writes the session as a successful login does, without asking the server.
  void loginAs(const std::string& userName, int loginCount = 3) {
    core::Value userInfo = core::Dictionary{{"ID", 1},
                                            {"UserName", userName},
                                            {"NickName", userName + "昵称"},
                                            {"LoginCount", loginCount},
                                            {"Pwd", "secret1"}};
    app().userSession().set("userInfo", userInfo);
  }

  // ---- the server ----
  static void fault(const core::Value& f) { testsupport::armFault(server(), f); }
  static void scenario(const std::string& json) { ASSERT_TRUE(server().scenario(json)) << json; }
  // The requests received whose decoded path contains `part`.
  static std::vector<core::Value> requests(const std::string& part) {
    return testsupport::journalRequests(server(), part);
  }

  // The statistics component forgets its records and knows the application's key (so events count;
  // the launch's statistics start itself is not part of these tests).
  static void resetStatistics() {
    UsageStats::reset();
    UsageStats::sharedInternal()->setAppKey(VDAppStatistics::kAppKey);
  }
  // The events the statistics component holds, as "tag" or "tag|label" (a label equal to the tag, as a
  // plain count records it, is left out).
  std::vector<std::string> events() const {
    std::vector<std::string> out;
    for (const auto& e : UsageStats::sharedInternal()->snapshot().events) {
      const std::string tag = e["tag"].toString();
      const std::string label = e["label"].toString();
      out.push_back(label.empty() || label == tag ? tag : tag + "|" + label);
    }
    return out;
  }

  std::mutex gateMutex_;
  std::function<void()> unpackGate_;
  testsupport::LoopbackApp loopback_;
  std::shared_ptr<ExammingViewController> answering_;
};

}  // namespace home_test
