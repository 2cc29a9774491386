#include "ui/gtk/BarButtonContent.h"

#include <algorithm>
#include <numbers>

#include "ui/NavigationBar.h"
#include "ui/gtk/CairoPainter.h"
#include "ui/gtk/Mirror.h"

namespace ui::gtk {

void BarButtonContent::draw(Mirror& mirror, cairo_t* cr, Size size) {
  auto& button = static_cast<BarButtonView&>(mirror.view());
  BarButtonItem* item = button.item();
  if (!item) return;
  auto* bar = dynamic_cast<NavigationBar*>(button.superview());
  const bool back = bar && bar->backButtonView() == &button;
  const bool boxed = back || item->style() != BarButtonItem::Style::Plain;
  if (!boxed) return;
  const bool done = item->style() == BarButtonItem::Style::Done;
  const double r = 5;
  const double h = size.height, w = size.width;
  cairo_new_path(cr);
  if (back) {
    const double tip = std::min(10.0, w / 3);
    cairo_move_to(cr, 0.5, h / 2);
    cairo_line_to(cr, tip, 0.5);
    cairo_arc(cr, w - r - 0.5, r + 0.5, r, -std::numbers::pi / 2, 0);
    cairo_arc(cr, w - r - 0.5, h - r - 0.5, r, 0, std::numbers::pi / 2);
    cairo_line_to(cr, tip, h - 0.5);
    cairo_close_path(cr);
  } else {
    CairoPainter::addRoundedRect(cr, Rect(0.5, 0.5, w - 1, h - 1), r);
  }
  const double shade = button.isHighlighted() ? 0.5 : 0.3;
  if (done) {
    cairo_set_source_rgba(cr, 0.15, 0.4, 0.85, 1);
  } else {
    cairo_set_source_rgba(cr, 0, 0, 0, shade);
  }
  cairo_fill_preserve(cr);
  cairo_set_source_rgba(cr, 1, 1, 1, 0.25);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
}

}  // namespace ui::gtk
