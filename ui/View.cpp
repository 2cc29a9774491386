#include "ui/View.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "ui/Canvas.h"
#include "ui/GestureRecognizer.h"
#include "ui/ViewController.h"
#include "ui/Window.h"
#include "ui/detail/Appearance.h"

namespace ui {

// ---- Responder and Touch ----

void Responder::touchesBegan(const TouchSet& touches) {
  if (auto* next = nextResponder()) next->touchesBegan(touches);
}
void Responder::touchesMoved(const TouchSet& touches) {
  if (auto* next = nextResponder()) next->touchesMoved(touches);
}
void Responder::touchesEnded(const TouchSet& touches) {
  if (auto* next = nextResponder()) next->touchesEnded(touches);
}
void Responder::touchesCancelled(const TouchSet& touches) {
  if (auto* next = nextResponder()) next->touchesCancelled(touches);
}

Point Touch::locationInView(const View* v) const {
  return v ? v->convertPointFromView(windowLocation, nullptr) : windowLocation;
}
Point Touch::previousLocationInView(const View* v) const {
  return v ? v->convertPointFromView(previousWindowLocation, nullptr) : previousWindowLocation;
}

const char* toString(ViewProperty p) {
  switch (p) {
    case ViewProperty::Frame:
      return "frame";
    case ViewProperty::Bounds:
      return "bounds";
    case ViewProperty::Transform:
      return "transform";
    case ViewProperty::Hidden:
      return "hidden";
    case ViewProperty::Alpha:
      return "alpha";
    case ViewProperty::BackgroundColor:
      return "backgroundColor";
    case ViewProperty::UserInteraction:
      return "userInteractionEnabled";
    case ViewProperty::ClipsToBounds:
      return "clipsToBounds";
    case ViewProperty::Tag:
      return "tag";
    case ViewProperty::Text:
      return "text";
    case ViewProperty::Font:
      return "font";
    case ViewProperty::TextColor:
      return "textColor";
    case ViewProperty::TextAlignment:
      return "textAlignment";
    case ViewProperty::NumberOfLines:
      return "numberOfLines";
    case ViewProperty::Shadow:
      return "shadow";
    case ViewProperty::Placeholder:
      return "placeholder";
    case ViewProperty::SecureTextEntry:
      return "secureTextEntry";
    case ViewProperty::Image:
      return "image";
    case ViewProperty::Title:
      return "title";
    case ViewProperty::ControlState:
      return "controlState";
    case ViewProperty::Accessory:
      return "accessory";
    case ViewProperty::ContentSize:
      return "contentSize";
    case ViewProperty::BarStyle:
      return "barStyle";
    case ViewProperty::Items:
      return "items";
    case ViewProperty::Editing:
      return "editing";
    case ViewProperty::Layer:
      return "layer";
    case ViewProperty::Display:
      return "display";
  }
  return "?";
}

// ---- View ----

View::View(Rect frame) : center_(frame.center()), bounds_({0, 0}, frame.size) {}

View::~View() {
  for (auto& child : subviews_) child->superview_ = nullptr;
  for (auto& r : recognizers_) r->attach(nullptr);
}

Rect View::frame() const {
  const Rect local(-bounds_.width() / 2, -bounds_.height() / 2, bounds_.width(), bounds_.height());
  const Rect r = transform_.isIdentity() ? local : transform_.applyToRect(local);
  return r.offsetBy(center_.x, center_.y);
}

void View::setFrame(Rect frame) {
  detail::assertMainThread("View::setFrame");
  const Rect old = bounds_;
  const Point oldCenter = center_;
  const Rect oldFrame = this->frame();
  center_ = frame.center();
  bounds_.size = frame.size;
  if (old == bounds_ && oldCenter == center_) return;
  detail::recordAnimatableChange(*this, AnimatableProperty::Frame, oldFrame, this->frame());
  notify(ViewProperty::Frame);
  if (old != bounds_) boundsChanged(old);
}

void View::setBounds(Rect bounds) {
  detail::assertMainThread("View::setBounds");
  if (bounds == bounds_) return;
  const Rect old = bounds_;
  bounds_ = bounds;
  detail::recordAnimatableChange(*this, AnimatableProperty::Bounds, old, bounds_);
  notify(ViewProperty::Bounds);
  boundsChanged(old);
}

void View::boundsChanged(const Rect& old) {
  if (old.size != bounds_.size && autoresizesSubviews_) autoresize(old.size, bounds_.size);
  layoutSubviews();
}

namespace {
// Shares `delta` among the flexible parts of one axis in proportion to their current lengths (equally
// when they are all zero).
void resizeAxis(double& origin, double& length, double oldExtent, double delta, bool flexLead,
                bool flexLength, bool flexTrail) {
  const int count = int(flexLead) + int(flexLength) + int(flexTrail);
  if (count == 0 || delta == 0) return;
  const double lead = origin;
  const double trail = oldExtent - origin - length;
  const double sum = (flexLead ? lead : 0) + (flexLength ? length : 0) + (flexTrail ? trail : 0);
  auto share = [&](bool flex, double part) {
    if (!flex) return 0.0;
    return sum > 0 ? delta * part / sum : delta / count;
  };
  const double leadShare = share(flexLead, std::max(0.0, lead));
  const double lengthShare = share(flexLength, std::max(0.0, length));
  origin += leadShare;
  length += lengthShare;
}
}  // namespace

void View::autoresize(Size oldSize, Size newSize) {
  for (auto& child : std::vector<std::shared_ptr<View>>(subviews_)) {
    const unsigned m = child->autoresizingMask_;
    if (m == kAutoresizingNone) continue;
    Rect f = child->frame();
    double x = f.minX(), w = f.width(), y = f.minY(), h = f.height();
    resizeAxis(x, w, oldSize.width, newSize.width - oldSize.width, m & kAutoresizingFlexibleLeftMargin,
               m & kAutoresizingFlexibleWidth, m & kAutoresizingFlexibleRightMargin);
    resizeAxis(y, h, oldSize.height, newSize.height - oldSize.height, m & kAutoresizingFlexibleTopMargin,
               m & kAutoresizingFlexibleHeight, m & kAutoresizingFlexibleBottomMargin);
    child->setFrame({x, y, std::max(0.0, w), std::max(0.0, h)});
  }
}

void View::setCenter(Point center) {
  detail::assertMainThread("View::setCenter");
  if (center == center_) return;
  const Point old = center_;
  center_ = center;
  detail::recordAnimatableChange(*this, AnimatableProperty::Center, old, center_);
  notify(ViewProperty::Frame);
}

void View::setTransform(Transform transform) {
  detail::assertMainThread("View::setTransform");
  if (transform == transform_) return;
  const Transform old = transform_;
  transform_ = transform;
  detail::recordAnimatableChange(*this, AnimatableProperty::Transform, old, transform_);
  notify(ViewProperty::Transform);
}

void View::setTag(int tag) {
  if (tag == tag_) return;
  tag_ = tag;
  notify(ViewProperty::Tag);
}

void View::setHidden(bool hidden) {
  detail::assertMainThread("View::setHidden");
  if (hidden == hidden_) return;
  hidden_ = hidden;
  notify(ViewProperty::Hidden);
}

void View::setAlpha(double alpha) {
  detail::assertMainThread("View::setAlpha");
  alpha = std::clamp(alpha, 0.0, 1.0);
  if (alpha == alpha_) return;
  const double old = alpha_;
  alpha_ = alpha;
  detail::recordAnimatableChange(*this, AnimatableProperty::Alpha, old, alpha_);
  notify(ViewProperty::Alpha);
}

void View::setBackgroundColor(Color color) {
  detail::assertMainThread("View::setBackgroundColor");
  if (color == backgroundColor_) return;
  Color old = backgroundColor_;
  backgroundColor_ = std::move(color);
  detail::recordAnimatableChange(*this, AnimatableProperty::BackgroundColor, std::move(old),
                                 backgroundColor_);
  notify(ViewProperty::BackgroundColor);
}

void View::setUserInteractionEnabled(bool enabled) {
  detail::assertMainThread("View::setUserInteractionEnabled");
  if (enabled == userInteractionEnabled_) return;
  userInteractionEnabled_ = enabled;
  notify(ViewProperty::UserInteraction);
}

void View::setClipsToBounds(bool clips) {
  if (clips == clipsToBounds_) return;
  clipsToBounds_ = clips;
  notify(ViewProperty::ClipsToBounds);
}

void View::setNeedsDisplay() {
  needsDisplay_ = true;
  notify(ViewProperty::Display);
}

void View::displayInto(Canvas& canvas) {
  needsDisplay_ = false;
  draw(canvas, bounds_);
}

void View::addGestureRecognizer(std::shared_ptr<GestureRecognizer> recognizer) {
  detail::assertMainThread("View::addGestureRecognizer");
  if (!recognizer) return;
  if (View* old = recognizer->view()) {
    if (old == this) return;
    old->removeGestureRecognizer(*recognizer);
  }
  recognizer->attach(this);
  recognizers_.push_back(std::move(recognizer));
}

void View::removeGestureRecognizer(const GestureRecognizer& recognizer) {
  auto it =
      std::find_if(recognizers_.begin(), recognizers_.end(), [&](auto& r) { return r.get() == &recognizer; });
  if (it == recognizers_.end()) return;
  auto keep = *it;
  recognizers_.erase(it);
  keep->attach(nullptr);
}

void View::notify(ViewProperty property) {
  detail::assertMainThread("a ui::View setter");
  if (Window* w = window()) w->notifyChanged(*this, property);
}

Window* View::window() const {
  const View* v = this;
  while (v->superview_) v = v->superview_;
  return const_cast<View*>(v)->asWindow();
}

void View::addSubview(std::shared_ptr<View> view) {
  if (view && view->superview_ == this) {
    bringSubviewToFront(*view);
    return;
  }
  insertChild(std::move(view), subviews_.size());
}

void View::insertSubview(std::shared_ptr<View> view, std::size_t index) {
  insertChild(std::move(view), index);
}

void View::insertSubviewAbove(std::shared_ptr<View> view, const View& sibling) {
  auto it = std::find_if(subviews_.begin(), subviews_.end(), [&](auto& v) { return v.get() == &sibling; });
  if (it == subviews_.end()) return addSubview(std::move(view));
  std::size_t index = static_cast<std::size_t>(it - subviews_.begin()) + 1;
  if (view && view->superview_ == this) {
    const auto current =
        static_cast<std::size_t>(std::find(subviews_.begin(), subviews_.end(), view) - subviews_.begin());
    if (current < index) --index;
  }
  insertChild(std::move(view), index);
}

void View::insertSubviewBelow(std::shared_ptr<View> view, const View& sibling) {
  auto it = std::find_if(subviews_.begin(), subviews_.end(), [&](auto& v) { return v.get() == &sibling; });
  if (it == subviews_.end()) return addSubview(std::move(view));
  std::size_t index = static_cast<std::size_t>(it - subviews_.begin());
  if (view && view->superview_ == this) {
    const auto current =
        static_cast<std::size_t>(std::find(subviews_.begin(), subviews_.end(), view) - subviews_.begin());
    if (current < index) --index;
  }
  insertChild(std::move(view), index);
}

void View::bringSubviewToFront(const View& view) {
  moveChild(view, subviews_.empty() ? 0 : subviews_.size() - 1);
}

void View::sendSubviewToBack(const View& view) { moveChild(view, 0); }

void View::moveChild(const View& view, std::size_t index) {
  detail::assertMainThread("View reorder");
  auto it = std::find_if(subviews_.begin(), subviews_.end(), [&](auto& v) { return v.get() == &view; });
  if (it == subviews_.end()) return;
  const auto from = static_cast<std::size_t>(it - subviews_.begin());
  index = std::min(index, subviews_.size() - 1);
  if (from == index) return;
  auto keep = *it;
  subviews_.erase(it);
  subviews_.insert(subviews_.begin() + static_cast<std::ptrdiff_t>(index), keep);
  if (Window* w = window()) w->notifyReordered(*this, *keep, index);
}

void View::insertChild(std::shared_ptr<View> view, std::size_t index) {
  detail::assertMainThread("View::addSubview");
  if (!view || view.get() == this || isDescendantOf(*view)) return;
  if (view->superview_ == this) {
    moveChild(*view, index);
    return;
  }
  if (view->superview_) view->removeFromSuperview();

  Window* w = window();
  detail::ControllerList appearing;
  if (w) {
    appearing = detail::beginEntering(*view, false);
    view->propagateWillMoveToWindow(w);
  }
  index = std::min(index, subviews_.size());
  subviews_.insert(subviews_.begin() + static_cast<std::ptrdiff_t>(index), view);
  view->superview_ = this;
  if (w) {
    view->propagateDidMoveToWindow();
    w->notifyAdded(*this, *view, index);
  }
  didAddSubview(*view);
  detail::finish(appearing);
}

void View::removeFromSuperview() {
  if (!superview_) return;
  detail::assertMainThread("View::removeFromSuperview");
  auto keep = shared_from_this();
  View* parent = superview_;
  Window* w = window();
  detail::ControllerList leaving;
  if (w) {
    leaving = detail::beginLeaving(*this, false);
    if (View* fr = w->firstResponder(); fr && fr->isDescendantOf(*this)) fr->forceResignFirstResponder();
    propagateWillMoveToWindow(nullptr);
  }
  parent->willRemoveSubview(*this);
  auto& siblings = parent->subviews_;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), keep), siblings.end());
  superview_ = nullptr;
  if (w) {
    propagateDidMoveToWindow();
    w->notifyRemoved(*parent, *this);
  }
  detail::finish(leaving);
}

void View::propagateWillMoveToWindow(Window* window) {
  willMoveToWindow(window);
  for (auto& child : std::vector<std::shared_ptr<View>>(subviews_)) child->propagateWillMoveToWindow(window);
}

void View::propagateDidMoveToWindow() {
  didMoveToWindow();
  for (auto& child : std::vector<std::shared_ptr<View>>(subviews_)) child->propagateDidMoveToWindow();
}

bool View::isDescendantOf(const View& ancestor) const {
  for (const View* v = this; v; v = v->superview_) {
    if (v == &ancestor) return true;
  }
  return false;
}

View* View::viewWithTag(int tag) {
  if (tag_ == tag) return this;
  for (auto& child : subviews_) {
    if (View* found = child->viewWithTag(tag)) return found;
  }
  return nullptr;
}

std::shared_ptr<View> View::sharedSubview(const View& child) const {
  for (auto& v : subviews_) {
    if (v.get() == &child) return v;
  }
  return nullptr;
}

Transform View::toSuperviewTransform() const {
  return Transform::translation(-bounds_.minX() - bounds_.width() / 2, -bounds_.minY() - bounds_.height() / 2)
      .concat(transform_)
      .concat(Transform::translation(center_.x, center_.y));
}

namespace {
// Own coordinates -> coordinates of the top of the tree.
Transform toRoot(const View* v) {
  Transform t;
  for (; v && v->superview(); v = v->superview()) t = t.concat(v->toSuperviewTransform());
  return t;
}
}  // namespace

Point View::convertPointToView(Point p, const View* view) const {
  const Point root = toRoot(this).apply(p);
  return view ? toRoot(view).inverted().apply(root) : root;
}

Point View::convertPointFromView(Point p, const View* view) const {
  const Point root = view ? toRoot(view).apply(p) : p;
  return toRoot(this).inverted().apply(root);
}

Rect View::convertRectToView(Rect r, const View* view) const {
  Transform t = toRoot(this);
  if (view) t = t.concat(toRoot(view).inverted());
  return t.applyToRect(r);
}

Rect View::convertRectFromView(Rect r, const View* view) const {
  Transform t = view ? toRoot(view) : Transform{};
  t = t.concat(toRoot(this).inverted());
  return t.applyToRect(r);
}

bool View::pointInside(Point p) const { return bounds_.contains(p); }

View* View::hitTest(Point p) {
  if (!isVisibleSelf() || !userInteractionEnabled_) return nullptr;
  if (!pointInside(p)) return nullptr;
  for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it) {
    const Point q = (*it)->toSuperviewTransform().inverted().apply(p);
    if (View* hit = (*it)->hitTest(q)) return hit;
  }
  return this;
}

Responder* View::nextResponder() const {
  if (owner_) return owner_;
  return superview_;
}

bool View::becomeFirstResponder() {
  detail::assertMainThread("View::becomeFirstResponder");
  if (!canBecomeFirstResponder()) return false;
  Window* w = window();
  if (!w) return false;
  if (w->firstResponder_ == this) return true;
  if (View* current = w->firstResponder_) {
    if (!current->resignFirstResponder()) return false;
  }
  w->firstResponder_ = this;
  return true;
}

bool View::resignFirstResponder() {
  Window* w = window();
  if (w && w->firstResponder_ == this) w->firstResponder_ = nullptr;
  return true;
}

void View::forceResignFirstResponder() {
  Window* w = window();
  if (w && w->firstResponder_ == this) w->firstResponder_ = nullptr;
}

bool View::isFirstResponder() const {
  Window* w = window();
  return w && w->firstResponder_ == this;
}

bool View::endEditing(bool force) {
  Window* w = window();
  if (!w) return true;
  View* fr = w->firstResponder();
  if (!fr || !fr->isDescendantOf(*this)) return true;
  if (force) {
    fr->forceResignFirstResponder();
    return true;
  }
  return fr->resignFirstResponder();
}

std::string View::describeSelf() const {
  std::ostringstream out;
  out << className() << " " << toString(frame());
  if (tag_ != 0) out << " tag=" << tag_;
  if (hidden_) out << " hidden";
  if (alpha_ < 1) out << " alpha=" << alpha_;
  if (!userInteractionEnabled_) out << " no-interaction";
  return out.str();
}

std::string View::describeTree() const {
  std::string out;
  struct Walker {
    static void walk(const View& v, int depth, std::string& out) {
      out.append(static_cast<std::size_t>(depth) * 2, ' ');
      out += v.describeSelf();
      out += '\n';
      for (auto& child : v.subviews()) walk(*child, depth + 1, out);
    }
  };
  Walker::walk(*this, 0, out);
  return out;
}

}  // namespace ui
