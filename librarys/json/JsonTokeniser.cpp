#include "librarys/json/JsonTokeniser.h"

#include <cstdio>

namespace {

using u128 = unsigned __int128;

constexpr int kMaxDigits = 38;
constexpr std::int64_t kMinExponent = -128;
constexpr std::int64_t kMaxExponent = 127;
// The explicit exponent stops growing here; anything this large is out of range anyway.
constexpr std::int64_t kExponentCap = 1000000;

bool isDigit(std::uint8_t c) { return c >= '0' && c <= '9'; }

int hexValue(std::uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void appendUTF8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// The character a byte stands for in an error text: ASCII as itself, any other byte as the Latin-1
// character of that value, so the text stays valid UTF-8.
std::string byteAsCharacter(std::uint8_t b) {
  std::string s;
  appendUTF8(s, b);
  return s;
}

}  // namespace

JsonToken JsonTokeniser::fail(std::string text) {
  error_ = std::move(text);
  return JsonToken::Error;
}

JsonToken JsonTokeniser::getToken(core::Value* value) { return getToken(value, nullptr); }

JsonToken JsonTokeniser::getToken(core::Value* value, std::string* text) {
  stream_.skipWhitespace();
  std::uint8_t ch = 0;
  if (!stream_.getUnichar(&ch)) return JsonToken::Eof;

  const std::size_t start = stream_.index();
  JsonToken token;
  switch (ch) {
    case '[':
      token = JsonToken::ArrayStart;
      stream_.skip();
      break;
    case ']':
      token = JsonToken::ArrayEnd;
      stream_.skip();
      break;
    case '{':
      token = JsonToken::ObjectStart;
      stream_.skip();
      break;
    case '}':
      token = JsonToken::ObjectEnd;
      stream_.skip();
      break;
    case ',':
      token = JsonToken::Separator;
      stream_.skip();
      break;
    case ':':
      token = JsonToken::KeyValueSeparator;
      stream_.skip();
      break;
    case 'n':
      token = match("null", 4, JsonToken::Null);
      break;
    case 't':
      token = match("true", 4, JsonToken::True);
      break;
    case 'f':
      token = match("false", 5, JsonToken::False);
      break;
    case '"':
      if (text) {
        token = getStringToken(text);
      } else {
        std::string string;
        token = getStringToken(&string);
        if (token == JsonToken::String) *value = core::Value(std::move(string));
      }
      break;
    case '+':
      token = fail("Leading + is illegal in number");
      break;
    default:
      if (ch == '-' || isDigit(ch)) {
        token = getNumberToken(value);
      } else {
        token = fail("Illegal start of token [" + byteAsCharacter(ch) + "]");
      }
      break;
  }
  if (token == JsonToken::Eof) stream_.setIndex(start);
  return token;
}

JsonToken JsonTokeniser::match(const char* literal, std::size_t length, JsonToken retval) {
  if (!stream_.haveRemainingCharacters(length)) return JsonToken::Eof;
  if (stream_.skipCharacters(literal, length)) return retval;
  return fail(std::string("Expected '") + literal + "' after initial '" + literal[0] + "'");
}

bool JsonTokeniser::decodeEscape(std::uint8_t ch, std::string& into) {
  switch (ch) {
    case '"':
    case '/':
    case '\\':
      into.push_back(static_cast<char>(ch));
      return true;
    case 'b':
      into.push_back('\b');
      return true;
    case 'f':
      into.push_back('\f');
      return true;
    case 'n':
      into.push_back('\n');
      return true;
    case 'r':
      into.push_back('\r');
      return true;
    case 't':
      into.push_back('\t');
      return true;
    default:
      return false;
  }
}

bool JsonTokeniser::decodeHexQuad(std::size_t at, std::uint16_t* quad) {
  std::string_view hex = stream_.stringWithRange(at, 4);
  if (hex.size() < 4) return false;
  std::uint16_t v = 0;
  for (char c : hex) {
    const int d = hexValue(static_cast<std::uint8_t>(c));
    if (d < 0) return false;
    v = static_cast<std::uint16_t>((v << 4) | d);
  }
  *quad = v;
  return true;
}

JsonToken JsonTokeniser::getStringToken(std::string* text) {
  std::string& accumulator = *text;
  accumulator.clear();
  bool accumulating = false;
  for (;;) {
    stream_.skip();  // the opening quote, or the last byte of the escape just decoded
    std::string_view fragment;
    bool valid = true;
    if (!stream_.getStringFragment(&fragment, &valid)) return JsonToken::Eof;
    if (!valid) return fail("Broken Unicode encoding");

    std::uint8_t ch;
    if (!stream_.getUnichar(&ch)) return JsonToken::Eof;
    if (!accumulating && ch == '"') {
      // No escape in the whole string: the one fragment is the string.
      accumulator.assign(fragment);
      stream_.skip();
      return JsonToken::String;
    }
    accumulator.append(fragment);
    accumulating = true;

    if (ch < 0x20) {
      char text[64];
      std::snprintf(text, sizeof text, "Unescaped control character [0x%02X]", static_cast<unsigned>(ch));
      return fail(text);
    }
    if (ch == '"') {
      stream_.skip();
      return JsonToken::String;
    }

    // A backslash: the escape letter follows.
    if (!stream_.getNextUnichar(&ch)) return JsonToken::Eof;
    if (ch != 'u') {
      if (!decodeEscape(ch, accumulator)) return fail("Illegal escape character");
      continue;
    }

    const std::size_t u = stream_.index();  // the letter u
    if (!stream_.haveRemainingCharacters(5)) return JsonToken::Eof;
    std::uint16_t unit;
    if (!decodeHexQuad(u + 1, &unit)) return fail("Invalid hex quad");

    if (unit >= 0xD800 && unit <= 0xDBFF) {
      // A high surrogate: its low half must follow at once as a second escape. Whatever part of
      // that escape has arrived is checked before waiting for the rest.
      const std::string_view next = stream_.stringWithRange(u + 5, 6);
      if (next.size() >= 1 && next[0] != '\\') return fail("Missing low character in surrogate pair");
      if (next.size() >= 2 && next[1] != 'u') return fail("Missing low character in surrogate pair");
      for (std::size_t k = 2; k < next.size(); ++k) {
        if (hexValue(static_cast<std::uint8_t>(next[k])) < 0)
          return fail("Missing low character in surrogate pair");
      }
      if (next.size() < 6) return JsonToken::Eof;
      std::uint16_t low = 0;
      decodeHexQuad(u + 7, &low);  // its digits were checked above
      if (low < 0xDC00 || low > 0xDFFF) return fail("Invalid low character in surrogate pair");
      const std::uint32_t cp = 0x10000 + ((static_cast<std::uint32_t>(unit) - 0xD800) << 10) + (low - 0xDC00);
      appendUTF8(accumulator, cp);
      stream_.setIndex(u + 10);
      continue;
    }
    if (unit >= 0xDC00 && unit <= 0xDFFF) return fail("Invalid high character in surrogate pair");
    appendUTF8(accumulator, unit);
    stream_.setIndex(u + 4);
  }
}

JsonToken JsonTokeniser::getNumberToken(core::Value* value) {
  bool negative = false;
  u128 mantissa = 0;
  std::int64_t digits = 0;
  std::int64_t exponent = 0;
  bool fractionOrExponent = false;

  auto addDigit = [&](std::uint8_t c) {
    ++digits;
    if (digits <= kMaxDigits) mantissa = mantissa * 10 + static_cast<unsigned>(c - '0');
  };

  std::uint8_t ch = 0;
  stream_.getUnichar(&ch);
  if (ch == '-') {
    negative = true;
    if (!stream_.getNextUnichar(&ch)) return JsonToken::Eof;
  }

  if (ch == '0') {
    addDigit(ch);
    if (!stream_.getNextUnichar(&ch)) return JsonToken::Eof;
    if (isDigit(ch)) return fail("Leading zero is illegal in number");
  } else {
    while (isDigit(ch)) {
      addDigit(ch);
      if (!stream_.getNextUnichar(&ch)) return JsonToken::Eof;
    }
  }

  if (ch == '.') {
    fractionOrExponent = true;
    if (!stream_.getNextUnichar(&ch)) return JsonToken::Eof;
    if (!isDigit(ch)) return fail("No digits after decimal point");
    while (isDigit(ch)) {
      addDigit(ch);
      --exponent;
      if (!stream_.getNextUnichar(&ch)) return JsonToken::Eof;
    }
  }

  if (ch == 'e' || ch == 'E') {
    fractionOrExponent = true;
    if (!stream_.getNextUnichar(&ch)) return JsonToken::Eof;
    bool minus = false;
    if (ch == '-' || ch == '+') {
      minus = ch == '-';
      if (!stream_.getNextUnichar(&ch)) return JsonToken::Eof;
    }
    if (!isDigit(ch)) return fail("No digits in exponent");
    std::int64_t explicitExponent = 0;
    while (isDigit(ch)) {
      explicitExponent = explicitExponent * 10 + (ch - '0');
      if (explicitExponent > kExponentCap) explicitExponent = kExponentCap;
      if (!stream_.getNextUnichar(&ch)) return JsonToken::Eof;
    }
    exponent += minus ? -explicitExponent : explicitExponent;
  }

  if (negative && digits == 0) return fail("No digits after initial minus");
  if (digits > kMaxDigits) return fail("Precision is too high");
  if (exponent < kMinExponent || exponent > kMaxExponent) return fail("Exponent out of range");

  if (!fractionOrExponent && digits <= 20) {
    // Whole numbers that fit a signed 64-bit integer are integers; larger ones are decimals.
    const u128 limit = static_cast<u128>(1) << 63;
    if (!negative && mantissa < limit) {
      *value = core::Value(static_cast<std::int64_t>(mantissa));
      return JsonToken::Number;
    }
    if (negative && mantissa <= limit) {
      *value = core::Value(mantissa == limit ? INT64_MIN : -static_cast<std::int64_t>(mantissa));
      return JsonToken::Number;
    }
  }
  core::Decimal d;
  d.mantissa = mantissa;
  d.exponent = static_cast<std::int32_t>(exponent);
  d.negative = negative;
  *value = core::Value(d);
  return JsonToken::Number;
}
