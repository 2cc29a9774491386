#include "platform/runloop/Timer.h"

#include "platform/runloop/RunLoop.h"

namespace rl {

namespace {
constexpr double kMinimumInterval = 0.0001;
}

Timer::Timer(double interval, bool repeats, Callback fn, double fireDate)
    : interval_(interval > 0 ? interval : kMinimumInterval),
      repeats_(repeats),
      fn_(std::move(fn)),
      fireDate_(fireDate) {}

Timer::~Timer() = default;

std::shared_ptr<Timer> Timer::make(double interval, bool repeats, Callback fn) {
  double effective = interval > 0 ? interval : kMinimumInterval;
  return std::make_shared<Timer>(interval, repeats, std::move(fn), RunLoop::current().now() + effective);
}

std::shared_ptr<Timer> Timer::scheduled(double interval, bool repeats, Callback fn) {
  auto timer = make(interval, repeats, std::move(fn));
  RunLoop::current().addTimer(timer, kCommonModes);
  return timer;
}

double Timer::fireDate() const {
  std::lock_guard lock(mutex_);
  return fireDate_;
}

void Timer::setFireDate(double t) {
  std::shared_ptr<RunLoopState> loop;
  {
    std::lock_guard lock(mutex_);
    fireDate_ = t;
    spent_ = false;
    loop = loop_.lock();
  }
  if (loop) runLoopTimerMoved(*loop, *this);  // filed again under the new date; wakes the loop
}

Timer::Callback Timer::callback() const {
  std::lock_guard lock(mutex_);
  return fn_;
}

void Timer::fire() {
  if (!isValid()) return;
  Callback fn = callback();
  if (fn) fn(*this);
  if (!repeats_) invalidate();
}

void Timer::invalidate() {
  // The loop may hold the last reference: this object stays alive until the call returns.
  std::shared_ptr<Timer> self = weak_from_this().lock();
  Callback released;
  std::shared_ptr<RunLoopState> loop;
  {
    std::lock_guard lock(mutex_);
    valid_.store(false);
    released = std::move(fn_);  // destroyed below, outside the lock
    fn_ = nullptr;
    loop = loop_.lock();
  }
  if (loop) runLoopTimerInvalidated(*loop, *this);  // leaves the loop; wakes it
}

}  // namespace rl
