#include "ui/Image.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <mutex>
#include <set>

#include "platform/core/Bundle.h"
#include "ui/Canvas.h"
#include "ui/ImageCodec.h"
#include "ui/PixbufCodec.h"

namespace ui {

namespace {

// Says once per name that the bundle lacks a picture a view names (the view shows nothing there).
void reportMissing(const std::string& name) {
  static std::mutex lock;
  static std::set<std::string> reported;
  {
    std::lock_guard<std::mutex> hold(lock);
    if (!reported.insert(name).second) return;
  }
  std::fprintf(stderr, "ui: the bundle has no picture \"%s\"\n", name.c_str());
}

}  // namespace

std::shared_ptr<Image> Image::create(std::string name, Size size, double scale) {
  return std::make_shared<Image>(std::move(name), size, scale > 0 ? scale : 1);
}

Image::Image(std::string name, Size size, double scale)
    : name_(std::move(name)), size_(size), scale_(scale) {}

std::shared_ptr<Image> Image::named(const std::string& name) {
  auto image = create(name, {}, name.find("@2x") != std::string::npos ? 2 : 1);
  if (name.empty()) return image;
  const auto& bundle = core::Bundle::main();
  const bool hasExtension = name.find('.') != std::string::npos;
  std::vector<std::string> candidates{name};
  if (!hasExtension) candidates.push_back(name + ".png");
  if (!hasExtension && name.find("@2x") == std::string::npos) candidates.push_back(name + "@2x.png");
  for (const auto& file : candidates) {
    auto path = bundle.pathForResource(file, "");
    if (!path) continue;
    auto pixels = PixbufCodec::pixelSizeOfFile(*path);
    if (!pixels) continue;
    const double scale = file.find("@2x") != std::string::npos ? 2 : 1;
    image->scale_ = scale;
    image->size_ = {pixels->width / scale, pixels->height / scale};
    image->filePath_ = *path;
    break;
  }
  if (image->filePath_.empty()) reportMissing(name);
  return image;
}

std::shared_ptr<Image> Image::withData(std::string bytes, std::string name) {
  const auto size = ImageCodec::sizeOf(bytes);
  if (!size) return nullptr;
  auto image = create(std::move(name), *size, 1);
  image->data_ = std::make_shared<const std::string>(std::move(bytes));
  return image;
}

std::shared_ptr<Image> Image::withContentsOfFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return nullptr;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return nullptr;
  return withData(std::move(bytes), path);
}

const std::string& Image::data() const {
  static const std::string kNone;
  return data_ ? *data_ : kNone;
}

std::shared_ptr<Image> Image::decoded(std::string_view bytes, double scale) {
  auto bitmap = PixbufCodec::decodeData(bytes);
  if (!bitmap) return nullptr;
  return withBitmap(std::move(*bitmap), scale);
}

std::shared_ptr<Image> Image::withBitmap(RGBABitmap bitmap, double scale, std::string name) {
  if (scale <= 0) scale = 1;
  auto image = create(std::move(name), {bitmap.width / scale, bitmap.height / scale}, scale);
  image->bitmap_ = std::make_shared<const RGBABitmap>(std::move(bitmap));
  return image;
}

std::shared_ptr<Image> Image::drawn(std::string name, Size size, double scale,
                                    std::shared_ptr<const std::vector<DrawOp>> ops) {
  auto image = create(std::move(name), size, scale);
  image->drawing_ = ops ? std::move(ops) : std::make_shared<const std::vector<DrawOp>>();
  return image;
}

const std::vector<DrawOp>& Image::drawing() const {
  static const std::vector<DrawOp> kNone;
  return drawing_ ? *drawing_ : kNone;
}

std::shared_ptr<Image> Image::resizable(EdgeInsets caps) const {
  auto copy = std::make_shared<Image>(*this);
  copy->capInsets_ = caps;
  copy->resizable_ = true;
  return copy;
}

std::optional<RGBABitmap> pixelsOf(const Image& image) {
  if (image.bitmap()) return *image.bitmap();
  if (image.hasData()) return PixbufCodec::decodeData(image.data());
  if (!image.filePath().empty()) return PixbufCodec::decodeFile(image.filePath());
  return std::nullopt;
}

std::optional<std::string> imagePNGRepresentation(const Image& image) {
  auto pixels = pixelsOf(image);
  return pixels ? PixbufCodec::encode(*pixels, "png") : std::nullopt;
}

std::optional<std::string> imageJPEGRepresentation(const Image& image, double quality) {
  auto pixels = pixelsOf(image);
  return pixels ? PixbufCodec::encode(*pixels, "jpeg", quality) : std::nullopt;
}

}  // namespace ui
