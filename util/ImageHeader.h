#pragma once
// ImageHeader: the pixel size of an image file, read from its header alone (nothing is decoded).
//
// Accepts:
//   PNG   the signature followed by an IHDR chunk of 13 bytes (width and height: big-endian 32 bits)
//   GIF   "GIF87a" or "GIF89a" and the logical screen size (little-endian 16 bits)
//   BMP   "BM" with a core header (12 bytes: 16-bit sizes) or an info header of 40 bytes or more
//         (32-bit signed sizes; a negative height, a top-down bitmap, counts by its magnitude)
//   JPEG  the start-of-image marker, then segments up to the first start-of-frame marker (any of the
//         baseline, progressive, lossless and arithmetic-coded frames, C0-C3, C5-C7, C9-CB, CD-CF),
//         whose height and width (big-endian 16 bits) are the size; fill bytes between segments are
//         skipped and the markers without a length (D0-D7, 01) stand alone
// Refuses: any other format; a header cut short; a JPEG whose scan (DA) or end (D9) comes before a frame
// header; a width or height of 0 or above kMaxSide.
// Limits: sizeOfFile reads at most kMaxFileBytes of the file; a frame header beyond that is not found.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class ImageHeader {
 public:
  struct PixelSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    bool operator==(const PixelSize&) const = default;
  };

  static constexpr std::uint32_t kMaxSide = 1u << 20;
  static constexpr std::size_t kMaxFileBytes = 4u << 20;

  // The size the bytes of an image file announce; nullopt when they are refused.
  static std::optional<PixelSize> sizeOfData(std::string_view bytes);
  // The same for the file at `path`; nullopt also when it cannot be read.
  static std::optional<PixelSize> sizeOfFile(const std::string& path);
};
