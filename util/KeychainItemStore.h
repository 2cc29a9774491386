#pragma once
// KeychainItemStore: one generic-password item of the keychain seen as a dictionary of texts.
// The application keeps the login in the item "UserNamePwdService": the user name under
// sec::kSecAttrAccount and the password under sec::kSecValueData.
//
// The store reads the keychain when it is made. A change is written at once; writes report whether
// they reached the keychain (callers that do not care may ignore the result). Not thread-safe: make
// one where it is needed.

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/security/Keychain.h"

class KeychainItemStore {
 public:
  using ItemData = std::map<std::string, std::string>;

  // Looks the item up by its identifier (the generic attribute) and access group. A missing item
  // reads as empty account, label, description and password until something is set.
  explicit KeychainItemStore(std::string identifier, std::optional<std::string> accessGroup = std::nullopt,
                             sec::Keychain keychain = sec::Keychain::standard());

  // The text under an attribute key (or sec::kSecValueData); "" when it is not set.
  std::string objectForKey(std::string_view key) const;
  // Sets a text and, when it differs from the one held, writes the item. True when the keychain
  // holds the value afterwards.
  bool setObject(const std::string& value, const std::string& key);
  // Deletes the stored item and empties the account, label, description and password (in memory;
  // the next change writes a new item). False when the stored item could not be deleted.
  bool resetKeychainItem();

  const sec::KeychainAttributes& genericPasswordQuery() const { return genericPasswordQuery_; }
  const ItemData& keychainItemData() const { return keychainItemData_; }

 private:
  bool writeToKeychain();
  static sec::KeychainItem dictionaryToSecItemFormat(const ItemData& data);
  static ItemData secItemFormatToDictionary(const sec::KeychainItem& item);

  sec::Keychain keychain_;
  sec::KeychainAttributes genericPasswordQuery_;
  ItemData keychainItemData_;
  bool hasItemData_ = false;
  bool unsaved_ = false;  // a change the keychain has not taken yet
};
