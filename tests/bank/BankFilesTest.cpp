// The file steps of the bank: moves that replace in one step (also across file systems), unpacking,
// replacing a file, and telling a database from anything else.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "bank/BankFiles.h"
#include "util/ZipWrapper.h"
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

// Why an archive could not be unpacked, as the update alerts tell it; the refused archives write nothing.
TEST_F(BankFilesTest, AnArchiveThatCannotBeUnpackedSaysWhy) {
  const std::string dir = home() + "/why";
  // A zip of one entry with the content and the name given (written by the wrapper itself).
  auto zipOf = [&](const std::string& zipName, const std::string& entry, const std::string& content) {
    writeFile(dir + "/content", content);
    ZipWrapper zip;
    EXPECT_TRUE(zip.CreateZipFile2(dir + "/" + zipName));
    EXPECT_TRUE(zip.addFileToZip(dir + "/content", entry));
    EXPECT_TRUE(zip.CloseZipFile2());
  };
  zipOf("bomb.zip", "zeros.bin", std::string(4 << 20, '\0'));  // about 1000:1
  zipOf("escape.zip", "../escape.txt", "out");
  zipOf("good.zip", "a.txt", "fine");
  // The same archive with its entry's data damaged: the first bytes after the local header (30 bytes,
  // then the name and the extra field, whose lengths it holds at 26 and 28) flipped.
  std::string damaged = readAll(dir + "/good.zip");
  auto u16 = [&](std::size_t at) {
    return static_cast<std::size_t>(static_cast<unsigned char>(damaged[at])) |
           static_cast<std::size_t>(static_cast<unsigned char>(damaged[at + 1])) << 8;
  };
  const std::size_t data = 30 + u16(26) + u16(28);
  ASSERT_LT(data + 2, damaged.size());
  for (std::size_t i = data; i < data + 2; ++i) damaged[i] = static_cast<char>(damaged[i] ^ 0x55);
  writeFile(dir + "/damaged.zip", damaged);
  writeFile(dir + "/text.zip", "not a zip");

  struct Case {
    const char* zip;
    const char* why;  // "" when it unpacks
  };
  const Case cases[] = {
      {"bomb.zip", "解压后超过压缩包大小的100倍"},
      {"escape.zip", "压缩包中的文件名不安全"},
      {"damaged.zip", "压缩包已损坏"},
      {"text.zip", "文件不是有效的压缩包"},
      {"missing.zip", "文件不是有效的压缩包"},
      {"good.zip", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.zip);
    const std::string out = dir + "/out-" + c.zip;
    std::string why;
    EXPECT_EQ(BankFiles::unZip(dir + "/" + c.zip, out, &why), *c.why == '\0');
    EXPECT_EQ(why, c.why);
    if (*c.why) {
      EXPECT_FALSE(exists(out) && !fs::is_empty(out)) << "a refused archive writes nothing";
    }
  }
  EXPECT_EQ(readAll(dir + "/out-good.zip/a.txt"), "fine");
  EXPECT_FALSE(exists(dir + "/escape.txt"));
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
