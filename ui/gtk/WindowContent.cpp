#include "ui/gtk/WindowContent.h"

#include <gtk/gtk.h>

#include <ctime>

#include "ui/AlertLayer.h"
#include "ui/Window.h"
#include "ui/gtk/CairoPainter.h"
#include "ui/gtk/Mirror.h"
#include "ui/gtk/PictureTexture.h"

namespace ui::gtk {

void WindowContent::drawBeforeSubview(Mirror& mirror, const View& subview, GtkSnapshot* snapshot, Size size) {
  auto& window = static_cast<Window&>(mirror.view());
  if (&subview != &window.alertLayer() || window.isStatusBarHidden()) return;
  PictureTexture strip(snapshot, 0, 0, size.width, Window::kStatusBarHeight,
                       gtk_widget_get_scale_factor(mirror.widget()));
  cairo_t* cr = strip.cr();
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
