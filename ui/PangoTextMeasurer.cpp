#include "ui/PangoTextMeasurer.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>

#include "ui/detail/PangoText.h"

namespace ui {

void PangoTextMeasurer::startLoadingFonts() {
  // The thread's font map, made now: making it starts Pango's reading of the configuration.
  pango_cairo_font_map_get_default();
}

Size PangoTextMeasurer::measure(std::string_view text, const Font& font, Size constraint,
                                LineBreakMode mode) const {
  if (text.empty()) return {0, 0};
  const double maxWidth = constraint.width > 0 ? constraint.width : kUnlimitedTextExtent;
  const double maxHeight = constraint.height > 0 ? constraint.height : kUnlimitedTextExtent;
  PangoLayout* layout = detail::makeLayout(text, font, maxWidth, mode);
  PangoLayoutIter* iter = pango_layout_get_iter(layout);
  double widest = 0;
  double height = 0;
  int lines = 0;
  do {
    PangoRectangle logical;
    pango_layout_iter_get_line_extents(iter, nullptr, &logical);
    const double h = static_cast<double>(logical.height) / PANGO_SCALE;
    if (lines > 0 && height + h > maxHeight + 1e-6) break;
    widest = std::max(widest, static_cast<double>(logical.width) / PANGO_SCALE);
    height += h;
    ++lines;
  } while (pango_layout_iter_next_line(iter));
  pango_layout_iter_free(iter);
  g_object_unref(layout);
  widest = std::min(widest, maxWidth);
  return {std::ceil(widest - 1e-9), std::ceil(height - 1e-9)};
}

double PangoTextMeasurer::lineHeight(const Font& font) const {
  // A line holding Latin and Chinese letters: the taller of the two fonts decides.
  PangoLayout* layout = detail::makeLayout("Ag国", font, 0, LineBreakMode::Clip);
  PangoRectangle logical;
  pango_layout_get_extents(layout, nullptr, &logical);
  g_object_unref(layout);
  return std::ceil(static_cast<double>(logical.height) / PANGO_SCALE - 1e-9);
}

}  // namespace ui
