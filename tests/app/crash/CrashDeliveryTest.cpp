// The crash report on the wire: the start-up's crash catcher (AppServices::standard()) posts each
// caught crash through the system client to "1.0/json/sys/Log" on the loopback API server, once, and
// the crash then proceeds; a server that does not answer holds the dying process only for the report's
// short time-out. The death tests crash a child process; the parent reads the server's journal.

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <list>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/AppServices.h"
#include "app/SystemCrashReportSender.h"
#include "app/VDUncaughtExceptionHandler.h"
#include "librarys/json/JsonParser.h"
#include "platform/core/Bundle.h"
#include "platform/core/Text.h"
#include "platform/core/UserDefaults.h"
#include "service/ServerConfig.h"
#include "tests/app/crash/CrashTestSupport.h"
#include "tests/support/TempDir.h"
#include "tools/testserver/apiserver/ApiServer.h"

namespace crash_delivery {

// The crashes, with external linkage so that the call stacks in the reports name them.

[[gnu::noinline]] void segmentationFaultAfterLaunch() {
  void* page = ::mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  *static_cast<volatile int*>(page) = 1;
  ::_exit(5);  // not reached
}

[[gnu::noinline]] void uncaughtExceptionAfterLaunch() {
  throw std::runtime_error("the answer sheet is torn");
}

}  // namespace crash_delivery

namespace {

using Handler = VDUncaughtExceptionHandler;

constexpr const char* kLogPath = "/api/1.0/json/sys/Log";

// Runs fn on a stack with no caller above it, so that its exception finds no handler (as one escaping
// the application's main loop), rather than the test framework's.
[[noreturn]] void runWithoutCallers(void (*fn)()) {
  static ucontext_t caller;
  static ucontext_t fresh;
  static std::vector<char> stack(1 << 20);
  ::getcontext(&fresh);
  fresh.uc_stack.ss_sp = stack.data();
  fresh.uc_stack.ss_size = stack.size();
  fresh.uc_link = nullptr;
  ::makecontext(&fresh, fn, 0);
  ::swapcontext(&caller, &fresh);
  ::_exit(4);  // not reached
}

class CrashDelivery : public ::testing::Test {
 protected:
  // One server for the program. Never destroyed by a child: a child that exits normally must not stop
  // the parent's server, so it lives on the heap and only the parent stops it.
  static testserver::ApiServer& server() {
    static auto* s = new testserver::ApiServer;
    return *s;
  }
  static void SetUpTestSuite() {
    if (server().port() == 0) {
      ASSERT_TRUE(server().start()) << server().failure();
    }
  }
  static void TearDownTestSuite() { server().stop(); }

  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "fast");
    ASSERT_NE(server().port(), 0) << server().failure();
    ASSERT_TRUE(server().reset());
    ASSERT_FALSE(dir_.path().empty());
    env_.emplace_back("VARDO_HOME", dir_.path() + "/home");
    env_.emplace_back(ServerConfig::kMainAPIBaseEnv, server().mainBase());
    env_.emplace_back(ServerConfig::kUpdateCentreBaseEnv, server().updateBase());
    env_.emplace_back(ServerConfig::kVerificationCodeBaseEnv, server().codeBase());
    env_.emplace_back(ServerConfig::kResourceRootEnv, server().origin());
    core::UserDefaults::resetStandard();
    core::Bundle::resetMain();
    ServerConfig::reload();
  }
  void TearDown() override {
    env_.clear();
    ServerConfig::reload();
    core::UserDefaults::resetStandard();
  }

  // In the child: what the start-up does before its crash catcher is needed: the server bases read
  // from the environment, the shell's hooks connected, the standard crash catcher installed.
  static void launchLikeTheApp() {
    ServerConfig::reload();
    AppServices services = AppServices::standard();
    services.connectShell();
    services.crashCatcher->installUncaughtExceptionHandler();
  }

  // Every request the server received since the last reset.
  static std::vector<core::Value> requests() {
    const auto text = server().journal();
    if (!text) {
      ADD_FAILURE() << "the journal could not be read";
      return {};
    }
    return JSONValue(*text)["requests"].array().items();
  }

  // The POSTs to the log path, each with its body parsed.
  struct LogPost {
    core::Value entry;
    core::Value report;
  };
  static std::vector<LogPost> logPosts() {
    std::vector<LogPost> out;
    for (const core::Value& entry : requests()) {
      if (entry["decoded_path"].toString() != kLogPath) continue;
      out.push_back({entry, JSONValue(entry["body"].toString())});
    }
    return out;
  }

  static std::vector<std::string> contentLines(const core::Value& report) {
    return core::split(report["Content"].toString(), "\n");
  }

  static std::string header(const core::Value& entry, const std::string& name) {
    for (const core::Value& h : entry["headers"].array())
      if (core::equalsIgnoringCase(h[0].toString(), name)) return h[1].toString();
    return "";
  }

  // Checks the one report the child posted and returns it (Nil when there was not exactly one).
  static core::Value onlyPostedReport() {
    const auto posts = logPosts();
    EXPECT_EQ(posts.size(), 1u) << "exactly one report per crash";
    if (posts.size() != 1) return {};
    const core::Value& entry = posts[0].entry;
    EXPECT_EQ(entry["method"].toString(), "POST");
    EXPECT_EQ(entry["base"].toString(), "main");
    EXPECT_EQ(header(entry, "Content-Type"), "application/json");
    EXPECT_EQ(header(entry, "Client-Type"), "iphone");
    EXPECT_TRUE(posts[0].report.isDictionary()) << entry["body"].toString();
    return posts[0].report;
  }

  crash_test::TempDir dir_;
  std::list<testsupport::ScopedEnv> env_;  // the home and the server bases, for the test only
};

TEST_F(CrashDelivery, SegmentationFaultPostsOneReportToTheServerThenEndsBySIGSEGV) {
  EXPECT_EXIT(
      {
        launchLikeTheApp();
        crash_delivery::segmentationFaultAfterLaunch();
      },
      ::testing::KilledBySignal(SIGSEGV), "");
  const core::Value report = onlyPostedReport();
  EXPECT_EQ(report["UserName"], core::Value("游客"));
  const auto lines = contentLines(report);
  ASSERT_GE(lines.size(), 10u) << report["Content"].toString();
  EXPECT_EQ(lines[0], Handler::kSignalHeading);
  EXPECT_EQ(lines[6], "name:UncaughtExceptionHandlerSignalExceptionName");
  EXPECT_EQ(lines[7], "reason:Signal 11 was raised.");
  EXPECT_NE(report["Content"].toString().find("crash_delivery::segmentationFaultAfterLaunch()"),
            std::string::npos);
}

TEST_F(CrashDelivery, UncaughtExceptionPostsOneReportToTheServerThenEndsBySIGABRT) {
  EXPECT_EXIT(
      {
        launchLikeTheApp();
        runWithoutCallers(crash_delivery::uncaughtExceptionAfterLaunch);
      },
      ::testing::KilledBySignal(SIGABRT),
      "terminate called after throwing an instance of 'std::runtime_error'");
  const core::Value report = onlyPostedReport();
  const auto lines = contentLines(report);
  ASSERT_GE(lines.size(), 10u) << report["Content"].toString();
  EXPECT_EQ(lines[0], Handler::kExceptionHeading);
  EXPECT_EQ(lines[6], "name:std::runtime_error");
  EXPECT_EQ(lines[7], "reason:the answer sheet is torn");
  EXPECT_NE(report["Content"].toString().find("crash_delivery::uncaughtExceptionAfterLaunch()"),
            std::string::npos);
}

// The request layer waits 180 s for an answer; a crashing process gives its report only the short
// time-out and then goes down as it would have.
TEST_F(CrashDelivery, ServerThatDoesNotAnswerHoldsTheCrashOnlyForTheReportTimeOut) {
  constexpr double kServerDelay = 60;
  ASSERT_TRUE(server().fault(R"({"path":"/api/1.0/json/sys/Log","delay":60})"));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EXIT(
      {
        launchLikeTheApp();
        crash_delivery::segmentationFaultAfterLaunch();
      },
      ::testing::KilledBySignal(SIGSEGV), "");
  const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  // The HTTP client allows a request that sent a body half as long again as its time-out.
  EXPECT_LT(waited, kServerDelay / 2) << "the report waited for the server, not for its time-out";
  EXPECT_EQ(logPosts().size(), 1u) << "the report was sent (and not sent again)";
}

// The sender on its own, in this process.
TEST_F(CrashDelivery, SenderPostsTheLogPathAndRefusesAnyOther) {
  SystemCrashReportSender sender;
  const std::string json = R"({"UserName":"游客","Content":"第一行\n第二行"})";

  EXPECT_FALSE(sender.send("1.0/json/sys/Quote", json, Handler::kReportTimeout));
  EXPECT_TRUE(requests().empty()) << "nothing is sent for another path";

  EXPECT_TRUE(sender.send(Handler::kLogPath, json, Handler::kReportTimeout)) << "the server answered";
  const auto posts = logPosts();
  ASSERT_EQ(posts.size(), 1u) << "sent before send() returned";
  EXPECT_EQ(posts[0].entry["body"].toString(), json);
  EXPECT_EQ(header(posts[0].entry, "Content-Type"), "application/json");

  ASSERT_TRUE(server().reset());
  // The HTTP client tries a dropped connection once more on a new one: both are dropped here.
  ASSERT_TRUE(server().fault(R"({"path":"/api/1.0/json/sys/Log","drop":true,"count":2})"));
  EXPECT_FALSE(sender.send(Handler::kLogPath, json, Handler::kReportTimeout)) << "no answer: false";
  EXPECT_FALSE(logPosts().empty());
}

}  // namespace
