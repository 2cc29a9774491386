#include <fstream>
#include <regex>

#include <gtest/gtest.h>

#include "platform/system/Device.h"
#include "tests/support/TempDir.h"
#include "util/DeviceIdentifier.h"
#include "util/KeychainItemStore.h"
#include "util/MD5Digest.h"
#include "util/SystemVersion.h"

using testsupport::TempDir;

TEST(MD5Digest, DigestTextOrNothingForEmptyText) {
  EXPECT_EQ(stringFromMD5(""), std::nullopt);
  EXPECT_EQ(stringFromMD5("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(stringFromMD5("张三"), "615db57aa314529aaa0fbe95b3e95bd3");
  // Only the bytes before the first NUL count.
  EXPECT_EQ(stringFromMD5(std::string_view("abc\0def", 7)), stringFromMD5("abc"));
}

// --- KeychainItemStore -------------------------------------------------------------------------

class KeychainItemStoreTest : public ::testing::Test {
 protected:
  TempDir home;
  testsupport::ScopedEnv env{"VARDO_HOME", home.path()};
};

TEST_F(KeychainItemStoreTest, AFreshItemReadsAsEmptyTextsAlsoAfterReset) {
  KeychainItemStore store("UserNamePwdService");
  EXPECT_EQ(store.objectForKey(sec::kSecAttrAccount), "");
  EXPECT_EQ(store.objectForKey(sec::kSecValueData), "");
  EXPECT_EQ(store.objectForKey(sec::kSecAttrGeneric), "UserNamePwdService");
  EXPECT_TRUE(store.resetKeychainItem());
  EXPECT_EQ(store.objectForKey(sec::kSecAttrAccount), "");
  EXPECT_EQ(store.objectForKey(sec::kSecValueData), "");
  EXPECT_EQ(store.genericPasswordQuery().at(sec::kSecAttrGeneric), "UserNamePwdService");
  EXPECT_FALSE(store.genericPasswordQuery().contains(sec::kSecAttrAccessGroup));
}

TEST_F(KeychainItemStoreTest, TheLoginPersistsAcrossStoresInAPrivateFile) {
  {
    KeychainItemStore store("UserNamePwdService");
    EXPECT_TRUE(store.setObject("用户01", sec::kSecAttrAccount));
    EXPECT_TRUE(store.setObject("p@ss 密码", sec::kSecValueData));
    EXPECT_TRUE(store.setObject("p@ss 密码", sec::kSecValueData)) << "an unchanged value";
  }
  EXPECT_EQ(testsupport::fileMode(home.path() + "/data/keychain.plist"), 0600u);
  KeychainItemStore again("UserNamePwdService");
  EXPECT_EQ(again.objectForKey(sec::kSecAttrAccount), "用户01");
  EXPECT_EQ(again.objectForKey(sec::kSecValueData), "p@ss 密码");
  KeychainItemStore other("OtherService");
  EXPECT_EQ(other.objectForKey(sec::kSecAttrAccount), "") << "items are kept apart by identifier";
}

TEST_F(KeychainItemStoreTest, ResetDeletesTheStoredLogin) {
  {
    KeychainItemStore store("UserNamePwdService");
    ASSERT_TRUE(store.setObject("user", sec::kSecAttrAccount));
    ASSERT_TRUE(store.setObject("secret", sec::kSecValueData));
  }
  KeychainItemStore store("UserNamePwdService");
  ASSERT_EQ(store.objectForKey(sec::kSecAttrAccount), "user");
  EXPECT_TRUE(store.resetKeychainItem());
  EXPECT_EQ(store.objectForKey(sec::kSecAttrAccount), "");
  EXPECT_EQ(store.objectForKey(sec::kSecValueData), "");
  EXPECT_EQ(KeychainItemStore("UserNamePwdService").objectForKey(sec::kSecAttrAccount), "");
  // The next change writes a new item.
  EXPECT_TRUE(store.setObject("next", sec::kSecAttrAccount));
  EXPECT_EQ(KeychainItemStore("UserNamePwdService").objectForKey(sec::kSecAttrAccount), "next");
}

TEST_F(KeychainItemStoreTest, AFailedWriteIsReportedAndRetried) {
  std::string blocked = home / "blocked";
  std::ofstream(blocked) << "a file where the data directory should be";
  KeychainItemStore store("UserNamePwdService", std::nullopt, sec::Keychain(blocked));
  EXPECT_FALSE(store.setObject("user", sec::kSecAttrAccount));
  EXPECT_EQ(store.objectForKey(sec::kSecAttrAccount), "user") << "the value is still held";
  EXPECT_FALSE(store.setObject("user", sec::kSecAttrAccount)) << "an unsaved value is written again";
  std::filesystem::remove(blocked);
  EXPECT_TRUE(store.setObject("user", sec::kSecAttrAccount));
  EXPECT_EQ(KeychainItemStore("UserNamePwdService", std::nullopt, sec::Keychain(blocked))
                .objectForKey(sec::kSecAttrAccount),
            "user");
}

TEST_F(KeychainItemStoreTest, AccessGroupIsPartOfTheQuery) {
  KeychainItemStore store("Service", std::string("group.a"));
  EXPECT_EQ(store.genericPasswordQuery().at(sec::kSecAttrAccessGroup), "group.a");
  ASSERT_TRUE(store.setObject("a", sec::kSecAttrAccount));
  EXPECT_EQ(KeychainItemStore("Service", std::string("group.a")).objectForKey(sec::kSecAttrAccount), "a");
  EXPECT_EQ(KeychainItemStore("Service", std::string("group.b")).objectForKey(sec::kSecAttrAccount), "");
}

// --- System version and device ------------------------------------------------------------------

TEST(SystemVersion, MajorNumberIsTheTextBeforeTheFirstDot) {
  struct Case {
    const char* text;
    int major;
  };
  const Case cases[] = {{"7.0.4", 7},          {"12", 12}, {"22.04", 22},
                        {"6.1.0-13-amd64", 6}, {"", 0},    {"rolling", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(majorVersionNumber(c.text), c.major);
  }
  EXPECT_EQ(systemMajorVersionNumber(), majorVersionNumber(sys::Device::systemVersion()));
  EXPECT_EQ(systemMajorVersionNumber(), systemMajorVersionNumber());
}

TEST(Device, OsReleaseValuesAndAddressFormat) {
  const char* text =
      "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"
      "NAME=\"Debian GNU/Linux\"\n"
      "# VERSION_ID=\"99\"\n"
      "VERSION_ID='12'\n"
      "ID=debian\n";
  EXPECT_EQ(sys::Device::osReleaseValue(text, "NAME"), "Debian GNU/Linux");
  EXPECT_EQ(sys::Device::osReleaseValue(text, "VERSION_ID"), "12");
  EXPECT_EQ(sys::Device::osReleaseValue(text, "ID"), "debian");
  EXPECT_EQ(sys::Device::osReleaseValue(text, "VERSION"), std::nullopt);
  EXPECT_EQ(sys::Device::formatHardwareAddress({0x00, 0x1a, 0x2B, 0xc3, 0xff, 0x09}), "00:1A:2B:C3:FF:09");
  EXPECT_FALSE(sys::Device::systemName().empty());
  EXPECT_FALSE(sys::Device::systemVersion().empty());
  EXPECT_FALSE(sys::Device::model().empty());
}

TEST(DeviceIdentifier, IdentifiersFollowTheHardwareAddress) {
  auto address = macaddress();
  if (!address) {
    EXPECT_EQ(uniqueGlobalDeviceIdentifier(), std::nullopt);
    EXPECT_EQ(uniqueDeviceIdentifier("org.vardo.app"), std::nullopt);
    GTEST_SKIP() << "this machine has no hardware address";
  }
  EXPECT_TRUE(std::regex_match(*address, std::regex("([0-9A-F]{2}:){5}[0-9A-F]{2}")));
  EXPECT_EQ(uniqueGlobalDeviceIdentifier(), stringFromMD5(*address));
  EXPECT_EQ(uniqueDeviceIdentifier("org.vardo.app"), stringFromMD5(*address + "org.vardo.app"));
}
