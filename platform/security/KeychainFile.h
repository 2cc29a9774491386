#pragma once
// sec::KeychainFile: keychain items in one property-list file, "keychain.plist", of a directory: the
// store where no desktop keyring answers (sec::Keychain chooses).
//
// The directory is made private (0700) on the first write; the file is private to the user (mode
// 0600) and is replaced atomically on every change (a temporary file made 0600, then renamed over the
// old one), so a crash never leaves half a store. A file that cannot be parsed is moved aside
// ("keychain.plist.damaged") by the next change, which starts from an empty store. Every operation
// reports whether it succeeded; nothing throws.
//
// Operations of one process are serialised; the file is not meant to be shared between processes.

#include <optional>
#include <string>
#include <vector>

#include "platform/security/KeychainItem.h"

namespace sec {

class KeychainFile {
 public:
  explicit KeychainFile(std::string directory);

  const std::string& directory() const { return directory_; }
  std::string filePath() const;

  // The first item matching the query (an empty query matches the first item); nullopt when none
  // matches or the file cannot be read.
  std::optional<KeychainItem> find(const KeychainAttributes& query) const;
  // Adds a new item. False when the file holds the same entry already (KeychainItem::isSameEntry), or
  // when it cannot be written.
  bool add(const KeychainItem& item) const;
  // Every item matching the query takes the given attributes (added or replaced) and, when given,
  // the new secret. False when nothing matches or the file cannot be written.
  bool update(const KeychainAttributes& query, const KeychainAttributes& attributes,
              const std::optional<std::vector<std::uint8_t>>& data) const;
  // Deletes every item matching the query. False when nothing matches or the file cannot be written.
  bool remove(const KeychainAttributes& query) const;

  // Every item of the file: none when there is no file; nullopt when it cannot be read or parsed.
  std::optional<std::vector<KeychainItem>> items() const;
  // Deletes the items equal to one of `gone` (attributes and secret); the file itself is deleted when
  // nothing is left in it. False when the file cannot be read or written.
  bool removeItems(const std::vector<KeychainItem>& gone) const;

 private:
  std::string directory_;
};

}  // namespace sec
