#include "platform/security/MD5.h"

#include <nettle/md5.h>

namespace sec {

static_assert(sizeof(md5_ctx) <= 128, "md5_ctx must fit the opaque state");

namespace {
md5_ctx* ctx(unsigned char* state) { return reinterpret_cast<md5_ctx*>(state); }
}  // namespace

MD5::MD5() { md5_init(ctx(state_)); }

void MD5::update(const void* bytes, std::size_t length) {
  if (length > 0) md5_update(ctx(state_), length, static_cast<const std::uint8_t*>(bytes));
}

MD5::Digest MD5::finish() {
  Digest out{};
  md5_digest(ctx(state_), out.size(), out.data());  // also resets the context
  return out;
}

MD5::Digest MD5::digest(std::string_view bytes) {
  MD5 md5;
  md5.update(bytes);
  return md5.finish();
}

std::string MD5::hex(const Digest& digest) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(digest.size() * 2);
  for (std::uint8_t b : digest) {
    out.push_back(kHex[b >> 4]);
    out.push_back(kHex[b & 0x0f]);
  }
  return out;
}

}  // namespace sec
