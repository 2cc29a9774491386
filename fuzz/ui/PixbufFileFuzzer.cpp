// Feeds arbitrary bytes, as a picture file, to the file reader of the window's pictures: the size from
// the header (a PNG's own 24 bytes, gdk-pixbuf's for the rest) and the decode. Whatever size it answers
// is at least a pixel each way; a PNG decodes to the size its header gives; a decoded picture has as
// many bytes as its size asks for and no more pixels than the limit.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ui/PixbufCodec.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

const std::string& path() {
  static const std::string p = [] {
    char name[] = "/tmp/vd-pixbuf-fuzz-XXXXXX";
    const int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    return std::string(name);
  }();
  return p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (std::FILE* f = std::fopen(path().c_str(), "wb")) {
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
  } else {
    return 0;
  }
  const auto pixels = ui::PixbufCodec::pixelSizeOfFile(path());
  if (pixels) check(pixels->width >= 1 && pixels->height >= 1);
  const auto bitmap = ui::PixbufCodec::decodeFile(path());
  if (!bitmap) return 0;
  check(bitmap->width > 0 && bitmap->height > 0);
  check(static_cast<long long>(bitmap->width) * bitmap->height <= ui::PixbufCodec::kMaxPixels);
  check(bitmap->rgba.size() == static_cast<std::size_t>(bitmap->width) * bitmap->height * 4);
  const bool png = size >= 8 && std::memcmp(data, "\x89PNG\r\n\x1A\n", 8) == 0;
  if (png) check(pixels && pixels->width == bitmap->width && pixels->height == bitmap->height);
  return 0;
}
