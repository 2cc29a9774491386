#include "ui/FrameTimer.h"

#include <utility>
#include <vector>

#include "platform/runloop/RunLoop.h"
#include "platform/runloop/Timer.h"
#include "ui/detail/Appearance.h"

namespace ui {

namespace {

FrameTimer::Driver* gDriver = nullptr;

// The timers ticking on frames (and, for running(), every valid timer).
std::vector<std::weak_ptr<FrameTimer>>& timers() {
  static std::vector<std::weak_ptr<FrameTimer>> list;
  return list;
}

std::vector<std::shared_ptr<FrameTimer>> liveTimers() {
  auto& list = timers();
  std::erase_if(list, [](const auto& w) {
    auto t = w.lock();
    return !t || !t->isValid();
  });
  std::vector<std::shared_ptr<FrameTimer>> live;
  for (const auto& w : list)
    if (auto t = w.lock()) live.push_back(std::move(t));
  return live;
}

}  // namespace

void FrameTimer::setDriver(Driver* driver) {
  detail::assertMainThread("ui::FrameTimer::setDriver");
  if (gDriver == driver) return;
  gDriver = driver;
  for (const auto& t : liveTimers()) {
    if (!t->onFrames_) continue;
    if (driver) {
      driver->wake();
    } else {
      t->onFrames_ = false;
      t->startRunLoopTimer();
    }
  }
}

void FrameTimer::tickFrame(double frameTime) {
  for (const auto& t : liveTimers())
    if (t->onFrames_ && t->valid_) t->tick(frameTime);
}

bool FrameTimer::running() { return !liveTimers().empty(); }

std::shared_ptr<FrameTimer> FrameTimer::scheduled(double headlessInterval, Callback fn) {
  detail::assertMainThread("ui::FrameTimer::scheduled");
  auto timer = std::make_shared<FrameTimer>(headlessInterval, std::move(fn));
  timers().push_back(timer);
  timer->lastTick_ = rl::RunLoop::main().now();
  if (gDriver) {
    timer->onFrames_ = true;
    // Frames may stop coming (a hidden window): the backstop still ends the movement.
    std::weak_ptr<FrameTimer> weak = timer;
    timer->timer_ = rl::Timer::make(kBackstopInterval, true, [weak](rl::Timer& backstop) {
      auto self = weak.lock();
      if (!self || !self->valid_) return backstop.invalidate();
      const double now = rl::RunLoop::main().now();
      if (now - self->lastTick_ > kBackstopInterval / 2) self->tick(now);
    });
    rl::RunLoop::main().addTimer(timer->timer_, rl::kCommonModes);
    gDriver->wake();
  } else {
    timer->startRunLoopTimer();
  }
  return timer;
}

FrameTimer::FrameTimer(double interval, Callback fn) : interval_(interval), fn_(std::move(fn)) {}

FrameTimer::~FrameTimer() {
  if (timer_) timer_->invalidate();
}

void FrameTimer::startRunLoopTimer() {
  if (timer_) timer_->invalidate();
  std::weak_ptr<FrameTimer> weak = weak_from_this();
  timer_ = rl::Timer::make(interval_, true, [weak](rl::Timer& timer) {
    auto self = weak.lock();
    if (!self || !self->valid_) return timer.invalidate();
    self->tick(rl::RunLoop::main().now());
  });
  rl::RunLoop::main().addTimer(timer_, rl::kCommonModes);
}

void FrameTimer::tick(double frameTime) {
  if (!valid_) return;
  lastTick_ = rl::RunLoop::main().now();
  auto keep = shared_from_this();
  Callback fn = fn_;  // survives invalidate() from inside
  if (fn) fn(*this, frameTime);
}

void FrameTimer::fire() { tick(rl::RunLoop::main().now()); }

void FrameTimer::invalidate() {
  valid_ = false;
  fn_ = nullptr;
  if (timer_) timer_->invalidate();
}

}  // namespace ui
