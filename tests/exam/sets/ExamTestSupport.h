#pragma once
// Shared pieces of the question-set tests: the generated sample question bank installed as the chosen
// subject's bank in a temporary folder, and a suite that adds the loopback API server (one per test
// program) as the main API, a temporary home and the UI harness (the request layer's progress overlay
// goes on its window).

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "dao/BankLocation.h"
#include "librarys/http/HTTPCookieStorage.h"
#include "librarys/http/HTTPRequest.h"
#include "librarys/json/JsonParser.h"
#include "librarys/json/JsonWriter.h"
#include "model/Questions.h"
#include "platform/core/Bundle.h"
#include "platform/core/UserDefaults.h"
#include "platform/runloop/OperationQueue.h"
#include "platform/runloop/RunLoop.h"
#include "service/ServerConfig.h"
#include "service/ServiceShell.h"
#include "tests/support/RunUntil.h"
#include "tests/support/ScopedOverride.h"
#include "tests/support/TempDir.h"
#include "tools/testserver/apiserver/ApiServer.h"
#include "ui/test/Harness.h"

namespace examtest {

namespace fs = std::filesystem;

inline const char* kSubject = "GKSample";

// The ids of the questions, in order.
inline std::vector<std::string> idsOf(const QuestionsArray& tests) {
  std::vector<std::string> out;
  for (const auto& q : tests) out.push_back(q->AllTestID);
  return out;
}

// The sample bank as the chosen subject's question bank, for the life of the fixture.
class SampleBankTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bankTemp_.emplace("vd-exam-bank");
    bankDir_ = bankTemp_->path();
    ASSERT_FALSE(bankDir_.empty());
    fs::copy_file(fs::path(testserver::ApiServer::defaultSampleDir()) / "GKSample.db",
                  fs::path(bankDir_) / "GKSample.db");
    BankLocation location;
    location.dbSavePath = [dir = bankDir_] { return dir; };
    location.appName = [] { return std::string(kSubject); };
    bank_.emplace(BankLocation::set, std::move(location), BankLocation::current());
  }
  void TearDown() override {
    bank_.reset();
    bankTemp_.reset();
  }

  std::optional<testsupport::TempDir> bankTemp_;
  std::string bankDir_;
  std::optional<testsupport::ScopedOverride<BankLocation>> bank_;
};

using testsupport::runUntil;

class ServerSuite : public SampleBankTest {
 protected:
  static testserver::ApiServer& server() {
    static testserver::ApiServer s;
    return s;
  }

  void SetUp() override {
    SampleBankTest::SetUp();
    if (server().port() == 0) {
      ASSERT_TRUE(server().start()) << server().failure();
    }
    ASSERT_TRUE(server().reset());
    homeTemp_.emplace("vd-exam-home");
    home_ = homeTemp_->path();
    ::setenv(ServerConfig::kMainAPIBaseEnv, server().mainBase().c_str(), 1);
    ServerConfig::reload();
    core::UserDefaults::resetStandard();
    core::Bundle::resetMain();
    HTTPRequest::setSessionCookies(std::nullopt);
    HTTPCookieStorage::sharedHTTPCookieStorage().removeAllCookies();
    setServiceShell({});
    harness_ = std::make_unique<ui::test::Harness>();
  }

  void TearDown() override {
    runUntil([] { return HTTPRequest::sharedQueue().operationCount() == 0; }, 10);
    rl::RunLoop::main().runUntilIdle();
    harness_.reset();
    HTTPRequest::setSessionCookies(std::nullopt);
    HTTPCookieStorage::sharedHTTPCookieStorage().removeAllCookies();
    homeTemp_.reset();
    SampleBankTest::TearDown();
  }

  // The next request to `decodedPath` is answered with `body` as it is.
  static void answer(const std::string& decodedPath, const std::string& body) {
    core::Value f = core::Dictionary{{"path", decodedPath}, {"body", body}};
    ASSERT_TRUE(server().fault(JSONRepresentation(f).value_or("")));
  }
  // The next requests to `decodedPath` get no answer (the HTTP client's own retry meets the second).
  static void drop(const std::string& decodedPath) {
    core::Value f = core::Dictionary{{"path", decodedPath}, {"drop", true}, {"count", 2}};
    ASSERT_TRUE(server().fault(JSONRepresentation(f).value_or("")));
  }
  static void scenario(const std::string& json) { ASSERT_TRUE(server().scenario(json)) << json; }
  // Every request the server received (main base), oldest first.
  static std::vector<core::Value> requests() {
    std::vector<core::Value> out;
    for (const core::Value& e : JSONValue(server().journal().value_or("{}"))["requests"].array())
      if (e["base"].toString() == "main") out.push_back(e);
    return out;
  }

  ui::test::Harness& h() { return *harness_; }

  std::optional<testsupport::TempHome> homeTemp_;
  std::string home_;
  std::unique_ptr<ui::test::Harness> harness_;
};

}  // namespace examtest
