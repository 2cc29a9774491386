// The component's crash catcher: switched off it installs nothing; the facts of the app's binary image;
// an image whose header is no ELF header gives none, and the log says why; a crash record is saved with
// the session's end and never uploaded by that end; a record of another app
// version is not sent; and, in child processes that really crash, the record reaches the job file
// before the process ends the way it would have.

#include <elf.h>
#include <gtest/gtest.h>
#include <link.h>
#include <signal.h>

#include <exception>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/core/UserDefaults.h"
#include "platform/system/Crash.h"
#include "statistics/StatsBinaryImage.h"
#include "statistics/UncaughtExceptionHandler.h"
#include "tests/statistics/SessionTestSupport.h"

namespace stats_test {
namespace {

struct Handlers {
  std::terminate_handler terminate = std::get_terminate();
  std::array<void (*)(int), sys::Crash::kSignals.size()> signals{};
  Handlers() {
    for (std::size_t i = 0; i < signals.size(); ++i) {
      struct sigaction a {};
      ::sigaction(sys::Crash::kSignals[i], nullptr, &a);
      signals[i] = a.sa_handler;
    }
  }
  bool operator==(const Handlers&) const = default;
};

std::string expectedUuid() {
  const auto main = sys::Crash::mainExecutable();
  if (!main) return "";
  return StatsBinaryImage::uuidText(std::vector<unsigned char>(main->buildId.begin(), main->buildId.end()));
}

using CrashCatcher = SessionFixture;

TEST_F(CrashCatcher, SwitchedOffNothingIsInstalledAndSwitchedOnItIsShortlyAfter) {
  const Handlers before;
  UsageStats::setCrashReportEnabled(false);  // as the application does, before the start
  UsageStats::startWithAppkey(kKey, 0, "");
  advance(2);
  EXPECT_FALSE(UsageStats::uncaughtExceptionHandlerInstalled());
  EXPECT_TRUE(Handlers() == before);
  EXPECT_TRUE(internal()->errorSupportInfo().isNil());

  UsageStats::setCrashReportEnabled(true);
  advance(0.005);
  EXPECT_TRUE(Handlers() == before);
  advance(0.01);
  EXPECT_TRUE(UsageStats::uncaughtExceptionHandlerInstalled());
  const Handlers after;
  EXPECT_EQ(after.terminate, &UncaughtExceptionHandler::onUncaughtException);
  for (auto handler : after.signals) EXPECT_EQ(handler, &UncaughtExceptionHandler::onSignal);
  EXPECT_FALSE(internal()->errorSupportInfo().isNil());

  sys::Crash::restoreTerminateHandler();
  sys::Crash::restoreDefaultSignalHandlers();
}

TEST_F(CrashCatcher, TheBinaryImageFactsAreThoseOfTheRunningExecutable) {
  const core::Value facts = StatsBinaryImage::errorSupportInfo();
  const auto main = sys::Crash::mainExecutable();
  ASSERT_TRUE(main);
  EXPECT_EQ(facts["image_name"].str(), "statistics_session_test");
  char base[32];
  std::snprintf(base, sizeof base, "0x%08lx", static_cast<unsigned long>(main->loadAddress));
  EXPECT_EQ(facts["image_base_address"].str(), base);  // a position-independent executable: its header
  ASSERT_FALSE(main->buildId.empty()) << "the toolchain writes build ids";
  EXPECT_EQ(facts["binary_uuid"].str(), expectedUuid());
  EXPECT_TRUE(facts["binary_slide_address"].str().starts_with("0x"));
  EXPECT_FALSE(facts.contains("slide_address"));  // a 64-bit executable
#if defined(__x86_64__)
  EXPECT_EQ(facts["cpu_arch"].str(), "x86_64");
#endif

  const std::pair<std::vector<unsigned char>, const char*> ids[] = {
      {{0x12, 0x34}, "1234"},
      {{0xde, 0xad, 0xbe, 0xef, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
       "DEADBEEF-0102-0304-0506-0708090A0B0C"},
      {{0xde, 0xad, 0xbe, 0xef, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16},
       "DEADBEEF-0102-0304-0506-0708090A0B0C0D0E0F10"},
  };
  for (const auto& [bytes, text] : ids) EXPECT_EQ(StatsBinaryImage::uuidText(bytes), text);
  const std::pair<unsigned, const char*> machines[] = {{EM_X86_64, "x86_64"},
                                                       {EM_386, "i386"},
                                                       {EM_ARM, "arm-unknown"},
                                                       {EM_PPC, "powerpc"},
                                                       {EM_AARCH64, "???"}};
  for (const auto& [machine, name] : machines) EXPECT_EQ(StatsBinaryImage::cpuArch(machine), name);
}

TEST_F(CrashCatcher, AnImageWithoutAnELFHeaderGivesNoFactsAndItsMagicIsLoggedWhole) {
  alignas(8) unsigned char notElf[64] = {'M', 'Z', 0x90, 0x00};
  ElfW(Phdr) load{};
  load.p_type = PT_LOAD;
  load.p_offset = 0;
  load.p_vaddr = reinterpret_cast<std::uintptr_t>(notElf);
  load.p_flags = PF_R;
  dl_phdr_info info{};
  info.dlpi_phdr = &load;
  info.dlpi_phnum = 1;
  EXPECT_TRUE(StatsBinaryImage::factsOf(info, "/opt/vardo/notelf").isNil());
  ASSERT_FALSE(log().empty());
  EXPECT_EQ(log().back(), "Stats: Invalid ELF header magic value: 905a4d");
}

TEST_F(CrashCatcher, WithoutImageFactsACrashIsOnlyLogged) {
  UsageStats::startWithAppkey(kKey, 0, "");
  becomeActive();
  UsageStatsInternal::error("崩溃");
  EXPECT_EQ(log().back(), "Stats: Read binary image info failed!");
  EXPECT_TRUE(internal()->snapshot().errors.empty());
  EXPECT_FALSE(internal()->crashed());
  UsageStatsInternal::error(std::nullopt);  // no text: nothing at all
  EXPECT_TRUE(internal()->snapshot().errors.empty());
}

using CrashRecord = ServerSessionFixture;

TEST_F(CrashRecord, ACrashEndsTheSessionIntoTheJobFileWithoutUploading) {
  UsageStats::startWithAppkey(kKey, 6, "");  // policy 6: an upload at any trigger once the interval passed
  internal()->updateErrorSupportInfo(StatsBinaryImage::errorSupportInfo());
  becomeActive();
  ASSERT_EQ(uploads().size(), 1u);  // the launch
  const std::string session = UsageStats::sessionID();
  advance(30);  // the interval has passed: the end would upload, but for the crash
  UsageStatsInternal::error("boom");
  finishWork();

  EXPECT_EQ(uploads().size(), 1u);
  EXPECT_TRUE(internal()->crashed());
  const core::Value body = jobFile()["body"];
  ASSERT_EQ(body["error"].size(), 1u);
  const core::Value record = body["error"][0];
  EXPECT_EQ(record["message_type"].str(), "error");
  EXPECT_EQ(record["session_id"].str(), session);
  const core::Value facts = internal()->errorSupportInfo();
  EXPECT_EQ(record["context"].str(), "boom\n\ndSYM UUID: " + expectedUuid() +
                                         "\nCPU Type: " + facts["cpu_arch"].str() +
                                         "\nSlide Address: (null)\nBinary Image: statistics_session_test"
                                         "\nBase Address: " +
                                         facts["image_base_address"].str() + "\n");
  ASSERT_EQ(body["terminate"].size(), 1u);
  EXPECT_EQ(body["terminate"][0]["session_id"].str(), session);
  EXPECT_EQ(body["terminate"][0]["duration"].toInt(), 30);
}

TEST_F(CrashRecord, ACrashRecordGoesOutOnlyWithTheNextLaunchOfTheSameVersion) {
  const std::pair<const char*, bool> cases[] = {{"1.0", true}, {"1.1", false}};
  for (const auto& [nextVersion, sent] : cases) {
    SCOPED_TRACE(nextVersion);
    // A run of version 1.0 that crashes.
    UsageStats::reset();
    useServer();
    UsageStats::setAppVersion("1.0");
    UsageStats::startWithAppkey(kKey, 0, "");
    internal()->updateErrorSupportInfo(StatsBinaryImage::errorSupportInfo());
    becomeActive();
    core::Notification crash;
    crash.name = UsageStats::kCrashCatchNotification;
    crash.object = core::Dictionary{{"name", "std::runtime_error"},
                                    {"reason", "题库文件不见了"},
                                    {"callStackSymbols", core::Array{"0 vardo main + 1"}}};
    UsageStats::saveCrashInfo(crash);
    ASSERT_EQ(jobFile()["body"]["error"].size(), 1u);
    EXPECT_EQ(jobFile()["body"]["error"][0]["context"].str().rfind(
                  "题库文件不见了\n(null)\n(\n    \"0 vardo main + 1\"\n)", 0),
              0u);
    core::UserDefaults::resetStandard();
    EXPECT_EQ(defaults().stringForKey("StatsAppVersion"), "1.0");

    // The next run.
    server().clearJournal();
    UsageStats::reset();
    useServer();
    UsageStats::setAppVersion(nextVersion);
    UsageStats::startWithAppkey(kKey, 0, "");
    becomeActive();
    const auto posted = uploads();
    ASSERT_EQ(posted.size(), 1u);
    const core::Value body = posted[0]["decoded"]["body"];
    EXPECT_EQ(body.contains("error"), sent);
    EXPECT_TRUE(body.contains("terminate"));
    EXPECT_EQ(defaults().objectForKey("StatsAppVersion").isNil(), sent);  // forgotten once merged
    defaults().removeObject("StatsAppVersion");
  }
}

// ---- real crashes, in child processes ----

class CrashDeath : public SessionFixture {
 protected:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "fast");
    SessionFixture::SetUp();
    // The parent starts the session; the child inherits it and crashes.
    UsageStats::startWithAppkey(kKey, 0, "");
    UsageStats::setAppVersion("3.0");
    becomeActive();
    UsageStats::event("before-crash");
  }
  static void switchOn() {
    UsageStats::setCrashReportEnabled(true);
    UsageStats::installUncaughtExceptionHandler();
  }
  static core::Value savedBody() {
    core::UserDefaults::resetStandard();
    return jobFile()["body"];
  }
};

TEST_F(CrashDeath, ASignalIsRecordedThenEndsTheProcessByItself) {
  EXPECT_EXIT(
      {
        switchOn();
        ::raise(SIGSEGV);
      },
      ::testing::KilledBySignal(SIGSEGV), "");
  const core::Value body = savedBody();
  ASSERT_EQ(body["error"].size(), 1u);
  const std::string context = body["error"][0]["context"].str();
  EXPECT_EQ(context.rfind("Application received signal SIGSEGV\n(\n", 0), 0u) << context;
  EXPECT_NE(context.find("dSYM UUID: " + expectedUuid()), std::string::npos);
  EXPECT_EQ(body["terminate"].size(), 1u);
  EXPECT_EQ(body["event"][0]["tag"].str(), "before-crash");
  EXPECT_EQ(defaults().stringForKey("StatsAppVersion"), "3.0");
}

TEST_F(CrashDeath, AnUncaughtExceptionOnAnyThreadIsRecordedThenTerminatesAsBefore) {
  EXPECT_EXIT(
      {
        switchOn();
        std::thread([] { throw std::runtime_error("题库文件不见了"); }).join();
      },
      ::testing::KilledBySignal(SIGABRT),
      "terminate called after throwing an instance of 'std::runtime_error'");
  const core::Value body = savedBody();
  ASSERT_EQ(body["error"].size(), 1u);
  const std::string context = body["error"][0]["context"].str();
  EXPECT_EQ(context.rfind("题库文件不见了\n(null)\n(\n", 0), 0u) << context;
  EXPECT_EQ(body["terminate"].size(), 1u);
}

TEST_F(CrashDeath, SignalsWithoutANameSayNull) {
  EXPECT_EQ(UncaughtExceptionHandler::signalName(SIGPIPE), "(null)");
  EXPECT_EQ(UncaughtExceptionHandler::signalName(SIGBUS), "SIGBUS");
  EXPECT_EXIT(
      {
        switchOn();
        ::raise(SIGPIPE);
      },
      ::testing::KilledBySignal(SIGPIPE), "");
  EXPECT_EQ(savedBody()["error"][0]["context"].str().rfind("Application received signal (null)\n", 0), 0u);
}

}  // namespace
}  // namespace stats_test
