#pragma once
#include "platform/runloop/Clock.h"
#include "platform/runloop/Timer.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace rl {

inline constexpr const char* kDefaultMode = "kCFRunLoopDefaultMode";
// Not a mode to run in, but a set of modes to add work to: the default mode plus every mode passed to
// addCommonMode(). Running a loop "in" kCommonModes runs it in the default mode.
inline constexpr const char* kCommonModes = "kCFRunLoopCommonModes";
// The mode synchronous HTTP requests run their caller's loop in. It is NOT a common mode (nobody calls
// addCommonMode with it), so while a request runs the caller's loop in this mode, only the request's own
// timers, streams and posted tasks (added in this mode) run; the UI's timers and tasks wait.
inline constexpr const char* kHTTPRequestMode = "HTTPRequestRunLoopMode";

struct RunLoopState;

// One loop per thread: posted tasks, timers on the loop's clock and file-descriptor watches, each added
// for a mode (or the common modes). Work runs only on the thread that runs the loop, only while it runs in
// a matching mode. Everything that adds or removes work may be called from any thread and wakes the loop.
//
// Order within one pass: posted tasks (FIFO, those queued when the pass began), then due timers (by fire
// date, then by the order they were added), then ready file descriptors. Timers are kept filed per mode
// in that order, so a pass reads only the timers due in its mode: timers waiting further on, or in a
// mode that is not running, cost it nothing. An invalidated timer leaves the loop at once.
//
// Callbacks run with no lock held: they may post, add and remove timers and watches (their own included),
// and run the loop again in another mode (a nested run, as a synchronous request does).
//
// With a ManualClock, time moves only when the clock is set: runOnce() never sleeps waiting for a timer,
// it waits only for file descriptors, posted tasks or a change of the manual clock (which wakes it), up to
// its timeout. Tests move time with advance().
class RunLoop {
 public:
  RunLoop();
  ~RunLoop();
  RunLoop(const RunLoop&) = delete;
  RunLoop& operator=(const RunLoop&) = delete;

  static RunLoop& current();  // this thread's loop (made on first use, lives as long as the thread)
  // The same loop, held: a reference that stays valid (and postable) after its thread has ended.
  static std::shared_ptr<RunLoop> currentShared();
  static RunLoop& main();  // the main thread's loop (may be called, and posted to, from any thread)
  // Makes the calling thread the main thread; its loop becomes main(). Until it is called, the process's
  // initial thread is the main thread. Calling it again on the main thread changes nothing.
  static void setMainThread();
  static bool isMainThread();

  void setClock(std::shared_ptr<Clock> clock);  // default Clock::real(); wakes the loop
  std::shared_ptr<Clock> clock() const;
  double now() const { return clock()->now(); }

  void post(std::function<void()> task, std::string mode = kCommonModes);  // any thread; wakes the loop
  // Adds a timer for `mode` (a timer may be added for several modes). Invalid timers and timers that
  // belong to another loop are ignored.
  void addTimer(const std::shared_ptr<Timer>& timer, std::string mode = kCommonModes);
  // Calls cb(revents) from the loop whenever poll() reports `pollEvents` (or an error) on fd. Returns the
  // watch id (> 0). A watch whose fd is no longer open (POLLNVAL) is removed after its callback is told.
  int watchFd(int fd, short pollEvents, std::function<void(short revents)> cb,
              std::string mode = kCommonModes);
  void unwatchFd(int id);  // from any thread, the watch's own callback included; unknown ids are ignored

  // Runs one pass in `mode`: what is ready now runs at once; when nothing was, waits (poll) at most
  // `timeoutSeconds` (and, on a real clock, no later than the next timer) for work and runs what came.
  // Returns false when there is nothing (no tasks, timers or watches for this mode) to wait for.
  bool runOnce(const std::string& mode = kDefaultMode, double timeoutSeconds = 1e9);
  // Runs passes in `mode` (each waiting at most passSeconds for work) until done() holds or
  // timeoutSeconds of real time have gone by, whatever the loop's clock; returns done(). For waiting on
  // work that comes from other threads: the network thread, workers.
  bool runUntil(const std::function<bool()>& done, double timeoutSeconds,
                const std::string& mode = kDefaultMode, double passSeconds = 0.05);
  // Runs in the default mode until stop(), waiting for posts even while it has no sources.
  void run();
  // Ends run() after its current pass (any thread). A stop() that comes while run() is not running ends
  // the next run() after its first pass.
  void stop();
  // Runs posted tasks and due timers for `mode` until none is left, never waiting and never polling file
  // descriptors. Returns how many tasks and timer fires ran. (A task that always posts another keeps it
  // busy for ever.)
  std::size_t runUntilIdle(const std::string& mode = kDefaultMode);
  // Manual clock only: moves time to now+seconds in steps, setting the clock to each timer's fire time in
  // order and firing it there (a 0.25 s repeating timer fires 4 times in advance(1.0)); posted tasks run
  // between steps and at the end. On a real clock it only runs runUntilIdle(mode).
  void advance(double seconds, const std::string& mode = kDefaultMode);
  // Timers now added to this loop (valid ones; a one-shot timer leaves once it has fired).
  std::size_t timerCount() const;
  // The earliest fire date of a valid timer that would fire in `mode`.
  std::optional<double> nextTimerFireTime(const std::string& mode = kDefaultMode) const;
  // True when a pass in `mode` would run something right now (a posted task or a due timer): what an
  // outside event loop asks before it sleeps.
  bool hasPendingWork(const std::string& mode = kDefaultMode) const;
  void addCommonMode(const std::string& mode);
  bool isCommonMode(const std::string& mode) const;

  // Drops every posted task, timer (invalidated) and file watch: a fresh loop for the next test.
  // The clock stays as it is.
  void clear();

  // Hook for an outside event loop (the GTK presenter): this eventfd becomes readable whenever work is
  // posted or timers or the clock change. The outside loop then calls runOnce(mode, 0), which drains it and
  // runs what is ready. Every pass drains it (a nested run in another mode too), so before sleeping the
  // outside loop asks hasPendingWork() and nextTimerFireTime() rather than relying on the fd alone.
  int wakeupFd() const;
  // The file descriptors watched for `mode` with the poll events each waits for: the outside loop polls
  // them too, so a watch's fd wakes it (the loop's wakeup fd wakes it whenever this list changes).
  std::vector<std::pair<int, short>> watchedFds(const std::string& mode = kDefaultMode) const;

  std::shared_ptr<RunLoopState> state() const { return state_; }  // for Timer and tests

 private:
  std::shared_ptr<RunLoopState> state_;
};

// Internal (used by Timer): wakes a loop's poll; files a timer again under its new fire date; takes an
// invalidated timer out of its loop.
void wakeRunLoop(RunLoopState& loop);
void runLoopTimerMoved(RunLoopState& loop, Timer& timer);
void runLoopTimerInvalidated(RunLoopState& loop, Timer& timer);

// Runs fn on the main thread's loop (in the common modes). When already on the main thread it runs inline.
// With waitUntilDone the caller blocks until the main loop has run it: the main thread must be running
// its loop (or runUntilIdle / advance) for that to end.
void performOnMainThread(std::function<void()> fn, bool waitUntilDone);
// Runs fn once on the current thread's loop, `seconds` from now, in the default mode. The returned timer
// cancels it with invalidate().
std::shared_ptr<Timer> performAfterDelay(double seconds, std::function<void()> fn);

}  // namespace rl
