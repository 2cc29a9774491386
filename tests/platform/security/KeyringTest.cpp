// The keychain on a real Secret Service, and its file fallback where none answers.
//
// SecretServiceKeychain and LockedKeyring run under run_with_keyring.sh (a session bus and a GNOME
// Keyring daemon of their own); KeychainWithoutKeyring runs where no keyring can be used, the reason it
// expects given in VD_KEYRING_EXPECTED_REASON (see CMakeLists.txt). The keyring's contents are read back with
// libsecret directly, by the schema's name and attribute names, as any other tool of the desktop would see
// them.

#include <libsecret/secret.h>

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/core/Paths.h"
#include "platform/security/Keychain.h"
#include "platform/security/KeychainFile.h"
#include "platform/security/SecretServiceStore.h"
#include "tests/support/TempDir.h"

namespace {

const SecretSchema* desktopView() {
  static const SecretSchema s = [] {
    SecretSchema made{};
    made.name = "org.vardo.questionbank.GenericPassword";
    made.flags = SECRET_SCHEMA_NONE;
    const char* names[] = {"generic", "access-group", "account", "service", "label", "description"};
    for (std::size_t i = 0; i < std::size(names); ++i) {
      made.attributes[i] = SecretSchemaAttribute{names[i], SECRET_SCHEMA_ATTRIBUTE_STRING};
    }
    return made;
  }();
  return &s;
}

// The password the desktop's keyring holds for the generic attribute; nullopt when it holds none.
std::optional<std::string> keyringPassword(const char* generic) {
  GError* error = nullptr;
  gchar* password = secret_password_lookup_sync(desktopView(), nullptr, &error, "generic", generic, nullptr);
  EXPECT_EQ(error, nullptr) << (error ? error->message : "");
  if (error) g_error_free(error);
  if (!password) return std::nullopt;
  std::string out = password;
  secret_password_free(password);
  return out;
}

// How many items of the schema the keyring holds (every collection, locked or not).
std::size_t keyringItemCount() {
  GError* error = nullptr;
  GList* items = secret_password_search_sync(desktopView(), SECRET_SEARCH_ALL, nullptr, &error, nullptr);
  EXPECT_EQ(error, nullptr) << (error ? error->message : "");
  if (error) g_error_free(error);
  std::size_t count = g_list_length(items);
  g_list_free_full(items, g_object_unref);
  return count;
}

sec::KeychainItem loginItem(const std::string& account, const std::string& password) {
  sec::KeychainItem item;
  item.attributes[sec::kSecAttrGeneric] = "UserNamePwdService";
  item.attributes[sec::kSecAttrAccount] = account;
  item.attributes[sec::kSecAttrLabel] = "";
  item.data.assign(password.begin(), password.end());
  return item;
}

const sec::KeychainAttributes kLoginQuery{{sec::kSecAttrGeneric, "UserNamePwdService"}};

// A fresh documents directory and an empty keyring (of this schema) for each test.
class SecretServiceKeychain : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(sec::SecretServiceStore::session(), nullptr)
        << "run this under run_with_keyring.sh: " << sec::SecretServiceStore::unavailableReason();
    GError* error = nullptr;
    secret_password_clear_sync(desktopView(), nullptr, &error, nullptr);
    ASSERT_EQ(error, nullptr) << error->message;
    ASSERT_EQ(keyringItemCount(), 0u);
  }

  testsupport::TempHome home_{"vd-keyring-test"};
};

}  // namespace

TEST_F(SecretServiceKeychain, StoresReadsReplacesAndDeletesAnItemInTheKeyring) {
  sec::Keychain keychain = sec::Keychain::standard();
  ASSERT_TRUE(keychain.usesKeyring());

  ASSERT_TRUE(keychain.add(loginItem("张三", "密码123")));
  EXPECT_EQ(keyringPassword("UserNamePwdService"), "密码123") << "the desktop's keyring holds it";
  EXPECT_FALSE(core::Paths::fileExists(keychain.filePath())) << "nothing is written to the file store";
  EXPECT_EQ(keychain.find(kLoginQuery), loginItem("张三", "密码123"));
  EXPECT_FALSE(keychain.add(loginItem("张三", "other"))) << "one item per entry";

  ASSERT_TRUE(keychain.update(kLoginQuery, {{sec::kSecAttrAccount, "李四"}},
                              std::vector<std::uint8_t>{'n', 'e', 'w'}));
  EXPECT_EQ(keychain.find(kLoginQuery), loginItem("李四", "new"));
  EXPECT_EQ(keyringPassword("UserNamePwdService"), "new");
  EXPECT_EQ(keyringItemCount(), 1u) << "replaced in place, not added";
  ASSERT_TRUE(keychain.update(kLoginQuery, {{sec::kSecAttrLabel, "L"}}, std::nullopt));
  EXPECT_EQ(keychain.find(kLoginQuery)->data, (std::vector<std::uint8_t>{'n', 'e', 'w'}))
      << "the secret stays when none is given";
  EXPECT_FALSE(
      keychain.update({{sec::kSecAttrGeneric, "Missing"}}, {{sec::kSecAttrAccount, "x"}}, std::nullopt));

  // A second keychain object (the next start) sees the same item; removing it leaves nothing.
  sec::Keychain again = sec::Keychain::standard();
  ASSERT_TRUE(again.remove(kLoginQuery));
  EXPECT_FALSE(keychain.find(kLoginQuery));
  EXPECT_EQ(keyringPassword("UserNamePwdService"), std::nullopt);
  EXPECT_FALSE(again.remove(kLoginQuery)) << "nothing left to remove";
}

TEST_F(SecretServiceKeychain, SecretsAndAttributesRoundTripAsTheyAre) {
  sec::Keychain keychain = sec::Keychain::standard();
  sec::KeychainItem credential;  // the HTTP client's shape of item: service and account, no label
  credential.attributes = {{sec::kSecAttrService, "HTTPCredentials"},
                           {sec::kSecAttrAccount, "host:80"},
                           {sec::kSecAttrGeneric, "host:80"},
                           {sec::kSecAttrDescription, "域"}};
  credential.data = {0xff, 0x00, 0x80, 'x'};  // not text, with a NUL inside
  ASSERT_TRUE(keychain.add(credential));
  sec::KeychainItem empty = loginItem("", "");
  ASSERT_TRUE(keychain.add(empty));

  EXPECT_EQ(keychain.find({{sec::kSecAttrService, "HTTPCredentials"}}), credential);
  EXPECT_EQ(keychain.find(kLoginQuery), empty);
  EXPECT_FALSE(keychain.find({{sec::kSecAttrService, "HTTPCredentials"}, {sec::kSecAttrLabel, ""}}))
      << "an attribute the item lacks does not match, not even as \"\"";

  sec::KeychainItem odd = loginItem("a", "b");
  odd.attributes["xyz"] = "1";
  EXPECT_FALSE(keychain.add(odd)) << "an attribute the schema has no place for";
  EXPECT_EQ(keyringItemCount(), 2u);
}

TEST_F(SecretServiceKeychain, ALoginKeptInTheFileMovesIntoTheKeyringAndStillLogsIn) {
  sec::KeychainFile file(core::Paths::documents());
  ASSERT_TRUE(file.add(loginItem("user01", "secret1")));
  sec::KeychainItem credential;
  credential.attributes = {{sec::kSecAttrService, "HTTPCredentials"}, {sec::kSecAttrAccount, "host:80"}};
  credential.data = {'p'};
  ASSERT_TRUE(file.add(credential));
  // An older login of the same entry in the keyring: the file's, written since, wins.
  ASSERT_TRUE(sec::SecretServiceStore::session()->add(loginItem("user01", "old")));

  sec::Keychain keychain = sec::Keychain::standard();
  EXPECT_EQ(keychain.find(kLoginQuery), loginItem("user01", "secret1")) << "the automatic login finds it";
  EXPECT_EQ(keyringPassword("UserNamePwdService"), "secret1");
  EXPECT_EQ(keychain.find({{sec::kSecAttrService, "HTTPCredentials"}}), credential);
  EXPECT_EQ(keyringItemCount(), 2u);
  EXPECT_FALSE(core::Paths::fileExists(file.filePath())) << "the file is gone once the keyring holds all";
}

// Its own ctest entry: the keyring stays locked for the rest of the process (no display, so no prompt
// can unlock it again).
class LockedKeyring : public SecretServiceKeychain {
 protected:
  static void lockTheDefaultKeyring() {
    GError* error = nullptr;
    SecretService* service = secret_service_get_sync(SECRET_SERVICE_NONE, nullptr, &error);
    ASSERT_NE(service, nullptr) << error->message;
    SecretCollection* collection = secret_collection_for_alias_sync(service, SECRET_COLLECTION_DEFAULT,
                                                                    SECRET_COLLECTION_NONE, nullptr, &error);
    ASSERT_NE(collection, nullptr);
    GList objects{collection, nullptr, nullptr};
    EXPECT_EQ(secret_service_lock_sync(service, &objects, nullptr, nullptr, &error), 1);
    g_object_unref(collection);
    g_object_unref(service);
  }
};

TEST_F(LockedKeyring, NothingLeavesTheFileWhileTheKeyringStaysLocked) {
  ASSERT_TRUE(sec::SecretServiceStore::session()->add(loginItem("user01", "old")));
  lockTheDefaultKeyring();
  sec::KeychainFile file(core::Paths::documents());
  ASSERT_TRUE(file.add(loginItem("user01", "secret1")));

  sec::Keychain keychain = sec::Keychain::standard();
  EXPECT_FALSE(keychain.find(kLoginQuery)) << "a secret that stays locked is not read";
  EXPECT_FALSE(keychain.add(loginItem("user02", "x")));
  auto left = file.items();
  ASSERT_TRUE(left);
  EXPECT_EQ(*left, std::vector<sec::KeychainItem>{loginItem("user01", "secret1")})
      << "the file keeps the login the keyring did not take";
  EXPECT_EQ(testsupport::fileMode(file.filePath()), 0600u);
}

// --- Without a keyring ---------------------------------------------------------------------------

TEST(KeychainWithoutKeyring, TheFileStoreIsUsedAndSaidOnce) {
  const char* expected = ::getenv("VD_KEYRING_EXPECTED_REASON");
  ASSERT_NE(expected, nullptr) << "set by the ctest entry: the reason this environment gives";
  testsupport::TempHome home("vd-keyring-fallback");

  ::testing::internal::CaptureStderr();
  sec::Keychain keychain = sec::Keychain::standard();
  sec::Keychain again = sec::Keychain::standard();
  std::string log = ::testing::internal::GetCapturedStderr();

  EXPECT_FALSE(keychain.usesKeyring());
  EXPECT_FALSE(again.usesKeyring());
  EXPECT_EQ(sec::SecretServiceStore::unavailableReason().rfind(expected, 0), 0u)
      << sec::SecretServiceStore::unavailableReason();
  EXPECT_EQ(log, "vardo: the desktop keyring cannot be used (" +
                     sec::SecretServiceStore::unavailableReason() + "): passwords are kept in " +
                     home.path() + "/data/keychain.plist, readable only by this user\n")
      << "one line, once per process";

  ASSERT_TRUE(keychain.add(loginItem("user01", "secret1")));
  EXPECT_EQ(again.find(kLoginQuery), loginItem("user01", "secret1"));
  EXPECT_EQ(testsupport::fileMode(keychain.filePath()), 0600u);
  EXPECT_EQ(testsupport::fileMode(core::Paths::documents()), 0700u);
}
