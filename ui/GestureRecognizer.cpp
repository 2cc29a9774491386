#include "ui/GestureRecognizer.h"

#include <algorithm>
#include <cmath>

#include "platform/runloop/Timer.h"
#include "ui/Timing.h"
#include "ui/View.h"
#include "ui/detail/Appearance.h"
#include "ui/detail/Gestures.h"

namespace ui {

const char* toString(GestureState state) {
  switch (state) {
    case GestureState::Possible:
      return "possible";
    case GestureState::Began:
      return "began";
    case GestureState::Changed:
      return "changed";
    case GestureState::Ended:
      return "ended";
    case GestureState::Cancelled:
      return "cancelled";
    case GestureState::Failed:
      return "failed";
  }
  return "?";
}

namespace {
Point centroidOf(const std::vector<Touch>& touches) {
  Point c;
  if (touches.empty()) return c;
  for (const auto& t : touches) {
    c.x += t.windowLocation.x;
    c.y += t.windowLocation.y;
  }
  c.x /= static_cast<double>(touches.size());
  c.y /= static_cast<double>(touches.size());
  return c;
}
double distance(Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y); }
}  // namespace

// ---- session ----

namespace detail {

bool GestureSession::simultaneous(GestureRecognizer& a, GestureRecognizer& b) {
  if (auto d = a.delegate(); d && d->shouldRecognizeSimultaneously(a, b)) return true;
  if (auto d = b.delegate(); d && d->shouldRecognizeSimultaneously(b, a)) return true;
  return false;
}

bool GestureSession::mayRecognize(GestureRecognizer& r) const {
  for (auto& o : recognizers) {
    if (o.get() == &r) continue;
    const GestureState s = o->state();
    const bool recognised =
        s == GestureState::Began || s == GestureState::Changed || s == GestureState::Ended;
    if (recognised && !simultaneous(r, *o)) return false;
  }
  return true;
}

void GestureSession::recognized(GestureRecognizer& r) {
  auto keep = shared_from_this();
  for (auto& o : std::vector(recognizers)) {
    if (o.get() == &r || o->state() != GestureState::Possible) continue;
    if (!simultaneous(r, *o)) o->state_ = GestureState::Failed;
  }
  if (r.cancelsTouchesInView() && cancelViewTouches) cancelViewTouches();
}

}  // namespace detail

// ---- GestureRecognizer ----

GestureRecognizer::GestureRecognizer(Action action) {
  if (action) actions_.push_back(std::move(action));
}

GestureRecognizer::~GestureRecognizer() = default;

void GestureRecognizer::addAction(Action action) {
  if (action) actions_.push_back(std::move(action));
}

void GestureRecognizer::setEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (!enabled_) {
    if (isActive()) {
      setState(GestureState::Cancelled);
    } else if (state_ == GestureState::Possible && !touches_.empty()) {
      state_ = GestureState::Failed;
    }
  }
}

Point GestureRecognizer::centroidInWindow() const {
  return touches_.empty() ? lastLocation_ : centroidOf(touches_);
}

Point GestureRecognizer::locationInView(const View* view) const {
  const Point p = centroidInWindow();
  return view ? view->convertPointFromView(p, nullptr) : p;
}

void GestureRecognizer::runActions() {
  auto keep = weak_from_this().lock();
  for (auto& a : std::vector(actions_)) {
    if (a) a(*this);
  }
}

GestureState GestureRecognizer::setState(GestureState state) {
  detail::assertMainThread("GestureRecognizer::setState");
  auto keep = weak_from_this().lock();
  if (state_ == GestureState::Possible) {
    if (state == GestureState::Possible) return state_;
    if (state == GestureState::Began || state == GestureState::Ended) {
      auto session = session_.lock();
      bool ok = enabled_;
      if (ok) {
        if (auto d = delegate()) ok = d->shouldBegin(*this);
      }
      if (ok && view_) ok = view_->gestureRecognizerShouldBegin(*this);
      if (ok && session) ok = session->mayRecognize(*this);
      if (!ok) {
        state_ = GestureState::Failed;
        return state_;
      }
      state_ = state;
      if (session) session->recognized(*this);
      runActions();
      return state_;
    }
    state_ = GestureState::Failed;  // anything else from Possible is a failure
    return state_;
  }
  if (!isActive()) return state_;  // failed, ended or cancelled: over until the sequence ends
  if (state == GestureState::Possible || state == GestureState::Failed) state = GestureState::Cancelled;
  if (state == GestureState::Began) state = GestureState::Changed;
  state_ = state;
  runActions();
  return state_;
}

void GestureRecognizer::touchesCancelled(const TouchSet&) {
  if (isActive()) {
    setState(GestureState::Cancelled);
  } else if (state_ == GestureState::Possible) {
    setState(GestureState::Failed);
  }
}

void GestureRecognizer::deliver(TouchPhase phase, const TouchSet& touches) {
  if (!view_) return;
  if (state_ != GestureState::Possible && !isActive()) return;
  auto keep = weak_from_this().lock();
  switch (phase) {
    case TouchPhase::Began:
      for (const auto& t : touches) touches_.push_back(t);
      lastLocation_ = centroidOf(touches_);
      touchesBegan(touches);
      break;
    case TouchPhase::Moved:
    case TouchPhase::Stationary:
      for (const auto& t : touches) {
        for (auto& mine : touches_) {
          if (mine.id == t.id) mine = t;
        }
      }
      lastLocation_ = centroidOf(touches_);
      touchesMoved(touches);
      break;
    case TouchPhase::Ended:
    case TouchPhase::Cancelled:
      for (const auto& t : touches) {
        for (auto& mine : touches_) {
          if (mine.id == t.id) mine = t;
        }
      }
      lastLocation_ = centroidOf(touches_);
      for (const auto& t : touches) {
        std::erase_if(touches_, [&](const Touch& mine) { return mine.id == t.id; });
      }
      if (phase == TouchPhase::Ended) {
        touchesEnded(touches);
      } else {
        touchesCancelled(touches);
      }
      break;
  }
}

void GestureRecognizer::finishSequence() {
  if (isActive()) setState(GestureState::Cancelled);
  reset();
  touches_.clear();
  state_ = GestureState::Possible;
  session_.reset();
}

// ---- TapGestureRecognizer ----

void TapGestureRecognizer::touchesBegan(const TouchSet& touches) {
  const int down = static_cast<int>(activeTouches().size());
  if (down == static_cast<int>(touches.size())) {
    // the first finger(s) of a tap
    const Point p = centroidInWindow();
    const double t = touches.front().timestamp;
    if (taps_ > 0 &&
        (t - lastTapTime_ > kMaximumTapInterval || distance(p, lastTapPoint_) > kMaximumTapDistance)) {
      taps_ = 0;
    }
    downPoint_ = p;
    maxTouches_ = 0;
  }
  maxTouches_ = std::max(maxTouches_, down);
  if (maxTouches_ > touchesRequired_) setState(GestureState::Failed);
}

void TapGestureRecognizer::touchesMoved(const TouchSet& touches) {
  if (distance(centroidInWindow(), downPoint_) > kAllowableMovement) setState(GestureState::Failed);
}

void TapGestureRecognizer::touchesEnded(const TouchSet& touches) {
  if (!activeTouches().empty()) return;
  if (maxTouches_ != touchesRequired_) {
    setState(GestureState::Failed);
    return;
  }
  ++taps_;
  lastTapTime_ = touches.front().timestamp;
  lastTapPoint_ = centroidInWindow();
  if (taps_ >= tapsRequired_) {
    taps_ = 0;
    setState(GestureState::Ended);
  }
}

void TapGestureRecognizer::reset() {
  if (state() != GestureState::Possible) taps_ = 0;  // a failed or finished series starts again
  maxTouches_ = 0;
}

// ---- PanGestureRecognizer ----

void PanGestureRecognizer::touchesBegan(const TouchSet& touches) {
  const Point c = centroidInWindow();
  if (activeTouches().size() == touches.size()) {
    start_ = current_ = c;
    offset_ = {};
    velocity_ = {};
  } else {
    // another finger: keep the translation continuous
    start_.x += c.x - current_.x;
    start_.y += c.y - current_.y;
    current_ = c;
  }
  lastTime_ = touches.front().timestamp;
  if (static_cast<int>(activeTouches().size()) > maxTouches_ && state() == GestureState::Possible) {
    setState(GestureState::Failed);
  }
}

void PanGestureRecognizer::touchesMoved(const TouchSet& touches) {
  const Point c = centroidInWindow();
  const double t = touches.front().timestamp;
  const double dt = t - lastTime_;
  if (dt > 0) {
    velocity_ = {(c.x - current_.x) / dt, (c.y - current_.y) / dt};
  } else if (c == current_) {
    velocity_ = {};
  }
  current_ = c;
  lastTime_ = t;
  const int n = static_cast<int>(activeTouches().size());
  if (state() == GestureState::Possible) {
    if (n >= minTouches_ && n <= maxTouches_ && distance(current_, start_) >= kHysteresis) {
      setState(GestureState::Began);
    }
    return;
  }
  setState(GestureState::Changed);
}

void PanGestureRecognizer::touchesEnded(const TouchSet& touches) {
  if (!activeTouches().empty()) {
    const Point c = centroidInWindow();
    start_.x += c.x - current_.x;
    start_.y += c.y - current_.y;
    current_ = c;
    return;
  }
  setState(isActive() ? GestureState::Ended : GestureState::Failed);
}

void PanGestureRecognizer::reset() { velocity_ = {}; }

Point PanGestureRecognizer::vectorInView(Point v, const View* view) const {
  if (!view) return v;
  const Point a = view->convertPointFromView({0, 0}, nullptr);
  const Point b = view->convertPointFromView(v, nullptr);
  return {b.x - a.x, b.y - a.y};
}

Point PanGestureRecognizer::translationInView(const View* view) const {
  return vectorInView({current_.x - start_.x + offset_.x, current_.y - start_.y + offset_.y}, view);
}

void PanGestureRecognizer::setTranslation(Point translation, const View* view) {
  // the window vector that shows as `translation` in `view`
  Point w = translation;
  if (view) {
    const Point a = view->convertPointToView({0, 0}, nullptr);
    const Point b = view->convertPointToView(translation, nullptr);
    w = {b.x - a.x, b.y - a.y};
  }
  offset_ = {w.x - (current_.x - start_.x), w.y - (current_.y - start_.y)};
}

Point PanGestureRecognizer::velocityInView(const View* view) const { return vectorInView(velocity_, view); }

// ---- LongPressGestureRecognizer ----

LongPressGestureRecognizer::~LongPressGestureRecognizer() { stopTimer(); }

void LongPressGestureRecognizer::stopTimer() {
  if (timer_) timer_->invalidate();
  timer_.reset();
}

void LongPressGestureRecognizer::touchesBegan(const TouchSet& touches) {
  const int down = static_cast<int>(activeTouches().size());
  if (down > touchesRequired_) {
    stopTimer();
    setState(GestureState::Failed);
    return;
  }
  if (down == touchesRequired_ && !timer_) {
    downPoint_ = centroidInWindow();
    std::weak_ptr<GestureRecognizer> weak = weak_from_this();
    timer_ = scheduleAfter(minimumPressDuration_, [weak] {
      auto self = std::static_pointer_cast<LongPressGestureRecognizer>(weak.lock());
      if (!self) return;
      self->timer_.reset();
      if (self->state() == GestureState::Possible && !self->activeTouches().empty()) {
        self->setState(GestureState::Began);
      }
    });
  }
}

void LongPressGestureRecognizer::touchesMoved(const TouchSet& touches) {
  if (state() == GestureState::Possible) {
    if (distance(centroidInWindow(), downPoint_) > allowableMovement_) {
      stopTimer();
      setState(GestureState::Failed);
    }
    return;
  }
  setState(GestureState::Changed);
}

void LongPressGestureRecognizer::touchesEnded(const TouchSet& touches) {
  if (!activeTouches().empty() && !isActive()) return;
  stopTimer();
  setState(isActive() ? GestureState::Ended : GestureState::Failed);
}

void LongPressGestureRecognizer::reset() { stopTimer(); }

}  // namespace ui
