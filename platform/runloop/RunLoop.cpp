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
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
#include <unordered_map>
#include <vector>

namespace rl {

struct RunLoopState {
  struct Task {
    std::function<void()> fn;
    std::string mode;
    std::uint64_t seq;
  };
  // A timer added to this loop, and where it sits in the per-mode indexes.
  struct TimerRecord {
    std::shared_ptr<Timer> timer;
    std::set<std::string> modes;  // as added (kCommonModes stays itself)
    std::uint64_t seq;            // the order it was first added in
    double keyDate;               // the fire date it is filed under
  };
  // Index key: fire date, then the order added (the documented firing order).
  struct TimerKey {
    double date;
    std::uint64_t seq;
    Timer* timer;
    bool operator<(const TimerKey& o) const {
      if (date != o.date) return date < o.date;
      return seq < o.seq;
    }
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

  // The indexes a pass in `mode` reads: the mode's own and, for a common mode, the common modes'. Caller
  // holds `mutex`.
  template <class Fn>
  void forEachIndexOf(const std::string& mode, Fn&& fn) const {
    if (auto it = timerIndex.find(mode); it != timerIndex.end()) fn(it->second);
    if (mode != kCommonModes && commonModes.count(mode)) {
      if (auto it = timerIndex.find(kCommonModes); it != timerIndex.end()) fn(it->second);
    }
  }

  // Files a new timer (or one more mode of a known one). Caller holds `mutex`.
  void fileTimer(const std::shared_ptr<Timer>& timer, std::string mode) {
    auto it = timers.find(timer.get());
    if (it == timers.end()) {
      double date;
      {
        std::lock_guard timerLock(timer->mutex_);
        date = timer->fireDate_;
      }
      it = timers.emplace(timer.get(), TimerRecord{timer, {}, nextSeq++, date}).first;
    }
    TimerRecord& r = it->second;
    if (r.modes.insert(mode).second) timerIndex[mode].insert({r.keyDate, r.seq, timer.get()});
  }

  // Takes a timer out of the indexes; the caller releases the returned reference after unlocking.
  // Caller holds `mutex`.
  std::shared_ptr<Timer> unfileTimer(Timer* timer) {
    auto it = timers.find(timer);
    if (it == timers.end()) return nullptr;
    TimerRecord& r = it->second;
    for (const std::string& mode : r.modes) {
      auto index = timerIndex.find(mode);
      if (index == timerIndex.end()) continue;
      index->second.erase({r.keyDate, r.seq, timer});
      if (index->second.empty()) timerIndex.erase(index);
    }
    std::shared_ptr<Timer> held = std::move(r.timer);
    timers.erase(it);
    return held;
  }

  // Files a timer again under its present fire date (after it was moved or fired). Caller holds `mutex`.
  void refileTimer(Timer* timer) {
    auto it = timers.find(timer);
    if (it == timers.end()) return;
    TimerRecord& r = it->second;
    double date;
    {
      std::lock_guard timerLock(timer->mutex_);
      date = timer->fireDate_;
    }
    if (date == r.keyDate) return;
    for (const std::string& mode : r.modes) {
      auto& index = timerIndex[mode];
      index.erase({r.keyDate, r.seq, timer});
      index.insert({date, r.seq, timer});
    }
    r.keyDate = date;
  }

  void timerMoved(Timer* timer) {
    {
      std::lock_guard lock(mutex);
      refileTimer(timer);
    }
    wake();
  }

  void timerInvalidated(Timer* timer) {
    std::shared_ptr<Timer> released;
    {
      std::lock_guard lock(mutex);
      released = unfileTimer(timer);
    }
    wake();
    // `released` (perhaps the last reference) goes here, with no lock held.
  }

  // Fires, in order of fire date (then the order added), every timer for `mode` that is due now. Only
  // the due front of the mode's indexes is read, however many timers wait further on or in other modes.
  // Returns how many fired.
  std::size_t fireDueTimers(const std::string& mode) {
    struct Due {
      double date;
      std::uint64_t seq;
      std::shared_ptr<Timer> timer;
    };
    std::vector<Due> due;
    std::vector<std::shared_ptr<Timer>> stale;  // invalidated while filed: released after unlocking
    double now;
    {
      std::lock_guard lock(mutex);
      now = clock->now();
      std::vector<Timer*> invalid;
      forEachIndexOf(mode, [&](const std::set<TimerKey>& index) {
        for (const TimerKey& k : index) {
          if (k.date > now) break;
          Timer* t = k.timer;
          if (!t->isValid()) {
            invalid.push_back(t);
            continue;
          }
          std::lock_guard timerLock(t->mutex_);
          if (!t->spent_ && t->fireDate_ == k.date) due.push_back({k.date, k.seq, timers.at(t).timer});
        }
      });
      for (Timer* t : invalid) stale.push_back(unfileTimer(t));
    }
    std::sort(due.begin(), due.end(),
              [](const Due& a, const Due& b) { return a.date != b.date ? a.date < b.date : a.seq < b.seq; });
    // A timer filed for a mode and for the common modes appears twice.
    due.erase(
        std::unique(due.begin(), due.end(), [](const Due& a, const Due& b) { return a.timer == b.timer; }),
        due.end());
    stale.clear();
    std::size_t fired = 0;
    for (auto& d : due) {
      Timer& t = *d.timer;
      Timer::Callback fn;
      bool moved = false;
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
          moved = true;
        } else {
          t.spent_ = true;
        }
        fn = t.fn_;
      }
      if (moved) {
        std::lock_guard lock(mutex);
        refileTimer(&t);
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
    forEachIndexOf(mode, [&](const std::set<TimerKey>& index) {
      for (const TimerKey& k : index) {
        if (best && k.date >= *best) break;
        if (!k.timer->isValid()) continue;
        std::lock_guard timerLock(k.timer->mutex_);
        if (k.timer->spent_) continue;
        best = k.date;
        break;
      }
    });
    return best;
  }

  bool hasTimers(const std::string& mode) const {
    bool any = false;
    forEachIndexOf(mode, [&](const std::set<TimerKey>& index) {
      for (const TimerKey& k : index) {
        if (k.timer->isValid()) {
          any = true;
          break;
        }
      }
    });
    return any;
  }

  bool hasSources(const std::string& mode) const {
    std::lock_guard lock(mutex);
    for (auto& t : tasks)
      if (matches(t.mode, mode)) return true;
    if (hasTimers(mode)) return true;
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
  std::unordered_map<Timer*, TimerRecord> timers;
  std::map<std::string, std::set<TimerKey>> timerIndex;  // per mode as added, by fire date then order added
  std::vector<std::shared_ptr<Watch>> watches;
  std::set<std::string> commonModes{kDefaultMode};
  std::uint64_t nextSeq = 1;
  int nextWatchId = 1;
  bool stopRequested = false;
};

void wakeRunLoop(RunLoopState& loop) { loop.wake(); }
void runLoopTimerMoved(RunLoopState& loop, Timer& timer) { loop.timerMoved(&timer); }
void runLoopTimerInvalidated(RunLoopState& loop, Timer& timer) { loop.timerInvalidated(&timer); }

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
    state_->fileTimer(timer, std::move(mode));
  }
  // Invalidated meanwhile (from another thread): it must not stay filed.
  if (!timer->isValid()) state_->timerInvalidated(timer.get());
  state_->wake();
}

std::size_t RunLoop::timerCount() const {
  std::lock_guard lock(state_->mutex);
  return state_->timers.size();
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
  std::unordered_map<Timer*, RunLoopState::TimerRecord> timers;
  std::map<std::string, std::set<RunLoopState::TimerKey>> timerIndex;
  std::vector<std::shared_ptr<RunLoopState::Watch>> watches;
  {
    std::lock_guard lock(state_->mutex);
    tasks.swap(state_->tasks);
    timers.swap(state_->timers);
    timerIndex.swap(state_->timerIndex);
    watches.swap(state_->watches);
    state_->stopRequested = false;
  }
  for (auto& w : watches) w->active.store(false);
  for (auto& [t, record] : timers) record.timer->invalidate();
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
