#include "ui/detail/Appearance.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/runloop/RunLoop.h"
#include "platform/runloop/Timer.h"
#include "ui/Timing.h"
#include "ui/View.h"
#include "ui/ViewController.h"
#include "ui/Window.h"

namespace ui {

namespace {
std::vector<std::weak_ptr<rl::Timer>>& scheduled() {
  static std::vector<std::weak_ptr<rl::Timer>> timers;
  return timers;
}
}  // namespace

std::shared_ptr<rl::Timer> scheduleAfter(double seconds, std::function<void()> fn) {
  detail::assertMainThread("ui::scheduleAfter");
  auto timer = rl::Timer::make(seconds < 0 ? 0 : seconds, false, [fn = std::move(fn)](rl::Timer&) {
    if (fn) fn();
  });
  rl::RunLoop::main().addTimer(timer, rl::kCommonModes);
  auto& list = scheduled();
  std::erase_if(list, [](auto& w) {
    auto t = w.lock();
    return !t || !t->isValid();
  });
  list.push_back(timer);
  return timer;
}

std::optional<double> nextScheduledTime() {
  std::optional<double> next;
  auto& list = scheduled();
  std::erase_if(list, [](auto& w) {
    auto t = w.lock();
    return !t || !t->isValid();
  });
  for (auto& w : list) {
    if (auto t = w.lock()) {
      const double at = t->fireDate();
      if (!next || at < *next) next = at;
    }
  }
  return next;
}

}  // namespace ui

namespace ui::detail {

void assertMainThread(const char* what) {
#ifndef NDEBUG
  if (!rl::RunLoop::isMainThread()) {
    std::fprintf(stderr, "ui: %s called off the main thread\n", what);
    std::abort();
  }
#else
  (void)what;
#endif
}

// ---- deferred release ----

namespace {
std::vector<std::shared_ptr<void>>& graveyard() {
  static std::vector<std::shared_ptr<void>> objects;
  return objects;
}
}  // namespace

void releaseLater(std::shared_ptr<void> object) {
  if (!object) return;
  graveyard().push_back(std::move(object));
  rl::RunLoop::main().post([] { releasePending(); });
}

void releasePending() {
  // Destructors may release more; keep going until nothing is left.
  while (!graveyard().empty()) {
    auto batch = std::move(graveyard());
    graveyard().clear();
    batch.clear();
  }
}

// ---- appearance ----

ControllerList controllersIn(View& root) {
  ControllerList out;
  struct Walker {
    static void walk(View& v, ControllerList& out) {
      if (ViewController* vc = v.viewController()) out.push_back({vc, vc->weak_from_this().lock()});
      for (auto& child : std::vector<std::shared_ptr<View>>(v.subviews())) walk(*child, out);
    }
  };
  Walker::walk(root, out);
  return out;
}

ControllerList beginEntering(View& root, bool animated) {
  ControllerList out;
  for (auto& ref : controllersIn(root)) {
    const auto s = ref.vc->appearanceState();
    if (s == AppearanceState::Disappeared || s == AppearanceState::Disappearing) {
      ref.vc->beginAppearanceTransition(true, animated);
      out.push_back(std::move(ref));
    }
  }
  return out;
}

ControllerList beginLeaving(View& root, bool animated) {
  ControllerList out;
  for (auto& ref : controllersIn(root)) {
    const auto s = ref.vc->appearanceState();
    if (s == AppearanceState::Appeared || s == AppearanceState::Appearing) {
      ref.vc->beginAppearanceTransition(false, animated);
      out.push_back(std::move(ref));
    }
  }
  return out;
}

void finish(const ControllerList& list) {
  for (auto& ref : list) ref.vc->endAppearanceTransition();
}

// ---- transitions ----

namespace {
std::vector<std::weak_ptr<Transition>>& running() {
  static std::vector<std::weak_ptr<Transition>> list;
  return list;
}
}  // namespace

std::shared_ptr<Transition> Transition::start(Window* window, Steps steps) {
  auto t = std::make_shared<Transition>();
  t->steps_ = std::move(steps);
  if (window) t->window_ = window->weak_from_this();
  const bool animated = t->steps_.animated && window != nullptr;
  for (View* v : t->steps_.outgoing) {
    if (!v || !v->window()) continue;
    auto list = beginLeaving(*v, animated);
    t->outgoing_.insert(t->outgoing_.end(), list.begin(), list.end());
  }
  if (t->steps_.incoming && t->steps_.incomingEntersWindow)
    t->incoming_ = beginEntering(*t->steps_.incoming, animated);
  if (t->steps_.attach) t->steps_.attach();
  if (!animated) {
    t->finish();
    return t;
  }
  window->beginIgnoringInteractionEvents();
  t->blocking_ = true;
  running().push_back(t);
  t->timer_ = scheduleAfter(kTransitionDuration, [t] { t->finish(); });
  return t;
}

void Transition::finish() {
  if (finished_) return;
  finished_ = true;
  auto keep = shared_from_this();
  std::erase_if(running(), [this](auto& w) {
    auto t = w.lock();
    return !t || t.get() == this;
  });
  if (timer_) {
    timer_->invalidate();
    timer_.reset();
  }
  if (blocking_) {
    if (auto w = window_.lock()) static_cast<Window&>(*w).endIgnoringInteractionEvents();
    blocking_ = false;
  }
  if (steps_.detach) steps_.detach();
  detail::finish(outgoing_);
  detail::finish(incoming_);
  if (steps_.done) steps_.done();
  steps_ = Steps{};
  outgoing_.clear();
  incoming_.clear();
}

void Transition::finishAll() {
  // Finishing one may start none (done callbacks run synchronously), but loop until the list is empty.
  for (int guard = 0; guard < 100 && !running().empty(); ++guard) {
    auto list = running();
    for (auto& w : list) {
      if (auto t = w.lock()) t->finish();
    }
    std::erase_if(running(), [](auto& w) { return w.expired(); });
  }
}

}  // namespace ui::detail
