#include "screens/account/CountdownTimer.h"

#include "platform/runloop/RunLoop.h"
#include "platform/runloop/Timer.h"

struct CountdownTimer::State {
  Tick tick;
  int fullTime = kFullTime;
  int second = kFullTime;
  std::shared_ptr<rl::Timer> timer;
};

CountdownTimer::CountdownTimer(Tick tick, int fullTime) : state_(std::make_shared<State>()) {
  state_->tick = std::move(tick);
  state_->fullTime = fullTime > 0 ? fullTime : kFullTime;
  state_->second = state_->fullTime;
}

CountdownTimer::~CountdownTimer() {
  stop();
  state_->tick = nullptr;
}

void CountdownTimer::start() {
  stop();
  std::weak_ptr<State> weak = state_;
  state_->timer = rl::Timer::make(kInterval, true, [weak](rl::Timer& timer) {
    auto state = weak.lock();
    if (!state) {
      timer.invalidate();
      return;
    }
    tickOnce(state);
  });
  rl::RunLoop::main().addTimer(state_->timer, rl::kCommonModes);
  tickOnce(state_);
}

void CountdownTimer::tickOnce(std::shared_ptr<State> state) {
  if (!state->timer) return;
  state->second -= 1;
  const int left = state->second;
  if (left <= 0) {
    state->timer->invalidate();
    state->timer.reset();
    state->second = state->fullTime;
  }
  // A copy: the tick may stop or restart the countdown, or release its owner.
  Tick tick = state->tick;
  if (tick) tick(left > 0 ? left : 0);
}

void CountdownTimer::stop() {
  if (state_->timer) state_->timer->invalidate();
  state_->timer.reset();
  state_->second = state_->fullTime;
}

bool CountdownTimer::isRunning() const { return state_->timer && state_->timer->isValid(); }

int CountdownTimer::second() const { return state_->second; }

std::weak_ptr<rl::Timer> CountdownTimer::timer() const { return state_->timer; }
