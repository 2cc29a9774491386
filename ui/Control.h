#pragma once
// ui::Control: a view that turns touches into events (touch down, touch up inside, value changed, editing
// events) and calls the actions registered for them. A touch that ends inside the control's bounds is a
// touch up inside; one that ends outside is a touch up outside. A disabled control swallows its touches
// and sends nothing.

#include <functional>
#include <memory>
#include <vector>

#include "ui/Text.h"
#include "ui/View.h"

namespace ui {

enum class ControlEvent : unsigned {
  TouchDown = 1u << 0,
  TouchDownRepeat = 1u << 1,
  TouchDragInside = 1u << 2,
  TouchDragOutside = 1u << 3,
  TouchDragEnter = 1u << 4,
  TouchDragExit = 1u << 5,
  TouchUpInside = 1u << 6,
  TouchUpOutside = 1u << 7,
  TouchCancel = 1u << 8,
  ValueChanged = 1u << 12,
  EditingDidBegin = 1u << 16,
  EditingChanged = 1u << 17,
  EditingDidEnd = 1u << 18,
  EditingDidEndOnExit = 1u << 19,
};

// State bits; a state is any combination (Highlighted | Selected ...).
enum ControlState : unsigned {
  kControlStateNormal = 0,
  kControlStateHighlighted = 1u << 0,
  kControlStateDisabled = 1u << 1,
  kControlStateSelected = 1u << 2,
};

class Control : public View {
 public:
  using Action = std::function<void(Control& sender)>;

  explicit Control(Rect frame = {});
  std::string className() const override { return "Control"; }

  bool isEnabled() const { return enabled_; }
  void setEnabled(bool enabled);
  bool isSelected() const { return selected_; }
  void setSelected(bool selected);
  bool isHighlighted() const { return highlighted_; }
  void setHighlighted(bool highlighted);
  unsigned state() const;  // ControlState bits
  bool isTracking() const { return tracking_; }

  // Returns an id for removeTarget.
  int addTarget(ControlEvent event, Action action);
  void removeTarget(int id);
  void removeTargets(ControlEvent event);
  void removeAllTargets();
  bool hasTargets(ControlEvent event) const;
  // Calls the actions for `event` in the order they were added. The touch engine and the control
  // subclasses call it; tests reach it only through touches.
  void sendActionsForControlEvents(ControlEvent event);

  void touchesBegan(const TouchSet& touches) override;
  void touchesMoved(const TouchSet& touches) override;
  void touchesEnded(const TouchSet& touches) override;
  void touchesCancelled(const TouchSet& touches) override;
  std::string describeSelf() const override;

 protected:
  virtual void stateDidChange() {}
  // A touch ended inside the control (after the events were sent) — text inputs take focus here.
  virtual void tappedInside() {}

 private:
  struct Target {
    int id;
    ControlEvent event;
    Action action;
  };
  std::vector<Target> targets_;
  int nextTargetId_ = 1;
  bool enabled_ = true;
  bool selected_ = false;
  bool highlighted_ = false;
  bool tracking_ = false;
  bool touchInside_ = false;
};

}  // namespace ui
