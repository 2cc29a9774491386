#pragma once
// ui::FrameTimer: work that runs once for each frame the window shows, for movements the model makes
// itself (a page pushed along by a button). Each tick gets the frame's time on the main run loop's
// clock, so what it moves follows the time that passed, not the number of ticks.
//
// Who drives the ticks:
// - A window that shows the model installs a FrameTimer::Driver (the GTK presenter, from its window's
//   frame clock): the timers tick once a frame, before the frame is laid out and painted, and the
//   driver is told (wake()) when a first timer needs frames. Should the frames stop (a window hidden or
//   minimised), a backstop on the run loop ticks every kBackstopInterval seconds in which no frame
//   came, so a movement still ends.
// - Without a driver (headless, in tests) a timer ticks on a repeating run-loop timer of the interval
//   it was made with, on the run loop's clock (a manual clock in tests): ticks come exactly where a
//   repeating rl::Timer of that interval would fire.
// A timer made while a driver is installed stays with frames; one made without stays with its run-loop
// timer. Main thread only.

#include <functional>
#include <memory>

namespace rl {
class Timer;
}

namespace ui {

class FrameTimer : public std::enable_shared_from_this<FrameTimer> {
 public:
  using Callback = std::function<void(FrameTimer& timer, double frameTime)>;
  static constexpr double kBackstopInterval = 0.1;

  // Interface of whatever shows frames.
  class Driver {
   public:
    virtual ~Driver() = default;
    // A timer now waits for frames: keep frames coming until running() is false.
    virtual void wake() = 0;
  };
  // Installs (or, with nullptr, removes) the driver; not owned. Timers ticking on frames when the driver
  // goes move to run-loop timers of their interval.
  static void setDriver(Driver* driver);
  // For the driver, once a frame: ticks every frame timer with the frame's time (on the main run loop's
  // clock). A timer invalidated by another's tick does not tick.
  static void tickFrame(double frameTime);
  // Whether any timer is valid (a movement is on its way).
  static bool running();

  // Ticks fn every frame (or every `headlessInterval` seconds without a driver), the first time at the
  // next frame; invalidate() ends it.
  static std::shared_ptr<FrameTimer> scheduled(double headlessInterval, Callback fn);

  // Runs the callback now with the clock's time (nothing on an invalid timer).
  void fire();
  void invalidate();
  bool isValid() const { return valid_; }

  FrameTimer(double interval, Callback fn);  // use scheduled()
  ~FrameTimer();

 private:
  void tick(double frameTime);
  void startRunLoopTimer();

  double interval_;
  Callback fn_;
  bool valid_ = true;
  bool onFrames_ = false;
  double lastTick_ = 0;
  std::shared_ptr<rl::Timer> timer_;  // the run-loop timer, or the backstop when on frames
};

}  // namespace ui
