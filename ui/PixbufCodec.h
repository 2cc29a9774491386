#pragma once
// ui::PixbufCodec: pixels in and out of image files, through gdk-pixbuf (no display needed). Reads every
// format gdk-pixbuf has a loader for (PNG, JPEG, GIF, BMP, ...), writes PNG and JPEG. Decoded images
// larger than kMaxPixels are refused rather than allocated (their header is read, their pixels are not).
// A file is read once: decoded in one pass as it is read, in chunks. The size of a PNG file is read
// from its first 24 bytes (the signature and the IHDR chunk's width and height, each 1 to 2^31 - 1);
// a PNG file whose first chunk is not an IHDR of 13 bytes is refused; other formats' sizes are
// gdk-pixbuf's.

#include <optional>
#include <string>
#include <string_view>

#include "ui/Image.h"

namespace ui {

class PixbufCodec {
 public:
  static constexpr long long kMaxPixels = 64LL * 1024 * 1024;

  static std::optional<RGBABitmap> decodeFile(const std::string& path);
  static std::optional<RGBABitmap> decodeData(std::string_view bytes);
  // Width and height in pixels from the file's header; nullopt when it is not a readable image.
  static std::optional<Size> pixelSizeOfFile(const std::string& path);
  // "png", or "jpeg" with quality 0...1.
  static std::optional<std::string> encode(const RGBABitmap& bitmap, std::string_view format, double quality = 1);
  // The bitmap resampled (bilinear) to width x height pixels; empty for an empty size.
  static RGBABitmap scale(const RGBABitmap& bitmap, int width, int height);
};

}  // namespace ui
