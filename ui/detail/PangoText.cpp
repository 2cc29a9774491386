#include "ui/detail/PangoText.h"

#include <pango/pangocairo.h>

#include <string>

#include "ui/TextMeasurer.h"

namespace ui::detail {

namespace {
// The family list and weight and style for a face name such as "Helvetica-BoldOblique".
void applyFace(PangoFontDescription* desc, const std::string& name, bool bold) {
  std::string family = name;
  std::string face;
  if (auto dash = name.find('-'); dash != std::string::npos) {
    family = name.substr(0, dash);
    face = name.substr(dash + 1);
  }
  const bool latinStandIn = family.empty() || family == "Helvetica" || family == "HelveticaNeue" ||
                            family == "Helvetica Neue" || family == "Arial" || family == "ArialMT";
  const std::string families =
      (latinStandIn ? std::string(kLatinFamily) : family + "," + kLatinFamily) + "," + kCJKFamily;
  pango_font_description_set_family(desc, families.c_str());
  const bool faceBold = face.find("Bold") != std::string::npos;
  pango_font_description_set_weight(desc, bold || faceBold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  if (face.find("Oblique") != std::string::npos || face.find("Italic") != std::string::npos)
    pango_font_description_set_style(desc, PANGO_STYLE_ITALIC);
}
}  // namespace

PangoFontDescription* fontDescription(const Font& font) {
  PangoFontDescription* desc = pango_font_description_new();
  applyFace(desc, font.name, font.bold);
  pango_font_description_set_absolute_size(desc, (font.size > 0 ? font.size : 17) * PANGO_SCALE);
  return desc;
}

PangoContext* pangoContext() {
  struct Holder {
    PangoContext* context = nullptr;
    ~Holder() {
      if (context) g_object_unref(context);
    }
  };
  thread_local Holder holder;
  if (!holder.context) {
    PangoFontMap* map = pango_cairo_font_map_get_default();
    holder.context = pango_font_map_create_context(map);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    pango_cairo_context_set_font_options(holder.context, options);
    cairo_font_options_destroy(options);
    pango_cairo_context_set_resolution(holder.context, 72);
    pango_context_set_round_glyph_positions(holder.context, FALSE);
  }
  return holder.context;
}

PangoLayout* makeLayout(std::string_view text, const Font& font, double width, LineBreakMode mode) {
  PangoLayout* layout = pango_layout_new(pangoContext());
  PangoFontDescription* desc = fontDescription(font);
  pango_layout_set_font_description(layout, desc);
  pango_font_description_free(desc);
  pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
  if (width > 0 && width < kUnlimitedTextExtent / 2) {
    pango_layout_set_width(layout, static_cast<int>(width * PANGO_SCALE));
    pango_layout_set_wrap(layout,
                          mode == LineBreakMode::CharacterWrap ? PANGO_WRAP_CHAR : PANGO_WRAP_WORD_CHAR);
  }
  return layout;
}

}  // namespace ui::detail
