#pragma once
// A scanner over a byte buffer, the footing of the second JSON codec's reader (AltJSONScanner).
//
// The scanner owns its bytes and keeps one position in them, the scan location (0 at the start). Every
// scan operation either consumes what it matched and answers true, or leaves the location where it
// was and answers false. At the end of the data the current character is kNoCharacter, which no
// scan accepts.
//
// Text handed out is the UTF-8 bytes as they stand. The comment scanners report their failures (the
// original's exceptions) as an error value in the domain kExceptionDomain; nothing is thrown.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "librarys/altjson/AltCharacterSet.h"
#include "platform/core/Error.h"
#include "platform/core/Value.h"

class AltDataScanner {
 public:
  // The domain of the failures the comment scanners and backtracking report.
  static constexpr const char* kExceptionDomain = "NSGenericException";
  static constexpr int kNoCharacter = -1;

  AltDataScanner() = default;
  explicit AltDataScanner(core::Bytes data);  // initWithData:
  virtual ~AltDataScanner() = default;

  const core::Bytes& data() const { return data_; }
  // Replaces the bytes and moves the scan location back to the start.
  void setData(core::Bytes data);
  std::size_t length() const { return data_.size(); }

  std::size_t scanLocation() const { return current_; }
  void setScanLocation(std::size_t location);  // clamped to the length
  std::size_t bytesRemaining() const { return data_.size() - current_; }
  bool isAtEnd() const { return current_ >= data_.size(); }

  // The byte at the location, or kNoCharacter at the end.
  int currentCharacter() const;
  // The byte at the location, consumed; kNoCharacter (and nothing consumed) at the end.
  int scanCharacter();
  // Consumes `c` when it is the current byte.
  bool scanCharacter(char c);
  // Consumes exactly the bytes of `text` when they come next; `into` (when given) receives them.
  bool scanUTF8String(std::string_view text, std::string* into);
  bool scanString(std::string_view text, std::string* into) { return scanUTF8String(text, into); }
  // The longest run of characters that are (or, for the "up to" forms, are not) members of `set`;
  // false when the run is empty. Characters are UTF-8 sequences; a malformed byte is a member of no set.
  bool scanCharactersFromSet(const AltCharacterSet& set, std::string* into);
  bool scanUpToCharactersFromSet(const AltCharacterSet& set, std::string* into);
  // The bytes before the next occurrence of `text`, or to the end when there is none; false when
  // nothing was scanned.
  bool scanUpToString(std::string_view text, std::string* into);
  // A JSON number: an Integer when it has no fraction and no exponent and fits 64 bits, a Double
  // otherwise. A run of number characters that is no well-formed JSON number is not scanned.
  bool scanNumber(core::Value* number);
  // A JSON number as an exact decimal (false also for more than 38 significant digits).
  bool scanDecimalNumber(core::Decimal* number);
  // The next `length` bytes (false when fewer remain). The pointer form points into the scanner's
  // buffer and stays valid until the data changes.
  bool scanDataOfLength(std::size_t length, const std::uint8_t** into);
  bool scanDataOfLength(std::size_t length, core::Bytes* into);
  // Skips space, tab, line feed, vertical tab, form feed and carriage return.
  void skipWhitespace();
  std::string remainingString() const;
  core::Bytes remainingData() const;

  // A comment from "/*" to the next "*/"; `comment` receives the text between the markers. False with
  // nothing consumed when no "/*" comes next. When the comment has no end, holds another "/*" or cannot
  // be closed, the answer is false with `exception` set and the location unchanged.
  bool scanCStyleComment(std::string* comment, core::Error* exception = nullptr);
  // A comment from "//" up to the next line break; the line breaks after it are skipped. `comment`
  // receives the text after the marker.
  bool scanCPlusPlusStyleComment(std::string* comment);

  // The number of line-feed and carriage-return bytes before the location.
  std::size_t lineOfScanLocation() const;
  // "line" (as above), "character" (bytes since the last line break, from 0), "location" and
  // "snippet": up to 20 bytes before the location and up to 20 from it, joined by "!HERE>!" (never
  // cutting a UTF-8 character in two).
  core::Value userInfoForScanLocation() const;

  // The ten digits and "eE-+.": the characters a number run is made of.
  static const AltCharacterSet& numberCharacterSet();
  // Whether `run` has the shape of a JSON number: -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
  static bool isWellFormedNumber(std::string_view run);

 protected:
  // The run of number characters at the location (possibly empty); consumes nothing.
  std::string_view numberRunAt() const;
  std::string_view bytesBetween(std::size_t from, std::size_t to) const;

 private:
  // The character at `at` and its length in bytes (a malformed byte gives U+FFFD, length 1).
  char32_t characterAt(std::size_t at, std::size_t* length) const;
  bool scanSet(const AltCharacterSet& set, bool members, std::string* into);

  core::Bytes data_;
  std::size_t current_ = 0;
};
