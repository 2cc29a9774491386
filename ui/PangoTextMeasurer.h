#pragma once
// ui::PangoTextMeasurer: measures text with Pango in the fonts the window draws it with (see
// ui/detail/PangoText.h for the fonts), under the layout rules of ui/TextMeasurer.h. Needs no display:
// the application installs it for its window and for headless runs alike.

#include "ui/TextMeasurer.h"

namespace ui {

class PangoTextMeasurer : public TextMeasurer {
 public:
  // Starts reading the system's font configuration on a thread of Pango's own, so that it overlaps
  // what the start does next (opening the display): the first text measured or drawn on this thread
  // then finds it read. Call it early, on the main thread; calling it again does nothing more.
  static void startLoadingFonts();

  Size measure(std::string_view text, const Font& font, Size constraint, LineBreakMode mode) const override;
  double lineHeight(const Font& font) const override;
};

}  // namespace ui
