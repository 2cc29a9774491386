#pragma once
// MD5 digests over nettle. MD5 is kept for identifiers and file names only, never for secrets.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sec {

class MD5 {
 public:
  using Digest = std::array<std::uint8_t, 16>;

  MD5();
  void update(const void* bytes, std::size_t length);
  void update(std::string_view text) { update(text.data(), text.size()); }
  Digest finish();  // the digest of everything given so far; the object starts over afterwards

  static Digest digest(std::string_view bytes);
  // The 16 digest bytes as 32 lower-case hexadecimal characters, in digest order.
  static std::string hex(const Digest& digest);
  static std::string hexDigest(std::string_view bytes) { return hex(digest(bytes)); }

 private:
  alignas(8) unsigned char state_[128];  // nettle's md5_ctx, kept opaque to callers
};

}  // namespace sec
