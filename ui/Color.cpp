#include "ui/Color.h"

#include <cmath>
#include <sstream>

#include "ui/Font.h"
#include "ui/Image.h"

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

}  // namespace ui
