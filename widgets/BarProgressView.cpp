#include "widgets/BarProgressView.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "ui/Canvas.h"

BarProgressView::BarProgressView() : ui::View(ui::Rect(0, 0, kWidth, kHeight)) {
  setBackgroundColor(ui::Color::clear());
}

void BarProgressView::setProgress(double progress) {
  progress_ = progress;
  setNeedsDisplay();
}

void BarProgressView::setLineColor(ui::Color color) {
  lineColor_ = std::move(color);
  setNeedsDisplay();
}

void BarProgressView::setProgressColor(ui::Color color) {
  progressColor_ = std::move(color);
  setNeedsDisplay();
}

void BarProgressView::setProgressRemainingColor(ui::Color color) {
  progressRemainingColor_ = std::move(color);
  setNeedsDisplay();
}

BarProgressView::Fill BarProgressView::fillGeometry(ui::Size size, double progress) {
  constexpr double kPi = std::numbers::pi;
  const double w = size.width;
  const double h = size.height;
  const double r = std::max(0.0, h / 2 - 4);
  const double cy = h / 2;
  const ui::Point left{4 + r, cy};       // centre of the left cap
  const ui::Point right{w - 4 - r, cy};  // centre of the right cap
  Fill fill;
  if (!std::isfinite(progress) || w <= 8 || h <= 0) return fill;
  fill.x = std::min(w * progress, w - 4);
  if (fill.x <= 0) {
    fill.x = 0;
    return fill;
  }
  // The left half-cap, from the bottom round the left side to the top.
  fill.path.addArc(left, r, kPi / 2, 3 * kPi / 2, true);
  if (fill.x < left.x) {
    fill.kind = FillKind::LeftCap;
  } else if (fill.x <= right.x) {
    fill.kind = FillKind::Straight;
    fill.path.lineTo({fill.x, cy - r});
    fill.path.lineTo({fill.x, cy + r});
  } else {
    fill.kind = FillKind::RightCap;
    const double c = r > 0 ? std::clamp((fill.x - right.x) / r, 0.0, 1.0) : 0.0;
    fill.angle = std::acos(c);
    // Along the top to the cap, round the cap's upper part to x, down, round its lower part back.
    fill.path.lineTo({right.x, cy - r});
    fill.path.addArc(right, r, 3 * kPi / 2, 2 * kPi - fill.angle, true);
    fill.path.lineTo({fill.x, cy + r * std::sin(fill.angle)});
    fill.path.addArc(right, r, fill.angle, kPi / 2, true);
  }
  fill.path.close();
  return fill;
}

void BarProgressView::draw(ui::Canvas& canvas, ui::Rect) {
  const ui::Rect all = bounds();
  const ui::Path outline = ui::Path::roundedRect(all.insetBy(2, 2), all.height() / 2 - 2);
  canvas.setLineWidth(2);
  canvas.setFillColor(progressRemainingColor_);
  canvas.fillPath(outline);
  canvas.setStrokeColor(lineColor_);
  canvas.strokePath(outline);
  const Fill fill = fillGeometry(all.size, progress_);
  if (fill.kind == FillKind::None) return;
  canvas.setFillColor(progressColor_);
  canvas.fillPath(fill.path);
}
