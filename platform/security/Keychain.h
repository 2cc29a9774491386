#pragma once
// sec::Keychain: a store of generic-password items, the stand-in for the phone's keychain.
//
// Items live in one property-list file, "keychain.plist", in the application's documents directory.
// The file is private to the user (mode 0600) and is replaced atomically on every change (a
// temporary file made 0600, then renamed over the old one), so a crash never leaves half a store.
// Every operation reports whether it succeeded; nothing throws.
//
// Operations of one process are serialised; the store is not meant to be shared between processes.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace sec {

// Attribute names of a generic-password item.
inline constexpr const char kSecAttrGeneric[] = "gena";
inline constexpr const char kSecAttrAccessGroup[] = "agrp";
inline constexpr const char kSecAttrAccount[] = "acct";
inline constexpr const char kSecAttrService[] = "svce";
inline constexpr const char kSecAttrLabel[] = "labl";
inline constexpr const char kSecAttrDescription[] = "desc";
// The secret of an item (kept as bytes in KeychainItem::data, never among the attributes).
inline constexpr const char kSecValueData[] = "v_Data";

using KeychainAttributes = std::map<std::string, std::string>;

struct KeychainItem {
  KeychainAttributes attributes;
  std::vector<std::uint8_t> data;

  friend bool operator==(const KeychainItem&, const KeychainItem&) = default;
};

class Keychain {
 public:
  // A store kept in DIRECTORY/keychain.plist; the directory is made (0700) on the first write.
  explicit Keychain(std::string directory);
  // The store of the application, in core::Paths::documents() (resolved at each call).
  static Keychain standard();

  const std::string& directory() const { return directory_; }
  std::string filePath() const;

  // The first item whose attributes include every attribute of the query (an empty query matches
  // the first item); nullopt when none matches or the store cannot be read.
  std::optional<KeychainItem> find(const KeychainAttributes& query) const;
  // Adds a new item. False when an item with the same generic attribute, access group and account
  // exists already, or when the store cannot be written.
  bool add(const KeychainItem& item);
  // Every item matching the query takes the given attributes (added or replaced) and, when given,
  // the new secret. False when nothing matches or the store cannot be written.
  bool update(const KeychainAttributes& query, const KeychainAttributes& attributes,
              const std::optional<std::vector<std::uint8_t>>& data);
  // Deletes every item matching the query. False when nothing matches or the store cannot be written.
  bool remove(const KeychainAttributes& query);

 private:
  std::string directory_;
};

}  // namespace sec
