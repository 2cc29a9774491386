#include "util/DESEncrypt.h"

#include "platform/core/Text.h"
#include "platform/security/DES.h"
#include "util/Base64.h"

std::optional<std::string> DESEncrypt::decypte(std::string_view base64Text, std::string_view key) {
  core::Bytes cipher = base64DecodedData(base64Text);
  auto plain = sec::DES::decrypt(sec::DES::keyFromText(key), cipher);
  if (!plain) return std::nullopt;
  std::string text(plain->begin(), plain->end());
  if (!core::isValidUtf8(text)) return std::nullopt;
  return text;
}

std::optional<std::string> DESEncrypt::encrypte(std::string_view plainText, std::string_view key) {
  auto cipher = sec::DES::encrypt(sec::DES::keyFromText(key),
                                  reinterpret_cast<const std::uint8_t*>(plainText.data()), plainText.size());
  if (!cipher) return std::nullopt;
  return base64EncodedString(*cipher);
}
