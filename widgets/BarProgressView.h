#pragma once
// BarProgressView: a determinate progress indicator drawn as a rounded bar: a capsule outline and, inside
// it, a smaller capsule filled from the left up to the progress. 120 x 20 points; clear background, not
// opaque. Every property change redraws it. Main thread only.

#include "ui/Color.h"
#include "ui/Path.h"
#include "ui/View.h"

class BarProgressView : public ui::View {
 public:
  static constexpr double kWidth = 120;
  static constexpr double kHeight = 20;

  BarProgressView();
  std::string className() const override { return "BarProgressView"; }

  double progress() const { return progress_; }
  void setProgress(double progress);  // 0.0 ... 1.0
  const ui::Color& lineColor() const { return lineColor_; }
  void setLineColor(ui::Color color);
  const ui::Color& progressColor() const { return progressColor_; }
  void setProgressColor(ui::Color color);
  const ui::Color& progressRemainingColor() const { return progressRemainingColor_; }
  void setProgressRemainingColor(ui::Color color);

  void draw(ui::Canvas& canvas, ui::Rect dirty) override;

  // The filled part of a bar of `size` at `progress`. The fill lies inside the capsule inset by 4 points
  // (cap radius r = height / 2 - 4) and reaches x = width * progress (at most the capsule's right end):
  // nothing at x <= 0; the whole left half-cap while x < 4 + r; the left cap and a rectangle up to x on
  // the straight part; in the right cap, everything up to the part of the right cap's circle left of x.
  enum class FillKind { None, LeftCap, Straight, RightCap };
  struct Fill {
    FillKind kind = FillKind::None;
    double x = 0;      // where the fill ends
    double angle = 0;  // RightCap: the angle from the cap's centre whose cosine is (x - centre) / r
    ui::Path path;
  };
  static Fill fillGeometry(ui::Size size, double progress);

 private:
  double progress_ = 0;
  ui::Color lineColor_ = ui::Color::white();
  ui::Color progressColor_ = ui::Color::white();
  ui::Color progressRemainingColor_ = ui::Color::clear();
};
