#include "ui/Utf16.h"

#include "platform/core/Text.h"

namespace ui {

namespace {

// Walks the characters: f(byteOffset, byteLength, utf16Units). Decoding is core::nextCodePoint's: an
// invalid byte is one character of one unit (it stands for U+FFFD).
template <class F>
void forEachCharacter(std::string_view s, F&& f) {
  std::size_t i = 0;
  while (i < s.size()) {
    const std::size_t start = i;
    const char32_t cp = core::nextCodePoint(s, i);
    f(start, i - start, cp >= 0x10000 ? std::size_t{2} : std::size_t{1});
  }
}

}  // namespace

std::vector<std::string> utf8Characters(std::string_view utf8) {
  std::vector<std::string> out;
  forEachCharacter(utf8,
                   [&](std::size_t at, std::size_t n, std::size_t) { out.emplace_back(utf8.substr(at, n)); });
  return out;
}

std::optional<std::size_t> byteOffsetOfUtf16(std::string_view utf8, std::size_t units) {
  std::size_t seen = 0;
  std::optional<std::size_t> found;
  if (units == 0) return 0;
  forEachCharacter(utf8, [&](std::size_t at, std::size_t n, std::size_t u) {
    seen += u;
    if (seen == units && !found) found = at + n;
  });
  return found;
}

Range16 lastCharacterRange(std::string_view utf8) {
  Range16 last;
  std::size_t pos = 0;
  forEachCharacter(utf8, [&](std::size_t, std::size_t, std::size_t units) {
    last = {pos, units};
    pos += units;
  });
  return last;
}

std::optional<std::string> replaceUtf16Range(std::string_view utf8, Range16 range,
                                             std::string_view replacement) {
  const auto from = byteOffsetOfUtf16(utf8, range.location);
  const auto to = byteOffsetOfUtf16(utf8, range.end());
  if (!from || !to || *to < *from) return std::nullopt;
  std::string out(utf8.substr(0, *from));
  out.append(replacement);
  out.append(utf8.substr(*to));
  return out;
}

}  // namespace ui
