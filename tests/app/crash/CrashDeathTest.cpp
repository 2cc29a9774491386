// Death tests: a child process installs the crash catcher (through the start-up's installer), crashes,
// and must send exactly one report, then end by the same signal (an uncaught exception: by the
// runtime's own terminate handler). The reports reach the parent through a file.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/AppDelegate.h"
#include "app/CrashCatcherInstallerImpl.h"
#include "app/VDHelper.h"
#include "app/VDUncaughtExceptionHandler.h"
#include "app/VDViewControllerFactory.h"
#include "librarys/json/JsonParser.h"
#include "platform/core/Bundle.h"
#include "platform/core/DateFormatter.h"
#include "platform/core/Text.h"
#include "platform/core/UserDefaults.h"
#include "platform/runloop/RunLoop.h"
#include "platform/system/Crash.h"
#include "platform/system/Device.h"
#include "screens/AllScreens.h"
#include "tests/app/crash/CrashTestSupport.h"
#include "tests/support/FixedReachability.h"
#include "tests/support/StandInScreens.h"
#include "ui/test/Harness.h"

#if defined(__SANITIZE_ADDRESS__)
#define VD_CRASH_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VD_CRASH_TEST_ASAN 1
#endif
#endif

namespace crash_test {

// The crashes. Named, with external linkage, so that the call stacks in the reports show them.

[[gnu::noinline]] void crashBySegmentationFault() {
  void* page = ::mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  *static_cast<volatile int*>(page) = 1;  // a page that may not be touched
  std::abort();                           // not reached
}

[[gnu::noinline]] void crashByUncaughtException() { throw std::runtime_error("the bank file is gone"); }

volatile bool gStopRecursion = false;

[[gnu::noinline]] int recurseUntilTheStackEnds(int depth) {
  volatile char pad[512];
  pad[0] = static_cast<char>(depth);
  if (gStopRecursion) return pad[0];
  return recurseUntilTheStackEnds(depth + 1) + pad[0];
}

}  // namespace crash_test

namespace {

// Runs fn on a stack of its own with no caller above it, so that an exception it throws finds no
// handler, as one escaping the application's main loop would, rather than the test framework's.
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
  std::exit(4);  // not reached
}

using crash_test::FileRecordingSender;
using crash_test::SentReport;
using Handler = VDUncaughtExceptionHandler;

using testsupport::FixedReachability;

class CrashDeath : public ::testing::Test {
 protected:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "fast");
    ASSERT_FALSE(dir_.path().empty());
    reportFile_ = dir_.path() + "/reports";
    setenv("VARDO_HOME", (dir_.path() + "/home").c_str(), 1);
    core::UserDefaults::resetStandard();
    core::Bundle::resetMain();
  }
  void TearDown() override {
    unsetenv("VARDO_HOME");
    core::UserDefaults::resetStandard();
  }

  // In the child: the start-up's installer with a sender that writes to the report file, and the wait
  // for the main thread it is given.
  void install(double mainThreadWait = Handler::kDefaultMainThreadWait) {
    CrashCatcherInstallerImpl(std::make_shared<FileRecordingSender>(reportFile_), mainThreadWait)
        .installUncaughtExceptionHandler();
  }

  std::vector<SentReport> reports() const { return crash_test::readReports(reportFile_); }
  void forgetReports() const { core::Paths::removeAll(reportFile_); }

  // The one report the child sent, parsed; a failure when there was not exactly one.
  core::Value onlyReport(SentReport* sent = nullptr) const {
    const auto all = reports();
    EXPECT_EQ(all.size(), 1u) << "exactly one report per crash";
    if (all.size() != 1) return {};
    EXPECT_EQ(all[0].path, "1.0/json/sys/Log");
    EXPECT_EQ(all[0].timeout, Handler::kReportTimeout);
    if (sent) *sent = all[0];
    core::Value report = JSONValue(all[0].json);
    EXPECT_TRUE(report.isDictionary()) << all[0].json;
    return report;
  }

  static std::vector<std::string> contentLines(const core::Value& report) {
    return core::split(report["Content"].toString(), "\n");
  }

  crash_test::TempDir dir_;
  std::string reportFile_;
};

TEST_F(CrashDeath, SegmentationFaultIsReportedOnceThenEndsTheProcessBySIGSEGV) {
  EXPECT_EXIT(
      {
        install();
        crash_test::crashBySegmentationFault();
      },
      ::testing::KilledBySignal(SIGSEGV), "Binary Images:");
  SentReport sent;
  const core::Value report = onlyReport(&sent);
  EXPECT_EQ(sent.thread, "main");
  EXPECT_EQ(report["UserName"], core::Value("游客")) << "nobody is logged in";
  const auto lines = contentLines(report);
  ASSERT_GE(lines.size(), 10u) << report["Content"].toString();
  EXPECT_EQ(lines[0], Handler::kSignalHeading);
  EXPECT_EQ(lines[6], "name:UncaughtExceptionHandlerSignalExceptionName");
  EXPECT_EQ(lines[7], "reason:Signal 11 was raised.");
  EXPECT_EQ(lines[8], "callStackSymbols:");
  EXPECT_NE(report["Content"].toString().find("crash_test::crashBySegmentationFault()"), std::string::npos)
      << "the call stack reaches the crashing function";
}

TEST_F(CrashDeath, AbortIsReportedOnceThenEndsTheProcessBySIGABRT) {
  EXPECT_EXIT(
      {
        install();
        std::abort();
      },
      ::testing::KilledBySignal(SIGABRT), "");
  const auto lines = contentLines(onlyReport());
  ASSERT_GE(lines.size(), 8u);
  EXPECT_EQ(lines[0], Handler::kSignalHeading);
  EXPECT_EQ(lines[7], "reason:Signal 6 was raised.");
}

TEST_F(CrashDeath, UncaughtExceptionIsReportedOnceThenEndsAsAnUncaughtException) {
  EXPECT_EXIT(
      {
        install();
        runWithoutCallers(crash_test::crashByUncaughtException);
      },
      ::testing::KilledBySignal(SIGABRT),
      "terminate called after throwing an instance of 'std::runtime_error'");
  SentReport sent;
  const core::Value report = onlyReport(&sent);
  EXPECT_EQ(sent.thread, "main");
  const auto lines = contentLines(report);
  ASSERT_GE(lines.size(), 10u);
  EXPECT_EQ(lines[0], Handler::kExceptionHeading);
  EXPECT_EQ(lines[6], "name:std::runtime_error");
  EXPECT_EQ(lines[7], "reason:the bank file is gone");
  EXPECT_NE(report["Content"].toString().find("crash_test::crashByUncaughtException()"), std::string::npos)
      << "the call stack is the one the exception was thrown from";
}

TEST_F(CrashDeath, EachCaughtSignalIsReportedAndEndsTheProcessByItself) {
  for (int signal : sys::Crash::kSignals) {
    SCOPED_TRACE(signal);
    forgetReports();
    EXPECT_EXIT(
        {
          install();
          ::raise(signal);
        },
        ::testing::KilledBySignal(signal), "");
    const auto lines = contentLines(onlyReport());
    ASSERT_GE(lines.size(), 8u);
    EXPECT_EQ(lines[7], "reason:Signal " + std::to_string(signal) + " was raised.");
  }
}

TEST_F(CrashDeath, ReportCarriesTheSessionTheSubjectTheVersionAndTheNetworkStatus) {
  const core::Date before = core::Date::now();
  EXPECT_EXIT(
      {
        registerAllScreens();
        testsupport::registerStandInScreensWhereNoneIs();
        VDHelper::saveQuoteProduct(core::Dictionary{{"Key", "会计职称"}, {"Value", "KJZC"}});
        ui::test::Harness harness;
        AppServices services;
        services.crashCatcher =
            std::make_shared<CrashCatcherInstallerImpl>(std::make_shared<FileRecordingSender>(reportFile_));
        services.reachabilityForInternetConnection = [] { return std::make_shared<FixedReachability>(1); };
        auto delegate = std::make_shared<AppDelegate>(services);
        if (!harness.launch(delegate)) std::exit(3);
        delegate->userSession().set("userInfo",
                                    core::Dictionary{{"NiCheng", "小明"}, {"UserName", "user01"}});
        crash_test::crashBySegmentationFault();
      },
      ::testing::KilledBySignal(SIGSEGV), "");
  const core::Date after = core::Date::now();

  const core::Value report = onlyReport();
  EXPECT_EQ(report["UserName"], core::Value("小明"));
  EXPECT_EQ(report["AppEName"], core::Value("KJZC"));
  EXPECT_EQ(report["AppVersion"], core::Value("越狱版" + core::Bundle::main().version()));
  EXPECT_EQ(report.dict().keys(),
            (std::vector<std::string>{"UserName", "AppEName", "AppVersion", "Content"}));

  const auto lines = contentLines(report);
  ASSERT_GE(lines.size(), 9u);
  ASSERT_TRUE(core::hasPrefix(lines[1], "exceptionDate:"));
  const auto date = core::DateFormatter::parse(lines[1].substr(14), "yyyyMMdd HH:mm:ss");
  ASSERT_TRUE(date.has_value()) << lines[1];
  EXPECT_GE(date->secondsSince1970, before.secondsSince1970 - 1);
  EXPECT_LE(date->secondsSince1970, after.secondsSince1970 + 1);
  const auto main = sys::Crash::mainExecutable();
  ASSERT_TRUE(main.has_value());
  EXPECT_EQ(lines[2], "dysm uuid:" + sys::Crash::buildIdText(main->buildId));
  EXPECT_EQ(lines[3], "hardwareModel:" + sys::Device::machine());
  EXPECT_EQ(lines[4], "osVersion:" + sys::Device::systemVersion());
  EXPECT_EQ(lines[5], "networkStatus:1");
}

TEST_F(CrashDeath, CrashOnAnotherThreadIsReportedOnTheMainThread) {
  EXPECT_EXIT(
      {
        install();
        std::thread(crash_test::crashBySegmentationFault).detach();
        rl::RunLoop::main().run();  // the main thread goes on serving its loop
        std::exit(3);
      },
      ::testing::KilledBySignal(SIGSEGV), "");
  SentReport sent;
  const core::Value report = onlyReport(&sent);
  EXPECT_EQ(sent.thread, "main");
  EXPECT_NE(report["Content"].toString().find("crash_test::crashBySegmentationFault()"), std::string::npos)
      << "the call stack is the crashing thread's";
}

TEST_F(CrashDeath, UncaughtExceptionOnAnotherThreadIsReportedOnTheMainThread) {
  EXPECT_EXIT(
      {
        install();
        std::thread(crash_test::crashByUncaughtException).detach();
        rl::RunLoop::main().run();
        std::exit(3);
      },
      ::testing::KilledBySignal(SIGABRT),
      "terminate called after throwing an instance of 'std::runtime_error'");
  SentReport sent;
  const core::Value report = onlyReport(&sent);
  EXPECT_EQ(sent.thread, "main");
  const auto lines = contentLines(report);
  ASSERT_GE(lines.size(), 8u);
  EXPECT_EQ(lines[0], Handler::kExceptionHeading);
  EXPECT_EQ(lines[7], "reason:the bank file is gone");
  EXPECT_NE(report["Content"].toString().find("crash_test::crashByUncaughtException()"), std::string::npos);
}

TEST_F(CrashDeath, ReportIsMadeElsewhereWhenTheMainThreadDoesNotAnswer) {
  EXPECT_EXIT(
      {
        install(0.2);
        std::thread crashing(crash_test::crashBySegmentationFault);
        crashing.join();  // the main thread is busy and never serves its loop
        std::exit(3);
      },
      ::testing::KilledBySignal(SIGSEGV), "");
  SentReport sent;
  onlyReport(&sent);
  EXPECT_EQ(sent.thread, "other");
}

TEST_F(CrashDeath, FromTheEleventhCrashOnNothingIsReported) {
  EXPECT_EXIT(
      {
        UncaughtExceptionCount = Handler::kMaxHandledCrashes;
        install();
        crash_test::crashBySegmentationFault();
      },
      ::testing::KilledBySignal(SIGSEGV), "");
  EXPECT_EQ(reports().size(), 0u);
  EXPECT_EXIT(
      {
        UncaughtExceptionCount = Handler::kMaxHandledCrashes;
        install();
        runWithoutCallers(crash_test::crashByUncaughtException);
      },
      ::testing::KilledBySignal(SIGABRT), "terminate called after throwing");
  EXPECT_EQ(reports().size(), 0u);
}

TEST_F(CrashDeath, StackOverflowIsReportedFromTheAlternateStack) {
#ifdef VD_CRASH_TEST_ASAN
  GTEST_SKIP() << "AddressSanitizer takes the stack overflow over itself";
#endif
  EXPECT_EXIT(
      {
        install();
        crash_test::recurseUntilTheStackEnds(0);
      },
      ::testing::KilledBySignal(SIGSEGV), "");
  const auto lines = contentLines(onlyReport());
  ASSERT_GE(lines.size(), 8u);
  EXPECT_EQ(lines[7], "reason:Signal 11 was raised.");
}

}  // namespace
