#include "platform/security/Keychain.h"

#include <sys/stat.h>

#include <mutex>

#include "platform/core/Paths.h"
#include "platform/core/PropertyList.h"

namespace sec {

namespace {

constexpr const char kFileName[] = "keychain.plist";

std::mutex& storeMutex() {
  static std::mutex m;
  return m;
}

bool matches(const KeychainItem& item, const KeychainAttributes& query) {
  for (const auto& [key, value] : query) {
    auto it = item.attributes.find(key);
    if (it == item.attributes.end() || it->second != value) return false;
  }
  return true;
}

std::string attributeOr(const KeychainItem& item, const char* key) {
  auto it = item.attributes.find(key);
  return it == item.attributes.end() ? std::string() : it->second;
}

// The store file holds an array of dictionaries: the attributes as strings, the secret as data.
std::optional<std::vector<KeychainItem>> parse(const core::Bytes& bytes) {
  core::Value root = core::PropertyList::fromData(bytes);
  if (!root.isArray()) return std::nullopt;
  std::vector<KeychainItem> items;
  for (const core::Value& entry : root.array()) {
    if (!entry.isDictionary()) continue;
    KeychainItem item;
    for (const auto& [key, value] : entry.dict()) {
      if (key == kSecValueData && value.isData()) {
        item.data = value.data();
      } else if (value.isString()) {
        item.attributes[key] = value.str();
      }
    }
    items.push_back(std::move(item));
  }
  return items;
}

std::optional<std::string> serialise(const std::vector<KeychainItem>& items) {
  core::Array root;
  for (const auto& item : items) {
    core::Dictionary entry;
    for (const auto& [key, value] : item.attributes) entry.set(key, value);
    entry.set(kSecValueData, core::Bytes(item.data));
    root.push_back(entry);
  }
  return core::PropertyList::toXML(root);
}

// Replaces the store file atomically, private to the user.
bool writeStore(const std::string& dir, const std::string& path, const std::vector<KeychainItem>& items) {
  if (!core::Paths::createDirectories(dir)) return false;
  auto text = serialise(items);
  if (!text) return false;
  ::chmod(path.c_str(), 0600);  // the replacement keeps the old file's mode: make sure it is private
  return core::Paths::atomicWrite(path, *text, 0600);
}

// Loads the items for a change. A store that cannot be parsed is moved aside (kept for inspection)
// and the change starts from an empty store; a store that cannot be read at all stops the change.
std::optional<std::vector<KeychainItem>> loadForChange(const std::string& path) {
  if (!core::Paths::fileExists(path)) return std::vector<KeychainItem>{};
  auto bytes = core::Paths::readFile(path);
  if (!bytes) return std::nullopt;
  if (auto items = parse(*bytes)) return items;
  std::string aside = path + ".damaged";
  if (::rename(path.c_str(), aside.c_str()) != 0) return std::nullopt;
  return std::vector<KeychainItem>{};
}

}  // namespace

Keychain::Keychain(std::string directory) : directory_(std::move(directory)) {
  while (directory_.size() > 1 && directory_.back() == '/') directory_.pop_back();
}

Keychain Keychain::standard() { return Keychain(core::Paths::documents()); }

std::string Keychain::filePath() const { return directory_ + "/" + kFileName; }

std::optional<KeychainItem> Keychain::find(const KeychainAttributes& query) const {
  std::lock_guard lock(storeMutex());
  auto bytes = core::Paths::readFile(filePath());
  if (!bytes) return std::nullopt;
  auto items = parse(*bytes);
  if (!items) return std::nullopt;
  for (auto& item : *items) {
    if (matches(item, query)) return std::move(item);
  }
  return std::nullopt;
}

bool Keychain::add(const KeychainItem& item) {
  std::lock_guard lock(storeMutex());
  auto items = loadForChange(filePath());
  if (!items) return false;
  for (const auto& existing : *items) {
    if (attributeOr(existing, kSecAttrGeneric) == attributeOr(item, kSecAttrGeneric) &&
        attributeOr(existing, kSecAttrAccessGroup) == attributeOr(item, kSecAttrAccessGroup) &&
        attributeOr(existing, kSecAttrAccount) == attributeOr(item, kSecAttrAccount)) {
      return false;
    }
  }
  items->push_back(item);
  return writeStore(directory_, filePath(), *items);
}

bool Keychain::update(const KeychainAttributes& query, const KeychainAttributes& attributes,
                      const std::optional<std::vector<std::uint8_t>>& data) {
  std::lock_guard lock(storeMutex());
  auto items = loadForChange(filePath());
  if (!items) return false;
  bool any = false;
  for (auto& item : *items) {
    if (!matches(item, query)) continue;
    any = true;
    for (const auto& [key, value] : attributes) item.attributes[key] = value;
    if (data) item.data = *data;
  }
  return any && writeStore(directory_, filePath(), *items);
}

bool Keychain::remove(const KeychainAttributes& query) {
  std::lock_guard lock(storeMutex());
  auto items = loadForChange(filePath());
  if (!items) return false;
  auto before = items->size();
  std::erase_if(*items, [&](const KeychainItem& item) { return matches(item, query); });
  return items->size() != before && writeStore(directory_, filePath(), *items);
}

}  // namespace sec
