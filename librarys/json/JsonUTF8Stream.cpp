#include "librarys/json/JsonUTF8Stream.h"

#include <cstring>

JsonUTF8Stream::JsonUTF8Stream() { data_.reserve(4096); }

void JsonUTF8Stream::appendData(const std::uint8_t* bytes, std::size_t length) {
  if (index_ > 0) {
    const std::size_t drop = index_ < data_.size() ? index_ : data_.size();
    data_.erase(data_.begin(), data_.begin() + static_cast<std::ptrdiff_t>(drop));
    index_ = 0;
  }
  if (length > 0) data_.insert(data_.end(), bytes, bytes + length);
}

bool JsonUTF8Stream::getUnichar(std::uint8_t* ch) const {
  if (index_ >= data_.size()) return false;
  *ch = data_[index_];
  return true;
}

bool JsonUTF8Stream::getNextUnichar(std::uint8_t* ch) {
  ++index_;
  return getUnichar(ch);
}

namespace {

// True when one of the eight bytes of `w` may stop plain string content: a byte below 0x20, a
// quotation mark or a backslash. (Bytes above 0x7F never stop it.) A false "maybe" only costs a
// byte-by-byte look at this word.
bool mayHoldStopByte(std::uint64_t w) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ull;
  constexpr std::uint64_t kHigh = 0x8080808080808080ull;
  auto hasZeroByte = [](std::uint64_t v) { return (v - kOnes) & ~v & kHigh; };
  const std::uint64_t control = (w - 0x20 * kOnes) & ~w & kHigh;
  return (control | hasZeroByte(w ^ ('"' * kOnes)) | hasZeroByte(w ^ ('\\' * kOnes))) != 0;
}

}  // namespace

bool JsonUTF8Stream::getStringFragment(std::string_view* fragment) {
  const std::size_t end = data_.size();
  if (index_ >= end) return false;
  const std::size_t start = index_;
  const std::uint8_t* bytes = data_.data();
  std::size_t i = start;
  while (i < end) {
    if (end - i >= 8) {
      std::uint64_t w;
      std::memcpy(&w, bytes + i, 8);
      if (!mayHoldStopByte(w)) {
        i += 8;
        continue;
      }
    }
    const std::uint8_t b = bytes[i];
    if (b < 0x20 || b == '"' || b == '\\') break;
    ++i;
  }
  index_ = i;
  if (i >= end) return false;
  *fragment = std::string_view(reinterpret_cast<const char*>(bytes) + start, i - start);
  return true;
}

void JsonUTF8Stream::skipWhitespace() {
  const std::size_t end = data_.size();
  while (index_ < end) {
    const std::uint8_t b = data_[index_];
    if (b != ' ' && b != '\t' && b != '\n' && b != '\r') break;
    ++index_;
  }
}

bool JsonUTF8Stream::skipCharacters(const char* chars, std::size_t length) {
  if (!haveRemainingCharacters(length)) return false;
  if (std::memcmp(data_.data() + index_, chars, length) != 0) return false;
  index_ += length;
  return true;
}

std::string_view JsonUTF8Stream::stringWithRange(std::size_t start, std::size_t length) const {
  if (start > data_.size()) return {};
  if (length > data_.size() - start) length = data_.size() - start;
  return std::string_view(reinterpret_cast<const char*>(data_.data()) + start, length);
}

bool JsonUTF8Stream::isValidUTF8(std::string_view text) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(text.data());
  const std::uint8_t* const end = p + text.size();
  while (p < end) {
    // Plain ASCII runs go eight bytes at a time.
    while (end - p >= 8) {
      std::uint64_t word;
      std::memcpy(&word, p, 8);
      if (word & 0x8080808080808080ull) break;
      p += 8;
    }
    if (p >= end) break;
    const std::uint8_t b = *p;
    if (b < 0x80) {
      ++p;
      continue;
    }
    std::size_t need;
    std::uint8_t lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
      need = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
      need = 2;
      if (b == 0xE0)
        lo = 0xA0;  // overlong
      else if (b == 0xED)
        hi = 0x9F;  // UTF-16 surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
      need = 3;
      if (b == 0xF0)
        lo = 0x90;  // overlong
      else if (b == 0xF4)
        hi = 0x8F;  // above U+10FFFF
    } else {
      return false;
    }
    if (static_cast<std::size_t>(end - p) <= need) return false;
    if (p[1] < lo || p[1] > hi) return false;
    for (std::size_t k = 2; k <= need; ++k) {
      if ((p[k] & 0xC0) != 0x80) return false;
    }
    p += need + 1;
  }
  return true;
}
