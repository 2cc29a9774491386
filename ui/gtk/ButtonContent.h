#pragma once
// A button's background image (its title and image are subviews, drawn by their own mirrors). Rounded-
// rect buttons (an action sheet's too) get the platform's white rounded box; those of an alert are
// drawn as the alert's rows instead (a hairline above, and between the two of a pair). A pressed button
// without a picture of its own for the pressed state darkens.

#include "ui/gtk/MirrorContent.h"

namespace ui::gtk {

class ButtonContent : public MirrorContent {
 public:
  void draw(Mirror& mirror, cairo_t* cr, Size size) override;
};

}  // namespace ui::gtk
