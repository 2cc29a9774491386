#pragma once
// CountdownTimer: the one-second countdown of the account screens that send codes (the SMS button of
// registration and phone binding, the e-mail resend button). start() counts from the full time: the
// first tick comes at once, then one a second on the main run loop's clock, each with the seconds left
// (59, 58, ... 1 for a full time of 60); the next one reports 0, stops the timer and makes the full time
// ready again. What a tick shows is the screen's business (the tick function).
//
// The screen that counts down owns its countdown: destroying the countdown stops its timer, so no timer
// outlives the screen, and the tick function (which holds the screen weakly) is released with it.
//
// Main thread only.

#include <functional>
#include <memory>

namespace rl {
class Timer;
}

class CountdownTimer {
 public:
  static constexpr int kFullTime = 60;
  static constexpr double kInterval = 1.0;
  // Called with the seconds left: kFullTime - 1 down to 1 while counting, then 0 when it ends.
  using Tick = std::function<void(int secondsLeft)>;

  explicit CountdownTimer(Tick tick, int fullTime = kFullTime);
  ~CountdownTimer();
  CountdownTimer(const CountdownTimer&) = delete;
  CountdownTimer& operator=(const CountdownTimer&) = delete;

  // Starts counting from the full time (a countdown that runs starts again); the first tick is now.
  void start();
  // Stops without a last tick; the full time is ready again.
  void stop();
  bool isRunning() const;
  // The value the next tick counts down from: the full time while stopped.
  int second() const;
  // The repeating timer of the countdown that runs (empty when none): for tests that check it is gone.
  std::weak_ptr<rl::Timer> timer() const;

 private:
  struct State;
  static void tickOnce(std::shared_ptr<State> state);
  std::shared_ptr<State> state_;
};
