#pragma once
// HUDActivityIndicator: the spinning activity indicator the progress overlay shows while work of unknown
// length runs: the large white style, 37 x 37 points, twelve spokes fading round the circle. The model
// does not spin it; whoever presents it does while isAnimating(). Main thread only.

#include "ui/View.h"

class HUDActivityIndicator : public ui::View {
 public:
  static constexpr double kSize = 37;
  static constexpr int kSpokes = 12;

  HUDActivityIndicator();
  std::string className() const override { return "HUDActivityIndicator"; }

  void startAnimating();
  void stopAnimating();
  bool isAnimating() const { return animating_; }

  void draw(ui::Canvas& canvas, ui::Rect dirty) override;

 private:
  bool animating_ = false;
};
