// Arbitrary bytes as a question's enciphered content: a key (its length in the first byte, up to 16
// bytes) and Base64 text of DES cipher text, deciphered as the bank reader does.
//
// Base64: whatever a text decodes to encodes to text that decodes to the same bytes. DES: a text that
// deciphers gives plain text that enciphers to the same cipher bytes (DES is a permutation per block), and
// the plain text is UTF-8; cut at its first NUL, as the reader cuts it, it still is.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/core/Text.h"
#include "util/Base64.h"
#include "util/DESEncrypt.h"

namespace {

void fail(const char* what) {
  std::fprintf(stderr, "bank_decipher_fuzzer: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t keyLength = std::min<std::size_t>(data[0] % 17, size - 1);
  const std::string_view key(reinterpret_cast<const char*>(data + 1), keyLength);
  const std::string_view text(reinterpret_cast<const char*>(data + 1 + keyLength), size - 1 - keyLength);

  const core::Bytes cipher = dataWithBase64EncodedString(text);
  const std::string encoded = base64Encoding(cipher);
  if (dataWithBase64EncodedString(encoded) != cipher) fail("Base64 does not round-trip");

  auto plain = DESEncrypt::decypte(text, key);
  if (!plain) return 0;
  if (cipher.size() % 8 != 0) fail("deciphered a cipher text that is not whole blocks");
  if (plain->size() != cipher.size()) fail("the plain text is not as long as the cipher text");
  if (!core::isValidUtf8(*plain)) fail("the plain text is not UTF-8");
  if (cipher.empty()) return 0;  // no blocks: nothing to encipher back
  auto again = DESEncrypt::encrypte(*plain, key);
  if (!again || dataWithBase64EncodedString(*again) != cipher) fail("DES does not round-trip");
  std::string cut = *plain;
  if (auto nul = cut.find('\0'); nul != std::string::npos) cut.resize(nul);
  if (!core::isValidUtf8(cut)) fail("the plain text cut at NUL is not UTF-8");
  return 0;
}
