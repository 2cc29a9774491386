#include "widgets/HUDActivityIndicator.h"

#include <cmath>
#include <numbers>

#include "ui/Canvas.h"

HUDActivityIndicator::HUDActivityIndicator() : ui::View(ui::Rect(0, 0, kSize, kSize)) {
  setBackgroundColor(ui::Color::clear());
  setUserInteractionEnabled(false);
}

void HUDActivityIndicator::startAnimating() {
  if (animating_) return;
  animating_ = true;
  setNeedsDisplay();
}

void HUDActivityIndicator::stopAnimating() {
  if (!animating_) return;
  animating_ = false;
  setNeedsDisplay();
}

void HUDActivityIndicator::draw(ui::Canvas& canvas, ui::Rect) {
  const ui::Rect all = bounds();
  const ui::Point c{all.midX(), all.midY()};
  const double outer = all.width() / 2;
  const double inner = outer * 0.45;
  canvas.setLineWidth(all.width() / 10);
  canvas.setLineCap(ui::LineCap::Round);
  for (int i = 0; i < kSpokes; ++i) {
    const double a = -std::numbers::pi / 2 + i * 2 * std::numbers::pi / kSpokes;
    ui::Path spoke;
    spoke.moveTo({c.x + inner * std::cos(a), c.y + inner * std::sin(a)});
    spoke.lineTo({c.x + (outer - 2) * std::cos(a), c.y + (outer - 2) * std::sin(a)});
    canvas.setStrokeColor(ui::Color::white().withAlpha(1.0 - 0.7 * i / kSpokes));
    canvas.strokePath(spoke);
  }
}
