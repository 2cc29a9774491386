#pragma once
// ScreenLayout: the views the list screens of several areas build alike. A table screen is a white root
// view (the screen's default frame) that follows its superview's size, with a table across its width from
// the top; a settings step adds a bar of two buttons below the table.

#include <memory>

#include "ui/Button.h"
#include "ui/TableView.h"
#include "ui/View.h"

class ScreenLayout {
 public:
  // The height of the button bar at a table screen's bottom.
  static constexpr double kBottomBarHeight = 56;

  struct TableScreen {
    std::shared_ptr<ui::View> root;
    std::shared_ptr<ui::TableView> table;
  };
  // The root view of `frame` and, added to it, the table that fills it down to `bottomInset` points
  // above its bottom and grows with it.
  static TableScreen tableScreen(ui::Rect frame, double bottomInset = 0);

  struct BottomButtons {
    std::shared_ptr<ui::Button> left;
    std::shared_ptr<ui::Button> right;
  };
  // Two buttons in the bar of kBottomBarHeight at the root's bottom, added to the root: `left` on grey,
  // `right` on blue, with white titles; they keep to the bottom as the root grows.
  static BottomButtons bottomButtons(ui::View& root, const char* left, const char* right);
};
