#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "platform/security/DES.h"
#include "platform/security/Keychain.h"
#include "platform/security/MD5.h"
#include "tests/support/TempDir.h"

using testsupport::TempDir;

namespace {

sec::DES::Bytes hexBytes(const std::string& hex) {
  sec::DES::Bytes out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(std::stoi(hex.substr(i, 2), nullptr, 16));
  return out;
}

sec::DES::Key key(const std::string& hex) {
  sec::DES::Key k{};
  auto b = hexBytes(hex);
  std::copy(b.begin(), b.end(), k.begin());
  return k;
}

}  // namespace

TEST(MD5, PublishedDigests) {
  EXPECT_EQ(sec::MD5::hexDigest(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(sec::MD5::hexDigest("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(sec::MD5::hexDigest("The quick brown fox jumps over the lazy dog"),
            "9e107d9d372bb6826bd81d3542a419d6");
  sec::MD5 incremental;
  incremental.update("The quick brown ");
  incremental.update("fox jumps over the lazy dog");
  EXPECT_EQ(sec::MD5::hex(incremental.finish()), "9e107d9d372bb6826bd81d3542a419d6");
}

TEST(DES, PublishedKnownAnswerVectorsBothWays) {
  struct Case {
    const char* key;
    const char* plain;
    const char* cipher;
  };
  const Case cases[] = {
      {"133457799BBCDFF1", "0123456789ABCDEF", "85E813540F0AB405"},
      {"0123456789ABCDEF", "4E6F772069732074", "3FA40E8A984D4815"},  // "Now is t"
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    auto cipher = sec::DES::encrypt(key(c.key), hexBytes(c.plain));
    ASSERT_TRUE(cipher);
    EXPECT_EQ(*cipher, hexBytes(c.cipher));
    auto plain = sec::DES::decrypt(key(c.key), hexBytes(c.cipher));
    ASSERT_TRUE(plain);
    EXPECT_EQ(*plain, hexBytes(c.plain));
  }
}

TEST(DES, EcbBlocksAreIndependentAndLengthsMustBeWholeBlocks) {
  auto k = key("133457799BBCDFF1");
  auto two = sec::DES::encrypt(k, hexBytes("0123456789ABCDEF0123456789ABCDEF"));
  ASSERT_TRUE(two);
  EXPECT_EQ(*two, hexBytes("85E813540F0AB40585E813540F0AB405"));
  for (std::size_t n : {1u, 7u, 9u, 15u}) {
    SCOPED_TRACE(n);
    EXPECT_FALSE(sec::DES::encrypt(k, sec::DES::Bytes(n, 0x41)));
    EXPECT_FALSE(sec::DES::decrypt(k, sec::DES::Bytes(n, 0x41)));
  }
  auto empty = sec::DES::decrypt(k, sec::DES::Bytes{});
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->empty());
}

TEST(DES, KeyTextRules) {
  EXPECT_EQ(sec::DES::keyFromText("abcdefghXYZ"), sec::DES::keyFromText("abcdefgh"));
  auto shortKey = sec::DES::keyFromText("abc");
  EXPECT_EQ(shortKey, (sec::DES::Key{'a', 'b', 'c', 0, 0, 0, 0, 0}));
  // A weak key is still used: enciphering twice with it gives the plain text back.
  auto weak = key("0101010101010101");
  auto once = sec::DES::encrypt(weak, hexBytes("0123456789ABCDEF"));
  ASSERT_TRUE(once);
  EXPECT_NE(*once, hexBytes("0123456789ABCDEF"));
  EXPECT_EQ(sec::DES::encrypt(weak, *once), hexBytes("0123456789ABCDEF"));
}

// --- Keychain ----------------------------------------------------------------------------------

namespace {

sec::KeychainItem loginItem(const std::string& account, const std::string& password) {
  sec::KeychainItem item;
  item.attributes[sec::kSecAttrGeneric] = "UserNamePwdService";
  item.attributes[sec::kSecAttrAccount] = account;
  item.data.assign(password.begin(), password.end());
  return item;
}

const sec::KeychainAttributes kLoginQuery{{sec::kSecAttrGeneric, "UserNamePwdService"}};

}  // namespace

TEST(Keychain, ItemsPersistInAPrivateFileAcrossInstances) {
  TempDir home;
  std::string dir = home / "data";
  {
    sec::Keychain keychain(dir);
    EXPECT_FALSE(keychain.find(kLoginQuery));
    EXPECT_TRUE(keychain.add(loginItem("张三", "密码123")));
  }
  sec::Keychain again(dir);
  EXPECT_EQ(again.filePath(), dir + "/keychain.plist");
  EXPECT_EQ(testsupport::fileMode(again.filePath()), 0600u);
  EXPECT_EQ(testsupport::fileMode(dir), 0700u) << "the directory the store made is private too";
  auto found = again.find(kLoginQuery);
  ASSERT_TRUE(found);
  EXPECT_EQ(*found, loginItem("张三", "密码123"));
  // Only the store itself is left in the directory: no temporary files.
  std::size_t files = 0;
  for (auto& entry : std::filesystem::directory_iterator(dir)) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 1u);
}

TEST(Keychain, FindUpdateRemoveAndDuplicates) {
  TempDir home;
  sec::Keychain keychain(home.path());
  ASSERT_TRUE(keychain.add(loginItem("a", "1")));
  EXPECT_FALSE(keychain.add(loginItem("a", "2"))) << "same generic attribute and account";
  sec::KeychainItem other = loginItem("b", "x");
  other.attributes[sec::kSecAttrGeneric] = "Other";
  ASSERT_TRUE(keychain.add(other));

  EXPECT_TRUE(keychain.update(kLoginQuery, {{sec::kSecAttrAccount, "c"}}, std::vector<std::uint8_t>{'9'}));
  EXPECT_EQ(*keychain.find(kLoginQuery), loginItem("c", "9"));
  EXPECT_TRUE(keychain.update(kLoginQuery, {{sec::kSecAttrLabel, "L"}}, std::nullopt));
  auto labelled = keychain.find(kLoginQuery);
  ASSERT_TRUE(labelled);
  EXPECT_EQ(labelled->attributes[sec::kSecAttrLabel], "L");
  EXPECT_EQ(labelled->data, std::vector<std::uint8_t>{'9'}) << "the secret stays when none is given";
  EXPECT_FALSE(
      keychain.update({{sec::kSecAttrGeneric, "Missing"}}, {{sec::kSecAttrAccount, "z"}}, std::nullopt));

  EXPECT_TRUE(keychain.remove(kLoginQuery));
  EXPECT_FALSE(keychain.find(kLoginQuery));
  EXPECT_FALSE(keychain.remove(kLoginQuery)) << "nothing left to remove";
  EXPECT_TRUE(keychain.find({{sec::kSecAttrGeneric, "Other"}})) << "other items are untouched";
}

TEST(Keychain, WritesThatCannotReachTheDiskReportFailure) {
  TempDir home;
  {
    SCOPED_TRACE("data directory path is taken by a file");
    std::ofstream(home / "blocked") << "not a directory";
    sec::Keychain keychain(home / "blocked");
    EXPECT_FALSE(keychain.add(loginItem("a", "1")));
    EXPECT_FALSE(keychain.find(kLoginQuery));
  }
  if (::geteuid() != 0) {  // permissions do not stop the super-user
    SCOPED_TRACE("read-only directory");
    std::filesystem::create_directory(home / "ro");
    sec::Keychain keychain(home / "ro");
    std::filesystem::permissions(home / "ro",
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    EXPECT_FALSE(keychain.add(loginItem("a", "1")));
    std::filesystem::permissions(home / "ro", std::filesystem::perms::owner_all);
  }
  {
    SCOPED_TRACE("store path is a directory");
    std::filesystem::create_directories(home / "d/keychain.plist");
    sec::Keychain keychain(home / "d");
    EXPECT_FALSE(keychain.add(loginItem("a", "1")));
  }
}

TEST(Keychain, ADamagedStoreIsKeptAsideAndReplaced) {
  TempDir home;
  sec::Keychain keychain(home.path());
  std::ofstream(keychain.filePath()) << "<plist><dict><key>broken";
  EXPECT_FALSE(keychain.find(kLoginQuery));
  EXPECT_TRUE(keychain.add(loginItem("a", "1")));
  EXPECT_TRUE(keychain.find(kLoginQuery));
  std::ifstream aside(keychain.filePath() + ".damaged");
  std::string kept((std::istreambuf_iterator<char>(aside)), std::istreambuf_iterator<char>());
  EXPECT_EQ(kept, "<plist><dict><key>broken");
}

TEST(Keychain, StandardStoreLivesInTheDocumentsDirectory) {
  TempDir home;
  testsupport::ScopedEnv env("VARDO_HOME", home.path());
  EXPECT_EQ(sec::Keychain::standard().filePath(), home.path() + "/data/keychain.plist");
}
