#pragma once
// The question-bank check and the data-clearing panel under test: the application against the loopback
// API server (tests/support/LoopbackApp.h: a temporary home, the server as the update centre, a network
// that is up) with no service shell, the data-access objects pointed at the home
// (VDHelper::installBankLocation) and the subject GKSample chosen.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "app/AppServices.h"
#include "app/VDHelper.h"
#include "app/VDViewControllerFactory.h"
#include "dao/BankLocation.h"
#include "librarys/http/HTTPRequest.h"
#include "librarys/json/JsonParser.h"
#include "librarys/json/JsonWriter.h"
#include "platform/core/Bundle.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"
#include "platform/runloop/BlockingCall.h"
#include "platform/runloop/OperationQueue.h"
#include "platform/runloop/RunLoop.h"
#include "screens/AllScreens.h"
#include "screens/update/DataManagementViewController.h"
#include "service/ServerConfig.h"
#include "service/ServiceShell.h"
#include "tests/support/AppLaunch.h"
#include "tests/support/LoopbackApp.h"
#include "tests/support/RunUntil.h"
#include "tests/support/StandInScreens.h"
#include "tests/support/TempDir.h"
#include "tools/testserver/apiserver/ApiServer.h"
#include "ui/test/Harness.h"
#include "widgets/ProgressHUD.h"

namespace bankcheck_test {

inline const char* kSubject = "GKSample";

using testsupport::runUntil;

class BankCheckFixture : public ::testing::Test {
 protected:
  static testserver::ApiServer& server() { return testsupport::LoopbackApp::server(); }

  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(loopback_.prepare("vd-bankcheck"));
    setServiceShell({});

    registerAllScreens();
    testsupport::registerStandInScreensWhereNoneIs();  // the screens of the other areas
    DataManagementViewController::registerScreen();

    loopback_.launch();
    // Chosen after the launch, so the root screen is the subject choice and no side panel runs a
    // check of its own.
    ASSERT_NO_FATAL_FAILURE(loopback_.chooseSampleSubject(false));
    VDHelper::installBankLocation();
  }

  void TearDown() override {
    loopback_.finish();
    registerAllScreens();
  }

  ui::test::Harness& h() { return loopback_.h(); }
  AppDelegate& app() { return loopback_.app(); }
  const std::string& home() const { return loopback_.home(); }

  // ---- files ----
  std::string bankFile() const { return VDHelper::dbSavePath() + "/" + kSubject + ".db"; }
  static std::string sampleFile(const std::string& name) {
    return (std::filesystem::path(testserver::ApiServer::defaultSampleDir()) / name).string();
  }
  void installSampleBank() {
    std::filesystem::copy_file(sampleFile("GKSample.db"), bankFile(),
                               std::filesystem::copy_options::overwrite_existing);
  }
  static void writeFile(const std::string& path, const std::string& text) {
    rl::ScopedAllowBlocking setUp;  // the test's own writes, not the application's
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    ASSERT_TRUE(core::Paths::atomicWrite(path, text)) << path;
  }
  static std::string readFile(const std::string& path) {
    return core::Paths::readTextFile(path).value_or("");
  }

  // ---- the update centre ----
  static void scenario(const std::string& json) { ASSERT_TRUE(server().scenario(json)) << json; }
  // The next query is answered with `body` as it is.
  static void answerQuery(const std::string& body) {
    core::Value fault = core::Value::newDictionary();
    fault.set("path", "/uc/api/1.0/json/query");
    fault.set("body", body);
    ASSERT_TRUE(server().fault(JSONRepresentation(fault).value_or("")));
  }
  // The bodies of the update-centre queries received, oldest first.
  static std::vector<core::Value> queries() {
    std::vector<core::Value> out;
    const core::Value doc = JSONValue(server().journal().value_or("{}"));
    for (const core::Value& e : doc["requests"].array())
      if (e["base"].toString() == "uc") out.push_back(JSONValue(e["body"].toString()));
    return out;
  }

  // ---- the check ----
  // A fresh DownSession with the flags (each Nil leaves the flag out).
  core::Value setFlags(std::optional<bool> firstOpenMain, std::optional<bool> evenMore,
                       std::optional<bool> haveFile, std::optional<bool> main, std::optional<bool> updateDB) {
    core::Value session = core::Value::newDictionary();
    if (firstOpenMain) session.set("isFirstOpenMain", *firstOpenMain);
    if (evenMore) session.set("isEvenMore", *evenMore);
    if (haveFile) session.set("isHavefileName", *haveFile);
    if (main) session.set("Main", *main);
    if (updateDB) session.set("isUpdateDB", *updateDB);
    app().setDownSession(session);
    app().setUpdateReply(std::nullopt);  // a fresh session: no reply kept yet
    return session;
  }
  // Waits until no request runs and the main loop has nothing left to do.
  void settleRequests() {
    EXPECT_TRUE(runUntil([] { return HTTPRequest::sharedQueue().operationCount() == 0; }));
    h().settle();
  }
  // Waits for the reply of a started query (it is stored, or a failure alert shows).
  void awaitReply() {
    EXPECT_TRUE(runUntil([this] { return app().updateReply().has_value() || h().alert() != nullptr; }))
        << "no reply in time";
    settleRequests();
  }

  // The buttons of an alert, cancel first.
  static std::vector<std::string> buttons(const ui::AlertView& alert) {
    std::vector<std::string> out;
    for (int i = 0; i < alert.numberOfButtons(); ++i) out.push_back(alert.buttonTitleAtIndex(i));
    return out;
  }

  testsupport::LoopbackApp loopback_;
};

}  // namespace bankcheck_test
