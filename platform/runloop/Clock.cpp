#include "platform/runloop/Clock.h"

#include <chrono>
#include <vector>

namespace rl {

namespace {

class RealClock : public Clock {
 public:
  double now() const override {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
  }
};

}  // namespace

Clock::~Clock() = default;

std::shared_ptr<Clock> Clock::real() {
  static const std::shared_ptr<Clock> clock = std::make_shared<RealClock>();
  return clock;
}

ManualClock::ManualClock(double start) : now_(start) {}

double ManualClock::now() const {
  std::lock_guard lock(mutex_);
  return now_;
}

void ManualClock::set(double t) {
  {
    std::lock_guard lock(mutex_);
    if (!(t > now_)) return;
    now_ = t;
  }
  notify();
}

void ManualClock::advance(double seconds) {
  {
    std::lock_guard lock(mutex_);
    if (!(seconds > 0)) return;
    now_ += seconds;
  }
  notify();
}

int ManualClock::addObserver(std::function<void()> onChange) {
  std::lock_guard lock(mutex_);
  int id = nextObserver_++;
  observers_[id] = std::make_shared<std::function<void()>>(std::move(onChange));
  return id;
}

void ManualClock::removeObserver(int id) {
  std::lock_guard lock(mutex_);
  observers_.erase(id);
}

void ManualClock::notify() {
  std::vector<std::shared_ptr<std::function<void()>>> toCall;
  {
    std::lock_guard lock(mutex_);
    for (auto& [id, fn] : observers_) toCall.push_back(fn);
  }
  for (auto& fn : toCall) (*fn)();
}

}  // namespace rl
