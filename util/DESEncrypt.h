#pragma once
// DESEncrypt: the codec of the question bank's content, Base64 text of single-DES (ECB, no
// padding) cipher text. The key is the first 8 bytes of the key text's UTF-8 form; a shorter key
// text is filled up with zero bytes.

#include <optional>
#include <string>
#include <string_view>

class DESEncrypt {
 public:
  // Decodes the Base64 text and deciphers it. The result is the plain text, NUL characters
  // included; nullopt when the cipher text is not a whole number of 8-byte blocks or the plain
  // bytes are not UTF-8 text.
  static std::optional<std::string> decypte(std::string_view base64Text, std::string_view key);
  // Enciphers the text's bytes and encodes them as Base64 (no line breaks); nullopt when their
  // length is not a multiple of 8, and for an empty text (which has no Base64 form).
  static std::optional<std::string> encrypte(std::string_view plainText, std::string_view key);
};
