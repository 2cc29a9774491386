#pragma once
// The window: the status-bar strip at its top (20 points, black, the time in white) unless the
// application hides the status bar.

#include "ui/gtk/MirrorContent.h"

namespace ui::gtk {

class WindowContent : public MirrorContent {
 public:
  void draw(Mirror& mirror, cairo_t* cr, Size size) override;
};

}  // namespace ui::gtk
