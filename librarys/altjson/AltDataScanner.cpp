#include "librarys/altjson/AltDataScanner.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <optional>

#include "librarys/altjson/NSCharacterSet_Extensions.h"
#include "platform/core/Text.h"

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isWhitespace(std::uint8_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool isLineBreakByte(std::uint8_t c) { return c == '\n' || c == '\r'; }

bool isContinuationByte(std::uint8_t c) { return (c & 0xC0) == 0x80; }

}  // namespace

AltDataScanner::AltDataScanner(core::Bytes data) : data_(std::move(data)) {}

void AltDataScanner::setData(core::Bytes data) {
  data_ = std::move(data);
  current_ = 0;
}

void AltDataScanner::setScanLocation(std::size_t location) { current_ = std::min(location, data_.size()); }

int AltDataScanner::currentCharacter() const { return isAtEnd() ? kNoCharacter : data_[current_]; }

int AltDataScanner::scanCharacter() {
  if (isAtEnd()) return kNoCharacter;
  return data_[current_++];
}

bool AltDataScanner::scanCharacter(char c) {
  if (isAtEnd() || data_[current_] != static_cast<std::uint8_t>(c)) return false;
  ++current_;
  return true;
}

bool AltDataScanner::scanUTF8String(std::string_view text, std::string* into) {
  if (text.empty() || bytesRemaining() < text.size()) return false;
  if (!std::equal(text.begin(), text.end(), data_.begin() + static_cast<std::ptrdiff_t>(current_),
                  [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; }))
    return false;
  current_ += text.size();
  if (into) *into = std::string(text);
  return true;
}

char32_t AltDataScanner::characterAt(std::size_t at, std::size_t* length) const {
  const std::size_t take = std::min<std::size_t>(4, data_.size() - at);
  const std::string_view window(reinterpret_cast<const char*>(data_.data() + at), take);
  std::size_t i = 0;
  const char32_t c = core::nextCodePoint(window, i);
  *length = i;
  return c;
}

bool AltDataScanner::scanSet(const AltCharacterSet& set, bool members, std::string* into) {
  std::size_t at = current_;
  while (at < data_.size()) {
    std::size_t length = 0;
    const char32_t c = characterAt(at, &length);
    const bool malformed = c == 0xFFFD && length == 1;
    const bool member = !malformed && set.characterIsMember(c);
    if (member != members) break;
    at += length;
  }
  if (at == current_) return false;
  if (into) *into = std::string(bytesBetween(current_, at));
  current_ = at;
  return true;
}

bool AltDataScanner::scanCharactersFromSet(const AltCharacterSet& set, std::string* into) {
  return scanSet(set, true, into);
}

bool AltDataScanner::scanUpToCharactersFromSet(const AltCharacterSet& set, std::string* into) {
  return scanSet(set, false, into);
}

bool AltDataScanner::scanUpToString(std::string_view text, std::string* into) {
  if (isAtEnd()) return false;
  const auto begin = data_.begin() + static_cast<std::ptrdiff_t>(current_);
  auto found = text.empty()
                   ? data_.end()
                   : std::search(begin, data_.end(), text.begin(), text.end(),
                                 [](std::uint8_t a, char b) { return a == static_cast<std::uint8_t>(b); });
  const std::size_t at = static_cast<std::size_t>(found - data_.begin());
  if (at == current_) return false;
  if (into) *into = std::string(bytesBetween(current_, at));
  current_ = at;
  return true;
}

const AltCharacterSet& AltDataScanner::numberCharacterSet() {
  static const AltCharacterSet set = AltCharacterSet::characterSetWithCharactersInString("0123456789eE-+.");
  return set;
}

bool AltDataScanner::isWellFormedNumber(std::string_view run) {
  std::size_t i = 0;
  if (i < run.size() && run[i] == '-') ++i;
  if (i >= run.size() || !isDigit(run[i])) return false;
  if (run[i] == '0') {
    ++i;
  } else {
    while (i < run.size() && isDigit(run[i])) ++i;
  }
  if (i < run.size() && run[i] == '.') {
    ++i;
    if (i >= run.size() || !isDigit(run[i])) return false;
    while (i < run.size() && isDigit(run[i])) ++i;
  }
  if (i < run.size() && (run[i] == 'e' || run[i] == 'E')) {
    ++i;
    if (i < run.size() && (run[i] == '+' || run[i] == '-')) ++i;
    if (i >= run.size() || !isDigit(run[i])) return false;
    while (i < run.size() && isDigit(run[i])) ++i;
  }
  return i == run.size();
}

std::string_view AltDataScanner::numberRunAt() const {
  const AltCharacterSet& set = numberCharacterSet();
  std::size_t at = current_;
  while (at < data_.size() && set.characterIsMember(data_[at])) ++at;
  return bytesBetween(current_, at);
}

std::string_view AltDataScanner::bytesBetween(std::size_t from, std::size_t to) const {
  return std::string_view(reinterpret_cast<const char*>(data_.data()) + from, to - from);
}

bool AltDataScanner::scanNumber(core::Value* number) {
  const std::string_view run = numberRunAt();
  if (!isWellFormedNumber(run)) return false;
  core::Value result;
  if (run.find_first_of(".eE") == std::string_view::npos) {
    // Whole numbers read exactly while they fit 64 bits.
    const std::optional<core::Decimal> d = core::Decimal::parse(run);
    const bool fits = d && d->exponent >= 0 &&
                      d->mantissa <= static_cast<unsigned __int128>(std::numeric_limits<std::int64_t>::max());
    if (fits && d->exponent == 0) {
      const auto m = static_cast<std::int64_t>(d->mantissa);
      result = core::Value(d->negative ? -m : m);
    }
  }
  if (result.isNil()) {
    const std::string text(run);
    result = core::Value(std::strtod(text.c_str(), nullptr));
  }
  current_ += run.size();
  if (number) *number = result;
  return true;
}

bool AltDataScanner::scanDecimalNumber(core::Decimal* number) {
  const std::string_view run = numberRunAt();
  if (!isWellFormedNumber(run)) return false;
  const std::optional<core::Decimal> d = core::Decimal::parse(run);
  if (!d) return false;
  current_ += run.size();
  if (number) *number = *d;
  return true;
}

bool AltDataScanner::scanDataOfLength(std::size_t length, const std::uint8_t** into) {
  if (bytesRemaining() < length) return false;
  if (into) *into = data_.data() + current_;
  current_ += length;
  return true;
}

bool AltDataScanner::scanDataOfLength(std::size_t length, core::Bytes* into) {
  const std::uint8_t* start = nullptr;
  if (!scanDataOfLength(length, &start)) return false;
  if (into) into->assign(start, start + length);
  return true;
}

void AltDataScanner::skipWhitespace() {
  while (current_ < data_.size() && isWhitespace(data_[current_])) ++current_;
}

std::string AltDataScanner::remainingString() const {
  return std::string(bytesBetween(current_, data_.size()));
}

core::Bytes AltDataScanner::remainingData() const {
  return core::Bytes(data_.begin() + static_cast<std::ptrdiff_t>(current_), data_.end());
}

bool AltDataScanner::scanCStyleComment(std::string* comment, core::Error* exception) {
  const std::size_t start = current_;
  if (!scanUTF8String("/*", nullptr)) return false;
  auto fail = [&](const char* text) {
    current_ = start;
    if (exception) *exception = core::Error(kExceptionDomain, 0, text);
    return false;
  };
  const std::size_t bodyStart = current_;
  scanUpToString("*/", nullptr);
  const std::size_t bodyEnd = current_;
  if (isAtEnd()) return fail("Started to scan a C style comment but it wasn't terminated.");
  const std::string_view body = bytesBetween(bodyStart, bodyEnd);
  if (body.find("/*") != std::string_view::npos) return fail("C style comments should not be nested.");
  if (!scanUTF8String("*/", nullptr)) return fail("C style comment did not end correctly.");
  if (comment) *comment = std::string(body);
  return true;
}

bool AltDataScanner::scanCPlusPlusStyleComment(std::string* comment) {
  if (!scanUTF8String("//", nullptr)) return false;
  const AltCharacterSet& breaks = NSCharacterSet_Extensions::linebreaksCharacterSet();
  std::string text;
  scanUpToCharactersFromSet(breaks, &text);
  scanCharactersFromSet(breaks, nullptr);
  if (comment) *comment = std::move(text);
  return true;
}

std::size_t AltDataScanner::lineOfScanLocation() const {
  return static_cast<std::size_t>(
      std::count_if(data_.begin(), data_.begin() + static_cast<std::ptrdiff_t>(current_), isLineBreakByte));
}

core::Value AltDataScanner::userInfoForScanLocation() const {
  std::size_t lineStart = current_;
  while (lineStart > 0 && !isLineBreakByte(data_[lineStart - 1])) --lineStart;

  std::size_t before = current_ >= 20 ? current_ - 20 : 0;
  while (before < current_ && isContinuationByte(data_[before])) ++before;
  std::size_t after = std::min(data_.size(), current_ + 20);
  if (after < data_.size()) {
    while (after > current_ && isContinuationByte(data_[after])) --after;
  }
  std::string snippet(bytesBetween(before, current_));
  snippet += "!HERE>!";
  snippet += bytesBetween(current_, after);

  core::Dictionary info;
  info.set("line", core::Value(lineOfScanLocation()));
  info.set("character", core::Value(current_ - lineStart));
  info.set("location", core::Value(current_));
  info.set("snippet", core::Value(std::move(snippet)));
  return core::Value(info);
}
