#include "ui/gtk/BarContent.h"

#include "ui/NavigationBar.h"
#include "ui/TabBar.h"
#include "ui/gtk/Mirror.h"

namespace ui::gtk {

void BarContent::draw(Mirror& mirror, cairo_t* cr, Size size) {
  View& view = mirror.view();
  BarStyle style = BarStyle::Black;
  Color tint;
  bool topLine = true;
  if (auto* nav = dynamic_cast<NavigationBar*>(&view)) {
    style = nav->barStyle();
    tint = nav->tintColor();
    topLine = false;
  } else if (auto* tool = dynamic_cast<Toolbar*>(&view)) {
    style = tool->barStyle();
  }
  double top[3], bottom[3];
  double alpha = style == BarStyle::BlackTranslucent ? 0.85 : 1;
  if (!tint.isClear() && !tint.pattern) {
    for (int i = 0; i < 3; ++i) {
      const double c = i == 0 ? tint.r : i == 1 ? tint.g : tint.b;
      top[i] = c + (1 - c) * 0.3;
      bottom[i] = c * 0.85;
    }
    alpha = tint.a;
  } else if (style == BarStyle::Default) {
    const double t[3] = {176 / 255.0, 188 / 255.0, 205 / 255.0},
                 b[3] = {109 / 255.0, 132 / 255.0, 162 / 255.0};
    for (int i = 0; i < 3; ++i) top[i] = t[i], bottom[i] = b[i];
  } else {
    for (int i = 0; i < 3; ++i) top[i] = 0.24, bottom[i] = 0.05;
  }
  cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 0, size.height);
  cairo_pattern_add_color_stop_rgba(g, 0, top[0], top[1], top[2], alpha);
  cairo_pattern_add_color_stop_rgba(g, 0.5, (top[0] + bottom[0]) / 2 * 0.97, (top[1] + bottom[1]) / 2 * 0.97,
                                    (top[2] + bottom[2]) / 2 * 0.97, alpha);
  cairo_pattern_add_color_stop_rgba(g, 1, bottom[0], bottom[1], bottom[2], alpha);
  cairo_rectangle(cr, 0, 0, size.width, size.height);
  cairo_set_source(cr, g);
  cairo_fill(cr);
  cairo_pattern_destroy(g);
  // A light line along the top edge and a dark one along the edge facing the screen.
  cairo_set_source_rgba(cr, 1, 1, 1, 0.18);
  cairo_rectangle(cr, 0, topLine ? 1 : 0, size.width, 1);
  cairo_fill(cr);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.6);
  cairo_rectangle(cr, 0, topLine ? 0 : size.height - 1, size.width, 1);
  cairo_fill(cr);
}

}  // namespace ui::gtk
