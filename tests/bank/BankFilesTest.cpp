// The file steps of the bank: moves that replace in one step (also across file systems), unpacking,
// replacing a file, and telling a database from anything else.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "bank/BankFiles.h"
#include "tests/bank/BankFixture.h"

namespace banktest {
namespace {

using BankFilesTest = BankFixture;

TEST_F(BankFilesTest, MoveReplacesTheDestinationInOneStepAndAFailedMoveKeepsIt) {
  const std::string dir = home() + "/move";
  const std::string from = dir + "/new.db", to = dir + "/bank.db";

  // A move over an existing file replaces it; the source is gone.
  writeFile(to, "old bank");
  writeFile(from, "new bank");
  EXPECT_TRUE(BankFiles::moveFileAtPath(from, to));
  EXPECT_EQ(readAll(to), "new bank");
  EXPECT_FALSE(std::filesystem::exists(from));

  // A move that cannot happen (nothing to move) leaves the destination as it was.
  EXPECT_FALSE(BankFiles::moveFileAtPath(dir + "/missing.db", to));
  EXPECT_EQ(readAll(to), "new bank");

  // A directory over a directory that is not empty, and a file over a directory, replace it.
  writeFile(dir + "/imgNew/a.png", "a");
  writeFile(dir + "/img/old.png", "old");
  EXPECT_TRUE(BankFiles::moveFileAtPath(dir + "/imgNew", dir + "/img"));
  EXPECT_TRUE(std::filesystem::exists(dir + "/img/a.png"));
  EXPECT_FALSE(std::filesystem::exists(dir + "/img/old.png"));
  writeFile(dir + "/file", "f");
  EXPECT_TRUE(BankFiles::moveFileAtPath(dir + "/file", dir + "/img"));
  EXPECT_EQ(readAll(dir + "/img"), "f");
}

TEST_F(BankFilesTest, MoveAcrossFileSystemsCopiesThenReplaces) {
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

  EXPECT_TRUE(BankFiles::moveFileAtPath(from, to));
  EXPECT_EQ(readAll(to), "new bank");
  EXPECT_FALSE(std::filesystem::exists(from));
  // No temporary copy is left beside the destination.
  for (const auto& e : std::filesystem::directory_iterator(home()))
    EXPECT_EQ(e.path().filename().string().find(".moving"), std::string::npos) << e.path();

  std::filesystem::remove_all(pattern);
}

TEST_F(BankFilesTest, UnzipRefusesWhatIsNoZipAndUnpacksAnImagePack) {
  const std::string dir = home() + "/zip";
  writeFile(dir + "/fake.zip", "not a zip");
  EXPECT_FALSE(BankFiles::unZip(dir + "/fake.zip", dir + "/out"));
  EXPECT_FALSE(exists(dir + "/out") && !fs::is_empty(dir + "/out"));
  EXPECT_FALSE(BankFiles::unZip(dir + "/missing.zip", dir + "/out"));
  EXPECT_TRUE(BankFiles::unZip(samplePath("ImgDir_GKSample.zip"), dir + "/img"));
  EXPECT_TRUE(exists(dir + "/img/gk_map500.png"));
}

TEST_F(BankFilesTest, OnlyADatabaseHeadCountsAsADatabase) {
  const std::string dir = home() + "/heads";
  struct Case {
    const char* name;
    std::string bytes;
    bool database;
  } cases[] = {
      {"the sample bank", readAll(samplePath("GKSample.db")), true},
      {"its head alone", std::string("SQLite format 3\0", 16), true},
      {"the head without its NUL", "SQLite format 3", false},
      {"text", "hello", false},
      {"empty", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    writeFile(dir + "/f", c.bytes);
    EXPECT_EQ(BankFiles::isSQLiteFile(dir + "/f"), c.database);
  }
  EXPECT_FALSE(BankFiles::isSQLiteFile(dir + "/missing"));
}

TEST_F(BankFilesTest, ReplaceFileNeverLeavesTheTargetMissing) {
  const std::string dir = home() + "/replace";
  writeFile(dir + "/bank.db", "old");
  // Nothing to put in its place, or a directory: the target stays.
  EXPECT_FALSE(BankFiles::replaceFile(dir + "/missing.db", dir + "/bank.db"));
  fs::create_directories(dir + "/adir");
  EXPECT_FALSE(BankFiles::replaceFile(dir + "/adir", dir + "/bank.db"));
  EXPECT_EQ(readAll(dir + "/bank.db"), "old");
  writeFile(dir + "/new.db", "new");
  EXPECT_TRUE(BankFiles::replaceFile(dir + "/new.db", dir + "/bank.db"));
  EXPECT_EQ(readAll(dir + "/bank.db"), "new");
  EXPECT_FALSE(exists(dir + "/new.db"));
  // A copy never overwrites.
  writeFile(dir + "/other.db", "other");
  EXPECT_FALSE(BankFiles::copyFile(dir + "/other.db", dir + "/bank.db"));
  EXPECT_EQ(readAll(dir + "/bank.db"), "new");
}

}  // namespace
}  // namespace banktest
