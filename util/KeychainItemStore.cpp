#include "util/KeychainItemStore.h"

#include "platform/core/Text.h"

KeychainItemStore::KeychainItemStore(std::string identifier, std::optional<std::string> accessGroup,
                                     sec::Keychain keychain)
    : keychain_(std::move(keychain)) {
  genericPasswordQuery_[sec::kSecAttrGeneric] = identifier;
  if (accessGroup) genericPasswordQuery_[sec::kSecAttrAccessGroup] = *accessGroup;

  if (auto found = keychain_.find(genericPasswordQuery_)) {
    keychainItemData_ = secItemFormatToDictionary(*found);
    hasItemData_ = true;
  } else {
    resetKeychainItem();
    keychainItemData_[sec::kSecAttrGeneric] = identifier;
    if (accessGroup) keychainItemData_[sec::kSecAttrAccessGroup] = *accessGroup;
  }
}

std::string KeychainItemStore::objectForKey(std::string_view key) const {
  auto it = keychainItemData_.find(std::string(key));
  return it == keychainItemData_.end() ? std::string() : it->second;
}

bool KeychainItemStore::setObject(const std::string& value, const std::string& key) {
  auto it = keychainItemData_.find(key);
  if (it != keychainItemData_.end() && it->second == value && !unsaved_) return true;
  keychainItemData_[key] = value;
  return writeToKeychain();
}

bool KeychainItemStore::resetKeychainItem() {
  bool ok = true;
  if (hasItemData_) {
    sec::KeychainAttributes stored = dictionaryToSecItemFormat(keychainItemData_).attributes;
    if (keychain_.find(stored)) ok = keychain_.remove(stored);
  } else {
    keychainItemData_.clear();
    hasItemData_ = true;
  }
  keychainItemData_[sec::kSecAttrAccount] = "";
  keychainItemData_[sec::kSecAttrLabel] = "";
  keychainItemData_[sec::kSecAttrDescription] = "";
  keychainItemData_[sec::kSecValueData] = "";
  return ok;
}

bool KeychainItemStore::writeToKeychain() {
  sec::KeychainItem item = dictionaryToSecItemFormat(keychainItemData_);
  bool ok;
  if (auto found = keychain_.find(genericPasswordQuery_)) {
    ok = keychain_.update(found->attributes, item.attributes, item.data);
  } else {
    ok = keychain_.add(item);
  }
  unsaved_ = !ok;
  return ok;
}

sec::KeychainItem KeychainItemStore::dictionaryToSecItemFormat(const ItemData& data) {
  sec::KeychainItem item;
  for (const auto& [key, value] : data) {
    if (key == sec::kSecValueData) {
      item.data.assign(value.begin(), value.end());
    } else {
      item.attributes[key] = value;
    }
  }
  return item;
}

KeychainItemStore::ItemData KeychainItemStore::secItemFormatToDictionary(const sec::KeychainItem& item) {
  ItemData data(item.attributes.begin(), item.attributes.end());
  std::string secret(item.data.begin(), item.data.end());
  // A secret that is not UTF-8 text cannot be shown as a password: it reads as empty.
  data[sec::kSecValueData] = core::isValidUtf8(secret) ? secret : std::string();
  return data;
}
