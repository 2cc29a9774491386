#include "ui/gtk/LabelContent.h"

#include "ui/Label.h"
#include "ui/TextMeasurer.h"
#include "ui/gtk/CairoPainter.h"
#include "ui/gtk/Mirror.h"

namespace ui::gtk {

void LabelContent::draw(Mirror& mirror, cairo_t* cr, Size size) {
  auto& label = static_cast<Label&>(mirror.view());
  if (label.text().empty()) return;
  Font font = label.font();
  if (label.adjustsFontSizeToFitWidth() && label.numberOfLines() == 1) {
    // Smaller, down to half the size, until the text fits the width.
    const double smallest = font.size / 2;
    while (font.size > smallest && sizeWithFont(label.text(), font).width > size.width) font.size -= 0.5;
  }
  const Rect rect({0, 0}, size);
  if (!label.shadowColor().isClear()) {
    const Size o = label.shadowOffset();
    CairoPainter::drawText(cr, label.text(), rect.offsetBy(o.width, o.height), font, label.shadowColor(),
                           label.textAlignment(), label.lineBreakMode(), label.numberOfLines(), true);
  }
  CairoPainter::drawText(cr, label.text(), rect, font, label.textColor(), label.textAlignment(),
                         label.lineBreakMode(), label.numberOfLines(), true);
}

}  // namespace ui::gtk
