#pragma once
// Text through Pango, shared by the measurer (ui/PangoTextMeasurer.h) and the window's drawing, so that
// what is measured is what is drawn: the same fonts, the same context settings, the same wrapping.
//
// Fonts: the system font and the faces the screens name ("Helvetica", "Helvetica-Bold", "Arial", ...)
// are drawn with Liberation Sans (metric twin of Helvetica and Arial), with Noto Sans CJK SC for every
// character Liberation lacks (Chinese text); sizes are absolute (1 point = 1 pixel at scale 1). Metrics
// are unhinted, so layouts do not depend on the output device.

#include <pango/pango.h>

#include <string_view>

#include "ui/Font.h"
#include "ui/Geometry.h"
#include "ui/Text.h"

namespace ui::detail {

inline constexpr const char* kLatinFamily = "Liberation Sans";
inline constexpr const char* kCJKFamily = "Noto Sans CJK SC";

// A new font description for `font` (free with pango_font_description_free).
PangoFontDescription* fontDescription(const Font& font);
// This thread's Pango context (pangocairo's font map, unhinted metrics). Owned by the thread.
PangoContext* pangoContext();
// A new layout of `text` in `font` (unref it): width <= 0 or unlimited leaves lines unwrapped; otherwise
// lines wrap at `width` between words (between any characters for CharacterWrap).
PangoLayout* makeLayout(std::string_view text, const Font& font, double width, LineBreakMode mode);

}  // namespace ui::detail
