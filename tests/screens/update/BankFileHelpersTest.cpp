// VDHelper's file helpers (remove, the local bank; unzip and move are the bank's own, tests/bank) and the
// data-access location the application installs at start-up.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <thread>

#include "dao/DBVersionDAO.h"
#include "platform/runloop/DispatchQueue.h"
#include "tests/screens/update/BankCheckFixture.h"

using namespace bankcheck_test;

using BankFileHelpers = BankCheckFixture;

TEST_F(BankFileHelpers, RemoveUnzipAndTheLocalBank) {
  const std::string dir = home() + "/rm";
  EXPECT_FALSE(VDHelper::removeFile(dir + "/nothing"));
  writeFile(dir + "/tree/a/b.txt", "x");
  EXPECT_TRUE(VDHelper::removeFile(dir + "/tree"));
  EXPECT_FALSE(std::filesystem::exists(dir + "/tree"));

  // VDHelper's unzip is the bank's (BankFilesTest): the image pack of the sample subject unpacks.
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
