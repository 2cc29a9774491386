#pragma once
// ui::PixbufCodec: pixels in and out of image files, through gdk-pixbuf (no display needed). Reads every
// format gdk-pixbuf has a loader for (PNG, JPEG, GIF, BMP, ...), writes PNG and JPEG. Decoded images
// larger than kMaxPixels are refused rather than allocated.

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
