#include "ui/gtk/TabBarButtonContent.h"

#include "ui/TabBar.h"
#include "ui/gtk/CairoPainter.h"
#include "ui/gtk/Mirror.h"

namespace ui::gtk {

void TabBarButtonContent::draw(Mirror& mirror, cairo_t* cr, Size size) {
  auto& tab = static_cast<TabBarButton&>(mirror.view());
  const TabBarItem& item = tab.item();
  const bool selected = tab.isSelected();
  if (selected) {
    CairoPainter::addRoundedRect(cr, Rect(2, 2, size.width - 4, size.height - 4), 4);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.15);
    cairo_fill(cr);
  }
  const bool titled = !item.title().empty();
  const double titleHeight = titled ? 14 : 0;
  if (auto image = tab.currentImage()) {
    const EdgeInsets in = item.imageInsets();
    const Size s = image->size();
    const Rect area(0, 0, size.width, size.height - titleHeight);
    Rect r{area.midX() - s.width / 2, area.midY() - s.height / 2, s.width, s.height};
    r = {r.minX() + in.left, r.minY() + in.top, r.width() - in.left - in.right,
         r.height() - in.top - in.bottom};
    CairoPainter::drawImage(cr, *image, r);
  }
  if (titled) {
    const Color color = selected ? Color::white() : Color::gray(0.6);
    CairoPainter::drawText(cr, item.title(), Rect(0, size.height - titleHeight - 2, size.width, titleHeight),
                           Font::boldSystem(10), color, TextAlignment::Center, LineBreakMode::TruncateTail, 1,
                           true);
  }
}

}  // namespace ui::gtk
