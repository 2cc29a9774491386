// The file helpers of the download and install steps (unzip, move, remove) and the data-access location
// the application installs at start-up.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <thread>

#include "dao/DBVersionDAO.h"
#include "platform/runloop/DispatchQueue.h"
#include "tests/screens/update/BankCheckFixture.h"

using namespace bankcheck_test;

using BankFileHelpers = BankCheckFixture;

TEST_F(BankFileHelpers, MoveReplacesTheDestinationInOneStepAndAFailedMoveKeepsIt) {
  const std::string dir = home() + "/move";
  const std::string from = dir + "/new.db", to = dir + "/bank.db";

  // A move over an existing file replaces it; the source is gone.
  writeFile(to, "old bank");
  writeFile(from, "new bank");
  EXPECT_TRUE(VDHelper::moveFileAtPath(from, to));
  EXPECT_EQ(readFile(to), "new bank");
  EXPECT_FALSE(std::filesystem::exists(from));

  // A move that cannot happen (nothing to move) leaves the destination as it was.
  EXPECT_FALSE(VDHelper::moveFileAtPath(dir + "/missing.db", to));
  EXPECT_EQ(readFile(to), "new bank");

  // A directory over a directory that is not empty, and a file over a directory, replace it.
  writeFile(dir + "/imgNew/a.png", "a");
  writeFile(dir + "/img/old.png", "old");
  EXPECT_TRUE(VDHelper::moveFileAtPath(dir + "/imgNew", dir + "/img"));
  EXPECT_TRUE(std::filesystem::exists(dir + "/img/a.png"));
  EXPECT_FALSE(std::filesystem::exists(dir + "/img/old.png"));
  writeFile(dir + "/file", "f");
  EXPECT_TRUE(VDHelper::moveFileAtPath(dir + "/file", dir + "/img"));
  EXPECT_EQ(readFile(dir + "/img"), "f");
}

TEST_F(BankFileHelpers, MoveAcrossFileSystemsCopiesThenReplaces) {
  struct stat homeStat {
  }, shm{};
  if (::stat(home().c_str(), &homeStat) != 0 || ::stat("/dev/shm", &shm) != 0 ||
      homeStat.st_dev == shm.st_dev) {
    GTEST_SKIP() << "no second file system at /dev/shm";
  }
  std::string pattern = "/dev/shm/vd-bankcheck-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
  const std::string from = pattern + "/new.db";
  writeFile(from, "new bank");
  const std::string to = home() + "/bank.db";
  writeFile(to, "old bank");

  EXPECT_TRUE(VDHelper::moveFileAtPath(from, to));
  EXPECT_EQ(readFile(to), "new bank");
  EXPECT_FALSE(std::filesystem::exists(from));
  // No temporary copy is left beside the destination.
  for (const auto& e : std::filesystem::directory_iterator(home()))
    EXPECT_EQ(e.path().filename().string().find(".moving"), std::string::npos) << e.path();

  std::filesystem::remove_all(pattern);
}

TEST_F(BankFileHelpers, RemoveUnzipAndTheLocalBank) {
  const std::string dir = home() + "/rm";
  EXPECT_FALSE(VDHelper::removeFile(dir + "/nothing"));
  writeFile(dir + "/tree/a/b.txt", "x");
  EXPECT_TRUE(VDHelper::removeFile(dir + "/tree"));
  EXPECT_FALSE(std::filesystem::exists(dir + "/tree"));

  // Not a zip: false, nothing written.
  writeFile(dir + "/fake.zip", "not a zip");
  EXPECT_FALSE(VDHelper::unZip(dir + "/fake.zip", dir + "/out"));
  EXPECT_FALSE(std::filesystem::exists(dir + "/out") && !std::filesystem::is_empty(dir + "/out"));
  // The image pack of the sample subject unpacks.
  EXPECT_TRUE(VDHelper::unZip(sampleFile("ImgDir_GKSample.zip"), dir + "/img"));
  EXPECT_FALSE(std::filesystem::is_empty(dir + "/img"));

  // removeLocaDB removes the chosen subject's bank only.
  installSampleBank();
  writeFile(VDHelper::dbSavePath() + "/Other.db", "other subject");
  EXPECT_TRUE(VDHelper::removeLocaDB());
  EXPECT_FALSE(std::filesystem::exists(bankFile()));
  EXPECT_TRUE(std::filesystem::exists(VDHelper::dbSavePath() + "/Other.db"));
  EXPECT_FALSE(VDHelper::removeLocaDB());
}

TEST_F(BankFileHelpers, BankLocationFollowsTheStorageFromAnyThread) {
  EXPECT_EQ(BankLocation::dbDirectory(), VDHelper::dbSavePath());
  EXPECT_EQ(BankLocation::value(), kSubject);
  EXPECT_EQ(BankLocation::updateDirectory(), core::Paths::caches() + "/downloadCache/Update_GKSample");
  installSampleBank();
  EXPECT_EQ(DBVersionDAO().getMaxBatchID(), 2);

  // From a worker thread: the chosen subject from the user default; failed statements counted on the
  // main thread.
  std::atomic<bool> done{false};
  std::string workerValue;
  std::int64_t workerBatch = 0;
  std::thread worker([&] {
    workerValue = BankLocation::value();
    workerBatch = DBVersionDAO().getMaxBatchID();
    BankLocation::countSqlError();
    BankLocation::countSqlError();
    done = true;
  });
  ASSERT_TRUE(runUntil([&] { return done.load(); }));
  worker.join();
  h().drainMain();
  EXPECT_EQ(workerValue, kSubject);
  EXPECT_EQ(workerBatch, 2);
  EXPECT_EQ(app().SqlErrorNumber(), 2);

  // A choice held only by the session is read on the main thread, never on another.
  core::UserDefaults::standard().removeObject("saveAppName");
  app().userSession().set("saveAppName", core::Dictionary{{"Key", "科目"}, {"Value", "SessionOnly"}});
  EXPECT_EQ(BankLocation::value(), "SessionOnly");
  done = false;
  std::thread second([&] {
    workerValue = BankLocation::value();
    done = true;
  });
  ASSERT_TRUE(runUntil([&] { return done.load(); }));
  second.join();
  EXPECT_EQ(workerValue, "");
}
