#include "ui/Control.h"

#include <algorithm>

#include "ui/detail/Appearance.h"

namespace ui {

Control::Control(Rect frame) : View(frame) {}

void Control::setEnabled(bool enabled) {
  detail::assertMainThread("Control::setEnabled");
  if (enabled == enabled_) return;
  enabled_ = enabled;
  notify(ViewProperty::ControlState);
  stateDidChange();
}

void Control::setSelected(bool selected) {
  detail::assertMainThread("Control::setSelected");
  if (selected == selected_) return;
  selected_ = selected;
  notify(ViewProperty::ControlState);
  stateDidChange();
}

void Control::setHighlighted(bool highlighted) {
  if (highlighted == highlighted_) return;
  highlighted_ = highlighted;
  notify(ViewProperty::ControlState);
  stateDidChange();
}

unsigned Control::state() const {
  unsigned s = kControlStateNormal;
  if (highlighted_) s |= kControlStateHighlighted;
  if (!enabled_) s |= kControlStateDisabled;
  if (selected_) s |= kControlStateSelected;
  return s;
}

int Control::addTarget(ControlEvent event, Action action) {
  if (!action) return 0;
  const int id = nextTargetId_++;
  targets_.push_back({id, event, std::move(action)});
  return id;
}

void Control::removeTarget(int id) {
  targets_.erase(std::remove_if(targets_.begin(), targets_.end(), [&](auto& t) { return t.id == id; }),
                 targets_.end());
}

void Control::removeTargets(ControlEvent event) {
  targets_.erase(std::remove_if(targets_.begin(), targets_.end(), [&](auto& t) { return t.event == event; }),
                 targets_.end());
}

void Control::removeAllTargets() { targets_.clear(); }

bool Control::hasTargets(ControlEvent event) const {
  return std::any_of(targets_.begin(), targets_.end(), [&](auto& t) { return t.event == event; });
}

void Control::sendActionsForControlEvents(ControlEvent event) {
  detail::assertMainThread("Control::sendActionsForControlEvents");
  auto keep = shared_from_this();  // an action may remove the control from its screen
  std::vector<Action> actions;
  for (auto& t : targets_) {
    if (t.event == event) actions.push_back(t.action);
  }
  for (auto& a : actions) a(*this);
}

void Control::touchesBegan(const TouchSet& touches) {
  if (!enabled_ || touches.empty()) return;
  tracking_ = true;
  touchInside_ = true;
  setHighlighted(true);
  sendActionsForControlEvents(ControlEvent::TouchDown);
}

void Control::touchesMoved(const TouchSet& touches) {
  if (!tracking_ || touches.empty()) return;
  const bool inside = bounds().contains(touches.front().locationInView(this));
  if (inside != touchInside_) {
    touchInside_ = inside;
    setHighlighted(inside);
    sendActionsForControlEvents(inside ? ControlEvent::TouchDragEnter : ControlEvent::TouchDragExit);
  }
  sendActionsForControlEvents(inside ? ControlEvent::TouchDragInside : ControlEvent::TouchDragOutside);
}

void Control::touchesEnded(const TouchSet& touches) {
  if (!tracking_ || touches.empty()) return;
  auto keep = shared_from_this();
  tracking_ = false;
  setHighlighted(false);
  const bool inside = bounds().contains(touches.front().locationInView(this));
  sendActionsForControlEvents(inside ? ControlEvent::TouchUpInside : ControlEvent::TouchUpOutside);
  if (inside && enabled_) tappedInside();
}

void Control::touchesCancelled(const TouchSet& touches) {
  if (!tracking_) return;
  tracking_ = false;
  setHighlighted(false);
  sendActionsForControlEvents(ControlEvent::TouchCancel);
}

std::string Control::describeSelf() const {
  std::string s = View::describeSelf();
  if (!enabled_) s += " disabled";
  if (selected_) s += " selected";
  return s;
}

}  // namespace ui
