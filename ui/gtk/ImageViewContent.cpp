#include "ui/gtk/ImageViewContent.h"

#include "ui/ImageView.h"
#include "ui/gtk/CairoPainter.h"
#include "ui/gtk/Mirror.h"

namespace ui::gtk {

void ImageViewContent::draw(Mirror& mirror, cairo_t* cr, Size size) {
  auto& view = static_cast<ImageView&>(mirror.view());
  if (const auto& image = view.currentImage())
    CairoPainter::drawImage(cr, *image, Rect({0, 0}, size), view.contentMode());
}

}  // namespace ui::gtk
