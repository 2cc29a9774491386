#pragma once
// The background of navigation bars, toolbars and tab bars: the bar style's gradient (a tint colour,
// when set, replaces it) and the hairline that parts the bar from the screen.

#include "ui/gtk/MirrorContent.h"

namespace ui::gtk {

class BarContent : public MirrorContent {
 public:
  void draw(Mirror& mirror, cairo_t* cr, Size size) override;
};

}  // namespace ui::gtk
