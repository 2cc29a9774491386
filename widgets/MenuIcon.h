#pragma once
// MenuIcon: the menu image of the bar buttons that open a side menu (the side-panel container's menu
// button, the answering screen's tools button): 20 x 13 points, three black bars 20 x 1 at y 0, 5, 10
// and three white bars 20 x 2 at y 1, 6, 11, drawn once for the life of the process at scale 2.

#include <memory>

namespace ui {
class Image;
}  // namespace ui

class MenuIcon {
 public:
  static std::shared_ptr<ui::Image> image();
};
