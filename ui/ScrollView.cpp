#include "ui/ScrollView.h"

#include <algorithm>

#include "ui/Timing.h"
#include "ui/detail/Appearance.h"

namespace ui {

ScrollView::ScrollView(Rect frame) : View(frame) { setClipsToBounds(true); }

void ScrollView::setContentOffset(Point offset, bool animated) {
  detail::assertMainThread("ScrollView::setContentOffset");
  const Point old = contentOffset();
  if (old != offset) {
    setBounds({offset, bounds().size});
    if (auto d = scrollViewDelegate()) d->scrollViewDidScroll(*this);
  }
  if (animated) {
    std::weak_ptr<View> weakSelf = weak_from_this();
    scheduleAfter(kScrollAnimationDuration, [weakSelf] {
      auto self = std::static_pointer_cast<ScrollView>(weakSelf.lock());
      if (!self) return;
      if (auto d = self->scrollViewDelegate()) d->scrollViewDidEndScrollingAnimation(*self);
    });
  }
}

void ScrollView::setContentSize(Size size) {
  if (size == contentSize_) return;
  contentSize_ = size;
  notify(ViewProperty::ContentSize);
}

void ScrollView::setContentInset(EdgeInsets insets) {
  if (insets == contentInset_) return;
  contentInset_ = insets;
  notify(ViewProperty::ContentSize);
}

Point ScrollView::minimumContentOffset() const { return {-contentInset_.left, -contentInset_.top}; }

Point ScrollView::maximumContentOffset() const {
  const Point min = minimumContentOffset();
  return {std::max(min.x, contentSize_.width + contentInset_.right - bounds().width()),
          std::max(min.y, contentSize_.height + contentInset_.bottom - bounds().height())};
}

void ScrollView::scrollRectToVisible(Rect rect, bool animated) {
  Point offset = contentOffset();
  const Rect visible = bounds();
  if (rect.maxY() > visible.maxY()) offset.y = rect.maxY() - visible.height();
  if (rect.minY() < offset.y) offset.y = rect.minY();
  if (rect.maxX() > visible.maxX()) offset.x = rect.maxX() - visible.width();
  if (rect.minX() < offset.x) offset.x = rect.minX();
  const Point lo = minimumContentOffset();
  const Point hi = maximumContentOffset();
  offset.x = std::clamp(offset.x, lo.x, hi.x);
  offset.y = std::clamp(offset.y, lo.y, hi.y);
  setContentOffset(offset, animated);
}

}  // namespace ui
