#pragma once
// core::Bundle: the application's read-only resources.
//
// The main bundle's resource directory is $VARDO_BUNDLE when set, else <directory of the executable>/
// ../share/vardo when that exists, else the build tree's bundle. It holds "Info.plist" (the info
// dictionary: "CFBundleName", "CFBundleShortVersionString", "CFBundleVersion", "CFBundleDisplayName",
// "CFBundleIdentifier", ...), the strings table "Localizable.strings" and every other resource.
// Thread-safe; files are read once and kept.

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/core/Value.h"

namespace core {

class Bundle {
 public:
  static Bundle& main();
  // Forgets what the main bundle has read and looks for its directory again (tests set VARDO_BUNDLE).
  static void resetMain();

  explicit Bundle(std::string resourcePath);

  std::string resourcePath() const;

  Dictionary infoDictionary() const;  // a deep copy; empty when there is no readable Info.plist
  Value objectForInfoDictionaryKey(std::string_view key) const;
  std::string bundleName() const { return objectForInfoDictionaryKey("CFBundleName").toString(); }
  std::string shortVersion() const {
    return objectForInfoDictionaryKey("CFBundleShortVersionString").toString();
  }
  std::string version() const { return objectForInfoDictionaryKey("CFBundleVersion").toString(); }

  // The path of "name.type" (type may be empty, or name may carry its extension) in the resource
  // directory, then in its "Base.lproj", "zh-Hans.lproj" and "en.lproj"; nullopt when missing or when
  // the name would leave the bundle ("..").
  std::optional<std::string> pathForResource(std::string_view name, std::string_view type) const;
  std::optional<std::string> pathForResource(std::string_view name, std::string_view type,
                                             std::string_view directory) const;

  // The entry of the strings table ("Localizable" by default); a missing key gives `fallback` when it
  // is not empty, else the key itself.
  std::string localizedString(std::string_view key, std::string_view fallback = {},
                              std::string_view table = "Localizable") const;

  // Parses the text of a ".strings" file ("key" = "value"; with // and /* */ comments and the escapes
  // \" \\ \n \t \r \uXXXX). Nullopt (and a message in *error) for malformed text.
  static std::optional<std::map<std::string, std::string, std::less<>>> parseStrings(
      std::string_view text, std::string* error = nullptr);

 private:
  struct State;
  void reset(std::string resourcePath);

  mutable std::mutex mutex_;
  std::shared_ptr<State> state_;
};

}  // namespace core
