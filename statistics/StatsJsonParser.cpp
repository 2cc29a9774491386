#include "statistics/StatsJsonParser.h"

#include <cstdio>
#include <string>

#include "platform/core/Text.h"

struct StatsJsonParser::Cursor {
  std::string_view text;
  std::size_t pos = 0;

  bool atEnd() const { return pos >= text.size(); }
  char peek() const { return atEnd() ? '\0' : text[pos]; }
  void skipSpace() {
    while (!atEnd() && (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\n' || text[pos] == '\r'))
      ++pos;
  }
};

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string hexByte(unsigned char c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%x", c);
  return buf;
}

}  // namespace

core::Value StatsJsonParser::fragmentWithString(std::optional<std::string_view> text) {
  clearErrorTrace();
  if (!text) {
    addError(kErrorInput, "Input was 'nil'");
    return {};
  }
  Cursor c{*text};
  core::Value value;
  if (!scanValue(c, value, 0)) return {};
  c.skipSpace();
  if (!c.atEnd()) {
    addError(kErrorTrailingGarbage, "Garbage after JSON");
    return {};
  }
  return value;
}

core::Value StatsJsonParser::objectWithString(std::optional<std::string_view> text) {
  core::Value value = fragmentWithString(text);
  if (value.isNil()) return {};
  if (!value.isDictionary() && !value.isArray()) {
    addError(kErrorFragment, "Valid fragment, but not JSON");
    return {};
  }
  return value;
}

bool StatsJsonParser::scanValue(Cursor& c, core::Value& out, unsigned depth) {
  c.skipSpace();
  if (c.atEnd()) {
    addError(kErrorEndOfInput, "Unexpected end of string");
    return false;
  }
  const char ch = c.peek();
  switch (ch) {
    case '{':
      return scanObject(c, out, depth);
    case '[':
      return scanArray(c, out, depth);
    case '"': {
      std::string s;
      if (!scanString(c, s)) return false;
      out = core::Value(std::move(s));
      return true;
    }
    case 't':
      return scanLiteral(c, "true", core::Value(true), "Expected 'true'", out);
    case 'f':
      return scanLiteral(c, "false", core::Value(false), "Expected 'false'", out);
    case 'n':
      return scanLiteral(c, "null", core::Value::null(), "Expected 'null'", out);
    case '+':
      addError(kErrorParseNumber, "Leading + disallowed in number");
      return false;
    default:
      if (ch == '-' || isDigit(ch)) return scanNumber(c, out);
      addError(kErrorParse, "Unrecognised leading character");
      return false;
  }
}

bool StatsJsonParser::scanLiteral(Cursor& c, std::string_view word, core::Value value, const char* error,
                                  core::Value& out) {
  if (c.text.substr(c.pos, word.size()) != word) {
    addError(kErrorParse, error);
    return false;
  }
  c.pos += word.size();
  out = std::move(value);
  return true;
}

bool StatsJsonParser::scanArray(Cursor& c, core::Value& out, unsigned depth) {
  if (depth + 1 > maxDepth_) {
    addError(kErrorDepth, "Nested too deep");
    return false;
  }
  ++c.pos;  // '['
  core::Array array;
  c.skipSpace();
  if (c.peek() == ']') {
    ++c.pos;
    out = core::Value(array);
    return true;
  }
  for (;;) {
    core::Value item;
    if (!scanValue(c, item, depth + 1)) {
      addError(kErrorParse, "Expected value while parsing array");
      return false;
    }
    array.push_back(std::move(item));
    c.skipSpace();
    if (c.peek() == ',' && !c.atEnd()) {
      ++c.pos;
      c.skipSpace();
      if (c.peek() == ']') {
        addError(kErrorTrailingComma, "Trailing comma disallowed in array");
        return false;
      }
      continue;
    }
    if (c.peek() == ']' && !c.atEnd()) {
      ++c.pos;
      out = core::Value(array);
      return true;
    }
    addError(kErrorEndOfInput, "End of input while parsing array");
    return false;
  }
}

bool StatsJsonParser::scanObject(Cursor& c, core::Value& out, unsigned depth) {
  if (depth + 1 > maxDepth_) {
    addError(kErrorDepth, "Nested too deep");
    return false;
  }
  ++c.pos;  // '{'
  core::Dictionary dict;
  c.skipSpace();
  if (c.peek() == '}') {
    ++c.pos;
    out = core::Value(dict);
    return true;
  }
  for (;;) {
    c.skipSpace();
    if (c.atEnd()) {
      addError(kErrorEndOfInput, "End of input while parsing object");
      return false;
    }
    std::string key;
    if (c.peek() != '"' || !scanString(c, key)) {
      addError(kErrorParse, "Object key string expected");
      return false;
    }
    c.skipSpace();
    if (c.peek() != ':' || c.atEnd()) {
      addError(kErrorParse, "Expected ':' separating key and value");
      return false;
    }
    ++c.pos;
    core::Value value;
    if (!scanValue(c, value, depth + 1)) {
      addError(kErrorParse, "Object value expected for key: " + key);
      return false;
    }
    dict.set(std::move(key), std::move(value));
    c.skipSpace();
    if (c.peek() == ',' && !c.atEnd()) {
      ++c.pos;
      c.skipSpace();
      if (c.peek() == '}') {
        addError(kErrorTrailingComma, "Trailing comma disallowed in object");
        return false;
      }
      continue;
    }
    if (c.peek() == '}' && !c.atEnd()) {
      ++c.pos;
      out = core::Value(dict);
      return true;
    }
    addError(kErrorEndOfInput, "End of input while parsing object");
    return false;
  }
}

bool StatsJsonParser::scanQuad(Cursor& c, char32_t& out) {
  out = 0;
  for (int i = 0; i < 4; ++i) {
    const char ch = c.peek();
    int v;
    if (c.atEnd()) {
      v = -1;
    } else if (ch >= '0' && ch <= '9') {
      v = ch - '0';
    } else if (ch >= 'a' && ch <= 'f') {
      v = ch - 'a' + 10;
    } else if (ch >= 'A' && ch <= 'F') {
      v = ch - 'A' + 10;
    } else {
      v = -1;
    }
    if (v < 0) {
      addError(kErrorUnicode, "Missing hex digit in quad");
      return false;
    }
    out = out * 16 + static_cast<char32_t>(v);
    ++c.pos;
  }
  return true;
}

bool StatsJsonParser::scanString(Cursor& c, std::string& out) {
  ++c.pos;  // opening quote
  for (;;) {
    if (c.atEnd()) {
      addError(kErrorEndOfInput, "Unexpected EOF while parsing string");
      return false;
    }
    const auto ch = static_cast<unsigned char>(c.text[c.pos]);
    if (ch == '"') {
      ++c.pos;
      return true;
    }
    if (ch < 0x20) {
      addError(kErrorControlCharacter, "Unescaped control character '" + hexByte(ch) + "'");
      return false;
    }
    if (ch >= 0x80) {
      const std::size_t start = c.pos;
      const char32_t cp = core::nextCodePoint(c.text, c.pos);
      if (cp == 0xFFFD && c.pos - start == 1) {
        addError(kErrorUnicode, "Broken unicode character");
        return false;
      }
      out.append(c.text.substr(start, c.pos - start));
      continue;
    }
    if (ch != '\\') {
      out += static_cast<char>(ch);
      ++c.pos;
      continue;
    }
    ++c.pos;  // backslash
    if (c.atEnd()) {
      addError(kErrorEndOfInput, "Unexpected EOF while parsing string");
      return false;
    }
    const auto esc = static_cast<unsigned char>(c.text[c.pos++]);
    switch (esc) {
      case '"':
        out += '"';
        break;
      case '\\':
        out += '\\';
        break;
      case '/':
        out += '/';
        break;
      case 'b':
        out += '\b';
        break;
      case 'f':
        out += '\f';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case 'u': {
        char32_t cp;
        if (!scanQuad(c, cp)) return false;
        if (cp >= 0xDC00 && cp <= 0xDFFF) {
          addError(kErrorUnicode, "Invalid high character in surrogate pair");
          return false;
        }
        if (cp >= 0xD800 && cp <= 0xDBFF) {
          if (c.text.substr(c.pos, 2) != "\\u") {
            addError(kErrorUnicode, "Missing low character in surrogate pair");
            return false;
          }
          c.pos += 2;
          char32_t low;
          if (!scanQuad(c, low)) return false;
          if (low < 0xDC00 || low > 0xDFFF) {
            addError(kErrorUnicode, "Invalid low surrogate char");
            return false;
          }
          cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        }
        out += core::fromCodePoint(cp);
        break;
      }
      default:
        addError(kErrorEscape, "Illegal escape sequence '" + hexByte(esc) + "'");
        return false;
    }
  }
}

bool StatsJsonParser::scanNumber(Cursor& c, core::Value& out) {
  const std::size_t start = c.pos;
  if (c.peek() == '-') {
    ++c.pos;
    if (!isDigit(c.peek()) || c.atEnd()) {
      addError(kErrorParseNumber, "No digits after initial minus");
      return false;
    }
  }
  if (c.peek() == '0' && c.pos + 1 < c.text.size() && isDigit(c.text[c.pos + 1])) {
    addError(kErrorParseNumber, "Leading 0 disallowed in number");
    return false;
  }
  while (!c.atEnd() && isDigit(c.peek())) ++c.pos;
  if (!c.atEnd() && c.peek() == '.') {
    ++c.pos;
    if (c.atEnd() || !isDigit(c.peek())) {
      addError(kErrorParseNumber, "No digits after decimal point");
      return false;
    }
    while (!c.atEnd() && isDigit(c.peek())) ++c.pos;
  }
  if (!c.atEnd() && (c.peek() == 'e' || c.peek() == 'E')) {
    ++c.pos;
    if (!c.atEnd() && (c.peek() == '+' || c.peek() == '-')) ++c.pos;
    if (c.atEnd() || !isDigit(c.peek())) {
      addError(kErrorParseNumber, "No digits after exponent");
      return false;
    }
    while (!c.atEnd() && isDigit(c.peek())) ++c.pos;
  }
  auto decimal = core::Decimal::parse(c.text.substr(start, c.pos - start));
  if (!decimal) {
    addError(kErrorParseNumber, "Failed creating decimal instance");
    return false;
  }
  out = core::Value(*decimal);
  return true;
}
