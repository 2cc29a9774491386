#include "ui/gtk/TableViewCellContent.h"

#include <cmath>
#include <numbers>

#include "ui/TableView.h"
#include "ui/TableViewCell.h"
#include "ui/gtk/Mirror.h"

namespace ui::gtk {

void TableViewCellContent::draw(Mirror& mirror, cairo_t* cr, Size size) {
  auto& cell = static_cast<TableViewCell&>(mirror.view());
  const bool lit = (cell.isSelected() || cell.isHighlighted()) &&
                   cell.selectionStyle() != TableViewCellSelectionStyle::None &&
                   !cell.selectedBackgroundView();
  if (lit) {
    cairo_rectangle(cr, 0, 0, size.width, size.height);
    if (cell.selectionStyle() == TableViewCellSelectionStyle::Blue) {
      cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 0, size.height);
      cairo_pattern_add_color_stop_rgb(g, 0, 5 / 255.0, 140 / 255.0, 245 / 255.0);
      cairo_pattern_add_color_stop_rgb(g, 1, 1 / 255.0, 93 / 255.0, 230 / 255.0);
      cairo_set_source(cr, g);
      cairo_fill(cr);
      cairo_pattern_destroy(g);
    } else {
      cairo_set_source_rgb(cr, 0.85, 0.85, 0.85);
      cairo_fill(cr);
    }
  }
  if (dynamic_cast<TableView*>(cell.superview())) {
    cairo_set_source_rgba(cr, 0, 0, 0, 0.12);
    cairo_rectangle(cr, 15, size.height - 0.5, size.width - 15, 0.5);
    cairo_fill(cr);
  }
  if (cell.accessoryView()) return;
  const double cx = size.width - 20, cy = size.height / 2;
  switch (cell.accessoryType()) {
    case TableViewCellAccessoryType::DisclosureIndicator:
      cairo_set_source_rgb(cr, lit ? 1 : 0.6, lit ? 1 : 0.6, lit ? 1 : 0.6);
      cairo_set_line_width(cr, 2.5);
      cairo_move_to(cr, cx - 3, cy - 6);
      cairo_line_to(cr, cx + 3, cy);
      cairo_line_to(cr, cx - 3, cy + 6);
      cairo_stroke(cr);
      break;
    case TableViewCellAccessoryType::Checkmark:
      cairo_set_source_rgb(cr, lit ? 1 : 0.2, lit ? 1 : 0.33, lit ? 1 : 0.53);
      cairo_set_line_width(cr, 2.5);
      cairo_move_to(cr, cx - 7, cy);
      cairo_line_to(cr, cx - 2, cy + 5);
      cairo_line_to(cr, cx + 7, cy - 6);
      cairo_stroke(cr);
      break;
    case TableViewCellAccessoryType::DetailDisclosureButton:
      cairo_arc(cr, cx - 4, cy, 11, 0, 2 * std::numbers::pi);
      cairo_set_source_rgb(cr, 0.17, 0.44, 0.85);
      cairo_fill(cr);
      cairo_set_source_rgb(cr, 1, 1, 1);
      cairo_set_line_width(cr, 2.5);
      cairo_move_to(cr, cx - 6, cy - 5);
      cairo_line_to(cr, cx - 1, cy);
      cairo_line_to(cr, cx - 6, cy + 5);
      cairo_stroke(cr);
      break;
    default:
      break;
  }
}

}  // namespace ui::gtk
