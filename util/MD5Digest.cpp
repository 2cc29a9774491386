#include "util/MD5Digest.h"

#include "platform/security/MD5.h"

std::optional<std::string> stringFromMD5(std::string_view text) {
  if (text.empty()) return std::nullopt;
  auto nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  return sec::MD5::hexDigest(text);
}
