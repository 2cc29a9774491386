#pragma once
// ui::PangoTextMeasurer: measures text with Pango in the fonts the window draws it with (see
// ui/detail/PangoText.h for the fonts), under the layout rules of ui/TextMeasurer.h. Needs no display:
// the application installs it for its window and for headless runs alike.

#include "ui/TextMeasurer.h"

namespace ui {

class PangoTextMeasurer : public TextMeasurer {
 public:
  Size measure(std::string_view text, const Font& font, Size constraint, LineBreakMode mode) const override;
  double lineHeight(const Font& font) const override;
};

}  // namespace ui
