#pragma once
// A table row: the selection colour while selected or pressed (unless the cell has its own selected
// background view), the hairline under it, and its accessory (disclosure chevron, checkmark, detail
// button) when it has no accessory view of its own.

#include "ui/gtk/MirrorContent.h"

namespace ui::gtk {

class TableViewCellContent : public MirrorContent {
 public:
  void draw(Mirror& mirror, cairo_t* cr, Size size) override;
};

}  // namespace ui::gtk
