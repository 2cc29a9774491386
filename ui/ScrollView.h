#pragma once
// ui::ScrollView: a view whose bounds origin is the content offset. It moves by program
// (setContentOffset, scrollRectToVisible) and by the user: its own pan recogniser (panGestureRecognizer)
// drags the content through the touch engine.
//
// Dragging: the pan begins after 10 points of movement along a direction the view can scroll (content
// larger than the bounds, insets counted; a view that cannot scroll either way never begins) and while
// scrolling is enabled; willBeginDragging follows. The offset follows the finger; past the ends it moves
// half as far when bounces is set and stops at the end otherwise.
//
// Release: with paging, the offset settles on a whole page (the bounds size): the nearest one, or the
// next one in the direction of the throw when the finger moved faster than kPagingVelocity. Without
// paging, a throw faster than kMinimumDecelerationVelocity coasts on, slowing by decelerationRate per
// millisecond, and stops at an end; an offset left past an end springs back. didEndDragging gets
// willDecelerate = whether the offset still moves; the movement then runs on the clock in steps of
// kStepInterval, each one calling didScroll, and didEndDecelerating ends it. A new drag stops it where it
// is (without didEndDecelerating, as on the platform).
//
// Every offset change, by program or by the user, calls the delegate's scrollViewDidScroll.

#include <memory>

#include "ui/View.h"

namespace rl {
class Timer;
}

namespace ui {

class PanGestureRecognizer;
class ScrollView;
namespace detail {
class ScrollPanRecognizer;
}

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
  static constexpr double kPagingAnimationDuration = 0.3;
  static constexpr double kBounceBackDuration = 0.3;
  static constexpr double kStepInterval = 1.0 / 60;
  static constexpr double kPagingVelocity = 300;              // points per second
  static constexpr double kMinimumDecelerationVelocity = 20;  // points per second
  static constexpr double kNormalDecelerationRate = 0.998;
  static constexpr double kFastDecelerationRate = 0.99;

  explicit ScrollView(Rect frame = {});
  ~ScrollView() override;
  std::string className() const override { return "ScrollView"; }

  Point contentOffset() const { return bounds().origin; }
  // Not clamped, as on the platform. Stops a deceleration in progress. Animated: the offset is set at
  // once (recorded in the animation log as a bounds animation of kScrollAnimationDuration) and
  // scrollViewDidEndScrollingAnimation follows after that time on the clock.
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
  bool alwaysBounceVertical() const { return alwaysBounceVertical_; }
  void setAlwaysBounceVertical(bool value) { alwaysBounceVertical_ = value; }
  bool alwaysBounceHorizontal() const { return alwaysBounceHorizontal_; }
  void setAlwaysBounceHorizontal(bool value) { alwaysBounceHorizontal_ = value; }
  bool isScrollEnabled() const { return scrollEnabled_; }
  void setScrollEnabled(bool enabled);
  bool scrollsToTop() const { return scrollsToTop_; }
  void setScrollsToTop(bool value) { scrollsToTop_ = value; }
  bool showsVerticalScrollIndicator() const { return showsVertical_; }
  void setShowsVerticalScrollIndicator(bool shows) { showsVertical_ = shows; }
  bool showsHorizontalScrollIndicator() const { return showsHorizontal_; }
  void setShowsHorizontalScrollIndicator(bool shows) { showsHorizontal_ = shows; }
  // Fraction of the speed kept per millisecond while coasting (0.998 normal, 0.99 fast). Values of 1 or
  // more are taken as 0.999 (the content would never stop).
  double decelerationRate() const { return decelerationRate_; }
  void setDecelerationRate(double rate) { decelerationRate_ = rate; }

  bool isTracking() const { return tracking_; }  // a finger is on the content
  bool isDragging() const { return dragging_; }  // ... and has moved it
  bool isDecelerating() const { return decelerating_; }

  PanGestureRecognizer& panGestureRecognizer() const { return *pan_; }

  // The mouse wheel or a touchpad: moves the content by `delta` points (y > 0 moves further down the
  // content) along the directions it can scroll, kept within the allowed range, with didScroll for the
  // change; no dragging calls. A view that scrolls only sideways takes an up-and-down wheel as sideways. A
  // paging view turns one page in the wheel's direction instead, settling as after a throw
  // (didEndDecelerating at the end); turns that come while it settles are ignored. Returns whether the
  // content moved (false: it cannot go that way, so an outer view may take the wheel).
  bool userWheel(Point delta);

  virtual std::shared_ptr<ScrollViewDelegate> scrollViewDelegate() const { return delegate_.lock(); }
  void setScrollViewDelegate(std::weak_ptr<ScrollViewDelegate> delegate) { delegate_ = std::move(delegate); }

  bool gestureRecognizerShouldBegin(GestureRecognizer& recognizer) override;

 protected:
  // Whether the content can move along x / y (for dragging).
  bool canScrollHorizontally() const;
  bool canScrollVertically() const;

 private:
  friend class detail::ScrollPanRecognizer;
  void fingerDown();
  void fingerUp();
  void handlePan();
  void beginDrag();
  void dragTo(Point translation);
  void endDrag(Point fingerVelocity);
  void moveOffset(Point offset);                    // user and coasting moves: bounds + didScroll
  void startSettle(Point target, double duration);  // eased move to target, then didEndDecelerating
  void startCoast(Point velocity);
  void step();
  void stopMotion();
  void finishMotion();
  Point clampedOffset(Point offset) const;

  std::weak_ptr<ScrollViewDelegate> delegate_;
  std::shared_ptr<PanGestureRecognizer> pan_;
  Size contentSize_;
  EdgeInsets contentInset_;
  bool pagingEnabled_ = false;
  bool bounces_ = true;
  bool alwaysBounceVertical_ = false;
  bool alwaysBounceHorizontal_ = false;
  bool scrollEnabled_ = true;
  bool scrollsToTop_ = true;
  bool showsVertical_ = true;
  bool showsHorizontal_ = true;
  double decelerationRate_ = kNormalDecelerationRate;

  bool tracking_ = false;
  bool dragging_ = false;
  bool decelerating_ = false;
  bool draggedSinceDown_ = false;
  Point dragStartOffset_;
  // the motion after a release
  enum class Motion { None, Settle, Coast } motion_ = Motion::None;
  Point motionFrom_;
  Point motionTo_;
  double motionStart_ = 0;
  double motionDuration_ = 0;
  double lastStep_ = 0;
  Point velocity_;  // offset points per second while coasting
  std::shared_ptr<rl::Timer> stepTimer_;
};

}  // namespace ui
