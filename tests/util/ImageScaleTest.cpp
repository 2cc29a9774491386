// getSubImage: and scaleToSize: on real pixels (decoded from PNG bytes, as an image from a file is).

#include <gtest/gtest.h>

#include "ui/Canvas.h"
#include "ui/PixbufCodec.h"
#include "util/UIImageScale.h"

namespace {

constexpr std::uint32_t kRed = 0xFF0000FF;
constexpr std::uint32_t kClear = 0;

// A width x height image whose pixel (x, y) is 0xXXYY00FF (opaque), decoded from PNG bytes.
std::shared_ptr<ui::Image> numbered(int width, int height) {
  ui::RGBABitmap b;
  b.width = width;
  b.height = height;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) b.rgba.insert(b.rgba.end(), {std::uint8_t(x), std::uint8_t(y), 0, 255});
  auto png = ui::PixbufCodec::encode(b, "png");
  return png ? ui::Image::withData(*png) : nullptr;
}

std::shared_ptr<ui::Image> solid(int width, int height, std::uint32_t rgba) {
  ui::RGBABitmap b;
  b.width = width;
  b.height = height;
  for (int i = 0; i < width * height; ++i)
    b.rgba.insert(b.rgba.end(), {std::uint8_t(rgba >> 24), std::uint8_t(rgba >> 16), std::uint8_t(rgba >> 8),
                                 std::uint8_t(rgba)});
  return ui::Image::withBitmap(std::move(b));
}

std::uint32_t at(int x, int y) { return (std::uint32_t(x) << 24) | (std::uint32_t(y) << 16) | 0xFF; }

}  // namespace

TEST(GetSubImage, CutsWholePixelsInsideTheImage) {
  auto image = numbered(4, 3);
  ASSERT_TRUE(image);
  struct Case {
    const char* name;
    ui::Rect rect;
    int width, height;  // 0: no image
    int x0, y0;         // where the part starts in the original
  };
  const Case cases[] = {
      {"inside", {1, 1, 2, 2}, 2, 2, 1, 1},
      {"over the edge", {3, 2, 5, 5}, 1, 1, 3, 2},
      {"fractions widen to whole pixels", {0.5, 0.5, 1, 1}, 2, 2, 0, 0},
      {"before the origin", {-2, -2, 3, 3}, 1, 1, 0, 0},
      {"missing the image", {10, 10, 2, 2}, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto part = getSubImage(*image, c.rect);
    if (c.width == 0) {
      EXPECT_EQ(part, nullptr);
      continue;
    }
    ASSERT_TRUE(part && part->bitmap());
    EXPECT_EQ(part->bitmap()->width, c.width);
    EXPECT_EQ(part->bitmap()->height, c.height);
    EXPECT_EQ(part->scale(), 1);
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x) EXPECT_EQ(part->bitmap()->pixel(x, y), at(c.x0 + x, c.y0 + y));
  }
}

TEST(ScaleToSize, FitsTheImageCentredOnATransparentCanvas) {
  // 4 x 2 into 10 x 10: factor 2.5, a 10 x 5 picture from y = 2 (2.5 cut down).
  auto fitted = scaleToSize(*solid(4, 2, kRed), {10, 10});
  ASSERT_TRUE(fitted && fitted->bitmap());
  const ui::RGBABitmap& b = *fitted->bitmap();
  EXPECT_EQ(fitted->size(), (ui::Size{10, 10}));
  for (int y : {0, 1, 7, 9}) EXPECT_EQ(b.pixel(5, y), kClear) << "row " << y;
  for (int y : {2, 4, 6}) EXPECT_EQ(b.pixel(5, y), kRed) << "row " << y;
  EXPECT_EQ(b.pixel(0, 4), kRed);
  EXPECT_EQ(b.pixel(9, 4), kRed);

  // 4 x 2 into 9 x 4: factor 2, an 8 x 4 picture from x = 0 (0.5 cut down); the last column stays clear.
  auto narrow = scaleToSize(*solid(4, 2, kRed), {9, 4});
  ASSERT_TRUE(narrow && narrow->bitmap());
  EXPECT_EQ(narrow->bitmap()->pixel(0, 0), kRed);
  EXPECT_EQ(narrow->bitmap()->pixel(7, 3), kRed);
  EXPECT_EQ(narrow->bitmap()->pixel(8, 0), kClear);

  EXPECT_EQ(scaleToSize(*solid(4, 2, kRed), {0, 10}), nullptr);
  ui::ImageContext drawing({10, 10}, false, 1);
  EXPECT_EQ(scaleToSize(*drawing.image(), {5, 5}), nullptr) << "a drawn image has no pixels";
}
