#include "librarys/json/JsonUTF8Stream.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The stream's own buffer is needed only for input that arrives in pieces (the bytes of a whole text
// are read where they are), so it is not made until then.
JsonUTF8Stream::JsonUTF8Stream() { refresh(); }

void JsonUTF8Stream::refresh() {
  bytes_ = data_.data();
  length_ = data_.size();
}

void JsonUTF8Stream::appendData(const std::uint8_t* bytes, std::size_t length) {
  keepRemainder();
  if (index_ > 0) {
    const std::size_t drop = index_ < data_.size() ? index_ : data_.size();
    data_.erase(data_.begin(), data_.begin() + static_cast<std::ptrdiff_t>(drop));
    index_ = 0;
  }
  if (length > 0) data_.insert(data_.end(), bytes, bytes + length);
  refresh();
}

void JsonUTF8Stream::borrowData(const std::uint8_t* bytes, std::size_t length) {
  if (borrowed_ || index_ < length_ || !bytes) {
    appendData(bytes, length);
    return;
  }
  data_.clear();
  index_ = 0;
  bytes_ = bytes;
  length_ = length;
  borrowed_ = true;
}

void JsonUTF8Stream::keepRemainder() {
  if (!borrowed_) return;
  const std::size_t from = index_ < length_ ? index_ : length_;
  data_.assign(bytes_ + from, bytes_ + length_);
  index_ = 0;
  borrowed_ = false;
  refresh();
}

namespace {

constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHigh = 0x8080808080808080ull;

// True when one of the eight bytes of `w` may stop plain string content or needs a closer look: a
// byte below 0x20, a quotation mark, a backslash or any byte above 0x7F. A false "maybe" only costs
// a byte-by-byte look at this word.
bool mayNeedLook(std::uint64_t w) {
  auto hasZeroByte = [](std::uint64_t v) { return (v - kOnes) & ~v & kHigh; };
  const std::uint64_t control = (w - 0x20 * kOnes) & ~w & kHigh;
  return ((w & kHigh) | control | hasZeroByte(w ^ ('"' * kOnes)) | hasZeroByte(w ^ ('\\' * kOnes))) != 0;
}

// The number of continuation bytes a lead byte announces and the allowed range of the byte after
// it (which excludes overlong forms, UTF-16 surrogates and code points above U+10FFFF); 0 for a byte
// that cannot start a sequence.
struct Lead {
  std::uint8_t need;
  std::uint8_t lo;
  std::uint8_t hi;
};

Lead leadOf(std::uint8_t b) {
  if (b >= 0xE1 && b <= 0xEC) return {2, 0x80, 0xBF};  // most of the BMP, CJK included
  if (b >= 0xC2 && b <= 0xDF) return {1, 0x80, 0xBF};
  if (b == 0xE0) return {2, 0xA0, 0xBF};
  if (b == 0xED) return {2, 0x80, 0x9F};
  if (b == 0xEE || b == 0xEF) return {2, 0x80, 0xBF};
  if (b == 0xF0) return {3, 0x90, 0xBF};
  if (b >= 0xF1 && b <= 0xF3) return {3, 0x80, 0xBF};
  if (b == 0xF4) return {3, 0x80, 0x8F};
  return {0, 0, 0};
}

// Whether the sequence starting at p (lead byte included) is well formed, given that `available`
// bytes from p on may be looked at.
bool validSequence(const std::uint8_t* p, std::size_t available, const Lead& lead) {
  if (lead.need == 0 || available <= lead.need) return false;
  if (p[1] < lead.lo || p[1] > lead.hi) return false;
  for (std::size_t k = 2; k <= lead.need; ++k) {
    if ((p[k] & 0xC0) != 0x80) return false;
  }
  return true;
}

// Whether p starts a three-byte character led by E1 to EC or EE to EF (every such lead takes any two
// continuation bytes), with at least four bytes to look at.
inline bool isPlainThreeByte(const std::uint8_t* p, std::size_t available) {
  if (available < 4) return false;
  std::uint32_t w;
  std::memcpy(&w, p, 4);
  const std::uint8_t low = p[0] & 0x0F;
  return (w & 0x00C0C0F0u) == 0x008080E0u && low != 0x0 && low != 0xD;
}

// Past a run of such three-byte characters starting at i (i itself when there is none): sixteen bytes
// (five characters) looked at a time where SSE2 is there, then four.
inline std::size_t skipThreeByteRun(const std::uint8_t* bytes, std::size_t i, std::size_t end) {
#if defined(__SSE2__)
  const __m128i leadBits = _mm_set1_epi8(static_cast<char>(0xF0));
  const __m128i lead = _mm_set1_epi8(static_cast<char>(0xE0));
  const __m128i continuationBits = _mm_set1_epi8(static_cast<char>(0xC0));
  const __m128i continuation = _mm_set1_epi8(static_cast<char>(0x80));
  const __m128i narrowLow = _mm_set1_epi8(static_cast<char>(0xE0));
  const __m128i narrowSurrogate = _mm_set1_epi8(static_cast<char>(0xED));
  while (end - i >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
    const unsigned leads =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(v, leadBits), lead)));
    const unsigned continuations = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(v, continuationBits), continuation)));
    const unsigned narrow = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, narrowLow), _mm_cmpeq_epi8(v, narrowSurrogate))));
    // Leads at bytes 0, 3, 6, 9 and 12, continuation bytes between them, no E0 or ED lead.
    if ((leads & 0x7FFFu) != 0x1249u || (continuations & 0x7FFFu) != 0x6DB6u || (narrow & 0x1249u) != 0)
      break;
    i += 15;
  }
#endif
  while (isPlainThreeByte(bytes + i, end - i)) i += 3;
  return i;
}

// The position of the first byte from i on that is not plain ASCII content: a byte that may stop the
// content or any byte above 0x7F (or `end`). Sixteen bytes are looked at a time where SSE2 is there,
// else eight.
inline std::size_t skipPlainASCII(const std::uint8_t* bytes, std::size_t i, std::size_t end) {
#if defined(__SSE2__)
  const __m128i quote = _mm_set1_epi8('"');
  const __m128i backslash = _mm_set1_epi8('\\');
  const __m128i control = _mm_set1_epi8(0x1F);
  while (end - i >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
    const __m128i stop = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, backslash)),
                                      _mm_cmpeq_epi8(_mm_min_epu8(v, control), v));
    // Bytes above 0x7F have their top bit set, which the mask picks up as it stands.
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(stop, v)));
    if (mask != 0) return i + static_cast<unsigned>(__builtin_ctz(mask));
    i += 16;
  }
#endif
  while (end - i >= 8) {
    std::uint64_t w;
    std::memcpy(&w, bytes + i, 8);
    if (mayNeedLook(w)) break;
    i += 8;
  }
  while (i < end) {
    const std::uint8_t b = bytes[i];
    if (b >= 0x80 || b < 0x20 || b == '"' || b == '\\') break;
    ++i;
  }
  return i;
}

}  // namespace

bool JsonUTF8Stream::getStringFragment(std::string_view* fragment, bool* validUTF8) {
  const std::size_t end = length_;
  if (index_ >= end) return false;
  const std::size_t start = index_;
  const std::uint8_t* bytes = bytes_;
  bool valid = true;
  std::size_t i = start;
  while (i < end) {
    i = skipPlainASCII(bytes, i, end);
    if (i >= end) break;
    const std::uint8_t b = bytes[i];
    if (b < 0x80) {
      if (b < 0x20 || b == '"' || b == '\\') break;
      ++i;
      continue;
    }
    // A multi-byte character: its continuation bytes (0x80 to 0xBF) can never stop the content, so a
    // well-formed one is passed over whole. A sequence the buffer cuts off is read again, whole, once
    // more bytes have come. Runs of three-byte characters (Chinese text) go first, four bytes looked
    // at a time.
    if (const std::size_t past = skipThreeByteRun(bytes, i, end); past != i) {
      i = past;
      continue;
    }
    const Lead lead = leadOf(b);
    if (lead.need != 0 && end - i <= lead.need) {
      i = end;
      break;
    }
    if (validSequence(bytes + i, end - i, lead)) {
      i += lead.need + 1u;
    } else {
      valid = false;
      ++i;
    }
  }
  index_ = i;
  if (i >= end) return false;
  *fragment = std::string_view(reinterpret_cast<const char*>(bytes) + start, i - start);
  if (validUTF8) *validUTF8 = valid;
  return true;
}

bool JsonUTF8Stream::skipCharacters(const char* chars, std::size_t length) {
  if (!haveRemainingCharacters(length)) return false;
  if (std::memcmp(bytes_ + index_, chars, length) != 0) return false;
  index_ += length;
  return true;
}

std::string_view JsonUTF8Stream::stringWithRange(std::size_t start, std::size_t length) const {
  if (start > length_) return {};
  if (length > length_ - start) length = length_ - start;
  return std::string_view(reinterpret_cast<const char*>(bytes_) + start, length);
}

bool JsonUTF8Stream::isValidUTF8(std::string_view text) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(text.data());
  const std::uint8_t* const end = p + text.size();
  while (p < end) {
    // Plain ASCII runs go eight bytes at a time.
    while (end - p >= 8) {
      std::uint64_t word;
      std::memcpy(&word, p, 8);
      if (word & kHigh) break;
      p += 8;
    }
    if (p >= end) break;
    if (*p < 0x80) {
      ++p;
      continue;
    }
    if (const std::size_t run = skipThreeByteRun(p, 0, static_cast<std::size_t>(end - p)); run != 0) {
      p += run;
      continue;
    }
    const Lead lead = leadOf(*p);
    if (!validSequence(p, static_cast<std::size_t>(end - p), lead)) return false;
    p += lead.need + 1u;
  }
  return true;
}
