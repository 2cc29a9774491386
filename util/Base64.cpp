#include "util/Base64.h"

#include "platform/core/Text.h"

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int sextet(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

core::Bytes bytesOf(std::string_view text) { return core::Bytes(text.begin(), text.end()); }

}  // namespace

core::Bytes dataWithBase64EncodedString(std::string_view text) {
  core::Bytes out;
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return out;  // not ASCII text: nothing to decode
  }
  out.reserve(text.size() / 4 * 3);
  int group[4];
  int pending = 0;
  for (char ch : text) {
    auto c = static_cast<unsigned char>(ch);
    if (c == '=') {
      // "=" completes the group: one byte from two sextets (or one), two bytes from three.
      if (pending == 1 || pending == 2) {
        int second = pending == 2 ? group[1] : 0;
        out.push_back(static_cast<std::uint8_t>((group[0] << 2) | (second >> 4)));
      } else if (pending == 3) {
        out.push_back(static_cast<std::uint8_t>((group[0] << 2) | (group[1] >> 4)));
        out.push_back(static_cast<std::uint8_t>(((group[1] & 0x0F) << 4) | (group[2] >> 2)));
      }
      return out;
    }
    int v = sextet(c);
    if (v < 0) continue;
    group[pending++] = v;
    if (pending == 4) {
      out.push_back(static_cast<std::uint8_t>((group[0] << 2) | (group[1] >> 4)));
      out.push_back(static_cast<std::uint8_t>(((group[1] & 0x0F) << 4) | (group[2] >> 2)));
      out.push_back(static_cast<std::uint8_t>(((group[2] & 0x03) << 6) | group[3]));
      pending = 0;
    }
  }
  return out;  // a trailing group without "=" is dropped
}

core::Bytes base64DecodedData(std::string_view text) { return dataWithBase64EncodedString(text); }

std::optional<std::string> stringWithBase64EncodedString(std::string_view text) {
  core::Bytes bytes = dataWithBase64EncodedString(text);
  std::string s(bytes.begin(), bytes.end());
  if (!core::isValidUtf8(s)) return std::nullopt;
  return s;
}

std::optional<std::string> base64DecodedString(std::string_view text) {
  return stringWithBase64EncodedString(text);
}

std::optional<std::string> base64EncodedStringWithWrapWidth(const core::Bytes& data, std::size_t wrapWidth) {
  if (data.empty()) return std::nullopt;
  wrapWidth -= wrapWidth % 4;
  std::string out;
  out.reserve((data.size() + 2) / 3 * 4 + (wrapWidth ? data.size() / wrapWidth * 2 + 2 : 0));
  std::size_t i = 0;
  for (; i + 3 <= data.size(); i += 3) {
    std::uint32_t v = (data[i] << 16) | (data[i + 1] << 8) | data[i + 2];
    out.push_back(kAlphabet[(v >> 18) & 0x3F]);
    out.push_back(kAlphabet[(v >> 12) & 0x3F]);
    out.push_back(kAlphabet[(v >> 6) & 0x3F]);
    out.push_back(kAlphabet[v & 0x3F]);
    if (wrapWidth != 0 && (out.size() + 2) % (wrapWidth + 2) == 0) out += "\r\n";
  }
  if (data.size() - i == 2) {
    std::uint32_t v = (data[i] << 16) | (data[i + 1] << 8);
    out.push_back(kAlphabet[(v >> 18) & 0x3F]);
    out.push_back(kAlphabet[(v >> 12) & 0x3F]);
    out.push_back(kAlphabet[(v >> 6) & 0x3F]);
    out.push_back('=');
  } else if (data.size() - i == 1) {
    std::uint32_t v = data[i] << 16;
    out.push_back(kAlphabet[(v >> 18) & 0x3F]);
    out.push_back(kAlphabet[(v >> 12) & 0x3F]);
    out += "==";
  }
  return out;
}

std::optional<std::string> base64EncodedStringWithWrapWidth(std::string_view text, std::size_t wrapWidth) {
  return base64EncodedStringWithWrapWidth(bytesOf(text), wrapWidth);
}

std::optional<std::string> base64EncodedString(const core::Bytes& data) {
  return base64EncodedStringWithWrapWidth(data, 0);
}

std::optional<std::string> base64EncodedString(std::string_view text) {
  return base64EncodedStringWithWrapWidth(bytesOf(text), 0);
}

std::string base64EncodingWithLineLength(const core::Bytes& data, std::size_t lineLength) {
  std::string out;
  std::size_t onLine = 0;
  for (std::size_t i = 0; i < data.size(); i += 3) {
    std::size_t have = std::min<std::size_t>(3, data.size() - i);
    std::uint32_t v = data[i] << 16;
    if (have > 1) v |= data[i + 1] << 8;
    if (have > 2) v |= data[i + 2];
    out.push_back(kAlphabet[(v >> 18) & 0x3F]);
    out.push_back(kAlphabet[(v >> 12) & 0x3F]);
    out.push_back(have > 1 ? kAlphabet[(v >> 6) & 0x3F] : '=');
    out.push_back(have > 2 ? kAlphabet[v & 0x3F] : '=');
    onLine += 4;
    if (lineLength != 0 && onLine >= lineLength) {
      out.push_back('\n');
      onLine = 0;
    }
  }
  return out;
}

std::string base64Encoding(const core::Bytes& data) { return base64EncodingWithLineLength(data, 0); }

std::string urlEncodedString(const core::Bytes& data) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(data.size() * 3);
  for (std::uint8_t b : data) {
    bool plain = (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
    if (plain) {
      out.push_back(static_cast<char>(b));
    } else {
      out.push_back('%');
      out.push_back(kHex[b >> 4]);
      out.push_back(kHex[b & 0x0F]);
    }
  }
  return out;
}
