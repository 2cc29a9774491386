// Feeds arbitrary bytes to the image header reader: it must end, read nothing outside the bytes, and
// answer only sizes within its stated limits.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "util/ImageHeader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto result = ImageHeader::sizeOfData(std::string_view(reinterpret_cast<const char*>(data), size));
  if (result && (result->width == 0 || result->height == 0 || result->width > ImageHeader::kMaxSide ||
                 result->height > ImageHeader::kMaxSide))
    std::abort();
  return 0;
}
