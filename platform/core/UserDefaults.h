#pragma once
// core::UserDefaults: the application's preferences, a property-list file "defaults.plist" in the
// configuration directory (core::Paths::configuration()).
//
// Changes live in memory until synchronize() writes the file (atomically). Values handed in and out
// are deep copies, so a container read from the defaults can be changed freely without touching the
// stored one. Registered defaults answer for keys that have no stored value and are never written.
// All methods are thread-safe.

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/core/Value.h"

namespace core {

class UserDefaults {
 public:
  // The shared defaults of the current configuration directory (loaded on first use).
  static UserDefaults& standard();
  // Drops the shared defaults' unsaved changes and registered defaults; the next use reloads them from
  // the file of the configuration directory as it is then (tests change VARDO_HOME between cases).
  // The object stays the same.
  static void resetStandard();

  explicit UserDefaults(std::string path);  // a defaults file of its own (loaded at once)

  std::string path() const;

  Value objectForKey(std::string_view key) const;            // Nil when missing
  void setObject(std::string_view key, const Value& value);  // Nil removes the key
  void removeObject(std::string_view key);

  bool boolForKey(std::string_view key) const;             // false when missing
  std::int64_t integerForKey(std::string_view key) const;  // 0 when missing
  double doubleForKey(std::string_view key) const;
  std::string stringForKey(std::string_view key) const;  // a string, or a number's text; "" otherwise
  void setBool(std::string_view key, bool v) { setObject(key, Value(v)); }
  void setInteger(std::string_view key, std::int64_t v) { setObject(key, Value(v)); }
  void setDouble(std::string_view key, double v) { setObject(key, Value(v)); }

  // Values used for keys that have no stored value (not persisted).
  void registerDefaults(const Dictionary& defaults);
  // Stored values over registered ones.
  Dictionary dictionaryRepresentation() const;

  // Writes the stored values to the file. False when the write failed (the values stay in memory).
  // On the main thread of a running application (rl::isBlockingDisallowed()) the write is queued on
  // core::PropertyListWriter instead and true is returned: the main thread never waits for the disk,
  // and this process's readers (reload(), a new UserDefaults of the file) see the queued values.
  bool synchronize();
  // Re-reads the file, dropping unsaved changes.
  void reload();

 private:
  UserDefaults() = default;  // the shared one: loaded on first use
  void ensureLoadedLocked() const;
  void reloadLocked() const;

  mutable std::mutex mutex_;
  mutable bool followsConfiguration_ = false;  // the shared defaults: path from Paths::configuration()
  mutable bool loaded_ = false;
  mutable std::string path_;
  mutable Dictionary values_;
  Dictionary registered_;
};

}  // namespace core
