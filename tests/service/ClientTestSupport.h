#pragma once
// Shared pieces of the API client tests: a suite over the loopback API server whose bases the clients
// read from ServerConfig, a recording delegate base, and a runner for tables of operations that checks
// what each operation put on the wire (method, base, path, headers, body), whether it showed the
// overlay, and what it reported (callback, flag, reply, thread, before or after returning).

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/ServiceShellUI.h"
#include "dao/BankLocation.h"
#include "librarys/http/HTTPCookieStorage.h"
#include "librarys/http/HTTPRequest.h"
#include "librarys/json/JsonParser.h"
#include "librarys/json/JsonWriter.h"
#include "platform/core/Bundle.h"
#include "platform/core/Text.h"
#include "platform/core/URL.h"
#include "platform/core/UserDefaults.h"
#include "platform/runloop/OperationQueue.h"
#include "platform/runloop/RunLoop.h"
#include "service/MyNote.h"
#include "service/ServerConfig.h"
#include "service/ServiceShell.h"
#include "tests/support/RunUntil.h"
#include "tests/support/ScopedOverride.h"
#include "tests/support/TempDir.h"
#include "tools/testserver/apiserver/ApiServer.h"
#include "ui/test/Harness.h"
#include "widgets/ProgressHUD.h"

namespace apiclient_test {

using testsupport::runUntil;

// The values of the headers named `name` (any case) of a journal entry.
inline std::vector<std::string> headerValues(const core::Value& entry, const std::string& name) {
  std::vector<std::string> out;
  for (const core::Value& h : entry["headers"].array())
    if (core::equalsIgnoringCase(h[0].toString(), name)) out.push_back(h[1].toString());
  return out;
}

inline std::optional<std::string> header(const core::Value& entry, const std::string& name) {
  auto values = headerValues(entry, name);
  if (values.empty()) return std::nullopt;
  return values.front();
}

// What the shell hooks are asked.
struct ShellState {
  bool loggedIn = false;
};

// One callback as the delegate received it.
struct Call {
  std::string name;
  bool ok = false;
  core::Value json;
  bool onMainThread = false;
  bool overlayShown = false;  // a progress overlay was on the window while the callback ran
};

// The base of the recording delegates: every callback is noted with the state around it.
class Recorder {
 public:
  std::vector<Call> calls;
  // Tells whether an overlay is on the window; set by the suite.
  std::function<bool()> overlayProbe;

  void note(const char* name, bool ok, const core::Value& json) {
    Call c;
    c.name = name;
    c.ok = ok;
    c.json = json;
    c.onMainThread = rl::RunLoop::isMainThread();
    if (c.onMainThread && overlayProbe) c.overlayShown = overlayProbe();
    calls.push_back(std::move(c));
  }
};

// Declares a recorded callback of a delegate struct.
#define VD_RECORD(name) \
  void name(bool ok, const core::Value& json) override { note(#name, ok, json); }

// What one operation must send and report.
template <class Client>
struct OpCase {
  const char* name;
  std::function<void(Client&)> call;
  const char* method;   // "GET" or "POST"
  std::string rawPath;  // the path as sent, with its base's prefix and the query ("/api/1.0/json/...")
  std::optional<std::string> body;  // the POST body as sent
  const char* clientType;           // the "Client-Type" sent
  bool overlay;
  bool sync;          // reports before it returns
  std::string reply;  // what the server answers (sent as it is)
  const char* callback;
  bool ok;
  std::optional<std::string> reported = std::nullopt;  // the reply the callback gets, when not `reply`
};

// The suite: one loopback API server for the program, the UI harness (main thread, manual clock, a
// window for the overlay), the shell's login state, the clients' bases pointed at the server, the chosen
// subject "GKSample" with its bank in a temporary folder, and a session for the notes client.
class ClientSuite : public ::testing::Test {
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
    ServiceShell hooks;
    hooks.isLoggedIn = [s = shell_] { return s->loggedIn; };
    ServiceShellUI::addTo(hooks);  // the overlay the application draws
    shellOverride_.emplace(setServiceShell, std::move(hooks), serviceShell());

    ::setenv(ServerConfig::kMainAPIBaseEnv, server().mainBase().c_str(), 1);
    ::setenv(ServerConfig::kVerificationCodeBaseEnv, server().codeBase().c_str(), 1);
    ::setenv(ServerConfig::kUpdateCentreBaseEnv, server().updateBase().c_str(), 1);
    ::setenv(ServerConfig::kResourceRootEnv, server().origin().c_str(), 1);
    ServerConfig::reload();

    bankTemp_.emplace("vd-apiclient-bank");
    bankDir_ = bankTemp_->path();
    ASSERT_FALSE(bankDir_.empty());
    BankLocation location;
    location.dbSavePath = [dir = bankDir_] { return dir; };
    location.appName = [this] {
      std::lock_guard guard(sessionLock_);
      return subject_;
    };
    bank_.emplace(BankLocation::set, std::move(location), BankLocation::current());
  }

  void TearDown() override {
    runUntil([] { return HTTPRequest::sharedQueue().operationCount() == 0; }, 5);
    rl::RunLoop::main().runUntilIdle();
    bank_.reset();
    shellOverride_.reset();
    harness_.reset();
    HTTPRequest::setSessionCookies(std::nullopt);
    HTTPCookieStorage::sharedHTTPCookieStorage().removeAllCookies();
    bankTemp_.reset();
  }

  static testserver::ApiServer& server() {
    static testserver::ApiServer s;
    return s;
  }
  ui::test::Harness& h() { return *harness_; }

  // Session values of the notes client, and the reader a client is made with to see them (callable
  // from any thread).
  void setSession(const std::string& key, core::Value value) {
    std::lock_guard guard(sessionLock_);
    session_.set(key, std::move(value));
  }
  MyNote::SessionReader sessionReader() {
    return [this](const std::string& key) {
      std::lock_guard guard(sessionLock_);
      return session_[key].deepCopy();
    };
  }
  void setSubject(std::string value) {
    std::lock_guard guard(sessionLock_);
    subject_ = std::move(value);
  }

  // Copies the sample bank in as the chosen subject's database.
  void installSampleBank() {
    std::filesystem::copy_file(
        std::filesystem::path(testserver::ApiServer::defaultSampleDir()) / "GKSample.db",
        std::filesystem::path(bankDir_) / "GKSample.db", std::filesystem::copy_options::overwrite_existing);
  }
  std::string bankFile() const { return (std::filesystem::path(bankDir_) / "GKSample.db").string(); }

  // A recording delegate wired to this suite's overlay probe.
  template <class D>
  std::shared_ptr<D> recorder() {
    auto d = std::make_shared<D>();
    d->overlayProbe = [this] {
      for (const auto& view : h().window().subviews())
        if (std::dynamic_pointer_cast<ProgressHUD>(view)) return true;
      return false;
    };
    return d;
  }

  // The next request to `decodedPath` (no query) is answered with `body` as it is.
  static void answer(const std::string& decodedPath, const std::string& body, int count = 1) {
    core::Value fault = core::Value::newDictionary();
    fault.set("path", decodedPath);
    fault.set("body", body);
    fault.set("count", count);
    ASSERT_TRUE(server().fault(JSONRepresentation(fault).value_or(""))) << decodedPath;
  }
  // The next requests to `decodedPath` get no answer (the connection is closed); the HTTP client's
  // own retry of a dropped connection meets the second.
  static void drop(const std::string& decodedPath, int count = 2) {
    core::Value fault = core::Value::newDictionary();
    fault.set("path", decodedPath);
    fault.set("drop", true);
    fault.set("count", count);
    ASSERT_TRUE(server().fault(JSONRepresentation(fault).value_or(""))) << decodedPath;
  }

  // Every journal entry (any base), oldest first.
  static std::vector<core::Value> requests() {
    std::vector<core::Value> out;
    auto text = server().journal();
    if (!text) return out;
    for (const core::Value& e : JSONValue(*text)["requests"].array()) out.push_back(e);
    return out;
  }

  // Drives the main loop until the recorder holds `count` calls.
  static bool awaitCalls(const Recorder& r, std::size_t count, double seconds = 20) {
    return runUntil([&] { return r.calls.size() >= count; }, seconds);
  }

  // Runs each case on `client`, whose delegate is `rec`.
  template <class Client>
  void runCases(const std::vector<OpCase<Client>>& cases, Client& client, Recorder& rec) {
    for (const OpCase<Client>& c : cases) {
      SCOPED_TRACE(c.name);
      ASSERT_TRUE(server().reset());
      std::string faultPath = c.rawPath.substr(0, c.rawPath.find('?'));
      faultPath = core::removingPercentEscapes(faultPath).value_or(faultPath);
      answer(faultPath, c.reply);

      const std::size_t before = rec.calls.size();
      c.call(client);
      if (c.sync) {
        EXPECT_EQ(rec.calls.size(), before + 1) << "a synchronous operation reports before it returns";
      } else {
        EXPECT_EQ(rec.calls.size(), before) << "an asynchronous operation reports after it returns";
        EXPECT_TRUE(awaitCalls(rec, before + 1)) << "no callback in time";
      }
      rl::RunLoop::main().runUntilIdle();
      ASSERT_EQ(rec.calls.size(), before + 1) << "exactly one callback";
      const Call& got = rec.calls.back();
      EXPECT_EQ(got.name, c.callback);
      EXPECT_EQ(got.ok, c.ok);
      EXPECT_EQ(got.json, JSONValue(c.reported.value_or(c.reply))) << got.json.describe();
      EXPECT_TRUE(got.onMainThread);
      EXPECT_EQ(got.overlayShown, c.overlay);

      auto sent = requests();
      ASSERT_EQ(sent.size(), 1u) << "one request per operation";
      const core::Value& entry = sent.front();
      EXPECT_EQ(entry["method"].toString(), c.method);
      EXPECT_EQ(entry["path"].toString(), c.rawPath);
      EXPECT_EQ(header(entry, "User-Agent").value_or("(none)"), "iphone");
      EXPECT_EQ(headerValues(entry, "Client-Type"), std::vector<std::string>{c.clientType});
      EXPECT_EQ(header(entry, "Content-Type").value_or(""), c.body ? "application/json" : "");
      EXPECT_FALSE(header(entry, "cookie")) << "nobody is logged in";
      EXPECT_EQ(entry["body"].toString(), c.body.value_or(""));
    }
  }

  std::shared_ptr<ShellState> shell_ = std::make_shared<ShellState>();
  std::unique_ptr<ui::test::Harness> harness_;
  std::optional<testsupport::TempDir> bankTemp_;
  std::string bankDir_;
  std::optional<testsupport::ScopedOverride<ServiceShell>> shellOverride_;
  std::optional<testsupport::ScopedOverride<BankLocation>> bank_;
  std::mutex sessionLock_;
  core::Value session_ = core::Value::newDictionary();
  std::string subject_ = "GKSample";
};

}  // namespace apiclient_test
