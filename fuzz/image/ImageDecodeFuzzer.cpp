// Feeds arbitrary bytes to the picture decoder. Whatever it accepts has a size within the limits, as
// many pixel bytes as that size asks for, the same size from the header alone, and encodes as a JPEG
// that decodes again to the same size.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ui/ImageCodec.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto bitmap = ui::ImageCodec::decode(bytes);
  if (!bitmap) return 0;
  check(bitmap->width > 0 && bitmap->height > 0);
  check(bitmap->width <= ui::ImageCodec::kMaxSide && bitmap->height <= ui::ImageCodec::kMaxSide);
  check(bitmap->rgb.size() == static_cast<std::size_t>(bitmap->width) * bitmap->height * 3);
  const auto header = ui::ImageCodec::sizeOf(bytes);
  check(header && header->width == bitmap->width && header->height == bitmap->height);
  if (static_cast<std::int64_t>(bitmap->width) * bitmap->height <= 256 * 256) {
    const auto jpeg = ui::ImageCodec::encodeJPEG(*bitmap, 0.5);
    check(jpeg.has_value());
    const auto again = ui::ImageCodec::decode(*jpeg);
    check(again && again->width == bitmap->width && again->height == bitmap->height);
  }
  return 0;
}
