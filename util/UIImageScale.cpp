#include "util/UIImageScale.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

#include "ui/PixbufCodec.h"

namespace {

// Copies `src` into `dst` with its top left at (x, y), clipped to `dst`.
void blit(const ui::RGBABitmap& src, ui::RGBABitmap& dst, int x, int y) {
  for (int row = 0; row < src.height; ++row) {
    const int dy = y + row;
    if (dy < 0 || dy >= dst.height) continue;
    const int from = std::max(0, -x);
    const int to = std::min(src.width, dst.width - x);
    if (to <= from) continue;
    std::memcpy(dst.rgba.data() + (static_cast<std::size_t>(dy) * dst.width + (x + from)) * 4,
                src.rgba.data() + (static_cast<std::size_t>(row) * src.width + from) * 4,
                static_cast<std::size_t>(to - from) * 4);
  }
}

}  // namespace

std::shared_ptr<ui::Image> getSubImage(const ui::Image& image, ui::Rect rect) {
  auto pixels = ui::pixelsOf(image);
  if (!pixels || pixels->isEmpty()) return nullptr;
  const int x0 = std::max(0, static_cast<int>(std::floor(rect.minX())));
  const int y0 = std::max(0, static_cast<int>(std::floor(rect.minY())));
  const int x1 = std::min(pixels->width, static_cast<int>(std::ceil(rect.maxX())));
  const int y1 = std::min(pixels->height, static_cast<int>(std::ceil(rect.maxY())));
  if (x1 <= x0 || y1 <= y0) return nullptr;
  ui::RGBABitmap part;
  part.width = x1 - x0;
  part.height = y1 - y0;
  part.rgba.resize(static_cast<std::size_t>(part.width) * part.height * 4);
  for (int row = 0; row < part.height; ++row) {
    std::memcpy(part.rgba.data() + static_cast<std::size_t>(row) * part.width * 4,
                pixels->rgba.data() + (static_cast<std::size_t>(y0 + row) * pixels->width + x0) * 4,
                static_cast<std::size_t>(part.width) * 4);
  }
  return ui::Image::withBitmap(std::move(part), 1, image.name());
}

std::shared_ptr<ui::Image> scaleToSize(const ui::Image& image, ui::Size size) {
  const int width = static_cast<int>(std::floor(size.width));
  const int height = static_cast<int>(std::floor(size.height));
  if (width <= 0 || height <= 0) return nullptr;
  auto pixels = ui::pixelsOf(image);
  if (!pixels || pixels->isEmpty()) return nullptr;
  const double factor = std::min(size.height / pixels->height, size.width / pixels->width);
  const double scaledWidth = pixels->width * factor;
  const double scaledHeight = pixels->height * factor;
  const int x = static_cast<int>((size.width - scaledWidth) / 2);
  const int y = static_cast<int>((size.height - scaledHeight) / 2);
  ui::RGBABitmap canvas;
  canvas.width = width;
  canvas.height = height;
  canvas.rgba.assign(static_cast<std::size_t>(width) * height * 4, 0);
  const ui::RGBABitmap scaled =
      ui::PixbufCodec::scale(*pixels, std::max(1, static_cast<int>(std::lround(scaledWidth))),
                            std::max(1, static_cast<int>(std::lround(scaledHeight))));
  blit(scaled, canvas, x, y);
  return ui::Image::withBitmap(std::move(canvas), 1, image.name());
}
