#include "ui/gtk/WindowContent.h"

#include <ctime>

#include "ui/Window.h"
#include "ui/gtk/CairoPainter.h"
#include "ui/gtk/Mirror.h"

namespace ui::gtk {

void WindowContent::draw(Mirror& mirror, cairo_t* cr, Size size) {
  auto& window = static_cast<Window&>(mirror.view());
  if (window.isStatusBarHidden()) return;
  cairo_rectangle(cr, 0, 0, size.width, Window::kStatusBarHeight);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_fill(cr);
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char clock[8];
  std::strftime(clock, sizeof clock, "%H:%M", &local);
  CairoPainter::drawText(cr, clock, Rect(0, 0, size.width, Window::kStatusBarHeight), Font::boldSystem(12),
                         Color::white(), TextAlignment::Center, LineBreakMode::Clip, 1, true);
}

}  // namespace ui::gtk
