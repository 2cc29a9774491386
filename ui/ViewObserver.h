#pragma once
// The hook a presenter (the GTK window) uses to mirror the model: a Window tells its observers about every
// change to the views inside it. Views outside a window report nothing; when a subtree enters the window
// the observer hears of its root only and walks it.

#include <cstddef>

namespace ui {

class View;

enum class ViewProperty {
  Frame,   // position or size (center, bounds size)
  Bounds,  // bounds origin (a scroll offset) or size
  Transform,
  Hidden,
  Alpha,
  BackgroundColor,
  UserInteraction,  // userInteractionEnabled
  ClipsToBounds,
  Tag,
  Text,  // label, text field, bar title texts
  Font,
  TextColor,
  TextAlignment,
  NumberOfLines,
  Shadow,
  Placeholder,
  SecureTextEntry,
  Image,         // image views, button images and background images
  Title,         // button titles and title colours
  ControlState,  // enabled, selected, highlighted
  Accessory,     // table cell accessory and selection
  ContentSize,
  BarStyle,
  Items,    // bar items, alert buttons
  Editing,  // a text input started or stopped editing
  Layer,    // corner radius, border, shadow or layer contents
  Display,  // custom drawing must be redone (setNeedsDisplay)
};

const char* toString(ViewProperty p);

class ViewObserver {
 public:
  virtual ~ViewObserver() = default;
  // `child` was inserted into `parent` at `index` (its subtree came with it).
  virtual void viewAdded(View& parent, View& child, std::size_t index) {}
  // `child` (and its subtree) left `parent`.
  virtual void viewRemoved(View& parent, View& child) {}
  // `child` moved to `index` among the subviews of `parent`.
  virtual void viewReordered(View& parent, View& child, std::size_t index) {}
  virtual void viewChanged(View& view, ViewProperty property) {}
};

}  // namespace ui
