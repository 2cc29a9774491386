#include "ui/gtk/AnimationPresenter.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>

#include "platform/runloop/RunLoop.h"
#include "ui/Application.h"
#include "ui/gtk/Mirror.h"
#include "ui/gtk/MirrorTree.h"

namespace ui::gtk {

namespace {

double eased(double t, AnimationCurve curve) {
  t = std::clamp(t, 0.0, 1.0);
  switch (curve) {
    case AnimationCurve::Linear:
      return t;
    case AnimationCurve::EaseIn:
      return t * t;
    case AnimationCurve::EaseOut:
      return 1 - (1 - t) * (1 - t);
    case AnimationCurve::EaseInOut:
      return t < 0.5 ? 2 * t * t : 1 - std::pow(-2 * t + 2, 2) / 2;
  }
  return t;
}

// The value of a record's type; a default one for a record of another type.
template <class T>
T as(const AnimationValue& v) {
  if (auto* p = std::get_if<T>(&v)) return *p;
  return T{};
}

double mix(double a, double b, double f) { return a + (b - a) * f; }
Point mix(Point a, Point b, double f) { return {mix(a.x, b.x, f), mix(a.y, b.y, f)}; }
Rect mix(const Rect& a, const Rect& b, double f) {
  return {mix(a.minX(), b.minX(), f), mix(a.minY(), b.minY(), f), mix(a.width(), b.width(), f),
          mix(a.height(), b.height(), f)};
}

}  // namespace

AnimationPresenter::AnimationPresenter(Application& app, MirrorTree& tree) : app_(app), tree_(tree) {
  observer_ = app_.animations().addObserver([this](const AnimationRecord& r) { started(r); });
}

AnimationPresenter::~AnimationPresenter() {
  app_.animations().removeObserver(observer_);
  if (tick_) gtk_widget_remove_tick_callback(tree_.root().widget(), tick_);
  for (auto& r : running_) show(r, 1, true);
}

void AnimationPresenter::started(const AnimationRecord& record) {
  if (record.duration <= 0 || record.property == AnimatableProperty::ShadowPath) return;
  Running r;
  r.view = record.viewRef;
  r.raw = record.view;
  r.property = record.property;
  r.from = record.from;
  r.to = record.to;
  r.start = record.startTime + record.delay;
  r.duration = record.duration;
  r.curve = record.curve;
  // A frame change of a turned view is shown as a jump (its frame is only the turned view's box).
  if (record.property == AnimatableProperty::Frame && r.raw && !r.raw->transform().isIdentity()) return;
  // A newer animation of the same property takes over.
  std::erase_if(running_, [&](const Running& o) { return o.raw == r.raw && o.property == r.property; });
  running_.push_back(r);
  show(running_.back(), 0, false);
  if (!tick_) {
    tick_ = gtk_widget_add_tick_callback(
        tree_.root().widget(),
        [](GtkWidget*, GdkFrameClock*, gpointer self) -> gboolean {
          auto* me = static_cast<AnimationPresenter*>(self);
          me->step();
          if (me->running_.empty()) {
            me->tick_ = 0;
            return G_SOURCE_REMOVE;
          }
          return G_SOURCE_CONTINUE;
        },
        this, nullptr);
  }
}

void AnimationPresenter::step() {
  const double now = rl::RunLoop::main().now();
  std::vector<Running> still;
  auto running = std::move(running_);
  running_.clear();
  for (auto& r : running) {
    const double t = r.duration > 0 ? (now - r.start) / r.duration : 1;
    const bool finished = t >= 1;
    show(r, eased(t, r.curve), finished);
    if (!finished) still.push_back(std::move(r));
  }
  // Animations that began during show() were added to running_ meanwhile.
  for (auto& r : running_) still.push_back(std::move(r));
  running_ = std::move(still);
}

void AnimationPresenter::show(const Running& r, double f, bool finished) {
  auto view = r.view.lock();
  if (!view) return;
  Mirror* m = tree_.mirrorOf(*view);
  if (!m) return;
  Mirror::Presentation& p = m->presentation();
  switch (r.property) {
    case AnimatableProperty::Frame: {
      if (finished) {
        p.center.reset();
        p.bounds.reset();
        break;
      }
      const Rect frame = mix(as<Rect>(r.from), as<Rect>(r.to), f);
      p.center = frame.center();
      p.bounds = Rect(view->bounds().origin, frame.size);
      break;
    }
    case AnimatableProperty::Center:
      if (finished) {
        p.center.reset();
      } else {
        p.center = mix(as<Point>(r.from), as<Point>(r.to), f);
      }
      break;
    case AnimatableProperty::Bounds:
      if (finished) {
        p.bounds.reset();
      } else {
        p.bounds = mix(as<Rect>(r.from), as<Rect>(r.to), f);
      }
      break;
    case AnimatableProperty::Alpha:
      if (finished) {
        p.alpha.reset();
      } else {
        p.alpha = mix(as<double>(r.from), as<double>(r.to), f);
      }
      break;
    case AnimatableProperty::Transform: {
      if (finished) {
        p.transform.reset();
        break;
      }
      const auto a = as<Transform>(r.from);
      const auto b = as<Transform>(r.to);
      p.transform = Transform{mix(a.a, b.a, f), mix(a.b, b.b, f),   mix(a.c, b.c, f),
                              mix(a.d, b.d, f), mix(a.tx, b.tx, f), mix(a.ty, b.ty, f)};
      break;
    }
    case AnimatableProperty::BackgroundColor: {
      const auto a = as<Color>(r.from);
      const auto b = as<Color>(r.to);
      if (finished || a.pattern || b.pattern) {
        p.backgroundColor.reset();
        break;
      }
      p.backgroundColor = Color::rgb(mix(a.r, b.r, f), mix(a.g, b.g, f), mix(a.b, b.b, f), mix(a.a, b.a, f));
      break;
    }
    case AnimatableProperty::ShadowPath:
      break;
  }
  m->presentationChanged();
}

}  // namespace ui::gtk
