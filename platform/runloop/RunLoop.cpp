#include "platform/runloop/RunLoop.h"

#include "platform/runloop/Semaphore.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <deque>
#include <limits>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <vector>

namespace rl {

struct RunLoopState {
  struct Task {
    std::function<void()> fn;
    std::string mode;
    std::uint64_t seq;
  };
  struct TimerEntry {
    std::shared_ptr<Timer> timer;
    std::set<std::string> modes;
    std::uint64_t seq;
  };
  struct Watch {
    int id;
    int fd;
    short events;
    std::string mode;
    std::function<void(short)> cb;
    std::atomic<bool> active{true};
  };

  RunLoopState() : eventFd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)), clock(Clock::real()) {}
  ~RunLoopState() {
    if (clock) clock->removeObserver(clockObserver);
    if (eventFd >= 0) ::close(eventFd);
  }

  void wake() const {
    if (eventFd < 0) return;
    std::uint64_t one = 1;
    ssize_t r = ::write(eventFd, &one, sizeof one);  // EAGAIN (counter full) still leaves it readable
    (void)r;
  }
  void drain() const {
    if (eventFd < 0) return;
    std::uint64_t value;
    ssize_t r = ::read(eventFd, &value, sizeof value);
    (void)r;
  }

  // Caller holds `mutex`.
  bool matches(const std::string& itemMode, const std::string& runMode) const {
    if (itemMode == runMode) return true;
    return itemMode == kCommonModes && commonModes.count(runMode) > 0;
  }
  bool matches(const std::set<std::string>& itemModes, const std::string& runMode) const {
    if (itemModes.count(runMode)) return true;
    return itemModes.count(kCommonModes) > 0 && commonModes.count(runMode) > 0;
  }

  // Runs the first queued task for `mode` posted before `limit`. False when there is none.
  bool runOneTask(const std::string& mode, std::uint64_t limit) {
    std::function<void()> fn;
    {
      std::lock_guard lock(mutex);
      auto it = std::find_if(tasks.begin(), tasks.end(),
                             [&](const Task& t) { return t.seq < limit && matches(t.mode, mode); });
      if (it == tasks.end()) return false;
      fn = std::move(it->fn);
      tasks.erase(it);
    }
    if (fn) fn();
    return true;
  }

  std::size_t runTasks(const std::string& mode) {
    std::uint64_t limit;
    {
      std::lock_guard lock(mutex);
      limit = nextSeq;
    }
    std::size_t n = 0;
    while (runOneTask(mode, limit)) ++n;
    return n;
  }

  // Fires, in order of fire date, every timer for `mode` that is due now. Returns how many fired.
  std::size_t fireDueTimers(const std::string& mode) {
    struct Due {
      double date;
      std::uint64_t seq;
      std::shared_ptr<Timer> timer;
    };
    std::vector<Due> due;
    double now;
    {
      std::lock_guard lock(mutex);
      now = clock->now();
      std::erase_if(timers, [](const TimerEntry& e) { return !e.timer->isValid(); });
      for (auto& e : timers) {
        if (!matches(e.modes, mode)) continue;
        std::lock_guard timerLock(e.timer->mutex_);
        if (!e.timer->spent_ && e.timer->fireDate_ <= now)
          due.push_back({e.timer->fireDate_, e.seq, e.timer});
      }
    }
    std::sort(due.begin(), due.end(),
              [](const Due& a, const Due& b) { return a.date != b.date ? a.date < b.date : a.seq < b.seq; });
    std::size_t fired = 0;
    for (auto& d : due) {
      Timer& t = *d.timer;
      Timer::Callback fn;
      {
        std::lock_guard timerLock(t.mutex_);
        // An earlier callback may have invalidated or moved it.
        if (!t.valid_.load() || t.spent_ || t.fireDate_ != d.date) continue;
        if (t.repeats_) {
          double next = d.date + t.interval_;
          if (next <= now) next = d.date + (std::floor((now - d.date) / t.interval_) + 1) * t.interval_;
          if (next <= now) next = now + t.interval_;
          if (next <= d.date) next = std::nextafter(d.date, std::numeric_limits<double>::infinity());
          t.fireDate_ = next;
        } else {
          t.spent_ = true;
        }
        fn = t.fn_;
      }
      ++fired;
      if (fn) fn(t);
      if (!t.repeats_) t.invalidate();  // a one-shot timer is done, even if its callback moved it
    }
    return fired;
  }

  std::optional<double> nextFireTime(const std::string& mode) const {
    std::lock_guard lock(mutex);
    std::optional<double> best;
    for (auto& e : timers) {
      if (!e.timer->isValid() || !matches(e.modes, mode)) continue;
      std::lock_guard timerLock(e.timer->mutex_);
      if (e.timer->spent_) continue;
      if (!best || e.timer->fireDate_ < *best) best = e.timer->fireDate_;
    }
    return best;
  }

  bool hasSources(const std::string& mode) const {
    std::lock_guard lock(mutex);
    for (auto& t : tasks)
      if (matches(t.mode, mode)) return true;
    for (auto& e : timers)
      if (e.timer->isValid() && matches(e.modes, mode)) return true;
    for (auto& w : watches)
      if (w->active.load() && matches(w->mode, mode)) return true;
    return false;
  }

  bool hasReadyTask(const std::string& mode) const {
    std::lock_guard lock(mutex);
    for (auto& t : tasks)
      if (matches(t.mode, mode)) return true;
    return false;
  }

  void removeWatch(int id) {
    std::shared_ptr<Watch> removed;
    {
      std::lock_guard lock(mutex);
      auto it = std::find_if(watches.begin(), watches.end(), [&](auto& w) { return w->id == id; });
      if (it == watches.end()) return;
      removed = *it;
      removed->active.store(false);
      watches.erase(it);
    }
    wake();
  }

  // Waits up to `wait` seconds (negative: forever) for the wakeup fd or a watched fd, then calls the
  // callbacks of ready watches. Returns how many callbacks ran.
  std::size_t pollFds(const std::string& mode, double wait) {
    std::vector<std::shared_ptr<Watch>> active;
    std::vector<pollfd> fds;
    fds.push_back({eventFd, POLLIN, 0});
    {
      std::lock_guard lock(mutex);
      for (auto& w : watches) {
        if (!w->active.load() || !matches(w->mode, mode)) continue;
        active.push_back(w);
        fds.push_back({w->fd, w->events, 0});
      }
    }
    timespec ts{};
    timespec* tsp = nullptr;
    if (wait >= 0) {
      if (wait > 1e8) wait = 1e8;
      ts.tv_sec = static_cast<time_t>(wait);
      ts.tv_nsec = static_cast<long>((wait - static_cast<double>(ts.tv_sec)) * 1e9);
      if (ts.tv_nsec >= 1000000000L) ts.tv_nsec = 999999999L;
      tsp = &ts;
    }
    int r = ::ppoll(fds.data(), fds.size(), tsp, nullptr);
    if (r <= 0) return 0;  // timeout, or EINTR: the caller's pass simply ends
    if (fds[0].revents) drain();
    std::size_t ran = 0;
    for (std::size_t i = 1; i < fds.size(); ++i) {
      short revents = fds[i].revents;
      if (!revents) continue;
      auto& w = active[i - 1];
      if (!w->active.load()) continue;  // removed by an earlier callback of this pass
      ++ran;
      w->cb(revents);
      if (revents & POLLNVAL) removeWatch(w->id);
    }
    return ran;
  }

  std::size_t runPass(const std::string& mode, double timeout, bool waitWithoutSources) {
    drain();  // wakeups up to here are answered by this pass
    std::size_t ran = runTasks(mode) + fireDueTimers(mode);
    if (ran == 0 && !waitWithoutSources && !hasSources(mode)) return 0;
    double wait = 0;
    if (ran == 0 && timeout > 0 && !hasReadyTask(mode)) {
      wait = timeout;
      std::shared_ptr<Clock> c = currentClock();
      if (!std::dynamic_pointer_cast<ManualClock>(c)) {
        if (auto next = nextFireTime(mode)) wait = std::min(wait, std::max(0.0, *next - c->now()));
      }
      if (wait >= 1e8) wait = -1;
    }
    ran += pollFds(mode, wait);
    if (ran == 0) ran += runTasks(mode) + fireDueTimers(mode);
    return ran;
  }

  std::shared_ptr<Clock> currentClock() const {
    std::lock_guard lock(mutex);
    return clock;
  }

  const int eventFd;
  mutable std::mutex mutex;  // guards everything below; never held while a callback runs
  std::shared_ptr<Clock> clock;
  int clockObserver = 0;
  std::deque<Task> tasks;
  std::vector<TimerEntry> timers;
  std::vector<std::shared_ptr<Watch>> watches;
  std::set<std::string> commonModes{kDefaultMode};
  std::uint64_t nextSeq = 1;
  int nextWatchId = 1;
  bool stopRequested = false;
};

void wakeRunLoop(RunLoopState& loop) { loop.wake(); }

namespace {

std::string runMode(const std::string& mode) {
  return mode == kCommonModes ? std::string(kDefaultMode) : mode;
}

struct Registry {
  std::mutex mutex;
  std::optional<std::thread::id> mainThread;  // unset: the process's initial thread
  std::shared_ptr<RunLoop> mainLoop;
};

Registry& registry() {
  static Registry* r = new Registry;  // never destroyed: threads may still use it while the process exits
  return *r;
}

thread_local std::shared_ptr<RunLoop> tlLoop;

bool isMainThreadLocked(const Registry& r) {
  if (r.mainThread) return *r.mainThread == std::this_thread::get_id();
  return static_cast<pid_t>(::syscall(SYS_gettid)) == ::getpid();
}

}  // namespace

RunLoop::RunLoop() : state_(std::make_shared<RunLoopState>()) {}

RunLoop::~RunLoop() { clear(); }

RunLoop& RunLoop::current() {
  if (tlLoop) return *tlLoop;
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  if (isMainThreadLocked(r)) {
    if (!r.mainLoop) r.mainLoop = std::make_shared<RunLoop>();
    tlLoop = r.mainLoop;
  } else {
    tlLoop = std::make_shared<RunLoop>();
  }
  return *tlLoop;
}

std::shared_ptr<RunLoop> RunLoop::currentShared() {
  current();
  return tlLoop;
}

RunLoop& RunLoop::main() {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  if (!r.mainLoop) r.mainLoop = std::make_shared<RunLoop>();
  return *r.mainLoop;
}

void RunLoop::setMainThread() {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  r.mainThread = std::this_thread::get_id();
  if (tlLoop) {
    r.mainLoop = tlLoop;
  } else {
    if (!r.mainLoop) r.mainLoop = std::make_shared<RunLoop>();
    tlLoop = r.mainLoop;
  }
}

bool RunLoop::isMainThread() {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  return isMainThreadLocked(r);
}

void RunLoop::setClock(std::shared_ptr<Clock> clock) {
  if (!clock) clock = Clock::real();
  std::weak_ptr<RunLoopState> weak = state_;
  int observer = clock->addObserver([weak] {
    if (auto s = weak.lock()) s->wake();
  });
  std::shared_ptr<Clock> old;
  int oldObserver;
  {
    std::lock_guard lock(state_->mutex);
    old = std::move(state_->clock);
    oldObserver = state_->clockObserver;
    state_->clock = std::move(clock);
    state_->clockObserver = observer;
  }
  if (old) old->removeObserver(oldObserver);
  state_->wake();
}

std::shared_ptr<Clock> RunLoop::clock() const { return state_->currentClock(); }

void RunLoop::post(std::function<void()> task, std::string mode) {
  {
    std::lock_guard lock(state_->mutex);
    state_->tasks.push_back({std::move(task), std::move(mode), state_->nextSeq++});
  }
  state_->wake();
}

void RunLoop::addTimer(const std::shared_ptr<Timer>& timer, std::string mode) {
  if (!timer || !timer->isValid()) return;
  {
    std::lock_guard timerLock(timer->mutex_);
    auto owner = timer->loop_.lock();
    if (owner && owner != state_) return;  // a timer lives on one loop
    timer->loop_ = state_;
  }
  {
    std::lock_guard lock(state_->mutex);
    auto it = std::find_if(state_->timers.begin(), state_->timers.end(),
                           [&](const RunLoopState::TimerEntry& e) { return e.timer == timer; });
    if (it != state_->timers.end()) {
      it->modes.insert(std::move(mode));
    } else {
      state_->timers.push_back({timer, {std::move(mode)}, state_->nextSeq++});
    }
  }
  state_->wake();
}

int RunLoop::watchFd(int fd, short pollEvents, std::function<void(short revents)> cb, std::string mode) {
  auto w = std::make_shared<RunLoopState::Watch>();
  w->fd = fd;
  w->events = pollEvents;
  w->mode = std::move(mode);
  w->cb = std::move(cb);
  int id;
  {
    std::lock_guard lock(state_->mutex);
    id = w->id = state_->nextWatchId++;
    state_->watches.push_back(std::move(w));
  }
  state_->wake();
  return id;
}

void RunLoop::unwatchFd(int id) { state_->removeWatch(id); }

bool RunLoop::runUntil(const std::function<bool()>& done, double timeoutSeconds, const std::string& mode,
                       double passSeconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  while (!done() && std::chrono::steady_clock::now() < deadline) runOnce(mode, passSeconds);
  return done();
}

bool RunLoop::runOnce(const std::string& mode, double timeoutSeconds) {
  std::string m = runMode(mode);
  if (state_->runPass(m, timeoutSeconds, false) > 0) return true;
  return state_->hasSources(m);
}

void RunLoop::run() {
  std::string m = kDefaultMode;
  while (true) {
    state_->runPass(m, 1e9, true);
    std::lock_guard lock(state_->mutex);
    if (state_->stopRequested) {
      state_->stopRequested = false;
      return;
    }
  }
}

void RunLoop::stop() {
  {
    std::lock_guard lock(state_->mutex);
    state_->stopRequested = true;
  }
  state_->wake();
}

std::size_t RunLoop::runUntilIdle(const std::string& mode) {
  std::string m = runMode(mode);
  std::size_t total = 0;
  while (true) {
    std::size_t n = state_->runTasks(m) + state_->fireDueTimers(m);
    if (n == 0) return total;
    total += n;
  }
}

void RunLoop::advance(double seconds, const std::string& mode) {
  std::string m = runMode(mode);
  auto manual = std::dynamic_pointer_cast<ManualClock>(clock());
  if (!manual) {
    runUntilIdle(m);
    return;
  }
  double target = manual->now() + (seconds > 0 ? seconds : 0);
  runUntilIdle(m);
  while (true) {
    auto next = nextTimerFireTime(m);
    if (!next || *next > target) break;
    manual->set(*next);
    runUntilIdle(m);
  }
  manual->set(target);
  runUntilIdle(m);
}

std::optional<double> RunLoop::nextTimerFireTime(const std::string& mode) const {
  return state_->nextFireTime(runMode(mode));
}

bool RunLoop::hasPendingWork(const std::string& mode) const {
  std::string m = runMode(mode);
  if (state_->hasReadyTask(m)) return true;
  auto next = state_->nextFireTime(m);
  return next && *next <= clock()->now();
}

void RunLoop::addCommonMode(const std::string& mode) {
  if (mode == kCommonModes) return;
  {
    std::lock_guard lock(state_->mutex);
    state_->commonModes.insert(mode);
  }
  state_->wake();
}

bool RunLoop::isCommonMode(const std::string& mode) const {
  std::lock_guard lock(state_->mutex);
  return state_->commonModes.count(mode) > 0;
}

void RunLoop::clear() {
  std::deque<RunLoopState::Task> tasks;
  std::vector<RunLoopState::TimerEntry> timers;
  std::vector<std::shared_ptr<RunLoopState::Watch>> watches;
  {
    std::lock_guard lock(state_->mutex);
    tasks.swap(state_->tasks);
    timers.swap(state_->timers);
    watches.swap(state_->watches);
    state_->stopRequested = false;
  }
  for (auto& w : watches) w->active.store(false);
  for (auto& e : timers) e.timer->invalidate();
  // The tasks and callbacks (and what they captured) are destroyed here, with no lock held.
}

int RunLoop::wakeupFd() const { return state_->eventFd; }

std::vector<std::pair<int, short>> RunLoop::watchedFds(const std::string& mode) const {
  const std::string m = runMode(mode);
  std::vector<std::pair<int, short>> out;
  std::lock_guard lock(state_->mutex);
  for (auto& w : state_->watches) {
    if (w->active.load() && state_->matches(w->mode, m)) out.emplace_back(w->fd, w->events);
  }
  return out;
}

void performOnMainThread(std::function<void()> fn, bool waitUntilDone) {
  if (!fn) return;
  if (RunLoop::isMainThread()) {
    fn();
    return;
  }
  if (!waitUntilDone) {
    RunLoop::main().post(std::move(fn), kCommonModes);
    return;
  }
  // Signals when the task has run, and also when the main loop drops it unrun (clear()), so the
  // caller never waits for a task that no longer exists.
  struct Signal {
    explicit Signal(Semaphore& s) : semaphore(s) {}
    Signal(const Signal&) = delete;
    Signal& operator=(const Signal&) = delete;
    ~Signal() { semaphore.signal(); }
    Semaphore& semaphore;
  };
  Semaphore done;
  auto signal = std::make_shared<Signal>(done);
  RunLoop::main().post([&fn, signal = std::move(signal)] { fn(); }, kCommonModes);
  done.wait();
}

std::shared_ptr<Timer> performAfterDelay(double seconds, std::function<void()> fn) {
  auto timer = Timer::make(seconds, false, [fn = std::move(fn)](Timer&) {
    if (fn) fn();
  });
  RunLoop::current().addTimer(timer, kDefaultMode);
  return timer;
}

}  // namespace rl
