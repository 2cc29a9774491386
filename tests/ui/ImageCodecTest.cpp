// Picture files: JPEG and PNG decoded, JPEG written at a quality, refusals of what is no picture or too
// large; images made from picture bytes; the image picker with a scripted chooser.

#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>
#include <zlib.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "tests/support/ScopedOverride.h"
#include "ui/Image.h"
#include "ui/ImageCodec.h"
#include "ui/ImagePickerController.h"
#include "ui/NavigationController.h"
#include "ui/test/Harness.h"
#include "ui/test/ScriptedImagePicker.h"

namespace {

using ui::Bitmap;
using ui::ImageCodec;

Bitmap ramp(int width, int height) {
  Bitmap b{width, height, {}};
  b.rgb.resize(static_cast<std::size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      auto* p = &b.rgb[(static_cast<std::size_t>(y) * width + x) * 3];
      p[0] = static_cast<std::uint8_t>(x * 255 / width);
      p[1] = static_cast<std::uint8_t>(y * 255 / height);
      p[2] = 200;
    }
  return b;
}

double meanError(const Bitmap& a, const Bitmap& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.rgb.size(); ++i) sum += std::abs(int(a.rgb[i]) - int(b.rgb[i]));
  return sum / static_cast<double>(a.rgb.size());
}

// A PNG of the pixels in the given libpng format (PNG_FORMAT_RGB or PNG_FORMAT_RGBA with `pixels`
// laid out accordingly).
std::string pngOf(int width, int height, unsigned format, const std::vector<std::uint8_t>& pixels) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = format;
  png_alloc_size_t size = 0;
  if (!png_image_write_get_memory_size(image, size, 0, pixels.data(), 0, nullptr)) return "";
  std::string out(size, '\0');
  if (!png_image_write_to_memory(&image, out.data(), &size, 0, pixels.data(), 0, nullptr)) return "";
  out.resize(size);
  return out;
}

TEST(ImageCodec, JPEGRoundTripKeepsSizeAndLooksAlike) {
  const Bitmap source = ramp(97, 61);  // sizes that are no multiple of the 8 x 8 blocks
  const auto half = ImageCodec::encodeJPEG(source, 0.5);
  const auto best = ImageCodec::encodeJPEG(source, 1.0);
  ASSERT_TRUE(half && best);
  EXPECT_EQ(ImageCodec::formatOf(*half), ImageCodec::Format::JPEG);
  EXPECT_LT(half->size(), best->size()) << "quality 0.5 writes fewer bytes";
  EXPECT_EQ(ImageCodec::encodeJPEG(source, 0.5), half) << "the same pixels give the same file";
  EXPECT_EQ(ImageCodec::sizeOf(*half), (ui::Size{97, 61}));
  const auto back = ImageCodec::decode(*half);
  ASSERT_TRUE(back);
  ASSERT_EQ(back->width, 97);
  ASSERT_EQ(back->height, 61);
  EXPECT_LT(meanError(source, *back), 6.0);
}

TEST(ImageCodec, PNGDecodesAndTransparencyLiesOnWhite) {
  const Bitmap source = ramp(33, 17);
  const std::string rgb = pngOf(33, 17, PNG_FORMAT_RGB, source.rgb);
  ASSERT_FALSE(rgb.empty());
  const auto decoded = ImageCodec::decode(rgb);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->rgb, source.rgb) << "lossless";

  // Half-transparent black over white is a grey (blended in linear light); fully transparent is white.
  const std::vector<std::uint8_t> rgba = {0, 0, 0, 128, 0, 0, 0, 0};
  const auto blended = ImageCodec::decode(pngOf(2, 1, PNG_FORMAT_RGBA, rgba));
  ASSERT_TRUE(blended);
  EXPECT_GT(blended->rgb[0], 100);
  EXPECT_LT(blended->rgb[0], 200);
  EXPECT_EQ(blended->rgb[1], blended->rgb[0]);
  EXPECT_EQ(blended->rgb[3], 255);

  const auto jpeg = ImageCodec::toJPEG(rgb, 0.5);
  ASSERT_TRUE(jpeg);
  EXPECT_EQ(ImageCodec::sizeOf(*jpeg), (ui::Size{33, 17}));
}

TEST(ImageCodec, RefusesWhatIsNoPictureOrTooLarge) {
  const std::string jpeg = *ImageCodec::encodeJPEG(ramp(40, 40), 0.5);
  const std::string png = pngOf(40, 40, PNG_FORMAT_RGB, ramp(40, 40).rgb);
  // Headers announcing 10000 pixels across: refused from the header, before any pixel is read.
  std::string widePng = pngOf(1, 1, PNG_FORMAT_RGB, {1, 2, 3});
  widePng[18] = 0x27, widePng[19] = 0x10;  // IHDR width 10000, its CRC made good again
  const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(widePng.data() + 12), 17);
  for (int i = 0; i < 4; ++i) widePng[29 + i] = static_cast<char>((crc >> (24 - 8 * i)) & 0xFF);
  std::string wideJpeg = *ImageCodec::encodeJPEG(ramp(8, 8), 0.5);
  const std::size_t sof = wideJpeg.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  wideJpeg[sof + 7] = 0x27, wideJpeg[sof + 8] = 0x10;  // SOF0 width 10000
  EXPECT_TRUE(ImageCodec::sizeOf(pngOf(1, 1, PNG_FORMAT_RGB, {1, 2, 3})));
  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"empty", ""},
      {"text", "not a picture"},
      {"GIF", "GIF89a\x01\x00\x01\x00\x00\x00\x00"},
      {"JPEG signature only", std::string("\xFF\xD8\xFF", 3)},
      {"JPEG without its scan", jpeg.substr(0, jpeg.size() / 3)},
      {"JPEG cut short", jpeg.substr(0, jpeg.size() - 40)},
      {"PNG cut short", png.substr(0, png.size() - 30)},
      {"PNG 10000 wide", widePng},
      {"JPEG 10000 wide", wideJpeg},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(ImageCodec::decode(c.bytes).has_value());
    if (std::string(c.name).find("10000") != std::string::npos) {
      EXPECT_FALSE(ImageCodec::sizeOf(c.bytes));
    }
    // An image is made from the header alone: a damaged body shows only when it is decoded.
    EXPECT_EQ(ui::Image::withData(c.bytes) == nullptr, !ImageCodec::sizeOf(c.bytes).has_value());
  }
  EXPECT_FALSE(ImageCodec::encodeJPEG(Bitmap{}, 0.5));
  EXPECT_FALSE(ImageCodec::encodeJPEG(Bitmap{2, 2, std::vector<std::uint8_t>(5)}, 0.5)) << "short pixel buffer";
  EXPECT_FALSE(ImageCodec::encodeJPEG(Bitmap{ImageCodec::kMaxSide + 1, 1, {}}, 0.5));
}

TEST(ImageCodec, ImagesFromPictureBytesCarryThemAndTheirSize) {
  const std::string jpeg = *ImageCodec::encodeJPEG(ramp(12, 8), 0.5);
  const auto image = ui::Image::withData(jpeg, "avatar");
  ASSERT_NE(image, nullptr);
  EXPECT_TRUE(image->hasData());
  EXPECT_EQ(image->data(), jpeg);
  EXPECT_EQ(image->size(), (ui::Size{12, 8}));
  EXPECT_EQ(image->resizable({})->data(), jpeg);
  EXPECT_FALSE(ui::Image::create("plain")->hasData());
  EXPECT_EQ(ui::Image::withContentsOfFile("/nonexistent/picture.jpg"), nullptr);
}

// ---- the image picker ----

struct PickerDelegate : ui::ImagePickerControllerDelegate {
  std::optional<ui::PickedImage> picked;
  int cancels = 0;
  void didFinishPickingMediaWithInfo(ui::ImagePickerController& picker, const ui::PickedImage& info) override {
    picked = info;
    picker.dismissViewController(true);
  }
  void imagePickerControllerDidCancel(ui::ImagePickerController& picker) override {
    ++cancels;
    picker.dismissViewController(true);
  }
};

class ImagePicker : public ::testing::Test {
 protected:
  void SetUp() override {
    chooser = std::make_shared<ui::test::ScriptedImagePicker>();
    service.emplace(ui::ImagePickerService::install, chooser, nullptr);
    root = std::make_shared<ui::ViewController>();
    h.setRoot(root);
    h.settle();
  }

  std::shared_ptr<ui::ImagePickerController> present() {
    auto picker = std::make_shared<ui::ImagePickerController>();
    picker->setDelegate(delegate);
    picker->setAllowsEditing(true);
    EXPECT_TRUE(root->presentViewController(picker, true));
    h.settle();
    return picker;
  }
  std::string file(const std::string& name, const std::string& bytes) {
    const auto path = std::filesystem::temp_directory_path() / ("vd-picker-" + std::to_string(::getpid()) + name);
    std::ofstream(path, std::ios::binary) << bytes;
    files.push_back(path);
    return path.string();
  }
  ~ImagePicker() override {
    for (const auto& f : files) std::filesystem::remove(f);
  }

  ui::test::Harness h;
  std::shared_ptr<ui::test::ScriptedImagePicker> chooser;
  std::optional<testsupport::ScopedOverride<std::shared_ptr<ui::ImagePickerService>>> service;
  std::shared_ptr<ui::ViewController> root;
  std::shared_ptr<PickerDelegate> delegate = std::make_shared<PickerDelegate>();
  std::vector<std::filesystem::path> files;
};

TEST_F(ImagePicker, TheChosenFileReachesTheDelegateAsAPicture) {
  EXPECT_FALSE(ui::ImagePickerController::isSourceTypeAvailable(ui::ImagePickerSourceType::Camera));
  EXPECT_TRUE(ui::ImagePickerController::isSourceTypeAvailable(ui::ImagePickerSourceType::PhotoLibrary));
  auto picker = present();
  ASSERT_TRUE(chooser->isOpen()) << "asked once it has appeared";
  EXPECT_EQ(chooser->timesOpened(), 1);
  const std::string jpeg = *ImageCodec::encodeJPEG(ramp(20, 10), 0.5);
  ASSERT_TRUE(chooser->choose(file("a.jpg", jpeg)));
  h.settle();
  ASSERT_TRUE(delegate->picked);
  ASSERT_NE(delegate->picked->editedImage, nullptr);
  EXPECT_EQ(delegate->picked->editedImage->data(), jpeg);
  EXPECT_EQ(delegate->picked->editedImage->size(), (ui::Size{20, 10}));
  EXPECT_EQ(h.topScreen(), root.get());
  EXPECT_EQ(chooser->timesOpened(), 1);

  // A file that is no picture comes without an image.
  delegate->picked.reset();
  present();
  ASSERT_TRUE(chooser->choose(file("b.txt", "text")));
  h.settle();
  ASSERT_TRUE(delegate->picked);
  EXPECT_EQ(delegate->picked->editedImage, nullptr);
}

TEST_F(ImagePicker, CancelAndNoSourceReportACancel) {
  present();
  ASSERT_TRUE(chooser->cancel());
  h.settle();
  EXPECT_EQ(delegate->cancels, 1);
  EXPECT_EQ(h.topScreen(), root.get());

  // The camera this desktop lacks: the picker answers at once as a cancel, asking nobody.
  auto picker = std::make_shared<ui::ImagePickerController>();
  picker->setDelegate(delegate);
  picker->setSourceType(ui::ImagePickerSourceType::Camera);
  ASSERT_TRUE(root->presentViewController(picker, true));
  h.settle();
  EXPECT_EQ(delegate->cancels, 2);
  EXPECT_EQ(chooser->timesOpened(), 1);
  EXPECT_EQ(h.topScreen(), root.get());
}

TEST_F(ImagePicker, APickerThatGoesAwayClosesTheChooser) {
  auto picker = present();
  ASSERT_TRUE(chooser->isOpen());
  picker->dismissViewController(false);
  h.settle();
  EXPECT_FALSE(chooser->isOpen());
  EXPECT_FALSE(delegate->picked);
  EXPECT_EQ(delegate->cancels, 0);
}

}  // namespace
