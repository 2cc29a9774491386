#include "platform/runloop/DispatchQueue.h"

#include "platform/runloop/Semaphore.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <set>
#include <thread>

namespace rl {

namespace {
constexpr int kMaxGlobalWorkers = 64;
}

struct DispatchQueueState : std::enable_shared_from_this<DispatchQueueState> {
  struct Item {
    std::uint64_t seq;
    std::function<void()> fn;
  };

  DispatchQueueState(std::string l, bool s) : label(std::move(l)), serial(s) {}

  // Caller holds `mutex`.
  void startWorkerIfNeeded() {
    if (serial) {
      if (!thread.joinable()) thread = std::thread([self = shared_from_this()] { self->work(); });
      return;
    }
    if (queue.size() > static_cast<std::size_t>(idle) && workers < kMaxGlobalWorkers) {
      ++workers;
      std::thread([self = shared_from_this()] { self->work(); }).detach();
    }
  }

  void work();

  const std::string label;
  const bool serial;
  std::mutex mutex;  // guards everything below
  std::condition_variable workCv;
  std::condition_variable doneCv;
  std::deque<Item> queue;
  std::set<std::uint64_t> unfinished;
  std::uint64_t nextSeq = 1;
  bool stopping = false;  // serial: the queue object is gone; finish the queue, then end
  std::thread thread;     // serial: the worker
  int workers = 0;        // global: worker threads
  int idle = 0;           // global: workers waiting for work
};

namespace {
thread_local const DispatchQueueState* tlCurrentQueue = nullptr;
}

void DispatchQueueState::work() {
  std::unique_lock lock(mutex);
  while (true) {
    ++idle;
    workCv.wait(lock, [&] { return !queue.empty() || stopping; });
    --idle;
    if (queue.empty()) return;  // stopping, and nothing left
    Item item = std::move(queue.front());
    queue.pop_front();
    lock.unlock();
    tlCurrentQueue = this;
    item.fn();
    item.fn = nullptr;  // what the task captured goes before it counts as done
    tlCurrentQueue = nullptr;
    lock.lock();
    unfinished.erase(item.seq);
    doneCv.notify_all();
  }
}

DispatchQueue::DispatchQueue(std::string label, bool serial)
    : state_(std::make_shared<DispatchQueueState>(std::move(label), serial)) {}

DispatchQueue::~DispatchQueue() {
  if (!state_->serial) return;
  std::thread worker;
  {
    std::lock_guard lock(state_->mutex);
    state_->stopping = true;
    worker = std::move(state_->thread);
  }
  state_->workCv.notify_all();
  if (!worker.joinable()) return;
  if (worker.get_id() == std::this_thread::get_id()) {
    worker.detach();  // the last reference went in one of the queue's own tasks: it ends by itself
  } else {
    worker.join();
  }
}

DispatchQueue& DispatchQueue::global() {
  static DispatchQueue* queue = new DispatchQueue("global", false);  // lives until the process ends
  return *queue;
}

std::shared_ptr<DispatchQueue> DispatchQueue::serial(std::string label) {
  return std::make_shared<DispatchQueue>(std::move(label), true);
}

const std::string& DispatchQueue::label() const { return state_->label; }

void DispatchQueue::async(std::function<void()> fn) {
  if (!fn) return;
  {
    std::lock_guard lock(state_->mutex);
    std::uint64_t seq = state_->nextSeq++;
    state_->queue.push_back({seq, std::move(fn)});
    state_->unfinished.insert(seq);
    state_->startWorkerIfNeeded();
  }
  state_->workCv.notify_one();
}

void DispatchQueue::sync(std::function<void()> fn) {
  if (!fn) return;
  if (!state_->serial || isCurrent()) {
    fn();
    return;
  }
  Semaphore done;
  async([&] {
    fn();
    done.signal();
  });
  done.wait();
}

void DispatchQueue::waitIdle() {
  std::unique_lock lock(state_->mutex);
  std::uint64_t last = state_->nextSeq - 1;
  state_->doneCv.wait(lock, [&] { return state_->unfinished.empty() || *state_->unfinished.begin() > last; });
}

bool DispatchQueue::isCurrent() const { return tlCurrentQueue == state_.get(); }

}  // namespace rl
