#pragma once
// core text helpers: UTF-16 lengths and slices of UTF-8 text (every length rule of the application
// counts UTF-16 units, as the phone's strings do), trimming, case, prefixes, splitting, GB 18030, and
// the lenient number reading of intValue / doubleValue.
//
// Text is UTF-8. A malformed byte counts as one U+FFFD character (one UTF-16 unit).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Value.h"

namespace core {

// Decodes the character at byte i and moves i past it; a malformed sequence gives U+FFFD and moves
// one byte.
char32_t nextCodePoint(std::string_view utf8, std::size_t& i);
// Appends JSON's escape for a byte that a JSON string cannot hold as it is: the quotation mark and the
// backslash, \b \t \n \f \r, and the other control bytes as \u00XX (lower-case hex). Any other byte is
// appended unchanged. Every JSON writer of the application escapes through this.
void appendJsonEscaped(std::string& out, unsigned char byte);
bool isValidUtf8(std::string_view s);
std::size_t utf16Length(std::string_view utf8);
// The characters covering UTF-16 units [start, start + length) (length clipped to the end). A boundary
// inside a surrogate pair moves back to the start of that character, so a pair is never split and
// utf16Length(utf16Substring(s, 0, n)) <= n.
std::string utf16Substring(std::string_view utf8, std::size_t start, std::size_t length = std::string::npos);
std::string utf16Prefix(std::string_view utf8, std::size_t length);  // = utf16Substring(s, 0, length)
// Byte offset in the UTF-8 text of UTF-16 unit `index` (moved back out of a surrogate pair).
std::size_t utf8OffsetOfUtf16(std::string_view utf8, std::size_t index);
std::u16string toUtf16(std::string_view utf8);
std::string fromUtf16(std::u16string_view utf16);  // unpaired surrogates become U+FFFD
std::string fromCodePoint(char32_t cp);

// Strips white space and newlines (ASCII ones, U+00A0, U+3000 and the other Unicode spaces) at both ends.
std::string trim(std::string_view s);
std::string toLower(std::string_view s);  // ASCII letters only; other bytes unchanged
std::string toUpper(std::string_view s);
bool equalsIgnoringCase(std::string_view a, std::string_view b);  // ASCII case-insensitive
bool hasPrefix(std::string_view s, std::string_view prefix);
bool hasSuffix(std::string_view s, std::string_view suffix);
bool contains(std::string_view s, std::string_view part);
// Pieces between separators, empty ones included ("a,,b" -> "a", "", "b"; "" -> one empty piece).
std::vector<std::string> split(std::string_view s, std::string_view separator);
std::string join(const std::vector<std::string>& parts, std::string_view separator);
std::string replaceAll(std::string_view s, std::string_view from, std::string_view to);

// GB 18030 (a superset of GBK and GB 2312) through iconv. Nullopt for bytes/text that do not convert.
std::optional<std::string> gb18030ToUtf8(std::string_view gb);
std::optional<std::string> utf8ToGb18030(std::string_view utf8);

// Leading number of a text: skips leading white space, takes an optional sign and the digits up to the
// first non-digit; 0 when there are none. intValue saturates at the 32-bit limits, integerValue at 64.
std::int32_t intValue(std::string_view s);
std::int64_t integerValue(std::string_view s);
// Leading decimal number ("  -1.5e3x" -> -1500); 0 when there is none.
double doubleValue(std::string_view s);
// True when the text starts (after white space) with Y, y, T, t, or a non-zero digit after an
// optional sign and zeros (boolValue).
bool boolValue(std::string_view s);

}  // namespace core
