#include "librarys/altjson/AltJSONScanner.h"

#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "platform/core/Text.h"

namespace {

const char* descriptionFor(int code) {
  switch (code) {
    case AltJSONScanner::kErrorCodeCouldNotDecodeData:
      return "Could not scan data. Data wasn't encoded properly?";
    case AltJSONScanner::kErrorCodeCouldNotScanObject:
      return "Could not scan object. Character not a valid JSON character.";
    case AltJSONScanner::kErrorCodeNestingTooDeep:
      return "Could not scan object. Arrays and dictionaries are nested too deep.";
    case AltJSONScanner::kErrorCodeDictionaryStartCharacterMissing:
      return "Could not scan dictionary. Dictionary that does not start with '{' character.";
    case AltJSONScanner::kErrorCodeDictionaryKeyScanFailed:
      return "Could not scan dictionary. Failed to scan a key.";
    case AltJSONScanner::kErrorCodeDictionaryKeyNotTerminated:
      return "Could not scan dictionary. Key was not terminated with a ':' character.";
    case AltJSONScanner::kErrorCodeDictionaryValueScanFailed:
      return "Could not scan dictionary. Failed to scan a value.";
    case AltJSONScanner::kErrorCodeDictionaryKeyValuePairNoDelimiter:
      return "Could not scan dictionary close delimiter.";
    case AltJSONScanner::kErrorCodeDictionaryNotTerminated:
      return "Could not scan dictionary. Dictionary not terminated by a '}' character.";
    case AltJSONScanner::kErrorCodeArrayStartCharacterMissing:
      return "Could not scan array. Array not started by a '[' character.";
    case AltJSONScanner::kErrorCodeArrayValueScanFailed:
      return "Could not scan array. Could not scan a value.";
    case AltJSONScanner::kErrorCodeArrayValueIsNull:
      return "Could not scan array. Value is NULL.";
    case AltJSONScanner::kErrorCodeArrayNotTerminated:
      return "Could not scan array. Array not terminated by a ']' character.";
    case AltJSONScanner::kErrorCodeStringNotStartedWithQuote:
      return "Could not scan string constant. String not started by a '\"' character.";
    case AltJSONScanner::kErrorCodeStringUnicodeNotDecoded:
      return "Could not scan string constant. Unicode character could not be decoded.";
    case AltJSONScanner::kErrorCodeStringUnknownEscapeCode:
      return "Could not scan string constant. Unknown escape code.";
    case AltJSONScanner::kErrorCodeStringNotTerminated:
      return "Could not scan string constant. No terminating double quote character.";
    case AltJSONScanner::kErrorCodeNumberNotScannable:
      return "Could not scan number constant.";
    default:
      return "";
  }
}

// ---- decoding the whole buffer ----

void appendCodePoint(std::string& out, char32_t c) { out += core::fromCodePoint(c); }

std::optional<std::string> decodeUTF16(const core::Bytes& in, bool bigEndian) {
  if (in.size() % 2 != 0) return std::nullopt;
  std::string out;
  out.reserve(in.size());
  char32_t high = 0;
  for (std::size_t i = 0; i < in.size(); i += 2) {
    const char32_t unit = bigEndian ? (char32_t{in[i]} << 8 | in[i + 1]) : (char32_t{in[i + 1]} << 8 | in[i]);
    if (high != 0) {
      if (unit < 0xDC00 || unit > 0xDFFF) return std::nullopt;
      appendCodePoint(out, 0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
      high = 0;
    } else if (unit >= 0xD800 && unit <= 0xDBFF) {
      high = unit;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      return std::nullopt;
    } else {
      appendCodePoint(out, unit);
    }
  }
  if (high != 0) return std::nullopt;
  return out;
}

std::optional<std::string> decodeUTF32(const core::Bytes& in, bool bigEndian) {
  if (in.size() % 4 != 0) return std::nullopt;
  std::string out;
  out.reserve(in.size());
  for (std::size_t i = 0; i < in.size(); i += 4) {
    char32_t c = 0;
    for (std::size_t k = 0; k < 4; ++k) {
      c = (c << 8) | in[i + (bigEndian ? k : 3 - k)];
    }
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
    appendCodePoint(out, c);
  }
  return out;
}

std::optional<std::string> decode(const core::Bytes& in, AltTextEncoding encoding) {
  const std::string_view text(reinterpret_cast<const char*>(in.data()), in.size());
  switch (encoding) {
    case AltTextEncoding::None:
      return std::nullopt;
    case AltTextEncoding::UTF8:
      if (!core::isValidUtf8(text)) return std::nullopt;
      return std::string(text);
    case AltTextEncoding::UTF16BigEndian:
      return decodeUTF16(in, true);
    case AltTextEncoding::UTF16LittleEndian:
      return decodeUTF16(in, false);
    case AltTextEncoding::UTF32BigEndian:
      return decodeUTF32(in, true);
    case AltTextEncoding::UTF32LittleEndian:
      return decodeUTF32(in, false);
    case AltTextEncoding::ISOLatin1: {
      std::string out;
      for (std::uint8_t b : in) appendCodePoint(out, b);
      return out;
    }
    case AltTextEncoding::GB18030:
      return core::gb18030ToUtf8(text);
  }
  return std::nullopt;
}

AltTextEncoding detectEncoding(const core::Bytes& in) {
  // A byte-order mark names the encoding outright.
  if (in[0] == 0x00 && in[1] == 0x00 && in[2] == 0xFE && in[3] == 0xFF)
    return AltTextEncoding::UTF32BigEndian;
  if (in[0] == 0xFF && in[1] == 0xFE && in[2] == 0x00 && in[3] == 0x00)
    return AltTextEncoding::UTF32LittleEndian;
  if (in[0] == 0xFE && in[1] == 0xFF) return AltTextEncoding::UTF16BigEndian;
  if (in[0] == 0xFF && in[1] == 0xFE) return AltTextEncoding::UTF16LittleEndian;
  const bool z0 = in[0] == 0, z1 = in[1] == 0, z2 = in[2] == 0, z3 = in[3] == 0;
  if (z0 && z1 && z2 && !z3) return AltTextEncoding::UTF32BigEndian;
  if (z0 && !z1 && z2 && !z3) return AltTextEncoding::UTF16BigEndian;
  if (!z0 && z1 && z2 && z3) return AltTextEncoding::UTF32LittleEndian;
  if (!z0 && z1 && !z2 && z3) return AltTextEncoding::UTF16LittleEndian;
  return AltTextEncoding::UTF8;
}

bool isHexDigit(int c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

int hexValue(int c) {
  if (c <= '9') return c - '0';
  if (c <= 'F') return c - 'A' + 10;
  return c - 'a' + 10;
}

struct DepthGuard {
  explicit DepthGuard(std::size_t& depth) : depth_(depth) { ++depth_; }
  ~DepthGuard() { --depth_; }
  std::size_t& depth_;
};

}  // namespace

bool AltJSONScanner::setData(const core::Bytes* data, core::Error* error) {
  if (!data) {
    if (error) *error = core::Error(kErrorDomain, kErrorCodeCouldNotDecodeData, descriptionFor(-12));
    return false;
  }
  if (data->size() < 4) {
    AltDataScanner::setData(*data);
    return true;
  }
  std::optional<std::string> text = decode(*data, detectEncoding(*data));
  if (!text && allowedEncoding_ != AltTextEncoding::None) text = decode(*data, allowedEncoding_);
  if (!text) {
    if (error) *error = core::Error(kErrorDomain, kErrorCodeCouldNotDecodeData, descriptionFor(-12));
    return false;
  }
  std::size_t skip = core::hasPrefix(*text, "\xEF\xBB\xBF") ? 3 : 0;
  AltDataScanner::setData(core::Bytes(text->begin() + static_cast<std::ptrdiff_t>(skip), text->end()));
  return true;
}

bool AltJSONScanner::fail(core::Error* error, int code, std::size_t restoreTo, const core::Error* cause) {
  if (error) {
    core::Value info = userInfoForScanLocation();
    if (cause && !cause->domain.empty()) {
      core::Value root = cause->userInfo[kUnderlyingErrorKey];
      if (root.isNil()) {
        root = core::Value(core::Dictionary{{"domain", core::Value(cause->domain)},
                                            {"code", core::Value(cause->code)},
                                            {"description", core::Value(cause->description)},
                                            {"location", cause->userInfo["location"]}});
      }
      info.set(kUnderlyingErrorKey, root);
    }
    *error = core::Error(kErrorDomain, code, descriptionFor(code), info);
  }
  setScanLocation(restoreTo);
  return false;
}

bool AltJSONScanner::scanJSONObject(core::Value* value, core::Error* error) {
  skipWhitespace();
  const int c = currentCharacter();
  switch (c) {
    case '{':
      return scanJSONDictionary(value, error);
    case '[':
      return scanJSONArray(value, error);
    case '"':
    case '\'':
      return scanJSONStringConstant(value, error);
    case 't':
    case 'f':
    case 'n': {
      // Letters that spell no literal give no value and consume nothing; the caller decides.
      core::Value result;
      if (scanUTF8String("true", nullptr)) {
        result = core::Value(true);
      } else if (scanUTF8String("false", nullptr)) {
        result = core::Value(false);
      } else if (scanUTF8String("null", nullptr)) {
        result = nullObject_;
      }
      if (value) *value = result;
      return true;
    }
    default:
      if (c == '-' || (c >= '0' && c <= '9')) return scanJSONNumberConstant(value, error);
      return fail(error, kErrorCodeCouldNotScanObject, scanLocation());
  }
}

bool AltJSONScanner::scanJSONDictionary(core::Value* value, core::Error* error) {
  const std::size_t start = scanLocation();
  skipWhitespace();
  if (currentCharacter() == '{' && depth_ >= maxDepth_) return fail(error, kErrorCodeNestingTooDeep, start);
  if (!scanCharacter('{')) return fail(error, kErrorCodeDictionaryStartCharacterMissing, start);
  DepthGuard guard(depth_);
  core::Error inner;
  core::Error* innerOut = error ? &inner : nullptr;
  core::Dictionary dictionary;
  while (currentCharacter() != '}') {
    skipWhitespace();
    if (currentCharacter() == '}') break;
    core::Value key;
    if (!scanJSONStringConstant(&key, innerOut)) {
      return fail(error, kErrorCodeDictionaryKeyScanFailed, start, innerOut);
    }
    skipWhitespace();
    if (!scanCharacter(':')) return fail(error, kErrorCodeDictionaryKeyNotTerminated, start);
    core::Value item;
    if (!scanJSONObject(&item, innerOut)) {
      return fail(error, kErrorCodeDictionaryValueScanFailed, start, innerOut);
    }
    if (!item.isNil()) dictionary.set(key.str(), item);
    skipWhitespace();
    if (scanCharacter(',')) {
      skipWhitespace();
      continue;
    }
    if (currentCharacter() != '}') return fail(error, kErrorCodeDictionaryKeyValuePairNoDelimiter, start);
  }
  if (!scanCharacter('}')) return fail(error, kErrorCodeDictionaryNotTerminated, start);
  if (value) *value = core::Value(dictionary);
  return true;
}

bool AltJSONScanner::scanJSONArray(core::Value* value, core::Error* error) {
  const std::size_t start = scanLocation();
  skipWhitespace();
  if (currentCharacter() == '[' && depth_ >= maxDepth_) return fail(error, kErrorCodeNestingTooDeep, start);
  if (!scanCharacter('[')) return fail(error, kErrorCodeArrayStartCharacterMissing, start);
  DepthGuard guard(depth_);
  core::Error inner;
  core::Error* innerOut = error ? &inner : nullptr;
  core::Array array;
  skipWhitespace();
  while (currentCharacter() != ']') {
    core::Value item;
    if (!scanJSONObject(&item, innerOut)) return fail(error, kErrorCodeArrayValueScanFailed, start, innerOut);
    if (item.isNil()) {
      if (!nullObject_.isNil()) return fail(error, kErrorCodeArrayValueIsNull, start);
    } else {
      array.push_back(item);
    }
    skipWhitespace();
    if (scanCharacter(',')) {
      skipWhitespace();
      continue;
    }
    if (currentCharacter() != ']') return fail(error, kErrorCodeArrayNotTerminated, start);
  }
  if (!scanCharacter(']')) return fail(error, kErrorCodeArrayNotTerminated, start);
  if (value) *value = core::Value(array);
  return true;
}

bool AltJSONScanner::appendEscape(std::string& into, char32_t* pendingHigh, core::Error* error,
                                  std::size_t start) {
  const int letter = scanCharacter();
  if (letter == kNoCharacter) return fail(error, kErrorCodeStringNotTerminated, start);
  if (letter == 'u') {
    char32_t unit = 0;
    for (int k = 0; k < 4; ++k) {
      const int digit = currentCharacter();
      if (!isHexDigit(digit)) return fail(error, kErrorCodeStringUnicodeNotDecoded, start);
      scanCharacter();
      unit = (unit << 4) | static_cast<char32_t>(hexValue(digit));
    }
    const bool high = unit >= 0xD800 && unit <= 0xDBFF;
    const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
    if (*pendingHigh != 0) {
      if (!low) return fail(error, kErrorCodeStringUnicodeNotDecoded, start);
      into += core::fromCodePoint(0x10000 + ((*pendingHigh - 0xD800) << 10) + (unit - 0xDC00));
      *pendingHigh = 0;
    } else if (high) {
      *pendingHigh = unit;
    } else if (low) {
      return fail(error, kErrorCodeStringUnicodeNotDecoded, start);
    } else {
      into += core::fromCodePoint(unit);
    }
    return true;
  }
  // Every escape but "\u" ends a pending high surrogate without its low half.
  if (*pendingHigh != 0) return fail(error, kErrorCodeStringUnicodeNotDecoded, start);
  switch (letter) {
    case '"':
    case '/':
    case '\\':
      into += static_cast<char>(letter);
      return true;
    case 'b':
      into += '\b';
      return true;
    case 'f':
      into += '\f';
      return true;
    case 'n':
      into += '\n';
      return true;
    case 'r':
      into += '\r';
      return true;
    case 't':
      into += '\t';
      return true;
    default:
      break;
  }
  if (strictEscapeCodes_) {
    setScanLocation(scanLocation() - 1);
    return fail(error, kErrorCodeStringUnknownEscapeCode, start);
  }
  // The letter stands for itself: the whole character, when it is a multi-byte one.
  const std::size_t letterAt = scanLocation() - 1;
  std::size_t end = letterAt + 1;
  if (letter >= 0x80) {
    const std::string_view rest = bytesBetween(letterAt, std::min(length(), letterAt + 4));
    std::size_t i = 0;
    const char32_t c = core::nextCodePoint(rest, i);
    if (c == 0xFFFD && i == 1) {
      setScanLocation(letterAt);
      return fail(error, kErrorCodeStringUnicodeNotDecoded, start);
    }
    end = letterAt + i;
  }
  into += bytesBetween(letterAt, end);
  setScanLocation(end);
  return true;
}

bool AltJSONScanner::scanJSONStringConstant(core::Value* value, core::Error* error) {
  const std::size_t start = scanLocation();
  skipWhitespace();
  if (!scanCharacter('"')) return fail(error, kErrorCodeStringNotStartedWithQuote, start);
  std::string text;
  char32_t pendingHigh = 0;
  while (true) {
    const std::size_t runStart = scanLocation();
    std::size_t runEnd = runStart;
    const core::Bytes& bytes = data();
    while (runEnd < bytes.size() && bytes[runEnd] != '"' && bytes[runEnd] != '\\') ++runEnd;
    if (runEnd > runStart) {
      const std::string_view run = bytesBetween(runStart, runEnd);
      if (pendingHigh != 0 || !core::isValidUtf8(run)) {
        return fail(error, kErrorCodeStringUnicodeNotDecoded, start);
      }
      text += run;
      setScanLocation(runEnd);
    }
    const int c = scanCharacter();
    if (c == kNoCharacter) return fail(error, kErrorCodeStringNotTerminated, start);
    if (c == '"') {
      if (pendingHigh != 0) return fail(error, kErrorCodeStringUnicodeNotDecoded, start);
      break;
    }
    if (!appendEscape(text, &pendingHigh, error, start)) return false;
  }
  if (value) *value = core::Value(std::move(text));
  return true;
}

bool AltJSONScanner::scanJSONNumberConstant(core::Value* value, core::Error* error) {
  const std::size_t start = scanLocation();
  skipWhitespace();
  const std::string_view run = numberRunAt();
  if (!isWellFormedNumber(run)) return fail(error, kErrorCodeNumberNotScannable, start);
  const std::optional<core::Decimal> decimal = core::Decimal::parse(run);
  if (!decimal) return fail(error, kErrorCodeNumberNotScannable, start);
  core::Value result(*decimal);
  if (run.find_first_of(".eE") == std::string_view::npos && decimal->exponent == 0) {
    // Whole numbers are 64-bit integers while they fit; beyond that they stay exact decimals.
    using u128 = unsigned __int128;
    const u128 limit = static_cast<u128>(std::numeric_limits<std::int64_t>::max());
    const u128 m = decimal->mantissa;
    if (!decimal->negative && m <= limit) {
      result = core::Value(static_cast<std::int64_t>(m));
    } else if (decimal->negative && m <= limit + 1) {
      result = core::Value(m == limit + 1 ? std::numeric_limits<std::int64_t>::min()
                                          : -static_cast<std::int64_t>(m));
    }
  }
  setScanLocation(scanLocation() + run.size());
  if (value) *value = result;
  return true;
}
