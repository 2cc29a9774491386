#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <random>

#include <gtest/gtest.h>

#include "tests/support/TempDir.h"
#include "tests/util/ZipFixtures.h"
#include "util/ZipEntryStream.h"
#include "util/ZipWrapper.h"

using testutil::readAll;
using testsupport::TempDir;
using testutil::writeAll;
using testutil::writeZip;
using testutil::ZipEntry;
namespace fs = std::filesystem;

namespace {

struct RecordingDelegate : ZipWrapperDelegate {
  std::vector<std::string> errors;
  std::vector<std::string> asked;
  bool answer = true;
  void ErrorMessage(const std::string& text) override { errors.push_back(text); }
  bool OverWriteOperation(const std::string& path) override {
    asked.push_back(path);
    return answer;
  }
};

// Unpacks a zip the way the application does: open, unpack with overwrite, close.
struct Unpack {
  bool opened = false;
  bool result = false;
  std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
};

Unpack unpack(const std::string& zip, const std::string& target, bool overWrite = true,
              std::shared_ptr<RecordingDelegate> delegate = nullptr) {
  Unpack u;
  if (delegate) u.delegate = delegate;
  ZipWrapper wrapper;
  wrapper.setDelegate(u.delegate);
  u.opened = wrapper.UnzipOpenFile(zip);
  if (u.opened) u.result = wrapper.UnzipFileTo(target, overWrite);
  EXPECT_TRUE(wrapper.UnzipCloseFile());
  return u;
}

// Every path under root, relative to it.
std::vector<std::string> tree(const std::string& root) {
  std::vector<std::string> out;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec); it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    out.push_back(fs::relative(it->path(), root).string());
  }
  std::sort(out.begin(), out.end());
  return out;
}

// Flips the first compressed bytes of the named entry, making its deflate stream invalid.
void damageEntryData(const std::string& zip, const std::string& name) {
  std::string bytes = readAll(zip);
  std::size_t at = bytes.find(std::string("PK\x03\x04", 4));
  while (at != std::string::npos) {
    auto u16 = [&](std::size_t p) {
      return static_cast<unsigned char>(bytes[p]) | static_cast<unsigned char>(bytes[p + 1]) << 8;
    };
    std::size_t nameLen = u16(at + 26), extraLen = u16(at + 28);
    if (bytes.compare(at + 30, nameLen, name) == 0) {
      std::size_t data = at + 30 + nameLen + extraLen;
      for (std::size_t i = 0; i < 4; ++i) bytes[data + i] = '\xFF';
      writeAll(zip, bytes);
      return;
    }
    at = bytes.find(std::string("PK\x03\x04", 4), at + 4);
  }
  ADD_FAILURE() << "entry not found: " << name;
}

}  // namespace

TEST(ZipWrapper, DirectoryAndFileEntriesWithTheirDates) {
  TempDir dir;
  std::string zip = dir / "bank.zip";
  ZipEntry file{"docs/a.txt", "第一章内容"};
  file.date = tm_zip{8, 7, 6, 5, 4, 2020};  // 2020-05-05 06:07:08
  ASSERT_TRUE(writeZip(zip, {{"docs/", ""}, file, {"V.db", std::string(10000, 'x')}}));
  auto u = unpack(zip, dir / "out");
  ASSERT_TRUE(u.opened);
  EXPECT_TRUE(u.result);
  EXPECT_TRUE(u.delegate->errors.empty());
  EXPECT_EQ(tree(dir / "out"), (std::vector<std::string>{"V.db", "docs", "docs/a.txt"}));
  EXPECT_EQ(readAll(dir / "out/docs/a.txt"), "第一章内容");
  EXPECT_EQ(readAll(dir / "out/V.db"), std::string(10000, 'x'));
  std::tm tm{};
  tm.tm_sec = 8, tm.tm_min = 7, tm.tm_hour = 6, tm.tm_mday = 5, tm.tm_mon = 4, tm.tm_year = 120;
  tm.tm_isdst = -1;
  struct stat st {};
  ASSERT_EQ(::stat((dir / "out/docs/a.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtime, std::mktime(&tm));
}

TEST(ZipWrapper, NamesAreGB18030AndBackslashesSeparate) {
  TempDir dir;
  std::string zip = dir / "names.zip";
  ASSERT_TRUE(writeZip(zip, {
                                {testutil::gb18030("题库/第一章.db"), "gb"},
                                {"img\\b.png", "b"},
                                {"img/a.png", "a"},
                                {testutil::gb18030("图片\\子目录\\图.png"), "p"},
                                {"utf8/说明.txt", "u", Z_DEFLATED, /*utf8Flag=*/true},
                            }));
  auto u = unpack(zip, dir / "out");
  EXPECT_TRUE(u.result);
  EXPECT_EQ(readAll(dir / "out/题库/第一章.db"), "gb");
  EXPECT_EQ(readAll(dir / "out/img/a.png"), "a");
  EXPECT_EQ(readAll(dir / "out/img/b.png"), "b");
  EXPECT_EQ(readAll(dir / "out/图片/子目录/图.png"), "p");
  EXPECT_EQ(readAll(dir / "out/utf8/说明.txt"), "u");
}

TEST(ZipWrapper, EntryNamesStayInsideTheTarget) {
  struct Case {
    std::string name;
    const char* landsAt;  // path below the target, or nullptr when the entry is refused
  };
  TempDir scratch;
  const std::string absolute = scratch / "case/outside.txt";  // would land beside the target
  const Case cases[] = {
      {"V.db", "V.db"},          {"img/a.png", "img/a.png"},  {"img\\b.png", "img/b.png"},
      {"./ok.txt", "ok.txt"},    {"..data/x", "..data/x"},    {"a..b", "a..b"},
      {"../escape.db", nullptr}, {"..\\escape.db", nullptr},  {absolute, nullptr},
      {"C:\\x.db", nullptr},     {"c:x.db", nullptr},         {"img/../../x", nullptr},
      {"img/..", nullptr},       {"img\\..\\..\\x", nullptr}, {"..", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(scratch / "case");
    fs::create_directories(scratch / "case/target");
    ASSERT_TRUE(writeZip(scratch / "x.zip", {{c.name, "x"}}));
    auto u = unpack(scratch / "x.zip", scratch / "case/target");
    EXPECT_EQ(u.result, c.landsAt != nullptr);
    for (const auto& p : tree(scratch / "case")) EXPECT_EQ(p.rfind("target", 0), 0u) << p;
    if (c.landsAt) {
      EXPECT_EQ(readAll(scratch / "case/target/" + c.landsAt), "x");
    } else {
      EXPECT_TRUE(tree(scratch / "case/target").empty());
      ASSERT_FALSE(u.delegate->errors.empty());
      EXPECT_EQ(u.delegate->errors.back().rfind("Entry leaves the target directory", 0), 0u);
    }
  }
}

TEST(ZipWrapper, OverwriteRules) {
  TempDir dir;
  std::string zip = dir / "o.zip";
  ASSERT_TRUE(writeZip(zip, {{"a.txt", "new"}}));
  fs::create_directories(dir / "out");
  {
    SCOPED_TRACE("overwrite YES replaces without asking");
    writeAll(dir / "out/a.txt", "old");
    auto delegate = std::make_shared<RecordingDelegate>();
    delegate->answer = false;
    EXPECT_TRUE(unpack(zip, dir / "out", true, delegate).result);
    EXPECT_EQ(readAll(dir / "out/a.txt"), "new");
    EXPECT_TRUE(delegate->asked.empty());
  }
  {
    SCOPED_TRACE("overwrite NO without a delegate replaces too");
    writeAll(dir / "out/a.txt", "old");
    ZipWrapper wrapper;
    ASSERT_TRUE(wrapper.UnzipOpenFile(zip));
    EXPECT_TRUE(wrapper.UnzipFileTo(dir / "out", false));
    EXPECT_EQ(readAll(dir / "out/a.txt"), "new");
  }
  {
    SCOPED_TRACE("overwrite NO and the delegate declines: the file stays");
    writeAll(dir / "out/a.txt", "old");
    auto delegate = std::make_shared<RecordingDelegate>();
    delegate->answer = false;
    EXPECT_TRUE(unpack(zip, dir / "out", false, delegate).result);
    EXPECT_EQ(readAll(dir / "out/a.txt"), "old");
    EXPECT_EQ(delegate->asked, std::vector<std::string>{dir / "out/a.txt"});
  }
}

TEST(ZipWrapper, NotAZipAndEmptyArchive) {
  TempDir dir;
  writeAll(dir / "text.zip", "this is not a zip file at all");
  ZipWrapper wrapper;
  EXPECT_FALSE(wrapper.UnzipOpenFile(dir / "text.zip"));
  EXPECT_FALSE(wrapper.UnzipOpenFile(dir / "missing.zip"));

  // An archive with no entries at all: minizip does not open it, so the caller does not unpack.
  ASSERT_TRUE(writeZip(dir / "empty.zip", {}));
  EXPECT_FALSE(wrapper.UnzipOpenFile(dir / "empty.zip"));
  // The same after a leading stub (the self-extracting layout) opens; unpacking finds no first entry,
  // cannot open one, and fails.
  writeAll(dir / "stub.zip", "stub" + readAll(dir / "empty.zip"));
  auto u = unpack(dir / "stub.zip", dir / "out");
  ASSERT_TRUE(u.opened);
  EXPECT_FALSE(u.result);
  EXPECT_EQ(u.delegate->errors, (std::vector<std::string>{"Failed", "Error occurs"}));
  EXPECT_FALSE(fs::exists(dir / "out"));
}

TEST(ZipWrapper, DamagedEntryFailsTheUnpackAndLeavesNoPartialFile) {
  TempDir dir;
  {
    SCOPED_TRACE("deflate stream broken: a read error");
    std::string zip = dir / "broken.zip";
    ASSERT_TRUE(writeZip(zip, {{"a.txt", "first"}, {"b.txt", std::string(20000, 'b')}, {"c.txt", "last"}}));
    damageEntryData(zip, "b.txt");
    auto u = unpack(zip, dir / "out1");
    EXPECT_FALSE(u.result);
    EXPECT_EQ(u.delegate->errors, std::vector<std::string>{"Failed to reading zip file"});
    EXPECT_EQ(tree(dir / "out1"), (std::vector<std::string>{"a.txt", "c.txt"}));
  }
  {
    SCOPED_TRACE("stored bytes changed: the checksum fails");
    std::string zip = dir / "crc.zip";
    ASSERT_TRUE(writeZip(zip, {{"s.txt", "stored content here", 0}}));
    std::string bytes = readAll(zip);
    bytes.replace(bytes.find("stored content"), 6, "STORED");
    writeAll(zip, bytes);
    auto u = unpack(zip, dir / "out2");
    EXPECT_FALSE(u.result);
    EXPECT_EQ(u.delegate->errors, std::vector<std::string>{"Failed to reading zip file"});
    EXPECT_FALSE(fs::exists(dir / "out2/s.txt"));
  }
  {
    SCOPED_TRACE("a name that is not GB 18030 text");
    std::string zip = dir / "name.zip";
    ASSERT_TRUE(writeZip(zip, {{"ok.txt", "1"}, {"bad\x81\x20name", "2"}}));
    auto u = unpack(zip, dir / "out3");
    EXPECT_FALSE(u.result);
    EXPECT_EQ(tree(dir / "out3"), std::vector<std::string>{"ok.txt"});
  }
  {
    SCOPED_TRACE("a file entry that cannot be written");
    std::string zip = dir / "clash.zip";
    ASSERT_TRUE(writeZip(zip, {{"x/", ""}, {"x", "file where a directory is"}}));
    auto u = unpack(zip, dir / "out4");
    EXPECT_FALSE(u.result);
  }
}

// An entry yields what its record declares or fails: content longer than the declared size is refused
// even when its checksum was made to match the declared part (so a truncated file never passes as whole),
// and so is content that stops short. The entry before it is unpacked; the damaged one leaves no file.
TEST(ZipWrapper, AnEntryWhoseDataDoesNotMatchItsDeclaredSizeFails) {
  const std::string content = std::string(3000, 'x') + std::string(3000, 'y');
  const std::string declared = content.substr(0, 1000);
  struct Case {
    const char* what;
    testutil::RawZipEntry entry;
    bool unpacks;
  } cases[] = {
      {"stored, as declared", {"e.bin", content, 0, content.size(), testutil::crcOf(content)}, true},
      {"deflated, as declared",
       {"e.bin", testutil::rawDeflate(content), Z_DEFLATED, content.size(), testutil::crcOf(content)},
       true},
      {"stored, longer than declared",
       {"e.bin", content, 0, declared.size(), testutil::crcOf(declared)},
       false},
      {"deflated, longer than declared",
       {"e.bin", testutil::rawDeflate(content), Z_DEFLATED, declared.size(), testutil::crcOf(declared)},
       false},
      {"deflated bomb, one byte declared",
       {"e.bin", testutil::rawDeflate(std::string(1 << 24, '\0')), Z_DEFLATED, 1,
        testutil::crcOf(std::string(1, '\0'))},
       false},
      {"stored, shorter than declared",
       {"e.bin", declared, 0, content.size(), testutil::crcOf(content)},
       false},
      {"deflated, shorter than declared",
       {"e.bin", testutil::rawDeflate(declared), Z_DEFLATED, content.size(), testutil::crcOf(content)},
       false},
  };
  TempDir dir;
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string zip = dir / ("e" + std::to_string(++n) + ".zip");
    const std::string out = dir / ("out" + std::to_string(n));
    ASSERT_TRUE(
        testutil::writeRawZip(zip, {{"first.txt", "before", 0, 6, testutil::crcOf("before")}, c.entry}));
    auto u = unpack(zip, out);
    ASSERT_TRUE(u.opened);
    EXPECT_EQ(u.result, c.unpacks);
    EXPECT_EQ(readAll(out + "/first.txt"), "before");
    if (c.unpacks) {
      EXPECT_TRUE(readAll(out + "/e.bin") == content);
    } else {
      EXPECT_FALSE(fs::exists(out + "/e.bin"));
      EXPECT_EQ(u.delegate->errors, std::vector<std::string>{"Failed to reading zip file"});
    }
  }
}

// Entries that declare more than the target's file system can hold stop the unpacking before a single
// file is written.
TEST(ZipWrapper, AnArchiveDeclaringMoreThanTheFreeSpaceWritesNothing) {
  TempDir dir;
  const std::string zip = dir / "huge.zip";
  // 4096 entries of a few bytes each declaring almost 4 GiB: 16 TiB in all.
  std::vector<testutil::RawZipEntry> entries{{"small.txt", "small", 0, 5, testutil::crcOf("small")}};
  for (int i = 0; i < 4096; ++i)
    entries.push_back({"huge" + std::to_string(i) + ".bin", "tiny", 0, 0xFFFFFFFEu, testutil::crcOf("tiny")});
  ASSERT_TRUE(testutil::writeRawZip(zip, entries));
  auto u = unpack(zip, dir / "out");
  ASSERT_TRUE(u.opened);
  EXPECT_FALSE(u.result);
  EXPECT_EQ(u.delegate->errors, std::vector<std::string>{"Not enough free space to unpack"});
  EXPECT_FALSE(fs::exists(dir / "out"));
}

// The unpacked size is bounded before anything is written: against the archive's own size (a zip bomb
// packs at about 1000:1) and against an absolute cap. A refused archive leaves no trace in the target.
TEST(ZipWrapper, ArchivesThatUnpackPastTheRatioOrTheCapWriteNothing) {
  std::mt19937 random(7);
  std::string noise(1 << 20, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  const std::string zeros(8 << 20, '\0');
  struct Case {
    const char* what;
    std::string content;
    std::uint64_t cap;  // of the big entry (the small one is added); 0: the default limits
    bool unpacks;
    std::vector<std::string> errors;
    ZipWrapper::Refusal refusal;
  } cases[] = {
      {"a bomb of zeros, about 1000:1",
       zeros,
       0,
       false,
       {"Unpacked size exceeds 100 times the archive size"},
       ZipWrapper::Refusal::kOverRatio},
      {"random bytes past a cap of 1 MiB",
       noise + noise,
       1 << 20,
       false,
       {"Unpacked size exceeds the limit of 1 MiB"},
       ZipWrapper::Refusal::kOverCap},
      {"random bytes within both", noise, 0, true, {}, ZipWrapper::Refusal::kNone},
      {"random bytes at the cap itself", noise, 1 << 20, true, {}, ZipWrapper::Refusal::kNone},
  };
  TempDir dir;
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string zip = dir / ("b" + std::to_string(++n) + ".zip");
    const std::string out = dir / ("out" + std::to_string(n));
    ASSERT_TRUE(testutil::writeRawZip(zip, {{"small.txt", "small", 0, 5, testutil::crcOf("small")},
                                            {"big.bin", testutil::rawDeflate(c.content), Z_DEFLATED,
                                             c.content.size(), testutil::crcOf(c.content)}}));
    auto delegate = std::make_shared<RecordingDelegate>();
    ZipWrapper wrapper;
    wrapper.setDelegate(delegate);
    if (c.cap) wrapper.setUnpackLimits(c.cap + 5, ZipWrapper::kMaxExpansionRatio);
    ASSERT_TRUE(wrapper.UnzipOpenFile(zip));
    EXPECT_EQ(wrapper.UnzipFileTo(out, true), c.unpacks);
    EXPECT_TRUE(wrapper.UnzipCloseFile());
    EXPECT_EQ(delegate->errors, c.errors);
    EXPECT_EQ(wrapper.lastRefusal(), c.refusal);
    if (c.unpacks) {
      EXPECT_TRUE(readAll(out + "/big.bin") == c.content);
    } else {
      EXPECT_FALSE(fs::exists(out)) << "nothing is written, not even the target directory";
    }
  }
}

TEST(ZipWrapper, PackingRoundTripsNamesContentAndDates) {
  TempDir dir;
  writeAll(dir / "one.txt", "说明文字");
  writeAll(dir / "two.bin", std::string("\0\x01\x02\xff", 4) + std::string(5000, 'z'));
  std::time_t when = 1600000000;  // an even second: zip dates have a 2-second step
  timespec times[2] = {{when, 0}, {when, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "one.txt").c_str(), times, 0), 0);

  ZipWrapper packer;
  EXPECT_FALSE(packer.addFileToZip(dir / "one.txt", "x")) << "no zip open";
  EXPECT_FALSE(packer.CloseZipFile2());
  ASSERT_TRUE(packer.CreateZipFile2(dir / "packed.zip"));
  EXPECT_TRUE(packer.addFileToZip(dir / "one.txt", "题库/说明.txt"));
  EXPECT_TRUE(packer.addFileToZip(dir / "two.bin", "two.bin"));
  EXPECT_FALSE(packer.addFileToZip(dir / "missing", "missing"));
  EXPECT_TRUE(packer.CloseZipFile2());

  auto u = unpack(dir / "packed.zip", dir / "out");
  EXPECT_TRUE(u.result);
  EXPECT_EQ(readAll(dir / "out/题库/说明.txt"), "说明文字");
  EXPECT_EQ(readAll(dir / "out/two.bin"), readAll(dir / "two.bin"));
  struct stat st {};
  ASSERT_EQ(::stat((dir / "out/题库/说明.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtime, when);
}

TEST(ZipWrapper, PasswordRoundTrip) {
  TempDir dir;
  writeAll(dir / "secret.txt", std::string(30000, 's') + "end");
  writeAll(dir / "small.txt", "机密");
  ZipWrapper packer;
  ASSERT_TRUE(packer.CreateZipFile2(dir / "locked.zip", "pa55"));
  EXPECT_TRUE(packer.addFileToZip(dir / "secret.txt", "secret.txt"));
  EXPECT_TRUE(packer.addFileToZip(dir / "small.txt", "目录/small.txt"));
  EXPECT_TRUE(packer.CloseZipFile2());
  EXPECT_EQ(readAll(dir / "locked.zip").find("机密"), std::string::npos) << "the content is not in the clear";

  ZipWrapper reader;
  ASSERT_TRUE(reader.UnzipOpenFile(dir / "locked.zip", "pa55"));
  EXPECT_TRUE(reader.UnzipFileTo(dir / "out", true));
  EXPECT_TRUE(reader.UnzipCloseFile());
  EXPECT_EQ(readAll(dir / "out/secret.txt"), readAll(dir / "secret.txt"));
  EXPECT_EQ(readAll(dir / "out/目录/small.txt"), "机密");

  struct Case {
    const char* label;
    std::optional<std::string> password;
  };
  for (const Case& c : {Case{"wrong password", "wrong"}, Case{"no password", std::nullopt}}) {
    SCOPED_TRACE(c.label);
    auto delegate = std::make_shared<RecordingDelegate>();
    ZipWrapper other;
    other.setDelegate(delegate);
    ASSERT_TRUE(c.password ? other.UnzipOpenFile(dir / "locked.zip", *c.password)
                           : other.UnzipOpenFile(dir / "locked.zip"));
    EXPECT_FALSE(other.UnzipFileTo(dir / "refused", true));
    EXPECT_EQ(delegate->errors, std::vector<std::string>{"Error occurs"});
    EXPECT_FALSE(fs::exists(dir / "refused/secret.txt"));
  }
}

TEST(ZipWrapper, PasswordReadsPlainEntriesAndStoredEncipheredOnes) {
  TempDir dir;
  // A stored (not deflated) enciphered entry, written raw as other zip tools write it.
  const std::string content = "stored secret content";
  uLong crc = crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(content.data()),
                    static_cast<uInt>(content.size()));
  zipFile zf = zipOpen64((dir / "mixed.zip").c_str(), APPEND_STATUS_CREATE);
  ASSERT_TRUE(zf);
  zip_fileinfo info{};
  ASSERT_EQ(zipOpenNewFileInZip4_64(zf, "stored.txt", &info, nullptr, 0, nullptr, 0, nullptr, 0, 0, 1,
                                    -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0, 0, 1, 0),
            ZIP_OK);
  ZipCipher cipher("pw");
  std::string bytes;
  for (auto b : cipher.header(static_cast<std::uint32_t>(crc))) bytes.push_back(static_cast<char>(b));
  for (char ch : content) bytes.push_back(static_cast<char>(cipher.encipher(static_cast<std::uint8_t>(ch))));
  ASSERT_EQ(zipWriteInFileInZip(zf, bytes.data(), static_cast<unsigned>(bytes.size())), ZIP_OK);
  ASSERT_EQ(zipCloseFileInZipRaw64(zf, content.size(), crc), ZIP_OK);
  const std::string plain = "not enciphered";
  ASSERT_EQ(zipOpenNewFileInZip64(zf, "plain.txt", &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                  Z_DEFAULT_COMPRESSION, 0),
            ZIP_OK);
  ASSERT_EQ(zipWriteInFileInZip(zf, plain.data(), static_cast<unsigned>(plain.size())), ZIP_OK);
  ASSERT_EQ(zipCloseFileInZip(zf), ZIP_OK);
  ASSERT_EQ(zipClose(zf, nullptr), ZIP_OK);

  ZipWrapper reader;
  ASSERT_TRUE(reader.UnzipOpenFile(dir / "mixed.zip", "pw"));
  EXPECT_TRUE(reader.UnzipFileTo(dir / "out", true));
  EXPECT_EQ(readAll(dir / "out/stored.txt"), content);
  EXPECT_EQ(readAll(dir / "out/plain.txt"), plain);
}

TEST(ZipWrapper, SmallOperations) {
  ZipWrapper wrapper;
  EXPECT_TRUE(wrapper.UnzipCloseFile()) << "nothing open";
  EXPECT_TRUE(wrapper.OverWrite("/any")) << "no delegate: replace";
  wrapper.OutputErrorMessage("no delegate: nothing happens");
  std::time_t t = static_cast<std::time_t>(ZipWrapper::Date1980().secondsSince1970);
  std::tm tm{};
  ASSERT_TRUE(::localtime_r(&t, &tm));
  EXPECT_EQ(tm.tm_year + 1900, 1980);
  EXPECT_EQ(tm.tm_mon, 0);
  EXPECT_EQ(tm.tm_mday, 1);
  EXPECT_EQ(tm.tm_hour, 0);
  EXPECT_EQ(tm.tm_min, 0);
}
