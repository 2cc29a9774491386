#pragma once
// Set-up of the tests of the component's public side (UsageStats): a home of its own, the component
// reset, the main run loop on a manual clock that is also the component's wall clock (kNow + the
// clock's seconds), device facts the test chooses (by default no network access, so nothing is sent),
// and the life-cycle notifications posted as the application posts them.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "librarys/json/JsonParser.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/Paths.h"
#include "platform/core/PropertyList.h"
#include "platform/core/PropertyListWriter.h"
#include "platform/core/Text.h"
#include "platform/runloop/Clock.h"
#include "platform/runloop/RunLoop.h"
#include "statistics/UsageStats.h"
#include "tests/statistics/StatsTestSupport.h"
#include "tests/support/ScopedMainClock.h"
#include "tools/testserver/apiserver/ApiServer.h"

namespace stats_test {

inline constexpr const char* kKey = "7e3c19d0a4b25f8861c0e9d3";

inline StatsDeviceFacts offlineFacts() {
  StatsDeviceFacts f = testFacts();
  f.access = "";
  return f;
}

class SessionFixture : public StatsFixture {
 protected:
  void SetUp() override {
    StatsFixture::SetUp();
    UsageStats::reset();
    rl::RunLoop::setMainThread();
    clock_ = std::make_shared<rl::ManualClock>(0);
    rl::RunLoop::main().clear();
    clockOverride_.emplace(clock_);
    setClock([clock = clock_] { return core::Date{kNow + clock->now()}; });
    setFacts(offlineFacts());
  }

  void TearDown() override {
    UsageStats::reset();
    rl::RunLoop::main().clear();
    clockOverride_.reset();
    StatsFixture::TearDown();
  }

  static void setFacts(StatsDeviceFacts facts) {
    UsageStats::sharedInternal()->setDeviceFactsProvider([facts] { return facts; });
  }
  static std::shared_ptr<UsageStatsInternal> internal() { return UsageStats::sharedInternal(); }

  // Moves the component's clock and the main loop's timers on.
  void advance(double seconds) { rl::RunLoop::main().advance(seconds); }
  // Runs what the component's queues hold, then what they handed to the main loop.
  static void finishWork() {
    ASSERT_TRUE(UsageStats::waitForQueues(30));
    rl::RunLoop::main().runUntilIdle();
  }

  static void post(const char* name) { core::NotificationCenter::defaultCenter().post(name); }
  // The application became active / ends, as the UI posts it.
  void becomeActive() {
    post(UsageStats::kDidBecomeActiveNotification);
    finishWork();
  }
  void terminate() {
    post(UsageStats::kWillTerminateNotification);
    finishWork();
  }

  // The file as the application has it (a write may still be on its way to the disk).
  static core::Value jobFile() {
    return core::PropertyListWriter::shared().readFile(UsageStatsInternal::jobFilePath());
  }
  static core::Array terminatesInFile() { return jobFile()["body"]["terminate"].array(); }

  std::shared_ptr<rl::ManualClock> clock_;
  std::optional<testsupport::ScopedMainClock> clockOverride_;
};

// The same, with the loopback API server (one per test program) as every statistics host and device
// facts that let uploads go out.
class ServerSessionFixture : public SessionFixture {
 public:
  static testserver::ApiServer& server() {
    static testserver::ApiServer s;
    return s;
  }

 protected:
  void SetUp() override {
    if (server().port() == 0) {
      ASSERT_TRUE(server().start()) << server().failure();
    }
    ASSERT_TRUE(server().reset());
    SessionFixture::SetUp();
    useServer();
  }

  // Points the (current) component at the server, with network access.
  static void useServer() {
    setHosts(server().statisticsHost(), server().statisticsHost());
    setFacts(testFacts());
  }
  static void setHosts(const std::string& primary, const std::string& fallback) {
    StatsHosts hosts;
    hosts.setPrimary(primary);
    hosts.setFallback(fallback);
    UsageStats::sharedInternal()->setHosts(hosts);
  }
  static void scenario(const std::string& json) { ASSERT_TRUE(server().scenario(json)) << json; }
  static void fault(const std::string& json) { ASSERT_TRUE(server().fault(json)) << json; }

  // The journal entries whose path is `path` (the statistics routes are "/app_logs",
  // "/check_config_update" and "/api/check_app_update").
  static std::vector<core::Value> requests(const std::string& path) {
    std::vector<core::Value> out;
    const core::Value doc = JSONValue(server().journal().value_or("{}"));
    for (const core::Value& e : doc["requests"].array())
      if (e["path"].toString() == path) out.push_back(e);
    return out;
  }
  static std::vector<core::Value> uploads() { return requests("/app_logs"); }
  static std::string header(const core::Value& entry, const std::string& name) {
    for (const auto& pair : entry["headers"].array())
      if (core::equalsIgnoringCase(pair[0].str(), name)) return pair[1].str();
    return "";
  }
};

// A loopback address where nothing listens (the port was bound once and let go).
inline std::string closedHost() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  int port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&a), len) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
    port = ntohs(a.sin_port);
  ::close(fd);
  return "127.0.0.1:" + std::to_string(port);
}

}  // namespace stats_test
