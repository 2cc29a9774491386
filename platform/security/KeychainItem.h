#pragma once
// sec::KeychainItem: one generic-password item of the keychain: text attributes and a secret.
// The attribute names are the phone keychain's, so code written against its item model reads the same.

#include <cstdint>
#include <map>
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

  // The text of an attribute; "" when the item lacks it.
  std::string attribute(const std::string& key) const {
    auto it = attributes.find(key);
    return it == attributes.end() ? std::string() : it->second;
  }

  // Whether the item has every attribute of the query with the same text (an empty query matches).
  bool matches(const KeychainAttributes& query) const {
    for (const auto& [key, value] : query) {
      auto it = attributes.find(key);
      if (it == attributes.end() || it->second != value) return false;
    }
    return true;
  }

  // Whether two items are the same entry of a store: the same generic attribute, access group and
  // account (a missing attribute counts as ""). A store holds one item per entry.
  bool isSameEntry(const KeychainItem& other) const {
    for (const char* key : {kSecAttrGeneric, kSecAttrAccessGroup, kSecAttrAccount}) {
      if (attribute(key) != other.attribute(key)) return false;
    }
    return true;
  }

  friend bool operator==(const KeychainItem&, const KeychainItem&) = default;
};

}  // namespace sec
