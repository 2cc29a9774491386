#include "ui/ScrollView.h"

#include <algorithm>
#include <cmath>

#include "platform/runloop/RunLoop.h"
#include "platform/runloop/Timer.h"
#include "ui/GestureRecognizer.h"
#include "ui/Timing.h"
#include "ui/detail/Appearance.h"

namespace ui {

namespace detail {
// The scroll view's own pan: it also tells the scroll view when a finger goes down and when the last
// one lifts (a touch stops a moving content; a release without a drag lets it settle).
class ScrollPanRecognizer : public PanGestureRecognizer {
 public:
  explicit ScrollPanRecognizer(ScrollView* owner) : owner_(owner) {}
  std::string className() const override { return "ScrollViewPanGestureRecognizer"; }

 protected:
  void touchesBegan(const TouchSet& touches) override {
    if (activeTouches().size() == touches.size()) owner_->fingerDown();
    PanGestureRecognizer::touchesBegan(touches);
  }
  void touchesEnded(const TouchSet& touches) override {
    PanGestureRecognizer::touchesEnded(touches);
    if (activeTouches().empty()) owner_->fingerUp();
  }
  void touchesCancelled(const TouchSet& touches) override {
    PanGestureRecognizer::touchesCancelled(touches);
    if (activeTouches().empty()) owner_->fingerUp();
  }

 private:
  ScrollView* owner_;
};
}  // namespace detail

namespace {
double clockNow() { return rl::RunLoop::main().now(); }
constexpr double kEps = 1e-6;
}  // namespace

ScrollView::ScrollView(Rect frame) : View(frame) {
  setClipsToBounds(true);
  pan_ = std::make_shared<detail::ScrollPanRecognizer>(this);
  pan_->addAction([this](GestureRecognizer&) { handlePan(); });
  addGestureRecognizer(pan_);
}

ScrollView::~ScrollView() {
  if (stepTimer_) stepTimer_->invalidate();
}

void ScrollView::setContentOffset(Point offset, bool animated) {
  detail::assertMainThread("ScrollView::setContentOffset");
  stopMotion();
  auto apply = [this, offset] {
    if (contentOffset() == offset) return;
    setBounds({offset, bounds().size});
    if (auto d = scrollViewDelegate()) d->scrollViewDidScroll(*this);
  };
  if (!animated) {
    apply();
    return;
  }
  std::weak_ptr<View> weakSelf = weak_from_this();
  View::animate(kScrollAnimationDuration, 0, AnimationOptions{}, apply, [weakSelf](bool) {
    auto self = std::static_pointer_cast<ScrollView>(weakSelf.lock());
    if (!self) return;
    if (auto d = self->scrollViewDelegate()) d->scrollViewDidEndScrollingAnimation(*self);
  });
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

void ScrollView::setScrollEnabled(bool enabled) {
  scrollEnabled_ = enabled;
  pan_->setEnabled(enabled);
}

Point ScrollView::minimumContentOffset() const { return {-contentInset_.left, -contentInset_.top}; }

Point ScrollView::maximumContentOffset() const {
  const Point min = minimumContentOffset();
  return {std::max(min.x, contentSize_.width + contentInset_.right - bounds().width()),
          std::max(min.y, contentSize_.height + contentInset_.bottom - bounds().height())};
}

Point ScrollView::clampedOffset(Point offset) const {
  const Point lo = minimumContentOffset();
  const Point hi = maximumContentOffset();
  return {std::clamp(offset.x, lo.x, hi.x), std::clamp(offset.y, lo.y, hi.y)};
}

void ScrollView::scrollRectToVisible(Rect rect, bool animated) {
  Point offset = contentOffset();
  const Rect visible = bounds();
  if (rect.maxY() > visible.maxY()) offset.y = rect.maxY() - visible.height();
  if (rect.minY() < offset.y) offset.y = rect.minY();
  if (rect.maxX() > visible.maxX()) offset.x = rect.maxX() - visible.width();
  if (rect.minX() < offset.x) offset.x = rect.minX();
  setContentOffset(clampedOffset(offset), animated);
}

bool ScrollView::canScrollHorizontally() const {
  return scrollEnabled_ &&
         (alwaysBounceHorizontal_ || maximumContentOffset().x > minimumContentOffset().x + kEps);
}

bool ScrollView::canScrollVertically() const {
  return scrollEnabled_ &&
         (alwaysBounceVertical_ || maximumContentOffset().y > minimumContentOffset().y + kEps);
}

bool ScrollView::gestureRecognizerShouldBegin(GestureRecognizer& recognizer) {
  if (&recognizer != pan_.get()) return View::gestureRecognizerShouldBegin(recognizer);
  const bool h = canScrollHorizontally();
  const bool v = canScrollVertically();
  if (!h && !v) return false;
  if (h && v) return true;
  const Point t = pan_->translationInView(this);
  return std::abs(t.x) > std::abs(t.y) ? h : v;
}

// ---- the user's finger ----

void ScrollView::fingerDown() {
  tracking_ = true;
  draggedSinceDown_ = false;
  stopMotion();
}

void ScrollView::fingerUp() {
  tracking_ = false;
  if (draggedSinceDown_ || dragging_) return;
  // A touch that stopped the content without dragging it: let it come to rest.
  Point target = clampedOffset(contentOffset());
  if (pagingEnabled_) {
    const Size page = bounds().size;
    if (page.width > 0) target.x = std::round(target.x / page.width) * page.width;
    if (page.height > 0) target.y = std::round(target.y / page.height) * page.height;
    target = clampedOffset(target);
  }
  if (target != contentOffset()) {
    decelerating_ = true;
    startSettle(target, pagingEnabled_ ? kPagingAnimationDuration : kBounceBackDuration);
  }
}

void ScrollView::handlePan() {
  switch (pan_->state()) {
    case GestureState::Began:
      beginDrag();
      dragTo(pan_->translationInView(this));
      break;
    case GestureState::Changed:
      dragTo(pan_->translationInView(this));
      break;
    case GestureState::Ended:
      endDrag(pan_->velocityInView(this));
      break;
    case GestureState::Cancelled:
      endDrag({});
      break;
    default:
      break;
  }
}

void ScrollView::beginDrag() {
  stopMotion();
  dragging_ = true;
  draggedSinceDown_ = true;
  dragStartOffset_ = contentOffset();
  if (auto d = scrollViewDelegate()) d->scrollViewWillBeginDragging(*this);
}

void ScrollView::dragTo(Point translation) {
  if (!dragging_) return;
  Point target = dragStartOffset_;
  if (canScrollHorizontally()) target.x -= translation.x;
  if (canScrollVertically()) target.y -= translation.y;
  const Point lo = minimumContentOffset();
  const Point hi = maximumContentOffset();
  auto band = [this](double v, double min, double max) {
    if (v < min) return bounces_ ? min - (min - v) / 2 : min;
    if (v > max) return bounces_ ? max + (v - max) / 2 : max;
    return v;
  };
  target.x = band(target.x, lo.x, hi.x);
  target.y = band(target.y, lo.y, hi.y);
  moveOffset(target);
}

void ScrollView::endDrag(Point fingerVelocity) {
  if (!dragging_) return;
  dragging_ = false;
  Point velocity{canScrollHorizontally() ? -fingerVelocity.x : 0,
                 canScrollVertically() ? -fingerVelocity.y : 0};
  const Point offset = contentOffset();
  bool willDecelerate = false;
  if (pagingEnabled_) {
    const Size page = bounds().size;
    Point target = offset;
    auto pageTarget = [](double offset, double pageLength, double v) {
      if (pageLength <= 0) return offset;
      const double p = offset / pageLength;
      double n = std::round(p);
      if (v > kPagingVelocity) n = std::floor(p + kEps) + 1;
      if (v < -kPagingVelocity) n = std::ceil(p - kEps) - 1;
      return n * pageLength;
    };
    if (canScrollHorizontally()) target.x = pageTarget(offset.x, page.width, velocity.x);
    if (canScrollVertically()) target.y = pageTarget(offset.y, page.height, velocity.y);
    target = clampedOffset(target);
    if (target != offset) {
      willDecelerate = true;
      startSettle(target, kPagingAnimationDuration);
    }
  } else if (clampedOffset(offset) != offset) {
    willDecelerate = true;
    startSettle(clampedOffset(offset), kBounceBackDuration);
  } else if (std::hypot(velocity.x, velocity.y) > kMinimumDecelerationVelocity) {
    willDecelerate = true;
    startCoast(velocity);
  }
  decelerating_ = willDecelerate;
  if (auto d = scrollViewDelegate()) d->scrollViewDidEndDragging(*this, willDecelerate);
}

// ---- the wheel ----

bool ScrollView::userWheel(Point delta) {
  detail::assertMainThread("ScrollView::userWheel");
  if (!scrollEnabled_ || tracking_) return false;
  // A view that moves only sideways takes an up-and-down wheel as sideways.
  if (delta.x == 0 && canScrollHorizontally() && !canScrollVertically()) delta = {delta.y, 0};
  const bool h = canScrollHorizontally() && delta.x != 0;
  const bool v = canScrollVertically() && delta.y != 0;
  if (!h && !v) return false;
  const Point offset = contentOffset();
  if (pagingEnabled_) {
    if (motion_ != Motion::None) return true;  // a page turn is still settling
    const Size page = bounds().size;
    Point target = offset;
    const bool alongX = h && (!v || std::abs(delta.x) >= std::abs(delta.y));
    if (alongX && page.width > 0) {
      target.x = (std::round(offset.x / page.width) + (delta.x > 0 ? 1 : -1)) * page.width;
    } else if (!alongX && page.height > 0) {
      target.y = (std::round(offset.y / page.height) + (delta.y > 0 ? 1 : -1)) * page.height;
    }
    target = clampedOffset(target);
    if (target == offset) return false;
    decelerating_ = true;
    startSettle(target, kPagingAnimationDuration);
    return true;
  }
  stopMotion();
  const Point target = clampedOffset({offset.x + (h ? delta.x : 0), offset.y + (v ? delta.y : 0)});
  if (target == offset) return false;
  moveOffset(target);
  return true;
}

// ---- motion after a release ----

void ScrollView::moveOffset(Point offset) {
  if (offset == contentOffset()) return;
  setBounds({offset, bounds().size});
  if (auto d = scrollViewDelegate()) d->scrollViewDidScroll(*this);
}

void ScrollView::startSettle(Point target, double duration) {
  if (stepTimer_) stepTimer_->invalidate();
  motion_ = Motion::Settle;
  motionFrom_ = contentOffset();
  motionTo_ = target;
  motionStart_ = lastStep_ = clockNow();
  motionDuration_ = duration;
  std::weak_ptr<View> weakSelf = weak_from_this();
  stepTimer_ = scheduleAfter(kStepInterval, [weakSelf] {
    if (auto self = std::static_pointer_cast<ScrollView>(weakSelf.lock())) self->step();
  });
}

void ScrollView::startCoast(Point velocity) {
  if (stepTimer_) stepTimer_->invalidate();
  motion_ = Motion::Coast;
  velocity_ = velocity;
  motionStart_ = lastStep_ = clockNow();
  std::weak_ptr<View> weakSelf = weak_from_this();
  stepTimer_ = scheduleAfter(kStepInterval, [weakSelf] {
    if (auto self = std::static_pointer_cast<ScrollView>(weakSelf.lock())) self->step();
  });
}

void ScrollView::step() {
  stepTimer_.reset();
  const double now = clockNow();
  bool done = false;
  if (motion_ == Motion::Settle) {
    const double f = motionDuration_ > 0 ? std::min(1.0, (now - motionStart_) / motionDuration_) : 1.0;
    const double eased = 1 - std::pow(1 - f, 3);
    Point p{motionFrom_.x + (motionTo_.x - motionFrom_.x) * eased,
            motionFrom_.y + (motionTo_.y - motionFrom_.y) * eased};
    if (f >= 1) {
      p = motionTo_;
      done = true;
    }
    moveOffset(p);
  } else if (motion_ == Motion::Coast) {
    const double dt = now - lastStep_;
    const double rate = std::clamp(decelerationRate_, 0.0, 0.999);
    const double keep = std::pow(rate, dt * 1000);
    velocity_ = {velocity_.x * keep, velocity_.y * keep};
    Point p{contentOffset().x + velocity_.x * dt, contentOffset().y + velocity_.y * dt};
    const Point clamped = clampedOffset(p);
    if (clamped != p) {
      p = clamped;
      done = true;  // the content stops at an end
    }
    if (std::hypot(velocity_.x, velocity_.y) < kMinimumDecelerationVelocity) done = true;
    moveOffset(p);
  } else {
    return;
  }
  lastStep_ = now;
  if (motion_ == Motion::None) return;  // the delegate moved the content itself
  if (done) {
    finishMotion();
    return;
  }
  std::weak_ptr<View> weakSelf = weak_from_this();
  stepTimer_ = scheduleAfter(kStepInterval, [weakSelf] {
    if (auto self = std::static_pointer_cast<ScrollView>(weakSelf.lock())) self->step();
  });
}

void ScrollView::stopMotion() {
  if (stepTimer_) stepTimer_->invalidate();
  stepTimer_.reset();
  motion_ = Motion::None;
  decelerating_ = false;
}

void ScrollView::finishMotion() {
  stopMotion();
  if (auto d = scrollViewDelegate()) d->scrollViewDidEndDecelerating(*this);
}

}  // namespace ui
