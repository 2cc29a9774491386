#pragma once
// StatsUtil: the statistics component's small helpers: its JSON entry points, the form encoding of
// uploads, digests, byte-limited cuts of text, zlib compression of the upload body, fresh identifiers,
// the component's wall clock, and a few facts about the app.

#include <optional>
#include <string>
#include <string_view>

#include "platform/core/Date.h"
#include "platform/core/Value.h"

class StatsUtil {
 public:
  // Any JSON value as text with a fresh StatsJsonWriter; nothing (and the log line
  // "-JSONFragment failed. Error trace is: %@") on failure.
  static std::optional<std::string> JSONFragment(const core::Value& value);
  // An object or array as text; nothing (and "-JSONRepresentation failed. Error trace is: %@") otherwise.
  static std::optional<std::string> JSONRepresentation(const core::Value& value);
  // The object or array of a JSON text with a fresh StatsJsonParser; Nil (and
  // "-JSONValue failed. Error trace is: %@") on failure.
  static core::Value JSONValue(std::string_view text);

  // The UTF-8 bytes percent-encoded, leaving only ASCII letters, digits and - . _ ~ as they are
  // (upper-case hex): the characters !*'"();:@&=+$,/?%#[] and the space are escaped with the rest, so a
  // form value never breaks the form.
  static std::string urlEncode(std::string_view text);
  // Upper-case hexadecimal MD5 of the UTF-8 bytes (32 characters).
  static std::string md5Value(std::string_view text);
  // The longest prefix of whole characters whose UTF-8 form fits in `bytes`; a text that is not
  // well-formed UTF-8 is returned whole.
  static std::string getString(std::string_view text, std::size_t bytes);

  // zlib stream (header, deflate data, Adler-32) of `source` at the default level; nothing on failure.
  static std::optional<core::Bytes> deflatedData(const core::Bytes& source);
  // The same after `prefix` (copied as it is), at `level` (0-9, or -1 for zlib's default).
  static std::optional<core::Bytes> deflatedDataPrefixedWith(const core::Bytes& prefix, int level,
                                                             const core::Bytes& source);

  // The device identifier shared with other apps (StatsDeviceID::shared().value()).
  static std::string sharedUDIDString();
  // A new random UUID in its upper-case text form ("8-4-4-4-12" hexadecimal digits).
  static std::string newUUIDString();

  // The component's wall clock: now, on the clock its owner handed in (StatsServices), by default the
  // real time. Thread-safe.
  static core::Date now();

  // Facts the component offers and the app does not use.
  static bool isPad() { return false; }                   // a phone-sized window
  static std::string orientationString() { return "0"; }  // portrait only
  static std::string protocolVersionString() { return "6"; }
  static std::string appShortVersionString();  // CFBundleShortVersionString
};
