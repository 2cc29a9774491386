#pragma once
#include <functional>
#include <map>
#include <memory>
#include <mutex>

namespace rl {

// Source of monotonic time in seconds for run loops, timers and anything that schedules on them.
class Clock {
 public:
  virtual ~Clock();
  virtual double now() const = 0;  // seconds, monotonic

  // The process-wide real clock (std::chrono::steady_clock).
  static std::shared_ptr<Clock> real();

  // Observers are told (on the thread that changed the time) whenever a clock's time jumps. The real
  // clock never jumps, so it never calls them; a ManualClock calls them from set() and advance(). Run
  // loops use this to wake up and look at their timers again.
  virtual int addObserver(std::function<void()> onChange) { return 0; }
  virtual void removeObserver(int id) {}
};

// A clock that moves only when told to. Thread-safe.
class ManualClock : public Clock {
 public:
  explicit ManualClock(double start = 0);
  double now() const override;
  void set(double t);            // times never go backwards: an earlier t is ignored
  void advance(double seconds);  // negative seconds are ignored
  int addObserver(std::function<void()> onChange) override;
  void removeObserver(int id) override;

 private:
  void notify();
  mutable std::mutex mutex_;
  double now_;
  int nextObserver_ = 1;
  std::map<int, std::shared_ptr<std::function<void()>>> observers_;
};

}  // namespace rl
