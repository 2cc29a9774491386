#pragma once
// ui::ImageCodec: turns the bytes of a picture file into pixels and pixels into a JPEG file, for the
// pictures the application itself writes (avatars, saved as JPEG at a chosen quality). Decoding goes
// through libjpeg and libpng, encoding through libjpeg.
//
// Accepts: JPEG (baseline and progressive; grey, YCbCr and RGB) and PNG (any bit depth and colour
// type; transparency is laid on white). Refuses, without reading further: anything else (GIF, BMP,
// CMYK JPEG, text), truncated or corrupt data, and pictures wider or taller than kMaxSide pixels or
// larger than kMaxPixels pixels in all (checked from the header, before any pixel memory is taken).
// Refusal is an empty optional, never an exception or an abort; the libraries' own error exits are
// caught. Any thread (no shared state).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/Geometry.h"

namespace ui {

// Pixels, three bytes (red, green, blue) each, row after row from the top.
struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // width * height * 3 bytes
};

class ImageCodec {
 public:
  static constexpr int kMaxSide = 8192;
  static constexpr std::int64_t kMaxPixels = 32 * 1024 * 1024;

  enum class Format { None, JPEG, PNG };
  // The format the bytes announce (by their signature alone).
  static Format formatOf(std::string_view bytes);
  // The picture's size in pixels, from its header; nullopt when the bytes are refused.
  static std::optional<Size> sizeOf(std::string_view bytes);
  // The pixels; nullopt when the bytes are refused.
  static std::optional<Bitmap> decode(std::string_view bytes);
  // A baseline JPEG file of the pixels. `quality` runs from 0 (smallest) to 1 (best), as the phone's
  // JPEG representation takes it (0.5 is libjpeg's quality 50). nullopt for an empty or inconsistent
  // bitmap.
  static std::optional<std::string> encodeJPEG(const Bitmap& bitmap, double quality);
  // decode, then encodeJPEG: the picture of any accepted format as JPEG.
  static std::optional<std::string> toJPEG(std::string_view bytes, double quality);
};

}  // namespace ui
