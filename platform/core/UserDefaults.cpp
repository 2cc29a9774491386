#include "platform/core/UserDefaults.h"

#include "platform/core/Paths.h"
#include "platform/core/PropertyList.h"
#include "platform/core/PropertyListWriter.h"

namespace core {

namespace {

std::string standardPath() { return Paths::join(Paths::configuration(), "defaults.plist"); }

}  // namespace

UserDefaults& UserDefaults::standard() {
  static UserDefaults* shared = [] {
    auto* d = new UserDefaults();  // never destroyed: other statics may use it while the process ends
    d->followsConfiguration_ = true;
    return d;
  }();
  return *shared;
}

void UserDefaults::resetStandard() {
  UserDefaults& d = standard();
  std::lock_guard lock(d.mutex_);
  d.loaded_ = false;
  d.path_.clear();
  d.values_ = Dictionary();
  d.registered_ = Dictionary();
}

UserDefaults::UserDefaults(std::string path) : path_(std::move(path)) { reloadLocked(); }

std::string UserDefaults::path() const {
  std::lock_guard lock(mutex_);
  ensureLoadedLocked();
  return path_;
}

void UserDefaults::reload() {
  std::lock_guard lock(mutex_);
  ensureLoadedLocked();
  reloadLocked();
}

void UserDefaults::ensureLoadedLocked() const {
  if (loaded_) return;
  if (followsConfiguration_) path_ = standardPath();
  reloadLocked();
}

void UserDefaults::reloadLocked() const {
  // A synchronize of this process that is still on its way to the file is what the file holds.
  Value stored = PropertyListWriter::shared().readFile(path_);
  values_ = stored.isDictionary() ? stored.dict() : Dictionary();
  loaded_ = true;
}

Value UserDefaults::objectForKey(std::string_view key) const {
  std::lock_guard lock(mutex_);
  ensureLoadedLocked();
  Value v = values_.get(key);
  if (v.isNil()) v = registered_.get(key);
  return v.deepCopy();
}

void UserDefaults::setObject(std::string_view key, const Value& value) {
  Value copy = value.deepCopy();
  std::lock_guard lock(mutex_);
  ensureLoadedLocked();
  values_.set(std::string(key), std::move(copy));
}

void UserDefaults::removeObject(std::string_view key) {
  std::lock_guard lock(mutex_);
  ensureLoadedLocked();
  values_.remove(key);
}

bool UserDefaults::boolForKey(std::string_view key) const { return objectForKey(key).toBool(); }
std::int64_t UserDefaults::integerForKey(std::string_view key) const { return objectForKey(key).toInt(); }
double UserDefaults::doubleForKey(std::string_view key) const { return objectForKey(key).toDouble(); }
std::string UserDefaults::stringForKey(std::string_view key) const {
  Value v = objectForKey(key);
  return v.isString() || v.isNumber() ? v.toString() : std::string();
}

void UserDefaults::registerDefaults(const Dictionary& defaults) {
  Value copy = Value(defaults).deepCopy();
  std::lock_guard lock(mutex_);
  for (const auto& [k, v] : copy.dict()) registered_.set(k, v);
}

Dictionary UserDefaults::dictionaryRepresentation() const {
  std::lock_guard lock(mutex_);
  ensureLoadedLocked();
  Dictionary out;
  for (const auto& [k, v] : registered_) out.set(k, v.deepCopy());
  for (const auto& [k, v] : values_) out.set(k, v.deepCopy());
  return out;
}

bool UserDefaults::synchronize() {
  std::string path;
  Value snapshot;
  {
    std::lock_guard lock(mutex_);
    ensureLoadedLocked();
    path = path_;
    snapshot = Value(values_).deepCopy();
  }
  return PropertyListWriter::shared().writeFile(path, snapshot);
}

}  // namespace core
