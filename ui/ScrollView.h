#pragma once
// ui::ScrollView: a view whose bounds origin is the content offset. This first version moves only by
// program (setContentOffset, scrollRectToVisible); dragging, paging and deceleration come later. Every
// offset change calls the delegate's scrollViewDidScroll.

#include <memory>

#include "ui/View.h"

namespace ui {

class ScrollView;

// Every method is optional.
struct ScrollViewDelegate {
  virtual ~ScrollViewDelegate() = default;
  virtual void scrollViewDidScroll(ScrollView& scrollView) {}
  virtual void scrollViewWillBeginDragging(ScrollView& scrollView) {}
  virtual void scrollViewDidEndDragging(ScrollView& scrollView, bool willDecelerate) {}
  virtual void scrollViewDidEndDecelerating(ScrollView& scrollView) {}
  virtual void scrollViewDidEndScrollingAnimation(ScrollView& scrollView) {}
};

class ScrollView : public View {
 public:
  static constexpr double kScrollAnimationDuration = 0.3;

  explicit ScrollView(Rect frame = {});
  std::string className() const override { return "ScrollView"; }

  Point contentOffset() const { return bounds().origin; }
  // Not clamped, as on the platform. Animated: the offset is set at once and
  // scrollViewDidEndScrollingAnimation follows after 0.3 s on the clock.
  void setContentOffset(Point offset, bool animated = false);
  Size contentSize() const { return contentSize_; }
  void setContentSize(Size size);
  EdgeInsets contentInset() const { return contentInset_; }
  void setContentInset(EdgeInsets insets);
  // The range of offsets the content allows (insets included).
  Point minimumContentOffset() const;
  Point maximumContentOffset() const;
  // Scrolls the least distance that shows `rect` (content coordinates), within the allowed range.
  void scrollRectToVisible(Rect rect, bool animated = false);

  bool isPagingEnabled() const { return pagingEnabled_; }
  void setPagingEnabled(bool enabled) { pagingEnabled_ = enabled; }
  bool bounces() const { return bounces_; }
  void setBounces(bool bounces) { bounces_ = bounces; }
  bool isScrollEnabled() const { return scrollEnabled_; }
  void setScrollEnabled(bool enabled) { scrollEnabled_ = enabled; }
  bool scrollsToTop() const { return scrollsToTop_; }
  void setScrollsToTop(bool value) { scrollsToTop_ = value; }
  bool showsVerticalScrollIndicator() const { return showsVertical_; }
  void setShowsVerticalScrollIndicator(bool shows) { showsVertical_ = shows; }
  bool showsHorizontalScrollIndicator() const { return showsHorizontal_; }
  void setShowsHorizontalScrollIndicator(bool shows) { showsHorizontal_ = shows; }
  double decelerationRate() const { return decelerationRate_; }
  void setDecelerationRate(double rate) { decelerationRate_ = rate; }

  virtual std::shared_ptr<ScrollViewDelegate> scrollViewDelegate() const { return delegate_.lock(); }
  void setScrollViewDelegate(std::weak_ptr<ScrollViewDelegate> delegate) { delegate_ = std::move(delegate); }

 private:
  std::weak_ptr<ScrollViewDelegate> delegate_;
  Size contentSize_;
  EdgeInsets contentInset_;
  bool pagingEnabled_ = false;
  bool bounces_ = true;
  bool scrollEnabled_ = true;
  bool scrollsToTop_ = true;
  bool showsVertical_ = true;
  bool showsHorizontal_ = true;
  double decelerationRate_ = 0.998;
};

}  // namespace ui
