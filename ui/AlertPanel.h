#pragma once
// ui::AlertPanel: what alerts and action sheets share. A panel is shown on the window's alert layer, where
// it waits (newest on top) until one of its buttons is pressed: the panel reports the click, then
// "will dismiss", leaves the layer at once (the next panel shows), and reports "did dismiss" 0.2 s later on
// the clock. Buttons are numbered by the subclass's conventions.

#include <memory>
#include <string>
#include <vector>

#include "ui/Button.h"
#include "ui/View.h"

namespace ui {

class Window;

class AlertPanel : public std::enable_shared_from_this<AlertPanel> {
 public:
  static constexpr double kDismissDuration = 0.2;

  virtual ~AlertPanel();
  AlertPanel(const AlertPanel&) = delete;
  AlertPanel& operator=(const AlertPanel&) = delete;

  virtual std::string className() const = 0;  // "AlertView", "ActionSheet"

  const std::string& title() const { return title_; }
  void setTitle(std::string title);
  int numberOfButtons() const { return static_cast<int>(buttons_.size()); }
  std::string buttonTitleAtIndex(int index) const;  // "" out of range
  // Appends a button; returns its index.
  int addButtonWithTitle(std::string title);
  int cancelButtonIndex() const { return cancelIndex_; }  // -1 when none
  void setCancelButtonIndex(int index);
  int tag() const { return tag_; }
  void setTag(int tag) { tag_ = tag; }

  // Waiting on a window's alert layer (shown, or under a newer panel).
  bool isVisible() const { return !window_.expired(); }
  // Dismissing: pressed, and "did dismiss" not reported yet.
  bool isDismissing() const { return dismissing_; }
  // The panel's view (a box with its texts and buttons); made when the panel is shown.
  View* view() const { return view_.get(); }
  // The view of button `index` while the panel is shown; nullptr otherwise.
  Button* buttonView(int index) const;

  // Dismisses as if `index` was pressed, without the click report. Animated: "did dismiss" after 0.2 s.
  void dismissWithClickedButtonIndex(int index, bool animated);

  // One line for screen descriptions: class, title, message, buttons.
  virtual std::string describe() const;

 protected:
  explicit AlertPanel(std::string title);

  void showOn(Window& window);
  // The subclass builds its box: texts first, then buttons (makeButtonView for each).
  virtual std::shared_ptr<View> buildView(const Rect& windowBounds) = 0;
  virtual void reportClicked(int index) = 0;
  virtual void reportWillDismiss(int index) = 0;
  virtual void reportDidDismiss(int index) = 0;
  std::shared_ptr<Button> makeButtonView(int index, Rect frame);
  // Called when the panel leaves the layer (a text field resigns, ...).
  virtual void didLeave() {}

  std::vector<std::string> buttons_;
  int cancelIndex_ = -1;

 private:
  friend class AlertLayer;
  void pressed(int index);
  void dismiss(int index, bool animated, bool clicked);

  std::string title_;
  int tag_ = 0;
  std::weak_ptr<View> window_;
  std::shared_ptr<View> view_;
  std::vector<std::shared_ptr<Button>> buttonViews_;
  bool dismissing_ = false;
};

}  // namespace ui
