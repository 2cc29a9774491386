#pragma once
// A text view's text, drawn from its top-left corner (inset as the platform's text view insets it) in its
// font, colour and alignment, wrapped at words over as many lines as it takes. The window draws it; it
// has no native input of its own.

#include "ui/gtk/MirrorContent.h"

namespace ui::gtk {

class TextViewContent : public MirrorContent {
 public:
  void draw(Mirror& mirror, cairo_t* cr, Size size) override;
};

}  // namespace ui::gtk
