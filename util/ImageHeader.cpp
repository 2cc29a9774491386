#include "util/ImageHeader.h"

#include <fstream>

namespace {

std::uint32_t be16(std::string_view b, std::size_t at) {
  return (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) << 8) |
         static_cast<unsigned char>(b[at + 1]);
}
std::uint32_t be32(std::string_view b, std::size_t at) { return (be16(b, at) << 16) | be16(b, at + 2); }
std::uint32_t le16(std::string_view b, std::size_t at) {
  return static_cast<unsigned char>(b[at]) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8);
}
std::uint32_t le32(std::string_view b, std::size_t at) { return le16(b, at) | (le16(b, at + 2) << 16); }

std::optional<ImageHeader::PixelSize> checked(std::uint32_t width, std::uint32_t height) {
  if (width == 0 || height == 0 || width > ImageHeader::kMaxSide || height > ImageHeader::kMaxSide)
    return std::nullopt;
  return ImageHeader::PixelSize{width, height};
}

std::optional<ImageHeader::PixelSize> png(std::string_view b) {
  // signature (8), chunk length (4) = 13, "IHDR" (4), width (4), height (4)
  if (b.size() < 24 || be32(b, 8) != 13 || b.substr(12, 4) != "IHDR") return std::nullopt;
  return checked(be32(b, 16), be32(b, 20));
}

std::optional<ImageHeader::PixelSize> gif(std::string_view b) {
  if (b.size() < 10) return std::nullopt;
  return checked(le16(b, 6), le16(b, 8));
}

std::optional<ImageHeader::PixelSize> bmp(std::string_view b) {
  if (b.size() < 18) return std::nullopt;
  const std::uint32_t headerSize = le32(b, 14);
  if (headerSize == 12) {
    if (b.size() < 22) return std::nullopt;
    return checked(le16(b, 18), le16(b, 20));
  }
  if (headerSize < 40 || b.size() < 26) return std::nullopt;
  const auto width = static_cast<std::int32_t>(le32(b, 18));
  const auto height = static_cast<std::int32_t>(le32(b, 22));
  if (width <= 0 || height == 0 || height == INT32_MIN) return std::nullopt;
  return checked(static_cast<std::uint32_t>(width),
                 static_cast<std::uint32_t>(height < 0 ? -height : height));
}

bool isStartOfFrame(unsigned char marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

std::optional<ImageHeader::PixelSize> jpeg(std::string_view b) {
  std::size_t i = 2;
  while (true) {
    if (i >= b.size() || static_cast<unsigned char>(b[i]) != 0xFF) return std::nullopt;
    while (i < b.size() && static_cast<unsigned char>(b[i]) == 0xFF) ++i;  // fill bytes
    if (i >= b.size()) return std::nullopt;
    const auto marker = static_cast<unsigned char>(b[i]);
    ++i;
    if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) continue;  // no length
    if (marker == 0xDA || marker == 0xD9 || marker == 0xD8) return std::nullopt;
    if (i + 2 > b.size()) return std::nullopt;
    const std::uint32_t length = be16(b, i);
    if (length < 2) return std::nullopt;
    if (isStartOfFrame(marker)) {
      // length (2), precision (1), height (2), width (2)
      if (length < 7 || i + 7 > b.size()) return std::nullopt;
      return checked(be16(b, i + 5), be16(b, i + 3));
    }
    i += length;
  }
}

}  // namespace

std::optional<ImageHeader::PixelSize> ImageHeader::sizeOfData(std::string_view b) {
  if (b.size() >= 8 && b.substr(0, 8) == std::string_view("\x89PNG\r\n\x1a\n", 8)) return png(b);
  if (b.size() >= 6 && (b.substr(0, 6) == "GIF87a" || b.substr(0, 6) == "GIF89a")) return gif(b);
  if (b.size() >= 2 && b.substr(0, 2) == "BM") return bmp(b);
  if (b.size() >= 2 && static_cast<unsigned char>(b[0]) == 0xFF && static_cast<unsigned char>(b[1]) == 0xD8)
    return jpeg(b);
  return std::nullopt;
}

std::optional<ImageHeader::PixelSize> ImageHeader::sizeOfFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes(kMaxFileBytes, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return sizeOfData(bytes);
}
