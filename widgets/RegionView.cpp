#include "widgets/RegionView.h"

RegionView::RegionView(ui::Rect frame) : ui::View(frame) {}

std::shared_ptr<RegionView> RegionView::loadFromInterface() {
  auto panel = std::make_shared<RegionView>(ui::Rect(0, 0, kWidth, kHeight));
  panel->setBackgroundColor(ui::Color::white());

  auto toolbar = std::make_shared<ui::View>(ui::Rect(0, 0, kWidth, kToolbarHeight));
  toolbar->setBackgroundColor(ui::Color::black().withAlpha(0.8));
  toolbar->setAutoresizingMask(ui::kAutoresizingFlexibleWidth);
  panel->addSubview(toolbar);

  std::weak_ptr<View> weak = panel;
  auto close = [weak](ui::BarButtonItem& item) {
    if (auto self = std::static_pointer_cast<RegionView>(weak.lock())) self->cancelPicker(item);
  };
  panel->barbtn_cancel_ = ui::BarButtonItem::withTitle("取消", ui::BarButtonItem::Style::Bordered, close);
  panel->barbtn_cancel_->setTag(kCancelTag);
  panel->barbtn_done_ = ui::BarButtonItem::withTitle("确定", ui::BarButtonItem::Style::Done, close);
  panel->barbtn_done_->setTag(kDoneTag);
  auto cancelView = panel->barbtn_cancel_->makeView();
  cancelView->setFrame({6, 7, 60, 30});
  toolbar->addSubview(cancelView);
  auto doneView = panel->barbtn_done_->makeView();
  doneView->setFrame({kWidth - 66, 7, 60, 30});
  doneView->setAutoresizingMask(ui::kAutoresizingFlexibleLeftMargin);
  toolbar->addSubview(doneView);

  panel->pickerView_ =
      std::make_shared<RegionPickerView>(ui::Rect(0, kToolbarHeight, kWidth, kHeight - kToolbarHeight));
  panel->pickerView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth);
  panel->addSubview(panel->pickerView_);
  return panel;
}

void RegionView::cancelPicker(const ui::BarButtonItem& sender) {
  // The panel may be the last owner of itself once it leaves its superview.
  auto keep = shared_from_this();
  if (auto d = delegate()) d->didCancelPicker(sender.tag());
  removeFromSuperview();
}
