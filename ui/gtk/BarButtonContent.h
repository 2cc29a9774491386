#pragma once
// A bar item's button: bordered and done items get the platform's box (blue for done), the back button
// its arrow-shaped box; plain items show just their title or picture.

#include "ui/gtk/MirrorContent.h"

namespace ui::gtk {

class BarButtonContent : public MirrorContent {
 public:
  void draw(Mirror& mirror, cairo_t* cr, Size size) override;
};

}  // namespace ui::gtk
