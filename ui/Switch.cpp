#include "ui/Switch.h"

#include "ui/Canvas.h"
#include "ui/Path.h"

namespace ui {

Switch::Switch(Rect frame) : Control(Rect(frame.origin, Size{kWidth, kHeight})) {}

void Switch::setOn(bool on, bool) {
  if (on_ == on) return;
  on_ = on;
  setNeedsDisplay();
}

void Switch::setOnTintColor(Color color) {
  onTint_ = std::move(color);
  setNeedsDisplay();
}

void Switch::tappedInside() {
  if (!isEnabled()) return;
  setOn(!on_);
  sendActionsForControlEvents(ControlEvent::ValueChanged);
}

void Switch::draw(Canvas& canvas, Rect) {
  const Rect track(0, 0, bounds().size.width, bounds().size.height);
  const double radius = track.size.height / 2;
  canvas.setFillColor(on_ ? onTint_ : Color::rgb255(220, 220, 220));
  canvas.fillPath(Path::roundedRect(track, radius));
  const double knob = track.size.height - 4;
  const double x = on_ ? track.size.width - knob - 2 : 2;
  canvas.setFillColor(Color::white());
  canvas.fillEllipse(Rect(x, 2, knob, knob));
}

std::string Switch::describeSelf() const {
  std::string s = Control::describeSelf();
  s += on_ ? " on" : " off";
  return s;
}

}  // namespace ui
