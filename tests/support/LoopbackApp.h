#pragma once
// An application under test against the loopback API server, in one place, for the screen tests:
//
//   prepare(prefix)        the server (one per test program, started on first use) reset; a VARDO_HOME of
//                          the test's own (TempHome) whose configuration sends every server base (main
//                          API, update centre, resources, verification codes) to the loopback server; the
//                          application's service shell installed; statistics, HTTP session and cookies
//                          fresh.
//   launch(services)       an application delegate launched over `services` on a harness (AppLaunch);
//                          services() gives quiet ones whose network watcher is network().
//   chooseSampleSubject()  the sample subject chosen (the saved product) and, with appInfo, also the
//                          application information a start-up would have fetched into the session.
//   finish()               waits for the requests, workers and main-loop work still in flight, stops the
//                          re-login timer, removes the shell and the bank location, ends the
//                          application and the harness, forgets the HTTP session and removes the home.
//
// A fixture calls prepare in SetUp (under ASSERT_NO_FATAL_FAILURE), registers its screens, launches,
// and calls finish last in TearDown, after releasing the screens it holds.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "app/AppDelegate.h"
#include "app/AppServices.h"
#include "app/ServiceShellUI.h"
#include "app/VDHelper.h"
#include "dao/BankLocation.h"
#include "librarys/http/HTTPCookieStorage.h"
#include "librarys/http/HTTPRequest.h"
#include "platform/core/Bundle.h"
#include "platform/runloop/DispatchQueue.h"
#include "platform/runloop/OperationQueue.h"
#include "platform/runloop/RunLoop.h"
#include "service/ServerConfig.h"
#include "service/ServiceShell.h"
#include "statistics/UsageStats.h"
#include "tests/support/AppLaunch.h"
#include "tests/support/FixedReachability.h"
#include "tests/support/RunUntil.h"
#include "tests/support/TempDir.h"
#include "tools/testserver/apiserver/ApiServer.h"
#include "ui/test/Harness.h"

namespace testsupport {

class LoopbackApp {
 public:
  static constexpr const char* kSubject = "GKSample";
  static constexpr const char* kSubjectName = "常识综合（样例）";

  static testserver::ApiServer& server() {
    static testserver::ApiServer s;
    return s;
  }

  void prepare(std::string_view homePrefix) {
    if (server().port() == 0) {
      ASSERT_TRUE(server().start()) << server().failure();
    }
    ASSERT_TRUE(server().reset());
    home_ = std::make_unique<TempHome>(homePrefix);
    ASSERT_FALSE(home_->path().empty());
    ::setenv(ServerConfig::kMainAPIBaseEnv, server().mainBase().c_str(), 1);
    ::setenv(ServerConfig::kUpdateCentreBaseEnv, server().updateBase().c_str(), 1);
    ::setenv(ServerConfig::kResourceRootEnv, server().origin().c_str(), 1);
    ::setenv(ServerConfig::kVerificationCodeBaseEnv, server().codeBase().c_str(), 1);
    ServerConfig::reload();
    core::Bundle::resetMain();
    installApplicationServiceShell();
    UsageStats::reset();
    HTTPRequest::clearSession();  // no cookie of an earlier test
    HTTPCookieStorage::sharedHTTPCookieStorage().removeAllCookies();
  }

  // Quiet services (nothing process-wide installed) whose network watcher is network().
  AppServices services() const {
    AppServices s = quietServices();
    s.reachabilityForInternetConnection = [reach = network_] { return reach; };
    return s;
  }
  AppDelegate& launch(AppServices services) { return launch_.launch(std::move(services)); }
  AppDelegate& launch() { return launch(services()); }
  // The running application ended and a new one launched over `services`.
  AppDelegate& relaunch(AppServices services) {
    launch_.reset();
    return launch_.launch(std::move(services));
  }

  void chooseSampleSubject(bool withAppInfo = true) {
    ASSERT_TRUE(VDHelper::saveQuoteProduct(core::Dictionary{{"Key", kSubjectName}, {"Value", kSubject}}));
    if (withAppInfo)
      app().userSession().set("appInfo", core::Dictionary{{"Name", kSubjectName}, {"EName", kSubject}});
  }

  void finish() {
    testsupport::runUntil([] { return HTTPRequest::sharedQueue().operationCount() == 0; }, 10);
    rl::DispatchQueue::global().waitIdle();
    rl::RunLoop::main().runUntilIdle();
    if (launch_.delegate()) launch_.app().stopAutoLoginTimer();
    setServiceShell({});
    BankLocation::set({});
    launch_.reset();
    HTTPRequest::clearSession();
    HTTPCookieStorage::sharedHTTPCookieStorage().removeAllCookies();
    home_.reset();
  }

  ui::test::Harness& h() { return launch_.h(); }
  AppDelegate& app() { return launch_.app(); }
  const std::shared_ptr<AppDelegate>& delegate() const { return launch_.delegate(); }
  // The network status the application's watcher reports (0 none, 1 mobile network, 2 Wi-Fi).
  FixedReachability& network() { return *network_; }
  const std::string& home() const { return home_->path(); }

 private:
  std::unique_ptr<TempHome> home_;
  std::shared_ptr<FixedReachability> network_ = std::make_shared<FixedReachability>(2);
  AppLaunch launch_;
};

}  // namespace testsupport
