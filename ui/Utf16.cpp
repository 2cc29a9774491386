#include "ui/Utf16.h"

namespace ui {

namespace {

// Length in bytes of the well-formed UTF-8 sequence at s[i], or 0 when it is not one.
std::size_t sequenceLength(std::string_view s, std::size_t i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  std::size_t n = 0;
  unsigned cp = 0;
  if (b0 < 0x80) return 1;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    n = 2;
    cp = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    n = 3;
    cp = b0 & 0x0F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    n = 4;
    cp = b0 & 0x07;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
      (cp >= 0xD800 && cp <= 0xDFFF)) {
    return 0;
  }
  return n;
}

// Walks the characters: f(byteOffset, byteLength, utf16Units).
template <class F>
void forEachCharacter(std::string_view s, F&& f) {
  std::size_t i = 0;
  while (i < s.size()) {
    std::size_t n = sequenceLength(s, i);
    std::size_t units = 1;
    if (n == 0) {
      n = 1;
    } else if (n == 4) {
      units = 2;
    }
    f(i, n, units);
    i += n;
  }
}

}  // namespace

std::size_t utf16Length(std::string_view utf8) {
  std::size_t total = 0;
  forEachCharacter(utf8, [&](std::size_t, std::size_t, std::size_t units) { total += units; });
  return total;
}

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
