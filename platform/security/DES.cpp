#include "platform/security/DES.h"

#include <nettle/des.h>

#include <algorithm>

namespace sec {

DES::Key DES::keyFromText(std::string_view keyText) {
  Key key{};
  std::copy_n(keyText.begin(), std::min(keyText.size(), key.size()), key.begin());
  return key;
}

namespace {

std::optional<DES::Bytes> run(const DES::Key& key, const std::uint8_t* data, std::size_t length,
                              bool encrypt) {
  if (length % DES_BLOCK_SIZE != 0) return std::nullopt;
  DES::Bytes out(length);
  if (length == 0) return out;
  des_ctx ctx;
  // des_set_key reports weak keys through its result, but the schedule is set either way; the
  // bank's keys are taken as they come, like the platform cipher did.
  (void)des_set_key(&ctx, key.data());
  if (encrypt) {
    des_encrypt(&ctx, length, out.data(), data);
  } else {
    des_decrypt(&ctx, length, out.data(), data);
  }
  return out;
}

}  // namespace

std::optional<DES::Bytes> DES::encrypt(const Key& key, const std::uint8_t* data, std::size_t length) {
  return run(key, data, length, true);
}

std::optional<DES::Bytes> DES::decrypt(const Key& key, const std::uint8_t* data, std::size_t length) {
  return run(key, data, length, false);
}

}  // namespace sec
