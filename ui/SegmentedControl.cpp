#include "ui/SegmentedControl.h"

#include <cmath>

#include "ui/Canvas.h"
#include "ui/Path.h"
#include "ui/detail/Appearance.h"

namespace ui {

SegmentedControl::SegmentedControl(std::vector<std::string> items, Rect frame)
    : Control(frame), titles_(std::move(items)) {
  setBackgroundColor(Color::clear());
  for (const std::string& title : titles_) {
    auto label = std::make_shared<Label>(Rect{}, title);
    label->setTextAlignment(TextAlignment::Center);
    label->setFont(Font::boldSystem(13));
    addSubview(label);
    labels_.push_back(label);
  }
  refreshLabels();
  layoutSubviews();
}

std::string SegmentedControl::titleForSegmentAtIndex(int index) const {
  if (index < 0 || index >= numberOfSegments()) return "";
  return titles_[static_cast<std::size_t>(index)];
}

void SegmentedControl::setTitleForSegmentAtIndex(int index, std::string title) {
  if (index < 0 || index >= numberOfSegments()) return;
  titles_[static_cast<std::size_t>(index)] = title;
  labels_[static_cast<std::size_t>(index)]->setText(std::move(title));
}

void SegmentedControl::setSelectedSegmentIndex(int index) {
  detail::assertMainThread("SegmentedControl::setSelectedSegmentIndex");
  if (index < 0 || index >= numberOfSegments()) index = kNoSegment;
  if (index == selected_) return;
  selected_ = index;
  refreshLabels();
  setNeedsDisplay();
  notify(ViewProperty::ControlState);
}

void SegmentedControl::setTintColor(Color color) {
  tint_ = std::move(color);
  refreshLabels();
  setNeedsDisplay();
}

Rect SegmentedControl::segmentRect(int index) const {
  if (index < 0 || index >= numberOfSegments()) return {};
  const double w = bounds().width() / numberOfSegments();
  return {w * index, 0, w, bounds().height()};
}

Label* SegmentedControl::segmentLabel(int index) const {
  if (index < 0 || index >= numberOfSegments()) return nullptr;
  return labels_[static_cast<std::size_t>(index)].get();
}

int SegmentedControl::segmentAtPoint(Point p) const {
  if (!bounds().contains(p) || numberOfSegments() == 0) return kNoSegment;
  const double w = bounds().width() / numberOfSegments();
  const int index = static_cast<int>(std::floor(p.x / w));
  return index < 0 || index >= numberOfSegments() ? kNoSegment : index;
}

void SegmentedControl::touchesEnded(const TouchSet& touches) {
  if (!touches.empty()) lastTouch_ = touches.front().locationInView(this);
  Control::touchesEnded(touches);
}

void SegmentedControl::tappedInside() {
  const int index = segmentAtPoint(lastTouch_);
  if (index == kNoSegment || index == selected_) return;
  setSelectedSegmentIndex(index);
  sendActionsForControlEvents(ControlEvent::ValueChanged);
}

void SegmentedControl::layoutSubviews() {
  for (int i = 0; i < numberOfSegments(); ++i) labels_[static_cast<std::size_t>(i)]->setFrame(segmentRect(i));
}

void SegmentedControl::refreshLabels() {
  for (int i = 0; i < numberOfSegments(); ++i)
    labels_[static_cast<std::size_t>(i)]->setTextColor(i == selected_ ? Color::white() : tint_);
}

void SegmentedControl::draw(Canvas& canvas, Rect) {
  const Rect box = bounds().insetBy(0.5, 0.5);
  if (selected_ != kNoSegment) {
    canvas.save();
    canvas.clip(Path::roundedRect(box, 4));
    canvas.setFillColor(tint_);
    canvas.fillRect(segmentRect(selected_));
    canvas.restore();
  }
  canvas.setStrokeColor(tint_);
  canvas.setLineWidth(1);
  canvas.strokePath(Path::roundedRect(box, 4));
  for (int i = 1; i < numberOfSegments(); ++i) {
    const double x = segmentRect(i).minX();
    Path divider;
    divider.moveTo({x, box.minY()});
    divider.lineTo({x, box.maxY()});
    canvas.strokePath(divider);
  }
}

std::string SegmentedControl::describeSelf() const {
  std::string s = Control::describeSelf();
  s += " selectedSegment=" + std::to_string(selected_);
  return s;
}

}  // namespace ui
