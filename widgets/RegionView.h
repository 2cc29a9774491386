#pragma once
// RegionView: the panel that lets the user choose a region: a toolbar with a cancel button ("取消", tag 1)
// and a done button ("确定", tag 2) over a picker. Either button closes the panel: the delegate hears the
// tag of the button (the owner keeps the old region for tag 1 and takes the choice for any other tag),
// then the panel removes itself from its superview.
//
// loadFromInterface() builds the panel the interface "RegionView" describes (320 x 256 points); the
// owner frames it, fills the picker (CityPickerSource does that from "vardo_city.plist") and adds it.
// Main thread only.

#include <memory>

#include "ui/BarButtonItem.h"
#include "ui/View.h"
#include "widgets/RegionPickerView.h"

// Optional.
struct RegionViewDelegate {
  virtual ~RegionViewDelegate() = default;
  // `tag`: the tag of the control that closed the panel.
  virtual void didCancelPicker(int tag) {}
};

class RegionView : public ui::View {
 public:
  static constexpr double kWidth = 320;
  static constexpr double kHeight = 256;
  static constexpr double kToolbarHeight = 44;
  static constexpr int kCancelTag = 1;
  static constexpr int kDoneTag = 2;

  // The platform's initialiser only: an empty panel. Make with std::make_shared.
  explicit RegionView(ui::Rect frame = {});
  // The panel of the interface "RegionView": toolbar, buttons and picker, wired to cancelPicker.
  static std::shared_ptr<RegionView> loadFromInterface();
  std::string className() const override { return "RegionView"; }

  std::shared_ptr<RegionViewDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<RegionViewDelegate> delegate) { delegate_ = std::move(delegate); }
  const std::shared_ptr<RegionPickerView>& pickerView() const { return pickerView_; }
  void setPickerView(std::shared_ptr<RegionPickerView> picker) { pickerView_ = std::move(picker); }
  const std::shared_ptr<ui::BarButtonItem>& barbtn_cancel() const { return barbtn_cancel_; }
  void setBarbtn_cancel(std::shared_ptr<ui::BarButtonItem> item) { barbtn_cancel_ = std::move(item); }
  const std::shared_ptr<ui::BarButtonItem>& barbtn_done() const { return barbtn_done_; }

  // Tells the delegate the sender's tag, then removes the panel from its superview.
  void cancelPicker(const ui::BarButtonItem& sender);

 private:
  std::weak_ptr<RegionViewDelegate> delegate_;
  std::shared_ptr<RegionPickerView> pickerView_;
  std::shared_ptr<ui::BarButtonItem> barbtn_cancel_;
  std::shared_ptr<ui::BarButtonItem> barbtn_done_;
};
