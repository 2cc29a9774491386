#pragma once
// Text positions in UTF-16 code units. Text in the model is UTF-8, but every range a text delegate sees
// counts UTF-16 units, as the screens' length rules do (a Chinese character is one unit, a character
// outside the basic plane two).

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

struct Range16 {
  std::size_t location = 0;
  std::size_t length = 0;
  std::size_t end() const { return location + length; }
  friend bool operator==(const Range16&, const Range16&) = default;
};

// Lengths in UTF-16 units: core::utf16Length (platform/core/Text.h). Characters are decoded as
// core::nextCodePoint decodes them: invalid UTF-8 bytes are one character (and one unit) each.
// The text split into characters (code points), each as its UTF-8 bytes; an invalid byte is a character.
std::vector<std::string> utf8Characters(std::string_view utf8);
// The byte offset of UTF-16 offset `units`; nullopt past the end or inside a surrogate pair.
std::optional<std::size_t> byteOffsetOfUtf16(std::string_view utf8, std::size_t units);
// The UTF-16 range of the last character; {0, 0} for empty text.
Range16 lastCharacterRange(std::string_view utf8);
// `utf8` with `range` replaced by `replacement`; nullopt when the range does not fall on character
// boundaries inside the text.
std::optional<std::string> replaceUtf16Range(std::string_view utf8, Range16 range,
                                             std::string_view replacement);

}  // namespace ui
