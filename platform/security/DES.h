#pragma once
// Single DES in ECB mode without padding, over nettle. It exists to read the question bank's
// enciphered content; it is not a protection for anything new.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace sec {

class DES {
 public:
  using Key = std::array<std::uint8_t, 8>;
  using Bytes = std::vector<std::uint8_t>;

  // The key of a key text: the first 8 bytes of its UTF-8 form; a shorter text is filled up with
  // zero bytes. Parity bits are ignored, and weak keys are used as they are.
  static Key keyFromText(std::string_view keyText);

  // ECB over whole 8-byte blocks. An input whose length is not a multiple of 8 gives nullopt;
  // an empty input gives an empty result. The output has the input's length.
  static std::optional<Bytes> encrypt(const Key& key, const std::uint8_t* data, std::size_t length);
  static std::optional<Bytes> decrypt(const Key& key, const std::uint8_t* data, std::size_t length);
  static std::optional<Bytes> encrypt(const Key& key, const Bytes& data) {
    return encrypt(key, data.data(), data.size());
  }
  static std::optional<Bytes> decrypt(const Key& key, const Bytes& data) {
    return decrypt(key, data.data(), data.size());
  }
};

}  // namespace sec
