#include "ui/gtk/TextViewContent.h"

#include "ui/TextView.h"
#include "ui/gtk/CairoPainter.h"
#include "ui/gtk/Mirror.h"

namespace ui::gtk {

void TextViewContent::draw(Mirror& mirror, cairo_t* cr, Size size) {
  auto& textView = static_cast<TextView&>(mirror.view());
  if (textView.text().empty()) return;
  constexpr double kInsetX = 8, kInsetY = 8;
  const Rect rect(kInsetX, kInsetY, size.width - 2 * kInsetX, size.height - 2 * kInsetY);
  if (rect.width() <= 0 || rect.height() <= 0) return;
  CairoPainter::drawText(cr, textView.text(), rect, textView.font(), textView.textColor(),
                         textView.textAlignment(), LineBreakMode::WordWrap, 0, false);
}

}  // namespace ui::gtk
