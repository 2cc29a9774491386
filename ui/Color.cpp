#include "ui/Color.h"

#include "ui/Canvas.h"

#include <cmath>
#include <fstream>
#include <iterator>
#include <sstream>

#include "ui/Font.h"
#include "ui/Image.h"
#include "ui/ImageCodec.h"

namespace ui {

Color Color::patternImage(std::shared_ptr<const Image> image) {
  Color c;
  c.a = 1;
  c.pattern = std::move(image);
  return c;
}

std::string Color::describe() const {
  if (pattern) return "pattern(" + pattern->name() + ")";
  std::ostringstream out;
  out << "rgba(" << std::lround(r * 255) << "," << std::lround(g * 255) << "," << std::lround(b * 255) << ","
      << a << ")";
  return out.str();
}

std::string Font::describe() const {
  std::ostringstream out;
  if (isSystem()) {
    out << (bold ? "bold system " : "system ") << size;
  } else {
    out << name << " " << size;
  }
  return out.str();
}

std::shared_ptr<Image> Image::create(std::string name, Size size, double scale) {
  return std::make_shared<Image>(std::move(name), size, scale > 0 ? scale : 1);
}

Image::Image(std::string name, Size size, double scale)
    : name_(std::move(name)), size_(size), scale_(scale) {}

std::shared_ptr<Image> Image::drawn(std::string name, Size size, double scale,
                                    std::shared_ptr<const std::vector<DrawOp>> ops) {
  auto image = create(std::move(name), size, scale);
  image->drawing_ = ops ? std::move(ops) : std::make_shared<const std::vector<DrawOp>>();
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

}  // namespace ui
