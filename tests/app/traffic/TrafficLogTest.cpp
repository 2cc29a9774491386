// VDLogHelper: the live TrafficLog in the data directory seeded from the bundle, per-day and per-month
// totals across day and month changes, what counts and what does not, and exact totals under
// concurrent counting.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/AppDelegate.h"
#include "app/AppServices.h"
#include "app/VDLogHelper.h"
#include "app/VDViewControllerFactory.h"
#include "platform/core/Bundle.h"
#include "platform/core/DateFormatter.h"
#include "platform/core/Paths.h"
#include "platform/core/PropertyList.h"
#include "platform/core/UserDefaults.h"
#include "screens/AllScreens.h"
#include "tests/support/FixedReachability.h"
#include "tests/support/ScopedBundle.h"
#include "tests/support/StandInScreens.h"
#include "tests/support/TempDir.h"
#include "ui/test/Harness.h"

namespace {

using TempDir = testsupport::TempDir;

core::Date localDate(const char* text) {
  const auto date = core::DateFormatter::parse(text, "yyyy-MM-dd HH:mm:ss");
  EXPECT_TRUE(date.has_value()) << text;
  return date.value_or(core::Date{});
}

class TrafficLog : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(home_.path().empty());
    ASSERT_FALSE(bundle_.path().empty());
    if (const char* b = std::getenv("VARDO_BUNDLE")) savedBundle_ = b;
    ASSERT_TRUE(savedBundle_.has_value()) << "the tests run with the build bundle";
    // A bundle of our own, so that its traffic log can be chosen per test.
    for (const char* file : {"Info.plist", "Localizable.strings", "vardo-config.plist",
                             "vardo-iPhoneUI.plist", "vardo-log.plist"}) {
      const auto bytes = core::Paths::readFile(core::Paths::join(*savedBundle_, file));
      ASSERT_TRUE(bytes.has_value()) << file;
      ASSERT_TRUE(core::Paths::atomicWrite(core::Paths::join(bundle_.path(), file), *bytes));
    }
    homeInUse_.emplace("VARDO_HOME", home_.path());
    bundleInUse_.emplace(bundle_.path());
    core::UserDefaults::resetStandard();
    VDLogHelper::resetSharedInstance();
    // The counter reads the running application's clock and network watcher.
    AppServices services;
    services.clock = [this] { return now_; };
    harness_.app().setDelegate(std::make_shared<WatchedApp>(std::move(services), reach_));
  }

  void TearDown() override {
    harness_.app().setDelegate(nullptr);
    VDLogHelper::resetSharedInstance();
    bundleInUse_.reset();
    homeInUse_.reset();
    core::UserDefaults::resetStandard();
  }

  std::string bundleLogPath() const { return core::Paths::join(bundle_.path(), "vardo-log.plist"); }
  std::string liveLogPath() const { return core::Paths::join(home_.path(), "data/vardo-log.plist"); }

  void seedBundle(const core::Value& log) {
    ASSERT_TRUE(core::PropertyList::writeFile(bundleLogPath(), log));
  }

  // The totals as the file holds them (a fresh reader).
  static std::int64_t fileTotal(const std::string& path, const char* map, const std::string& key) {
    const core::Value log = core::PropertyList::readFile(path);
    return log[map][key].toInt();
  }

  TempDir home_;
  TempDir bundle_;
  std::optional<std::string> savedBundle_;
  std::optional<testsupport::ScopedEnv> homeInUse_;
  std::optional<testsupport::ScopedBundle> bundleInUse_;
  // An application that has its network watcher without a launch.
  class WatchedApp : public AppDelegate {
   public:
    WatchedApp(AppServices services, std::shared_ptr<ReachabilityWatcher> reach) : AppDelegate(std::move(services)) {
      hostReach_ = std::move(reach);
    }
  };

  std::shared_ptr<testsupport::FixedReachability> reach_ = std::make_shared<testsupport::FixedReachability>(1);
  core::Date now_ = localDate("2024-01-31 23:59:59");
  ui::test::Harness harness_;
};

core::Value logOf(std::initializer_list<core::Dictionary::Entry> days,
                  std::initializer_list<core::Dictionary::Entry> months) {
  core::Value log = core::Value::dictionary();
  log.set("DayBytes", core::Dictionary(days));
  log.set("MonBytes", core::Dictionary(months));
  return log;
}

TEST_F(TrafficLog, LiveLogIsSeededFromTheBundleAndKeptInTheDataDirectory) {
  seedBundle(logOf({{"20240130", 100}}, {{"202401", 1000}}));
  const auto bundleBefore = core::Paths::readFile(bundleLogPath());

  auto counter = VDLogHelper::sharedInstance();
  EXPECT_EQ(counter->path(), liveLogPath());
  EXPECT_EQ(VDLogHelper::logFilePath(), liveLogPath());
  EXPECT_EQ(counter->getDayBytes("20240130"), 100);
  EXPECT_EQ(counter->getMonBytes("202401"), 1000);
  EXPECT_FALSE(core::Paths::fileExists(liveLogPath())) << "nothing is written before the first count";

  VDLogHelper::appendSize(50);  // 2024-01-31
  EXPECT_EQ(fileTotal(liveLogPath(), "DayBytes", "20240130"), 100) << "the seed's totals are kept";
  EXPECT_EQ(fileTotal(liveLogPath(), "DayBytes", "20240131"), 50);
  EXPECT_EQ(fileTotal(liveLogPath(), "MonBytes", "202401"), 1050);
  EXPECT_EQ(core::Paths::readFile(bundleLogPath()), bundleBefore) << "the bundle is only ever read";

  // The next start reads the live log, not the seed.
  seedBundle(logOf({}, {{"202401", 7}}));
  VDLogHelper::resetSharedInstance();
  EXPECT_EQ(VDLogHelper::sharedInstance()->getMonBytes("202401"), 1050);
  EXPECT_EQ(VDLogHelper::sharedInstance()->getDayBytes("20240131"), 50);
}

TEST_F(TrafficLog, TotalsPerDayAndPerMonthAcrossDayAndMonthChanges) {
  struct Chunk {
    const char* at;
    std::int64_t bytes;
  };
  const Chunk chunks[] = {
      {"2024-01-31 23:59:59", 100},  {"2024-02-01 00:00:00", 20},    {"2024-02-01 13:30:00", 3},
      {"2024-02-29 08:00:00", 4000}, {"2024-03-01 00:00:01", 50000}, {"2025-01-31 10:00:00", 600000},
  };
  for (const auto& c : chunks) {
    now_ = localDate(c.at);
    VDLogHelper::appendSize(c.bytes);
  }
  struct Total {
    const char* key;
    std::int64_t bytes;
  };
  const Total days[] = {{"20240131", 100},   {"20240201", 23},     {"20240229", 4000},
                        {"20240301", 50000}, {"20250131", 600000}, {"20240202", 0}};
  const Total months[] = {
      {"202401", 100}, {"202402", 4023}, {"202403", 50000}, {"202501", 600000}, {"202412", 0}};
  // The shared counter, and a new one that reads the file.
  for (const auto& counter : {VDLogHelper::sharedInstance(), std::make_shared<VDLogHelper>()}) {
    for (const auto& d : days) {
      SCOPED_TRACE(d.key);
      EXPECT_EQ(counter->getDayBytes(d.key), d.bytes);
      EXPECT_EQ(counter->getMonBytes(d.key), 0) << "a day key is never a month key";
    }
    for (const auto& m : months) {
      SCOPED_TRACE(m.key);
      EXPECT_EQ(counter->getMonBytes(m.key), m.bytes);
      EXPECT_EQ(counter->getDayBytes(m.key), 0);
    }
  }
}

TEST_F(TrafficLog, OnlyTrafficOffWiFiCounts) {
  struct Case {
    int status;
    bool counted;
  };
  const Case cases[] = {{2, false}, {1, true}, {0, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.status);
    reach_->setStatus(c.status);
    auto counter = VDLogHelper::sharedInstance();
    const std::int64_t dayBefore = counter->getDayBytes("20240131");
    const std::int64_t monthBefore = counter->getMonBytes("202401");
    VDLogHelper::appendSize(700);
    counter->saveDay("20240101", 5);
    counter->saveMon("202312", 6);
    EXPECT_EQ(counter->getDayBytes("20240131") - dayBefore, c.counted ? 700 : 0);
    EXPECT_EQ(counter->getMonBytes("202401") - monthBefore, c.counted ? 700 : 0);
    EXPECT_EQ(fileTotal(liveLogPath(), "DayBytes", "20240131"), counter->getDayBytes("20240131"));
    if (!c.counted) {
      EXPECT_FALSE(core::Paths::fileExists(liveLogPath())) << "nothing counted, nothing written";
      EXPECT_EQ(counter->getDayBytes("20240101"), 0);
      EXPECT_EQ(counter->getMonBytes("202312"), 0);
    }
  }
  auto counter = VDLogHelper::sharedInstance();
  EXPECT_EQ(counter->getDayBytes("20240101"), 10);
  EXPECT_EQ(counter->getMonBytes("202312"), 12);
}

TEST_F(TrafficLog, ByDefaultTheApplicationDelegatesWatcherDecides) {
  class Watcher : public ReachabilityWatcher {
   public:
    int currentReachabilityStatus() const override { return status; }
    bool startNotifier() override { return true; }
    int status = 2;
  };
  auto watcher = std::make_shared<Watcher>();
  registerAllScreens();
  testsupport::registerStandInScreensWhereNoneIs();  // the screens of the other areas
  AppServices services;
  services.reachabilityForInternetConnection = [watcher] { return watcher; };
  services.clock = [this] { return now_; };
  auto delegate = std::make_shared<AppDelegate>(services);
  ASSERT_TRUE(harness_.launch(delegate));

  VDLogHelper::appendSize(300);
  EXPECT_EQ(VDLogHelper::sharedInstance()->getDayBytes("20240131"), 0) << "on Wi-Fi";
  watcher->status = 1;
  VDLogHelper::appendSize(300);
  EXPECT_EQ(VDLogHelper::sharedInstance()->getDayBytes("20240131"), 300) << "on the mobile network";
  watcher->status = 0;
  VDLogHelper::appendSize(1);
  EXPECT_EQ(VDLogHelper::sharedInstance()->getDayBytes("20240131"), 301) << "with no network";
}

TEST_F(TrafficLog, NothingAndLessThanNothingChangeNothing) {
  auto counter = VDLogHelper::sharedInstance();
  VDLogHelper::appendSize(0);
  VDLogHelper::appendSize(-500);
  counter->saveDay("20240131", -1);
  counter->saveMon("202401", 0);
  EXPECT_EQ(counter->getDayBytes("20240131"), 0);
  EXPECT_EQ(counter->getMonBytes("202401"), 0);
  EXPECT_FALSE(core::Paths::fileExists(liveLogPath()));
}

TEST_F(TrafficLog, CountsWithoutAnyLogToStartFrom) {
  ASSERT_TRUE(core::Paths::removeAll(bundleLogPath()));
  core::Bundle::resetMain();
  VDLogHelper::appendSize(42);
  EXPECT_EQ(VDLogHelper::sharedInstance()->getDayBytes("20240131"), 42);
  EXPECT_EQ(fileTotal(liveLogPath(), "MonBytes", "202401"), 42);
}

TEST_F(TrafficLog, UnreadableOrMisshapenLiveLogs) {
  struct Case {
    const char* what;
    std::string liveText;
    std::int64_t monthAfterCount;  // January's total after one count of 5
  };
  const std::string plistHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n";
  const Case cases[] = {
      {"not a property list: the seed is used", "garbage", 1000 + 5},
      {"maps of the wrong kind are replaced",
       plistHead + "<dict><key>DayBytes</key><array/><key>MonBytes</key><string>x</string></dict></plist>",
       5},
      {"a property list that is no dictionary: the seed is used", plistHead + "<array/></plist>", 1000 + 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    seedBundle(logOf({}, {{"202401", 1000}}));
    ASSERT_TRUE(core::Paths::createDirectories(core::Paths::parent(liveLogPath())));
    ASSERT_TRUE(core::Paths::atomicWrite(liveLogPath(), c.liveText));
    VDLogHelper counter;
    counter.append(5, now_);
    EXPECT_EQ(counter.getMonBytes("202401"), c.monthAfterCount);
    EXPECT_EQ(fileTotal(liveLogPath(), "MonBytes", "202401"), c.monthAfterCount);
    EXPECT_EQ(fileTotal(liveLogPath(), "DayBytes", "20240131"), 5);
  }
}

TEST_F(TrafficLog, AFailedWriteKeepsTheTotalsInMemory) {
  // The log's directory cannot be made: its would-be parent is a file.
  const std::string blocker = core::Paths::join(home_.path(), "blocker");
  ASSERT_TRUE(core::Paths::atomicWrite(blocker, std::string_view("x")));
  VDLogHelper counter(core::Paths::join(blocker, "dir/vardo-log.plist"));
  counter.append(9, now_);
  counter.append(1, now_);
  EXPECT_EQ(counter.getDayBytes("20240131"), 10);
  EXPECT_EQ(counter.getMonBytes("202401"), 10);
}

TEST_F(TrafficLog, ResetEmptiesBothMapsAndTheFile) {
  seedBundle(logOf({{"20240130", 100}}, {{"202401", 1000}}));
  auto counter = VDLogHelper::sharedInstance();
  VDLogHelper::appendSize(5);
  counter->reset();
  EXPECT_EQ(counter->getDayBytes("20240130"), 0);
  EXPECT_EQ(counter->getMonBytes("202401"), 0);
  const core::Value file = core::PropertyList::readFile(liveLogPath());
  EXPECT_EQ(file, logOf({}, {}));
  VDLogHelper::appendSize(3);
  EXPECT_EQ(counter->getMonBytes("202401"), 3);
}

TEST_F(TrafficLog, ConcurrentCountsFromSeveralThreadsAllLand) {
  constexpr int kThreads = 6;
  constexpr int kChunksPerThread = 40;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < kChunksPerThread; ++i) VDLogHelper::appendSize(t + 1);
    });
  for (auto& th : threads) th.join();
  // 40 * (1 + 2 + ... + 6)
  const std::int64_t expected = std::int64_t{kChunksPerThread} * kThreads * (kThreads + 1) / 2;
  EXPECT_EQ(VDLogHelper::sharedInstance()->getDayBytes("20240131"), expected);
  EXPECT_EQ(VDLogHelper::sharedInstance()->getMonBytes("202401"), expected);
  EXPECT_EQ(fileTotal(liveLogPath(), "DayBytes", "20240131"), expected);
  EXPECT_EQ(fileTotal(liveLogPath(), "MonBytes", "202401"), expected);
}

TEST_F(TrafficLog, SharedCounterIsMadeOnceUnderConcurrentFirstUse) {
  std::vector<std::thread> threads;
  std::vector<VDLogHelper*> seen(8, nullptr);
  for (std::size_t t = 0; t < seen.size(); ++t)
    threads.emplace_back([t, &seen] { seen[t] = VDLogHelper::sharedInstance().get(); });
  for (auto& th : threads) th.join();
  for (VDLogHelper* p : seen) EXPECT_EQ(p, seen.front());
}

}  // namespace
