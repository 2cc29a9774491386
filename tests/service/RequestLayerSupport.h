#pragma once
// Shared pieces of the request-layer tests: one loopback API server for the test program, a temporary
// VARDO_HOME, the UI harness (main thread, manual clock), a recording ServiceShell, a driver of the main
// run loop (bounded, never sleeping) and readers of the server's journal.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "librarys/http/HTTPCookieStorage.h"
#include "librarys/http/HTTPRequest.h"
#include "librarys/json/JsonParser.h"
#include "platform/core/Bundle.h"
#include "platform/core/Text.h"
#include "platform/core/UserDefaults.h"
#include "platform/core/Value.h"
#include "platform/runloop/OperationQueue.h"
#include "platform/runloop/RunLoop.h"
#include "service/AbstractService.h"
#include "service/ServiceShell.h"
#include "tests/support/RunUntil.h"
#include "tests/support/ScopedOverride.h"
#include "tools/testserver/apiserver/ApiServer.h"
#include "ui/test/Harness.h"
#include "app/ServiceShellUI.h"
#include "widgets/ProgressHUD.h"
#include "tests/support/TempDir.h"

namespace reqlayer_test {

// What the shell hooks saw.
struct ShellRecord {
  bool loggedIn = false;
  int userInfoRemoved = 0;
  int confirmed = 0;
  std::int64_t traffic = 0;
  int trafficChunks = 0;
};

// Shell hooks that record what they are told into `r`, with the overlay and alert the application draws.
inline ServiceShell recordingShell(const std::shared_ptr<ShellRecord>& r) {
  ServiceShell shell;
  shell.isLoggedIn = [r] { return r->loggedIn; };
  shell.removeUserInfo = [r] {
    ++r->userInfoRemoved;
    r->loggedIn = false;
  };
  shell.countTraffic = [r](std::int64_t bytes) {
    r->traffic += bytes;
    ++r->trafficChunks;
  };
  shell.forcedLogoutConfirmed = [r] { ++r->confirmed; };
  ServiceShellUI::addTo(shell);  // the overlay and alert the application draws
  return shell;
}

using testsupport::runUntil;

// What a service's finished block received.
struct Delivery {
  int calls = 0;
  core::Value reply;
  bool hudShownInBlock = false;  // the service's overlay was on a window while the block ran
  bool done() const { return calls > 0; }
};

inline std::shared_ptr<Delivery> watch(const std::shared_ptr<AbstractService>& service) {
  auto d = std::make_shared<Delivery>();
  service->setFinishedBlock([d](const std::shared_ptr<AbstractService>& s, const core::Value& reply) {
    ++d->calls;
    d->reply = reply;
    d->hudShownInBlock = s && ServiceShellUI::hudOf(s->hudView()) &&
                           ServiceShellUI::hudOf(s->hudView())->window() != nullptr;
  });
  return d;
}

// Entries of the server's journal, oldest first.
inline std::vector<core::Value> journalEntries(const testserver::ApiServer& server) {
  std::vector<core::Value> out;
  auto text = server.journal();
  if (!text) return out;
  core::Value doc = JSONValue(*text);
  for (const core::Value& e : doc["requests"].array()) out.push_back(e);
  return out;
}

// The values of the headers named `name` (exact spelling when exact, else any case) of a journal entry.
inline std::vector<std::string> headerValues(const core::Value& entry, const std::string& name,
                                             bool exact = false) {
  std::vector<std::string> out;
  for (const core::Value& h : entry["headers"].array()) {
    const std::string key = h[0].toString();
    if (exact ? key == name : core::equalsIgnoringCase(key, name)) out.push_back(h[1].toString());
  }
  return out;
}

inline std::optional<std::string> header(const core::Value& entry, const std::string& name) {
  auto values = headerValues(entry, name);
  if (values.empty()) return std::nullopt;
  return values.front();
}

// One temporary home for the program (the shell's stores write under it); registered by
// RequestLayerEnvironment.cpp.
class HomeEnvironment : public testsupport::HomeEnvironment {
 public:
  HomeEnvironment() : testsupport::HomeEnvironment("vd-reqlayer") {}
};

// A suite over the loopback API server (started once for the program).
class RequestLayerSuite : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (server().port() == 0) {
      ASSERT_TRUE(server().start()) << server().failure();
    }
  }

  void SetUp() override {
    ASSERT_NE(server().port(), 0) << server().failure();
    ASSERT_TRUE(server().reset());
    core::UserDefaults::resetStandard();
    core::Bundle::resetMain();
    HTTPRequest::setSessionCookies(std::nullopt);
    HTTPCookieStorage::sharedHTTPCookieStorage().removeAllCookies();
    harness_ = std::make_unique<ui::test::Harness>();
    shellOverride_.emplace(setServiceShell, recordingShell(shell_), serviceShell());
  }

  void TearDown() override {
    runUntil([] { return HTTPRequest::sharedQueue().operationCount() == 0; }, 5);
    rl::RunLoop::main().runUntilIdle();
    shellOverride_.reset();
    harness_.reset();
    HTTPRequest::setSessionCookies(std::nullopt);
    HTTPCookieStorage::sharedHTTPCookieStorage().removeAllCookies();
  }

  static testserver::ApiServer& server() {
    static testserver::ApiServer s;
    return s;
  }
  static std::string api(const std::string& path) { return server().mainBase() + path; }

  ui::test::Harness& h() { return *harness_; }

  // Starts nothing: drives the main loop until the service's finished block has run.
  static void await(const std::shared_ptr<Delivery>& d, double seconds = 20) {
    ASSERT_TRUE(runUntil([&] { return d->done(); }, seconds)) << "no reply was delivered in time";
  }

  // The journal entries of the main API base.
  static std::vector<core::Value> mainRequests() {
    std::vector<core::Value> out;
    for (const core::Value& e : journalEntries(server()))
      if (e["base"].toString() == "main") out.push_back(e);
    return out;
  }

  // The only journal entry of the main base (fails the test when there is not exactly one).
  static core::Value onlyMainRequest() {
    auto all = mainRequests();
    EXPECT_EQ(all.size(), 1u);
    return all.empty() ? core::Value() : all.back();
  }

  // The overlays on the harness window.
  std::vector<ProgressHUD*> overlays() { return h().findAll<ProgressHUD>(); }

  std::shared_ptr<ShellRecord> shell_ = std::make_shared<ShellRecord>();
  std::unique_ptr<ui::test::Harness> harness_;
  std::optional<testsupport::ScopedOverride<ServiceShell>> shellOverride_;
};

}  // namespace reqlayer_test
