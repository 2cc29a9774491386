#pragma once
// ui::Switch: an on/off control. A touch that ends inside it turns it over and sends ValueChanged;
// setting the state by program sends nothing. A disabled switch does nothing. It draws itself: a
// rounded track, filled with its on tint while on and light grey while off, and a white knob at the
// right end while on, at the left end while off. Its size is fixed: 79 x 27 points.

#include <string>

#include "ui/Color.h"
#include "ui/Control.h"

namespace ui {

class Switch : public Control {
 public:
  static constexpr double kWidth = 79;
  static constexpr double kHeight = 27;

  explicit Switch(Rect frame = {});
  std::string className() const override { return "Switch"; }

  bool isOn() const { return on_; }
  void setOn(bool on, bool animated = false);
  const Color& onTintColor() const { return onTint_; }
  void setOnTintColor(Color color);

  void draw(Canvas& canvas, Rect dirty) override;
  std::string describeSelf() const override;

 protected:
  void tappedInside() override;

 private:
  bool on_ = false;
  Color onTint_ = Color::rgb255(52, 199, 89);
};

}  // namespace ui
