#include "platform/core/Text.h"

#include <iconv.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <limits>

namespace core {

namespace {

bool isAsciiSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}
bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isUnicodeSpace(char32_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
         c == 0x3000;
}

std::size_t skipSpace(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && isAsciiSpace(s[i])) ++i;
  return i;
}

// Walks the text character by character; for each, calls f(byteStart, byteEnd, utf16Units) until f
// returns false.
template <class F>
void eachChar(std::string_view s, F f) {
  std::size_t i = 0;
  while (i < s.size()) {
    std::size_t start = i;
    char32_t cp = nextCodePoint(s, i);
    if (!f(start, i, cp >= 0x10000 ? 2u : 1u)) return;
  }
}

std::optional<std::string> convert(const char* to, const char* from, std::string_view in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out;
  out.resize(in.size() * 2 + 16);
  char* inPtr = const_cast<char*>(in.data());
  std::size_t inLeft = in.size();
  std::size_t used = 0;
  bool ok = true;
  while (inLeft > 0) {
    char* outPtr = out.data() + used;
    std::size_t outLeft = out.size() - used;
    std::size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    used = out.size() - outLeft;
    if (r == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) {
        out.resize(out.size() * 2);
        continue;
      }
      ok = false;  // EILSEQ or EINVAL: bytes that do not convert, or a cut-off sequence
      break;
    }
  }
  if (ok) {  // flush any shift state
    for (;;) {
      char* outPtr = out.data() + used;
      std::size_t outLeft = out.size() - used;
      std::size_t r = iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
      used = out.size() - outLeft;
      if (r == static_cast<std::size_t>(-1) && errno == E2BIG) {
        out.resize(out.size() * 2);
        continue;
      }
      if (r == static_cast<std::size_t>(-1)) ok = false;
      break;
    }
  }
  iconv_close(cd);
  if (!ok) return std::nullopt;
  out.resize(used);
  return out;
}

}  // namespace

char32_t nextCodePoint(std::string_view s, std::size_t& i) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  if (c < 0x80) {
    ++i;
    return c;
  }
  int len;
  char32_t cp;
  char32_t min;
  if ((c & 0xE0) == 0xC0) {
    len = 2, cp = c & 0x1F, min = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    len = 3, cp = c & 0x0F, min = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    len = 4, cp = c & 0x07, min = 0x10000;
  } else {
    ++i;
    return 0xFFFD;
  }
  if (i + static_cast<std::size_t>(len) > s.size()) {
    ++i;
    return 0xFFFD;
  }
  for (int k = 1; k < len; ++k) {
    const unsigned char cc = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
    if ((cc & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    cp = (cp << 6) | (cc & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return 0xFFFD;
  }
  i += static_cast<std::size_t>(len);
  return cp;
}

bool isValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    std::size_t start = i;
    char32_t cp = nextCodePoint(s, i);
    if (cp == 0xFFFD && !(i - start == 3 && static_cast<unsigned char>(s[start]) == 0xEF)) return false;
  }
  return true;
}

std::size_t utf16Length(std::string_view utf8) {
  std::size_t n = 0;
  eachChar(utf8, [&](std::size_t, std::size_t, unsigned units) {
    n += units;
    return true;
  });
  return n;
}

std::size_t utf8OffsetOfUtf16(std::string_view utf8, std::size_t index) {
  std::size_t units = 0;
  std::size_t offset = utf8.size();
  eachChar(utf8, [&](std::size_t b, std::size_t, unsigned u) {
    if (units + u > index) {
      offset = b;
      return false;
    }
    units += u;
    return true;
  });
  return offset;
}

std::string utf16Substring(std::string_view utf8, std::size_t start, std::size_t length) {
  const std::size_t b = utf8OffsetOfUtf16(utf8, start);
  const std::size_t end =
      length > std::numeric_limits<std::size_t>::max() - start ? std::string::npos : start + length;
  const std::size_t e = end == std::string::npos ? utf8.size() : utf8OffsetOfUtf16(utf8, end);
  return e > b ? std::string(utf8.substr(b, e - b)) : std::string();
}

std::string utf16Prefix(std::string_view utf8, std::size_t length) { return utf16Substring(utf8, 0, length); }

std::u16string toUtf16(std::string_view utf8) {
  std::u16string out;
  std::size_t i = 0;
  while (i < utf8.size()) {
    char32_t cp = nextCodePoint(utf8, i);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string fromCodePoint(char32_t cp) {
  std::string out;
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return out;
}

std::string fromUtf16(std::u16string_view utf16) {
  std::string out;
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    char32_t u = utf16[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      u = 0x10000 + ((u - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
      ++i;
    }
    out += fromCodePoint(u);
  }
  return out;
}

std::string trim(std::string_view s) {
  std::size_t first = s.size(), last = 0;
  eachChar(s, [&](std::size_t b, std::size_t e, unsigned) {
    std::size_t i = b;
    if (!isUnicodeSpace(nextCodePoint(s, i))) {
      if (first == s.size()) first = b;
      last = e;
    }
    return true;
  });
  return first < last ? std::string(s.substr(first, last - first)) : std::string();
}

std::string toLower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string toUpper(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && toLower(a) == toLower(b);
}

bool hasPrefix(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }
bool hasSuffix(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}
bool contains(std::string_view s, std::string_view part) { return s.find(part) != std::string_view::npos; }

std::vector<std::string> split(std::string_view s, std::string_view separator) {
  std::vector<std::string> out;
  if (separator.empty()) {
    out.emplace_back(s);
    return out;
  }
  std::size_t pos = 0;
  for (;;) {
    std::size_t next = s.find(separator, pos);
    if (next == std::string_view::npos) {
      out.emplace_back(s.substr(pos));
      return out;
    }
    out.emplace_back(s.substr(pos, next - pos));
    pos = next + separator.size();
  }
}

std::string join(const std::vector<std::string>& parts, std::string_view separator) {
  std::string out;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) out += separator;
    out += parts[i];
  }
  return out;
}

std::string replaceAll(std::string_view s, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(s);
  std::string out;
  std::size_t pos = 0;
  for (;;) {
    std::size_t next = s.find(from, pos);
    if (next == std::string_view::npos) break;
    out += s.substr(pos, next - pos);
    out += to;
    pos = next + from.size();
  }
  out += s.substr(pos);
  return out;
}

std::optional<std::string> gb18030ToUtf8(std::string_view gb) { return convert("UTF-8", "GB18030", gb); }

std::optional<std::string> utf8ToGb18030(std::string_view utf8) {
  if (!isValidUtf8(utf8)) return std::nullopt;
  return convert("GB18030", "UTF-8", utf8);
}

std::int64_t integerValue(std::string_view s) {
  std::size_t i = skipSpace(s);
  bool neg = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
  using u128 = unsigned __int128;
  const u128 limit = static_cast<u128>(std::numeric_limits<std::int64_t>::max()) + 1;  // 2^63
  u128 m = 0;
  for (; i < s.size() && isDigit(s[i]); ++i) {
    if (m <= limit) m = m * 10 + static_cast<unsigned>(s[i] - '0');
  }
  if (neg) return m >= limit ? std::numeric_limits<std::int64_t>::min() : -static_cast<std::int64_t>(m);
  return m >= limit ? std::numeric_limits<std::int64_t>::max() : static_cast<std::int64_t>(m);
}

std::int32_t intValue(std::string_view s) {
  std::int64_t v = integerValue(s);
  if (v > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  if (v < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(v);
}

double doubleValue(std::string_view s) {
  std::size_t i = skipSpace(s);
  bool neg = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
  // Plain decimal numbers only: no "inf", "nan" or hexadecimal forms.
  if (i >= s.size() || !(isDigit(s[i]) || (s[i] == '.' && i + 1 < s.size() && isDigit(s[i + 1])))) return 0;
  double v = 0;
  auto r = std::from_chars(s.data() + i, s.data() + s.size(), v, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range) {
    std::string_view rest = s.substr(i, static_cast<std::size_t>(r.ptr - (s.data() + i)));
    auto e = rest.find_first_of("eE");
    const bool tiny = e != std::string_view::npos && e + 1 < rest.size() && rest[e + 1] == '-';
    v = tiny ? 0.0 : std::numeric_limits<double>::infinity();
  }
  return neg ? -v : v;
}

bool boolValue(std::string_view s) {
  std::size_t i = skipSpace(s);
  if (i < s.size() && (s[i] == 'Y' || s[i] == 'y' || s[i] == 'T' || s[i] == 't')) return true;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
  while (i < s.size() && s[i] == '0') ++i;
  return i < s.size() && s[i] >= '1' && s[i] <= '9';
}

void appendJsonEscaped(std::string& out, unsigned char byte) {
  switch (byte) {
    case '"':
      out += "\\\"";
      return;
    case '\\':
      out += "\\\\";
      return;
    case '\b':
      out += "\\b";
      return;
    case '\t':
      out += "\\t";
      return;
    case '\n':
      out += "\\n";
      return;
    case '\f':
      out += "\\f";
      return;
    case '\r':
      out += "\\r";
      return;
    default:
      if (byte < 0x20) {
        static constexpr char kHex[] = "0123456789abcdef";
        const char u[6] = {'\\', 'u', '0', '0', kHex[byte >> 4], kHex[byte & 0xF]};
        out.append(u, 6);
      } else {
        out += static_cast<char>(byte);
      }
  }
}

}  // namespace core
