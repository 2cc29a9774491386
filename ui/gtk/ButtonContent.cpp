#include "ui/gtk/ButtonContent.h"

#include "ui/AlertLayer.h"
#include "ui/AlertView.h"
#include "ui/Button.h"
#include "ui/gtk/CairoPainter.h"
#include "ui/gtk/Mirror.h"

namespace ui::gtk {

namespace {
// Whether the button is one of an alert's rows (action sheets keep the rounded buttons).
bool inAlert(const View& button) {
  const View* box = button.superview();
  auto* layer = box ? dynamic_cast<const AlertLayer*>(box->superview()) : nullptr;
  if (!layer) return false;
  for (const auto& panel : layer->panels()) {
    if (panel->view() == box) return dynamic_cast<const AlertView*>(panel.get()) != nullptr;
  }
  return false;
}
}  // namespace

void ButtonContent::draw(Mirror& mirror, cairo_t* cr, Size size) {
  auto& button = static_cast<Button&>(mirror.view());
  const Rect rect({0, 0}, size);
  const bool pressed = button.isHighlighted();
  auto background = button.currentBackgroundImage();
  const bool drewBackground = background && CairoPainter::drawImage(cr, *background, rect);
  if (button.buttonType() == ButtonType::RoundedRect && !drewBackground) {
    if (inAlert(button)) {
      if (pressed) {
        cairo_rectangle(cr, 0, 0, size.width, size.height);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.08);
        cairo_fill(cr);
      }
      cairo_set_source_rgba(cr, 0, 0, 0, 0.2);
      cairo_rectangle(cr, 0, 0, size.width, 0.5);
      if (button.frame().minX() > 0) cairo_rectangle(cr, 0, 0, 0.5, size.height);
      cairo_fill(cr);
      return;
    }
    CairoPainter::addRoundedRect(cr, rect.insetBy(0.5, 0.5), 8);
    cairo_set_source_rgba(cr, pressed ? 0.85 : 1, pressed ? 0.9 : 1, 1, 1);
    cairo_fill_preserve(cr);
    cairo_set_source_rgba(cr, 0.6, 0.63, 0.68, 1);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    return;
  }
  if (pressed && drewBackground && !button.backgroundImage(kControlStateHighlighted)) {
    cairo_rectangle(cr, 0, 0, size.width, size.height);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.25);
    cairo_fill(cr);
  }
}

}  // namespace ui::gtk
