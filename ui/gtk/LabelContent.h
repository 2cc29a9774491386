#pragma once
// A label's text: its font (made smaller to fit when it adjusts to the width), colour, alignment, lines
// and line breaks, centred vertically in the label as the platform draws it, over its shadow.

#include "ui/gtk/MirrorContent.h"

namespace ui::gtk {

class LabelContent : public MirrorContent {
 public:
  void draw(Mirror& mirror, cairo_t* cr, Size size) override;
};

}  // namespace ui::gtk
