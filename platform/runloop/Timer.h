#pragma once
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

namespace rl {

class RunLoop;
struct RunLoopState;

// A timer that fires on the run loop it was added to, only while that loop runs in one of the modes it
// was added for. Thread-safe: fireDate(), setFireDate() and invalidate() may be called from any thread.
//
// - A repeating timer's next fire date is its previous fire date plus the interval; when the loop was
//   late by more than an interval, the missed fires are skipped (it fires once, then resumes on the grid).
// - A non-repeating timer is invalidated after its callback returns (even if the callback moved its fire
//   date: make a new timer to fire again).
// - An interval <= 0 is taken as 0.0001 s.
// - invalidate() may be called from the timer's own callback; the callback (and what it captured) is
//   released once it returns.
class Timer : public std::enable_shared_from_this<Timer> {
 public:
  using Callback = std::function<void(Timer&)>;

  // Scheduled on RunLoop::current() in the common modes; first fire at now + interval on that loop's clock.
  static std::shared_ptr<Timer> scheduled(double interval, bool repeats, Callback fn);
  // Not scheduled: first fire date now + interval on the current loop's clock; add it with RunLoop::addTimer.
  static std::shared_ptr<Timer> make(double interval, bool repeats, Callback fn);

  double interval() const { return interval_; }
  bool repeats() const { return repeats_; }
  double fireDate() const;
  void setFireDate(double t);  // moves the next fire (of a repeating timer too); wakes its loop

  // Runs the callback now, on the calling thread, without changing a repeating timer's schedule.
  // A non-repeating timer is invalidated afterwards. Does nothing on an invalid timer.
  void fire();
  void invalidate();
  bool isValid() const { return valid_.load(); }

  Timer(double interval, bool repeats, Callback fn, double fireDate);  // use scheduled() / make()
  ~Timer();

 private:
  friend class RunLoop;
  friend struct RunLoopState;
  Callback callback() const;  // a copy, so the callback survives invalidate() while it runs

  const double interval_;
  const bool repeats_;
  std::atomic<bool> valid_{true};
  mutable std::mutex mutex_;  // guards the members below
  Callback fn_;
  double fireDate_;
  bool spent_ = false;                // a one-shot timer that fired and is about to be invalidated
  std::weak_ptr<RunLoopState> loop_;  // the loop it was added to (a timer lives on one loop only)
};

}  // namespace rl
