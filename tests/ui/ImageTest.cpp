// Images from files and bytes: the bundle lookup of named images, decoding and encoding.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/core/Bundle.h"
#include "tests/support/ScopedBundle.h"
#include "tests/support/TempDir.h"
#include "ui/PixbufCodec.h"

using namespace ui;

namespace {

RGBABitmap checker(int width, int height) {
  RGBABitmap b;
  b.width = width;
  b.height = height;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const std::uint8_t v = (x + y) % 2 ? 255 : 0;
      b.rgba.insert(b.rgba.end(), {v, std::uint8_t(255 - v), 0, std::uint8_t(x == 0 ? 128 : 255)});
    }
  return b;
}

class BundleImages : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.empty());
    bundle_.emplace(dir_);
  }
  void write(const std::string& name, const RGBABitmap& b) {
    std::ofstream(dir_ + "/" + name, std::ios::binary) << *PixbufCodec::encode(b, "png");
  }
  const testsupport::TempDir temp_{"vd-images"};
  const std::string dir_ = temp_.path();
  std::optional<testsupport::ScopedBundle> bundle_;
};

}  // namespace

TEST_F(BundleImages, NamedImagesTakeTheirSizeFromTheFileTheyFind) {
  write("plain.png", checker(30, 20));
  write("sharp@2x.png", checker(40, 24));
  write("both.png", checker(10, 10));
  write("both@2x.png", checker(20, 20));
  struct Case {
    const char* name;
    Size size;
    double scale;
    const char* file;  // "" when none
  };
  const Case cases[] = {
      {"plain", {30, 20}, 1, "plain.png"},
      {"plain.png", {30, 20}, 1, "plain.png"},
      {"sharp", {20, 12}, 2, "sharp@2x.png"},
      {"sharp@2x", {20, 12}, 2, "sharp@2x.png"},
      {"both", {10, 10}, 1, "both.png"},
      {"missing", {0, 0}, 1, ""},
      {"../plain", {0, 0}, 1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto image = Image::named(c.name);
    EXPECT_EQ(image->name(), c.name);
    EXPECT_EQ(image->size(), c.size);
    EXPECT_EQ(image->scale(), c.scale);
    EXPECT_EQ(image->filePath(), *c.file ? dir_ + "/" + c.file : "");
    EXPECT_EQ(image->bitmap(), nullptr) << "named images are drawn from their file";
  }
  // Its pixels are read when they are asked for.
  auto png = imagePNGRepresentation(*Image::named("plain"));
  ASSERT_TRUE(png);
  EXPECT_EQ(*Image::decoded(*png)->bitmap(), checker(30, 20));
}

namespace {

// A PNG's IHDR chunk with the given size (its checksum right), after the signature.
std::string pngHead(std::uint32_t width, std::uint32_t height) {
  std::string chunk = "IHDR";
  for (std::uint32_t v : {width, height})
    for (int shift = 24; shift >= 0; shift -= 8) chunk += static_cast<char>((v >> shift) & 0xFF);
  chunk += std::string("\x08\x06\x00\x00\x00", 5);  // 8 bits, RGBA
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char c : chunk) {
    crc ^= c;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  crc ^= 0xFFFFFFFFu;
  std::string out("\x89PNG\r\n\x1A\n\x00\x00\x00\x0D", 12);
  out += chunk;
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((crc >> shift) & 0xFF);
  return out;
}

}  // namespace

TEST(PixbufCodecTest, ImageFilesGiveTheirSizeFromTheHeaderAndTheirPixelsInOnePass) {
  const testsupport::TempDir temp{"vd-image-files"};
  const RGBABitmap b = checker(40, 30);
  const std::string png = *PixbufCodec::encode(b, "png");
  const std::string jpeg = *PixbufCodec::encode(b, "jpeg", 0.9);
  std::string otherChunk = pngHead(40, 30);
  otherChunk.replace(12, 4, "tEXt");
  std::string zeroWidth = pngHead(0, 30);
  struct Case {
    const char* name;
    std::string bytes;
    std::optional<Size> size;
    bool decodes;
  };
  const Case cases[] = {
      {"whole.png", png, Size{40, 30}, true},
      {"photo.jpg", jpeg, Size{40, 30}, true},
      // The header says the size; the pixels are missing.
      {"cut.png", png.substr(0, png.size() / 2), Size{40, 30}, false},
      {"huge.png", pngHead(20000, 20000), Size{20000, 20000}, false},
      {"only-signature.png", png.substr(0, 20), std::nullopt, false},
      {"text-first.png", otherChunk, std::nullopt, false},
      {"zero-width.png", zeroWidth, std::nullopt, false},
      {"words.png", "not an image", std::nullopt, false},
      {"empty.png", "", std::nullopt, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = temp.path() + "/" + c.name;
    std::ofstream(path, std::ios::binary) << c.bytes;
    EXPECT_EQ(PixbufCodec::pixelSizeOfFile(path), c.size);
    const auto decoded = PixbufCodec::decodeFile(path);
    ASSERT_EQ(decoded.has_value(), c.decodes);
    if (!decoded) continue;
    EXPECT_EQ(decoded->width, 40);
    EXPECT_EQ(decoded->height, 30);
    if (c.bytes == png) {
      EXPECT_EQ(*decoded, b) << "every pixel and its alpha";
    }
  }
  EXPECT_EQ(PixbufCodec::pixelSizeOfFile(temp.path() + "/none.png"), std::nullopt);
  EXPECT_EQ(PixbufCodec::decodeFile(temp.path() + "/none.png"), std::nullopt);
}

TEST(PixbufCodecTest, DecodesWhatItEncodesAndRefusesTheRest) {
  const RGBABitmap b = checker(5, 3);
  auto png = PixbufCodec::encode(b, "png");
  ASSERT_TRUE(png);
  auto image = Image::decoded(*png, 2);
  ASSERT_TRUE(image && image->bitmap());
  EXPECT_EQ(*image->bitmap(), b) << "PNG keeps every pixel and the alpha";
  EXPECT_EQ(image->size(), (Size{2.5, 1.5}));

  auto jpeg = imageJPEGRepresentation(*image, 0.5);
  ASSERT_TRUE(jpeg);
  EXPECT_EQ(jpeg->substr(0, 2), "\xFF\xD8");
  auto back = Image::decoded(*jpeg);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->size(), (Size{5, 3}));

  // An image of a file's bytes keeps them; its pixels are decoded when asked for.
  auto data = Image::withData(*png);
  ASSERT_TRUE(data && data->hasData());
  EXPECT_EQ(data->size(), (Size{5, 3}));
  EXPECT_EQ(pixelsOf(*data), b);

  EXPECT_EQ(Image::decoded("not an image"), nullptr);
  EXPECT_EQ(Image::decoded(png->substr(0, png->size() / 2)), nullptr) << "a cut file";
  EXPECT_EQ(Image::withContentsOfFile("/nonexistent/x.png"), nullptr);
  EXPECT_FALSE(imagePNGRepresentation(*Image::create("nothing")));
  EXPECT_FALSE(PixbufCodec::encode(RGBABitmap{}, "png"));
}
