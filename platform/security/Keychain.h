#pragma once
// sec::Keychain: a store of generic-password items, the stand-in for the phone's keychain.
//
// The application's store (standard()) is the desktop keyring: the session's Secret Service
// (sec::SecretServiceStore, which says when there is one to use). Where none answers (a headless
// session, a bare CI machine) the items live in a file of the application's documents directory
// instead (sec::KeychainFile: mode 0600 in a 0700 directory, replaced atomically), and the first
// standard() of the process says so once on standard error, the application's log, in one line:
//   vardo: the desktop keyring cannot be used (REASON): passwords are kept in FILE, readable only by
//   this user
//
// Moving to the keyring: a keychain on the keyring looks, before each operation, for the file of its
// directory. Each item found there is stored in the keyring, in place of the keyring's item of the same
// entry (the file only receives items while no keyring answers, so its item is the newer one), and is
// deleted from the file once the keyring holds it; an item the keyring refuses stays in the file for
// the next operation. The file goes when it is empty. So a login kept while no keyring answered still
// logs the user in once the keyring is there.
//
// Every operation reports whether it succeeded; nothing throws.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/security/KeychainItem.h"

namespace sec {

class SecretServiceStore;

class Keychain {
 public:
  // A store kept in the file DIRECTORY/keychain.plist alone, never in the keyring.
  explicit Keychain(std::string directory);
  // A store kept in the keyring; the file of DIRECTORY only gives up its items to it (see above).
  Keychain(std::string directory, std::shared_ptr<SecretServiceStore> keyring);
  // The store of the application: the session's keyring when it answers, else the file; the directory
  // is core::Paths::documents() (resolved at each call).
  static Keychain standard();

  bool usesKeyring() const { return keyring_ != nullptr; }
  const std::string& directory() const { return directory_; }
  // The file store's path (of the fallback, or of the items still waiting to move to the keyring).
  std::string filePath() const;

  // The first item whose attributes include every attribute of the query (an empty query matches
  // the first item); nullopt when none matches or the store cannot be read.
  std::optional<KeychainItem> find(const KeychainAttributes& query) const;
  // Adds a new item. False when the same entry (generic attribute, access group and account) is
  // stored already, or when the store cannot be written.
  bool add(const KeychainItem& item);
  // Every item matching the query takes the given attributes (added or replaced) and, when given,
  // the new secret. False when nothing matches or the store cannot be written.
  bool update(const KeychainAttributes& query, const KeychainAttributes& attributes,
              const std::optional<std::vector<std::uint8_t>>& data);
  // Deletes every item matching the query. False when nothing matches or the store cannot be written.
  bool remove(const KeychainAttributes& query);

 private:
  void moveFileItemsToKeyring() const;

  std::string directory_;
  std::shared_ptr<SecretServiceStore> keyring_;
};

}  // namespace sec
