#include "ui/Window.h"

#include <algorithm>

#include "ui/AlertLayer.h"
#include "ui/GestureRecognizer.h"
#include "ui/ViewController.h"
#include "ui/detail/Appearance.h"
#include "ui/detail/Gestures.h"

namespace ui {

Window::Window(Rect frame) : View(frame) {
  alertLayer_ = std::make_shared<AlertLayer>(bounds());
  addSubview(alertLayer_);
}

Window::~Window() {
  gestures_.reset();
  touches_.clear();
  firstResponder_ = nullptr;
}

Rect Window::contentFrame() const {
  const Rect b = bounds();
  if (statusBarHidden_) return b;
  return {b.minX(), b.minY() + kStatusBarHeight, b.width(), b.height() - kStatusBarHeight};
}

void Window::setStatusBarHidden(bool hidden) {
  if (hidden == statusBarHidden_) return;
  statusBarHidden_ = hidden;
  resizeScreens();
}

void Window::resizeScreens() {
  for (ViewController* vc = root_.get(); vc; vc = vc->presented_.get()) {
    if (View* v = vc->viewIfLoaded(); v && v->superview() == this) v->setFrame(contentFrame());
  }
}

void Window::layoutSubviews() {
  if (alertLayer_) alertLayer_->setFrame(bounds());
  resizeScreens();
}

void Window::setRootViewController(std::shared_ptr<ViewController> vc) {
  detail::assertMainThread("Window::setRootViewController");
  if (vc == root_) return;
  if (vc && (vc->parentViewController() || vc->presentingViewController())) return;  // a screen of another's
  detail::Transition::finishAll();

  auto old = root_;
  std::vector<std::shared_ptr<View>> leaving;
  if (old) {
    ViewController* top = old.get();
    while (top->presented_) top = top->presented_.get();
    for (ViewController* c : {top, old.get()}) {
      View* v = c->viewIfLoaded();
      if (v && v->window() == this && (leaving.empty() || leaving.front().get() != v)) {
        leaving.push_back(v->shared_from_this());
      }
    }
  }
  root_ = vc;
  std::shared_ptr<View> incoming = vc ? vc->sharedView() : nullptr;
  if (incoming) incoming->setFrame(contentFrame());

  detail::Transition::Steps steps;
  for (auto& v : leaving) steps.outgoing.push_back(v.get());
  steps.incoming = incoming.get();
  steps.incomingEntersWindow = true;
  steps.animated = false;
  steps.attach = [this, incoming] {
    if (incoming) insertSubview(incoming, 0);
  };
  steps.detach = [leaving] {
    for (auto& v : leaving) v->removeFromSuperview();
  };
  steps.done = [old] {
    if (!old) return;
    old->unlinkPresentation();
    detail::releaseLater(old);
  };
  detail::Transition::start(this, std::move(steps));
}

void Window::addOverlay(std::shared_ptr<ViewController> vc) {
  detail::assertMainThread("Window::addOverlay");
  if (!vc) return;
  if (std::find(overlays_.begin(), overlays_.end(), vc) == overlays_.end()) overlays_.push_back(vc);
  addFrontView(vc->sharedView());
}

void Window::removeOverlay(const ViewController& vc) {
  auto it = std::find_if(overlays_.begin(), overlays_.end(), [&](auto& o) { return o.get() == &vc; });
  if (it == overlays_.end()) return;
  auto keep = *it;
  if (View* v = keep->viewIfLoaded(); v && v->superview() == this) {
    v->removeFromSuperview();
  } else {
    overlays_.erase(std::remove(overlays_.begin(), overlays_.end(), keep), overlays_.end());
    detail::releaseLater(keep);
  }
}

void Window::addFrontView(std::shared_ptr<View> view) {
  if (!view) return;
  if (view->superview() == this && alertLayer_->superview() == this) {
    // already here: move it just behind the alert layer
    insertSubviewBelow(view, *alertLayer_);
    return;
  }
  insertSubviewBelow(std::move(view), *alertLayer_);
}

void Window::didAddSubview(View& subview) {
  if (alertLayer_ && &subview != alertLayer_.get() && alertLayer_->superview() == this &&
      subviews().back().get() != alertLayer_.get()) {
    bringSubviewToFront(*alertLayer_);
  }
}

void Window::willRemoveSubview(View& subview) {
  ViewController* owner = subview.viewController();
  if (!owner) return;
  auto it = std::find_if(overlays_.begin(), overlays_.end(), [&](auto& o) { return o.get() == owner; });
  if (it == overlays_.end()) return;
  if (owner->presented_) return;  // it presents a screen: its view comes back on dismissal
  auto keep = *it;
  overlays_.erase(it);
  detail::releaseLater(std::move(keep));  // the controller may be running the call that removed its view
}

void Window::addObserver(ViewObserver* observer) {
  if (observer && std::find(observers_.begin(), observers_.end(), observer) == observers_.end()) {
    observers_.push_back(observer);
  }
}

void Window::removeObserver(ViewObserver* observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void Window::notifyAdded(View& parent, View& child, std::size_t index) {
  for (auto* o : std::vector<ViewObserver*>(observers_)) o->viewAdded(parent, child, index);
}
void Window::notifyRemoved(View& parent, View& child) {
  for (auto* o : std::vector<ViewObserver*>(observers_)) o->viewRemoved(parent, child);
}
void Window::notifyReordered(View& parent, View& child, std::size_t index) {
  for (auto* o : std::vector<ViewObserver*>(observers_)) o->viewReordered(parent, child, index);
}
void Window::notifyChanged(View& view, ViewProperty property) {
  for (auto* o : std::vector<ViewObserver*>(observers_)) o->viewChanged(view, property);
}

void Window::startGestures(const Touch& touch, View& hit) {
  if (!gestures_) {
    gestures_ = std::make_shared<detail::GestureSession>();
    std::weak_ptr<View> weakSelf = weak_from_this();
    gestures_->cancelViewTouches = [this, weakSelf] {
      if (weakSelf.lock()) cancelViewTouches();
    };
  }
  // The recognisers of the hit view, then of each ancestor, that take this touch.
  for (View* v = &hit; v; v = v->superview()) {
    for (auto& r : std::vector(v->gestureRecognizers())) {
      if (!r->isEnabled() || r->state() != GestureState::Possible) continue;
      auto& list = gestures_->recognizers;
      if (std::find(list.begin(), list.end(), r) != list.end()) continue;
      if (auto d = r->delegate(); d && !d->shouldReceiveTouch(*r, touch)) continue;
      r->session_ = gestures_;
      list.push_back(r);
    }
  }
}

void Window::deliverToRecognizers(TouchPhase phase, const Touch& touch) {
  if (!gestures_) return;
  auto session = gestures_;
  for (auto& r : std::vector(session->recognizers)) {
    if (phase != TouchPhase::Began) {
      // only recognisers that follow this touch
      const auto& mine = r->activeTouches();
      if (std::none_of(mine.begin(), mine.end(), [&](const Touch& t) { return t.id == touch.id; })) continue;
    } else if (!touch.view || !r->view() || !touch.view->isDescendantOf(*r->view())) {
      continue;
    }
    r->deliver(phase, {touch});
  }
}

void Window::cancelViewTouches() {
  for (auto& [id, active] : touches_) {
    if (active.viewCancelled) continue;
    active.viewCancelled = true;
    Touch t = active.touch;
    t.phase = TouchPhase::Cancelled;
    auto view = active.view;
    view->touchesCancelled({t});
  }
}

void Window::endGestures() {
  if (!gestures_) return;
  auto session = std::move(gestures_);
  gestures_.reset();
  for (auto& r : session->recognizers) r->finishSequence();
}

View* Window::dispatchTouch(TouchPhase phase, Point location, int touchId, double timestamp) {
  detail::assertMainThread("Window::dispatchTouch");
  auto keepSelf = shared_from_this();
  if (phase == TouchPhase::Began) {
    if (ignoring_ > 0 || touches_.count(touchId)) return nullptr;
    View* hit = hitTest(convertPointFromView(location, nullptr));
    if (!hit) return nullptr;
    Touch t;
    t.id = touchId;
    t.phase = TouchPhase::Began;
    t.windowLocation = t.previousWindowLocation = t.startWindowLocation = location;
    t.timestamp = timestamp;
    t.view = hit;
    t.window = this;
    auto keep = hit->shared_from_this();
    const bool othersCancelled =
        !touches_.empty() &&
        std::all_of(touches_.begin(), touches_.end(), [](auto& e) { return e.second.viewCancelled; });
    touches_[touchId] = ActiveTouch{t, keep, othersCancelled};
    startGestures(t, *hit);
    deliverToRecognizers(TouchPhase::Began, t);
    auto it = touches_.find(touchId);
    if (it != touches_.end() && !it->second.viewCancelled) keep->touchesBegan({t});
    return hit;
  }
  auto it = touches_.find(touchId);
  if (it == touches_.end()) return nullptr;
  Touch& t = it->second.touch;
  t.previousWindowLocation = t.windowLocation;
  t.windowLocation = location;
  t.timestamp = timestamp;
  t.phase = phase;
  auto view = it->second.view;
  const Touch copy = t;
  deliverToRecognizers(phase, copy);
  it = touches_.find(touchId);
  if (it == touches_.end()) return view.get();
  const bool cancelled = it->second.viewCancelled;
  if (phase == TouchPhase::Moved || phase == TouchPhase::Stationary) {
    if (!cancelled) view->touchesMoved({copy});
    return view.get();
  }
  touches_.erase(it);
  if (!cancelled) {
    if (phase == TouchPhase::Cancelled) {
      view->touchesCancelled({copy});
    } else {
      view->touchesEnded({copy});
    }
  }
  if (touches_.empty()) endGestures();
  return view.get();
}

}  // namespace ui
