#pragma once
// Shared pieces of the HTTP client tests: the loopback server (one per test suite), a driver of the
// main run loop (bounded passes, never sleeping), recording delegates, and a temporary VARDO_HOME.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "librarys/http/HTTPRequest.h"
#include "platform/core/Paths.h"
#include "platform/net/HTTPReadStream.h"
#include "platform/runloop/RunLoop.h"
#include "tests/support/RunUntil.h"
#include "tools/testserver/httpserver/LoopbackServer.h"
#include "tests/support/TempDir.h"

namespace httptest {

// One temporary VARDO_HOME for the whole test program (set before any request runs, never changed while
// the network thread may read it).
class HomeEnvironment : public testsupport::HomeEnvironment {
 public:
  HomeEnvironment() : testsupport::HomeEnvironment("vd-http-test") {}
  static std::string dir() { return std::getenv("VARDO_HOME") ? std::getenv("VARDO_HOME") : "/tmp"; }
};

// A fresh directory under the test home.
inline std::string freshDir(const std::string& name) {
  static int counter = 0;
  std::string dir = core::Paths::join(HomeEnvironment::dir(), name + "-" + std::to_string(++counter));
  core::Paths::createDirectories(dir);
  return dir;
}

using testsupport::runUntil;

// byte[i] = i % 251: the server's body pattern.
inline std::string pattern(std::size_t n, std::size_t offset = 0) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i + offset) % 251);
  return s;
}

inline core::URL parse(const std::string& text) {
  auto u = core::URL::parse(text);
  EXPECT_TRUE(u.has_value()) << text;
  return u.value_or(core::URL{});
}

// What a request told the main thread, in order.
struct Record {
  std::vector<std::string> calls;  // "started", "headers", "finished", "failed", "redirected", ...
  bool onMainThreadOnly = true;
  int finished = 0;
  int failed = 0;
  std::uint64_t bytesReceived = 0;
  std::uint64_t bytesSent = 0;
  bool done() const { return finished + failed > 0; }
  void note(const std::string& what) {
    calls.push_back(what);
    if (!rl::RunLoop::isMainThread()) onMainThreadOnly = false;
  }
};

// Wires the blocks of a request to a record (the blocks hold the record, not the request).
inline std::shared_ptr<Record> watch(const std::shared_ptr<HTTPRequest>& request) {
  auto r = std::make_shared<Record>();
  request->setStartedBlock([r] { r->note("started"); });
  request->setHeadersReceivedBlock([r](const core::Value&) { r->note("headers"); });
  request->setCompletionBlock([r] {
    r->note("finished");
    ++r->finished;
  });
  request->setFailedBlock([r] {
    r->note("failed");
    ++r->failed;
  });
  request->setBytesReceivedBlock([r](std::uint64_t n, std::uint64_t) {
    if (!rl::RunLoop::isMainThread()) r->onMainThreadOnly = false;
    r->bytesReceived += n;
  });
  request->setBytesSentBlock([r](std::uint64_t n, std::uint64_t) {
    if (!rl::RunLoop::isMainThread()) r->onMainThreadOnly = false;
    r->bytesSent += n;
  });
  request->setRequestRedirectedBlock([r] { r->note("redirected"); });
  return r;
}

// Starts the request asynchronously and drives the main loop until it has reported its end.
inline std::shared_ptr<Record> runAsync(const std::shared_ptr<HTTPRequest>& request, double seconds = 20) {
  auto r = watch(request);
  request->startAsynchronous();
  EXPECT_TRUE(runUntil([&] { return r->done(); }, seconds)) << "the request reported no end in time";
  // Let the queue let go of the request before the next test.
  runUntil([&] { return request->isFinished() || !request->inProgress(); }, 2);
  return r;
}

class LoopbackSuite : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { startServer(testserver::Options{}); }
  static void TearDownTestSuite() { server().stop(); }
  static void startServer(const testserver::Options& o) {
    ASSERT_TRUE(server().start(o)) << server().failure();
  }
  void TearDown() override { rl::RunLoop::main().runUntilIdle(); }
  static testserver::LoopbackServer& server() {
    static testserver::LoopbackServer s;
    return s;
  }
  static core::URL url(const std::string& path) { return parse(server().url(path)); }
  static std::shared_ptr<HTTPRequest> makeRequest(const std::string& path) {
    return HTTPRequest::requestWithURL(url(path));
  }
};

}  // namespace httptest
