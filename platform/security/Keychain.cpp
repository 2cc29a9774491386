#include "platform/security/Keychain.h"

#include <cstdio>
#include <mutex>

#include "platform/core/Paths.h"
#include "platform/security/KeychainFile.h"
#include "platform/security/SecretServiceStore.h"

namespace sec {

Keychain::Keychain(std::string directory) : directory_(KeychainFile(std::move(directory)).directory()) {}

Keychain::Keychain(std::string directory, std::shared_ptr<SecretServiceStore> keyring)
    : directory_(KeychainFile(std::move(directory)).directory()), keyring_(std::move(keyring)) {}

Keychain Keychain::standard() {
  Keychain keychain(core::Paths::documents(), SecretServiceStore::session());
  if (!keychain.usesKeyring()) {
    static std::once_flag told;
    std::call_once(told, [&] {
      std::fprintf(
          stderr,
          "vardo: the desktop keyring cannot be used (%s): passwords are kept in %s, readable only by "
          "this user\n",
          SecretServiceStore::unavailableReason().c_str(), keychain.filePath().c_str());
    });
  }
  return keychain;
}

std::string Keychain::filePath() const { return KeychainFile(directory_).filePath(); }

void Keychain::moveFileItemsToKeyring() const {
  KeychainFile file(directory_);
  if (!core::Paths::fileExists(file.filePath())) return;
  auto items = file.items();
  if (!items) return;  // unreadable or damaged: the file store's own operations deal with it
  std::vector<KeychainItem> moved;
  for (const auto& item : *items) {
    if (keyring_->replace(item)) moved.push_back(item);
  }
  if (moved.empty()) return;
  if (file.removeItems(moved)) {
    std::fprintf(stderr, "vardo: %zu of %zu keychain items moved from %s into the desktop keyring\n",
                 moved.size(), items->size(), file.filePath().c_str());
  }
}

std::optional<KeychainItem> Keychain::find(const KeychainAttributes& query) const {
  if (!keyring_) return KeychainFile(directory_).find(query);
  moveFileItemsToKeyring();
  return keyring_->find(query);
}

bool Keychain::add(const KeychainItem& item) {
  if (!keyring_) return KeychainFile(directory_).add(item);
  moveFileItemsToKeyring();
  return keyring_->add(item);
}

bool Keychain::update(const KeychainAttributes& query, const KeychainAttributes& attributes,
                      const std::optional<std::vector<std::uint8_t>>& data) {
  if (!keyring_) return KeychainFile(directory_).update(query, attributes, data);
  moveFileItemsToKeyring();
  return keyring_->update(query, attributes, data);
}

bool Keychain::remove(const KeychainAttributes& query) {
  if (!keyring_) return KeychainFile(directory_).remove(query);
  moveFileItemsToKeyring();
  return keyring_->remove(query);
}

}  // namespace sec
