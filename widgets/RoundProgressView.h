#pragma once
// RoundProgressView: a determinate progress indicator drawn as a pie (a filled slice growing clockwise
// from the top inside a thin circle) or, when annular, as a ring whose arc grows the same way.
// 37 x 37 points; clear background, not opaque. Every property change redraws it. Main thread only.

#include "ui/Color.h"
#include "ui/View.h"

class RoundProgressView : public ui::View {
 public:
  static constexpr double kSize = 37;

  RoundProgressView();
  std::string className() const override { return "RoundProgressView"; }

  double progress() const { return progress_; }
  void setProgress(double progress);  // 0.0 ... 1.0
  bool isAnnular() const { return annular_; }
  void setAnnular(bool annular);
  const ui::Color& progressTintColor() const { return progressTintColor_; }
  void setProgressTintColor(ui::Color color);
  const ui::Color& backgroundTintColor() const { return backgroundTintColor_; }
  void setBackgroundTintColor(ui::Color color);

  void draw(ui::Canvas& canvas, ui::Rect dirty) override;

 private:
  double progress_ = 0;
  bool annular_ = false;
  ui::Color progressTintColor_ = ui::Color::white();
  ui::Color backgroundTintColor_ = ui::Color::gray(1, 0.1);
};
