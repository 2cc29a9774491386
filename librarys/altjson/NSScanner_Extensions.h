#pragma once
// A scanner over text, counted in characters, with the extra operations the second JSON codec adds to
// the platform's string scanner: the rest of the text, the current character, single characters,
// backtracking and the two comment forms. Failures that the original raised as exceptions are answered
// with false and an error in kExceptionDomain; the location is then left where it was.

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/core/Error.h"

class NSScanner_Extensions {
 public:
  static constexpr const char* kExceptionDomain = "NSGenericException";

  // UTF-8 text; a malformed byte reads as U+FFFD.
  explicit NSScanner_Extensions(std::string_view utf8);

  std::size_t scanLocation() const { return location_; }
  void setScanLocation(std::size_t location);  // clamped to the length
  bool isAtEnd() const { return location_ >= text_.size(); }

  std::string remainingString() const;
  char32_t currentCharacter() const;  // 0 at the end
  char32_t scanCharacter();           // 0 (nothing consumed) at the end
  bool scanCharacter(char32_t c);
  // Moves the location `count` characters back; "Backtracked too far." when that would pass the start.
  bool backtrack(std::size_t count, core::Error* exception = nullptr);
  // From "/*" to the next "*/"; `comment` receives the text between the markers.
  bool scanCStyleComment(std::string* comment, core::Error* exception = nullptr);
  // From "//" up to the next line break; the line breaks are skipped.
  bool scanCPlusPlusStyleComment(std::string* comment);

 private:
  bool scanLiteral(std::u32string_view literal);
  static std::string toUtf8(std::u32string_view text);

  std::u32string text_;
  std::size_t location_ = 0;
};
