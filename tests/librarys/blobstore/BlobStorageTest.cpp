// The keyed blob store: files named by the key's MD5 in the bank's storage directory, answers in the
// order the calls were made (the serial queue decides what exists), immediate answers for keys that
// are not there, and many callers at once. Nothing here sleeps: tests wait on the store's queue.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "librarys/blobstore/BlobStorage.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"
#include "platform/runloop/Semaphore.h"
#include "tests/librarys/altjson/AltJSONTestSupport.h"
#include "tests/support/TempDir.h"

using periphery::bytesOf;

namespace {

// The store fixes its directory for the whole process at first use, so the home and the chosen bank are
// set up once, before any test runs.
class BlobStoreHome : public ::testing::Environment {
 public:
  void SetUp() override {
    home_ = std::make_unique<testsupport::TempHome>("vd-periphery");
    ASSERT_FALSE(home_->path().empty());
    home = home_->path();
    chooseBank("zyys");
  }
  void TearDown() override {
    BlobStorage::ioQueue().waitIdle();
    home_.reset();
  }
  static void chooseBank(const char* value) {
    core::UserDefaults::standard().setObject(
        "saveAppName",
        core::Value(core::Dictionary{{"Key", core::Value("执业药师")}, {"Value", core::Value(value)}}));
  }
  static std::string home;

 private:
  std::unique_ptr<testsupport::TempHome> home_;
};
std::string BlobStoreHome::home;

[[maybe_unused]] ::testing::Environment* const kHome = ::testing::AddGlobalTestEnvironment(new BlobStoreHome);

std::string expectedDirectory() { return BlobStoreHome::home + "/cache/DataStorage/zyys"; }

TEST(BlobStorage, StoresUnderTheMd5OfTheKeyInTheBanksDirectory) {
  EXPECT_EQ(BlobStorage::appName(), "zyys");
  EXPECT_EQ(BlobStorage::storageDirectory(), expectedDirectory());
  EXPECT_EQ(BlobStorage::internalKey("a"), "0cc175b9c0f1b6a831c399e269772661");
  EXPECT_EQ(BlobStorage::pathForDataFile("a"), expectedDirectory() + "/0cc175b9c0f1b6a831c399e269772661");

  const core::Bytes bytes{0x00, 0xFF, 'a', '\n', 0x80};
  EXPECT_TRUE(BlobStorage::storeData(bytes, "a"));
  EXPECT_EQ(core::Paths::readFile(BlobStorage::pathForDataFile("a")), bytes);
  EXPECT_EQ(BlobStorage::dataForKey("a"), bytes);
  EXPECT_TRUE(BlobStorage::isCached("a"));

  // An empty buffer is a stored value too, unlike a missing key.
  EXPECT_TRUE(BlobStorage::storeData({}, "empty"));
  EXPECT_EQ(BlobStorage::dataForKey("empty"), core::Bytes{});
  EXPECT_EQ(BlobStorage::dataForKey("never stored"), std::nullopt);
}

TEST(BlobStorage, TheDirectoryStaysWithTheBankChosenAtFirstUse) {
  EXPECT_EQ(BlobStorage::storageDirectory(), expectedDirectory());
  BlobStoreHome::chooseBank("other");
  EXPECT_EQ(BlobStorage::appName(), "other");
  EXPECT_EQ(BlobStorage::storageDirectory(), expectedDirectory());
  EXPECT_TRUE(BlobStorage::storeData(bytesOf("x"), "after the switch"));
  EXPECT_TRUE(
      core::Paths::isRegularFile(expectedDirectory() + "/" + BlobStorage::internalKey("after the switch")));
  BlobStoreHome::chooseBank("zyys");
}

TEST(BlobStorageDeathTest, ABankNameThatIsNoPlainFileNameKeepsTheFilesInsideTheStore) {
  // The directory is fixed once per process, so each name is tried in a process of its own.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (const char* bank : {"../../escape", "a/b", "..", ""}) {
    SCOPED_TRACE(bank);
    EXPECT_EXIT(
        {
          BlobStoreHome::chooseBank(bank);
          const std::string directory = BlobStorage::storageDirectory();
          const bool stored = BlobStorage::storeData(bytesOf("x"), "k");
          const bool inside = directory == BlobStoreHome::home + "/cache/DataStorage" &&
                              core::Paths::isRegularFile(directory + "/" + BlobStorage::internalKey("k"));
          core::Paths::removeAll(BlobStoreHome::home);
          std::_Exit(stored && inside ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
  }
}

TEST(BlobStorage, AMissingKeyIsAnsweredAtOnceOnTheCallersThread) {
  const auto caller = std::this_thread::get_id();
  int reads = 0;
  BlobStorage::dataForKey("missing", [&](const std::optional<core::Bytes>& data) {
    ++reads;
    EXPECT_EQ(std::this_thread::get_id(), caller);
    EXPECT_FALSE(data.has_value());
  });
  EXPECT_EQ(reads, 1);

  int removals = 0;
  BlobStorage::removeCacheForKey("missing", [&] {
    ++removals;
    EXPECT_EQ(std::this_thread::get_id(), caller);
  });
  EXPECT_EQ(removals, 1);
  EXPECT_FALSE(BlobStorage::isCached("missing"));
  BlobStorage::dataForKey("missing", nullptr);  // no block: nothing to do
}

TEST(BlobStorage, AReadMadeRightAfterAStoreSeesTheStoredBytes) {
  // The key does not exist yet when the read is made; the store queued before it decides.
  const auto caller = std::this_thread::get_id();
  std::optional<core::Bytes> seen;
  bool onQueue = false;
  BlobStorage::storeData(bytesOf("fresh"), "queued", nullptr);
  BlobStorage::dataForKey("queued", [&](const std::optional<core::Bytes>& data) {
    seen = data;
    onQueue = BlobStorage::ioQueue().isCurrent() && std::this_thread::get_id() != caller;
  });
  BlobStorage::ioQueue().waitIdle();
  EXPECT_EQ(seen, bytesOf("fresh"));
  EXPECT_TRUE(onQueue);

  // isCached counts a store that is still waiting on the queue.
  BlobStorage::storeData(bytesOf("fresh"), "queued too", nullptr);
  EXPECT_TRUE(BlobStorage::isCached("queued too"));
}

TEST(BlobStorage, OverwriteReplacesTheWholeFile) {
  EXPECT_TRUE(BlobStorage::storeData(bytesOf("a much longer first value"), "over"));
  BlobStorage::storeData(bytesOf("short"), "over", nullptr);
  EXPECT_EQ(BlobStorage::dataForKey("over"), bytesOf("short"));
  EXPECT_EQ(core::Paths::readFile(BlobStorage::pathForDataFile("over")), bytesOf("short"));
  // Atomic writes leave no temporary files behind.
  for (const auto& entry : std::filesystem::directory_iterator(expectedDirectory())) {
    EXPECT_EQ(entry.path().filename().string().size(), 32u) << entry.path();
  }
}

TEST(BlobStorage, RemovalInOrderWithTheOtherCalls) {
  EXPECT_TRUE(BlobStorage::storeData(bytesOf("gone soon"), "removed"));
  int removed = 0;
  BlobStorage::removeCacheForKey("removed", [&] {
    ++removed;
    EXPECT_TRUE(BlobStorage::ioQueue().isCurrent());
  });
  // Made after the removal, so it answers none even though the file may still be there right now.
  std::optional<core::Bytes> seen = bytesOf("not answered");
  BlobStorage::dataForKey("removed", [&](const std::optional<core::Bytes>& data) { seen = data; });
  EXPECT_FALSE(BlobStorage::isCached("removed"));
  BlobStorage::ioQueue().waitIdle();
  EXPECT_EQ(removed, 1);
  EXPECT_EQ(seen, std::nullopt);
  EXPECT_FALSE(core::Paths::fileExists(BlobStorage::pathForDataFile("removed")));

  // Store, remove, store again: the last one wins.
  BlobStorage::storeData(bytesOf("1"), "cycle", nullptr);
  BlobStorage::removeCacheForKey("cycle", nullptr);
  BlobStorage::storeData(bytesOf("2"), "cycle", nullptr);
  EXPECT_EQ(BlobStorage::dataForKey("cycle"), bytesOf("2"));
  BlobStorage::removeCacheForKey("cycle");
  EXPECT_FALSE(BlobStorage::isCached("cycle"));
}

TEST(BlobStorage, AFailedWriteIsReportedAsAFailure) {
  // A directory where the key's file belongs cannot be replaced by a file.
  ASSERT_TRUE(core::Paths::createDirectories(BlobStorage::pathForDataFile("blocked")));
  EXPECT_FALSE(BlobStorage::storeData(bytesOf("x"), "blocked"));
  bool reported = true;
  BlobStorage::storeData(bytesOf("x"), "blocked", [&](bool stored) { reported = stored; });
  BlobStorage::ioQueue().waitIdle();
  EXPECT_FALSE(reported);
  core::Paths::removeAll(BlobStorage::pathForDataFile("blocked"));
}

TEST(BlobStorage, TheDirectoryIsMadeAgainWhenItWasCleared) {
  EXPECT_TRUE(BlobStorage::storeData(bytesOf("before"), "cleared"));
  core::Paths::removeAll(expectedDirectory());
  EXPECT_TRUE(BlobStorage::storeData(bytesOf("after"), "cleared"));
  EXPECT_EQ(BlobStorage::dataForKey("cleared"), bytesOf("after"));
}

TEST(BlobStorage, SynchronousCallsFromTheQueueDoNotWaitForThemselves) {
  std::optional<core::Bytes> inner;
  bool stored = false;
  BlobStorage::storeData(bytesOf("outer"), "reentrant", [&](bool) {
    stored = BlobStorage::storeData(bytesOf("inner"), "reentrant");
    inner = BlobStorage::dataForKey("reentrant");
    EXPECT_TRUE(BlobStorage::isCached("reentrant"));
    BlobStorage::removeCacheForKey("reentrant");
  });
  BlobStorage::ioQueue().waitIdle();
  EXPECT_TRUE(stored);
  EXPECT_EQ(inner, bytesOf("inner"));
  EXPECT_FALSE(BlobStorage::isCached("reentrant"));
}

TEST(BlobStorage, ManyCallersAtOnceEachSeeTheirOwnOrder) {
  constexpr int kThreads = 8;
  constexpr int kRounds = 10;
  std::atomic<int> outOfOrder{0};
  std::atomic<int> sharedReads{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &outOfOrder, &sharedReads] {
      const std::string own = "caller-" + std::to_string(t);
      for (int r = 0; r < kRounds; ++r) {
        const core::Bytes value = bytesOf(own + "#" + std::to_string(r));
        BlobStorage::storeData(value, own, nullptr);
        // Each caller's read comes after its own store, whatever the others do meanwhile.
        BlobStorage::dataForKey(own, [value, &outOfOrder](const std::optional<core::Bytes>& data) {
          if (data != value) ++outOfOrder;
        });
        BlobStorage::storeData(value, "shared", nullptr);
        BlobStorage::dataForKey("shared", [&sharedReads](const std::optional<core::Bytes>& data) {
          // Some caller's whole value, never a mix or a half-written file.
          if (data && data->size() >= 8 && std::string(data->begin(), data->begin() + 7) == "caller-")
            ++sharedReads;
        });
      }
      if (t % 2 == 0) BlobStorage::removeCacheForKey(own, nullptr);
    });
  }
  for (auto& thread : threads) thread.join();
  BlobStorage::ioQueue().waitIdle();
  EXPECT_EQ(outOfOrder.load(), 0);
  EXPECT_EQ(sharedReads.load(), kThreads * kRounds);
  for (int t = 0; t < kThreads; ++t) {
    const std::string own = "caller-" + std::to_string(t);
    SCOPED_TRACE(own);
    if (t % 2 == 0) {
      EXPECT_FALSE(BlobStorage::isCached(own));
    } else {
      EXPECT_EQ(BlobStorage::dataForKey(own), bytesOf(own + "#" + std::to_string(kRounds - 1)));
    }
  }
}

}  // namespace
