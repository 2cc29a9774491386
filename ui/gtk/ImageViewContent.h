#pragma once
// An image view's image (the highlighted one while highlighted), placed by its content mode.

#include "ui/gtk/MirrorContent.h"

namespace ui::gtk {

class ImageViewContent : public MirrorContent {
 public:
  void draw(Mirror& mirror, cairo_t* cr, Size size) override;
};

}  // namespace ui::gtk
