#pragma once
// A tab: its picture above its title (the picture alone when it has no title), lit when selected.

#include "ui/gtk/MirrorContent.h"

namespace ui::gtk {

class TabBarButtonContent : public MirrorContent {
 public:
  void draw(Mirror& mirror, cairo_t* cr, Size size) override;
};

}  // namespace ui::gtk
