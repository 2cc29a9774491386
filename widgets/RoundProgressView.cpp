#include "widgets/RoundProgressView.h"

#include <numbers>

#include "ui/Canvas.h"

RoundProgressView::RoundProgressView() : ui::View(ui::Rect(0, 0, kSize, kSize)) {
  setBackgroundColor(ui::Color::clear());
}

void RoundProgressView::setProgress(double progress) {
  progress_ = progress;
  setNeedsDisplay();
}

void RoundProgressView::setAnnular(bool annular) {
  annular_ = annular;
  setNeedsDisplay();
}

void RoundProgressView::setProgressTintColor(ui::Color color) {
  progressTintColor_ = std::move(color);
  setNeedsDisplay();
}

void RoundProgressView::setBackgroundTintColor(ui::Color color) {
  backgroundTintColor_ = std::move(color);
  setNeedsDisplay();
}

void RoundProgressView::draw(ui::Canvas& canvas, ui::Rect) {
  constexpr double kPi = std::numbers::pi;
  const ui::Rect all = bounds();
  const ui::Point center{all.midX(), all.midY()};
  const double start = -kPi / 2;
  const double end = start + progress_ * 2 * kPi;
  if (annular_) {
    const double lineWidth = 5;
    const double radius = (all.width() - lineWidth) / 2;
    canvas.setLineWidth(lineWidth);
    canvas.setLineCap(ui::LineCap::Round);
    ui::Path track;
    track.addArc(center, radius, start, start + 2 * kPi, true);
    canvas.setStrokeColor(backgroundTintColor_);
    canvas.strokePath(track);
    ui::Path arc;
    arc.addArc(center, radius, start, end, true);
    canvas.setStrokeColor(progressTintColor_);
    canvas.strokePath(arc);
    return;
  }
  const ui::Rect circle = all.insetBy(2, 2);
  canvas.setFillColor(backgroundTintColor_);
  canvas.fillEllipse(circle);
  canvas.setStrokeColor(progressTintColor_);
  canvas.setLineWidth(2);
  canvas.strokeEllipse(circle);
  ui::Path pie;
  pie.moveTo(center);
  pie.addArc(center, (all.width() - 4) / 2, start, end, true);
  pie.close();
  canvas.setFillColor(ui::Color::white());
  canvas.fillPath(pie);
}
