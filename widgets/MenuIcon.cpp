#include "widgets/MenuIcon.h"

#include <mutex>

#include "ui/Canvas.h"
#include "ui/Image.h"

std::shared_ptr<ui::Image> MenuIcon::image() {
  static std::shared_ptr<ui::Image> image;
  static std::once_flag once;
  std::call_once(once, [] {
    constexpr double kScreenScale = 2;
    ui::ImageContext context({20, 13}, false, kScreenScale);
    ui::Canvas& c = context.canvas();
    c.setFillColor(ui::Color::black());
    for (double y : {0.0, 5.0, 10.0}) c.fillRect({0, y, 20, 1});
    c.setFillColor(ui::Color::white());
    for (double y : {1.0, 6.0, 11.0}) c.fillRect({0, y, 20, 2});
    image = context.image("SidePanelMenu");
  });
  return image;
}
