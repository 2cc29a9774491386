#pragma once
// ui::SegmentedControl: a row of equally wide segments, each with a title, of which at most one is
// selected (selectedSegmentIndex, kNoSegment for none). A touch that ends inside the control selects the
// segment under it and, when that changes the selection, sends ValueChanged; setting the index by
// program sends nothing. A disabled control does nothing.
//
// Views: one label per segment (segmentLabel), laid out over the segment's rectangle (segmentRect); the
// control draws its border, the dividers and the selected segment's fill in its tint colour itself, and
// the selected segment's label turns white.

#include <memory>
#include <string>
#include <vector>

#include "ui/Color.h"
#include "ui/Control.h"
#include "ui/Label.h"

namespace ui {

class SegmentedControl : public Control {
 public:
  static constexpr int kNoSegment = -1;
  static constexpr double kHeight = 29;

  explicit SegmentedControl(std::vector<std::string> items, Rect frame = {});
  std::string className() const override { return "SegmentedControl"; }

  int numberOfSegments() const { return static_cast<int>(titles_.size()); }
  std::string titleForSegmentAtIndex(int index) const;  // "" out of range
  void setTitleForSegmentAtIndex(int index, std::string title);
  int selectedSegmentIndex() const { return selected_; }
  // An index out of range selects nothing.
  void setSelectedSegmentIndex(int index);
  const Color& tintColor() const { return tint_; }
  void setTintColor(Color color);

  // The segment's rectangle in the control's coordinates (Rect{} out of range).
  Rect segmentRect(int index) const;
  Label* segmentLabel(int index) const;
  // The segment under a point of the control's coordinates; kNoSegment outside.
  int segmentAtPoint(Point point) const;

  void touchesEnded(const TouchSet& touches) override;
  void draw(Canvas& canvas, Rect dirty) override;
  std::string describeSelf() const override;

 protected:
  void layoutSubviews() override;
  void tappedInside() override;

 private:
  void refreshLabels();

  std::vector<std::string> titles_;
  std::vector<std::shared_ptr<Label>> labels_;
  int selected_ = kNoSegment;
  Color tint_ = Color::rgb255(0, 122, 255);
  Point lastTouch_;
};

}  // namespace ui
