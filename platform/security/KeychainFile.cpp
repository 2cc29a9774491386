#include "platform/security/KeychainFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "platform/core/Paths.h"
#include "platform/core/PropertyList.h"

namespace sec {

namespace {

constexpr const char kFileName[] = "keychain.plist";

std::mutex& fileMutex() {
  static std::mutex m;
  return m;
}

// The file holds an array of dictionaries: the attributes as strings, the secret as data.
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

// Replaces the file atomically, private to the user.
bool writeStore(const std::string& dir, const std::string& path, const std::vector<KeychainItem>& items) {
  if (!core::Paths::createPrivateDirectory(dir)) return false;
  auto text = serialise(items);
  if (!text) return false;
  ::chmod(path.c_str(), 0600);  // the replacement keeps the old file's mode: make sure it is private
  return core::Paths::atomicWrite(path, *text, 0600);
}

std::optional<std::vector<KeychainItem>> load(const std::string& path) {
  if (!core::Paths::fileExists(path)) return std::vector<KeychainItem>{};
  auto bytes = core::Paths::readFile(path);
  if (!bytes) return std::nullopt;
  return parse(*bytes);
}

// Loads the items for a change. A file that cannot be parsed is moved aside (kept for inspection)
// and the change starts from an empty store; a file that cannot be read at all stops the change.
std::optional<std::vector<KeychainItem>> loadForChange(const std::string& path) {
  if (!core::Paths::fileExists(path)) return std::vector<KeychainItem>{};
  auto bytes = core::Paths::readFile(path);
  if (!bytes) return std::nullopt;
  if (auto items = parse(*bytes)) return items;
  std::string aside = path + ".damaged";
  if (std::rename(path.c_str(), aside.c_str()) != 0) return std::nullopt;
  return std::vector<KeychainItem>{};
}

}  // namespace

KeychainFile::KeychainFile(std::string directory) : directory_(std::move(directory)) {
  while (directory_.size() > 1 && directory_.back() == '/') directory_.pop_back();
}

std::string KeychainFile::filePath() const { return directory_ + "/" + kFileName; }

std::optional<KeychainItem> KeychainFile::find(const KeychainAttributes& query) const {
  std::lock_guard lock(fileMutex());
  auto bytes = core::Paths::readFile(filePath());
  if (!bytes) return std::nullopt;
  auto items = parse(*bytes);
  if (!items) return std::nullopt;
  for (auto& item : *items) {
    if (item.matches(query)) return std::move(item);
  }
  return std::nullopt;
}

bool KeychainFile::add(const KeychainItem& item) const {
  std::lock_guard lock(fileMutex());
  auto items = loadForChange(filePath());
  if (!items) return false;
  for (const auto& existing : *items) {
    if (existing.isSameEntry(item)) return false;
  }
  items->push_back(item);
  return writeStore(directory_, filePath(), *items);
}

bool KeychainFile::update(const KeychainAttributes& query, const KeychainAttributes& attributes,
                          const std::optional<std::vector<std::uint8_t>>& data) const {
  std::lock_guard lock(fileMutex());
  auto items = loadForChange(filePath());
  if (!items) return false;
  bool any = false;
  for (auto& item : *items) {
    if (!item.matches(query)) continue;
    any = true;
    for (const auto& [key, value] : attributes) item.attributes[key] = value;
    if (data) item.data = *data;
  }
  return any && writeStore(directory_, filePath(), *items);
}

bool KeychainFile::remove(const KeychainAttributes& query) const {
  std::lock_guard lock(fileMutex());
  auto items = loadForChange(filePath());
  if (!items) return false;
  auto before = items->size();
  std::erase_if(*items, [&](const KeychainItem& item) { return item.matches(query); });
  return items->size() != before && writeStore(directory_, filePath(), *items);
}

std::optional<std::vector<KeychainItem>> KeychainFile::items() const {
  std::lock_guard lock(fileMutex());
  return load(filePath());
}

bool KeychainFile::removeItems(const std::vector<KeychainItem>& gone) const {
  std::lock_guard lock(fileMutex());
  auto items = load(filePath());
  if (!items) return false;
  auto before = items->size();
  std::erase_if(*items, [&](const KeychainItem& item) {
    return std::find(gone.begin(), gone.end(), item) != gone.end();
  });
  if (items->size() == before) return true;
  if (items->empty()) return ::unlink(filePath().c_str()) == 0;
  return writeStore(directory_, filePath(), *items);
}

}  // namespace sec
