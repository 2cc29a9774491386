#include "platform/runloop/OperationQueue.h"

#include "platform/runloop/DispatchQueue.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

namespace rl {

struct OperationQueueState : std::enable_shared_from_this<OperationQueueState> {
  // Starts ready operations while there is room. Lock order: the queue's mutex, then one operation's.
  void schedule() {
    std::vector<std::shared_ptr<Operation>> toStart;
    {
      std::lock_guard lock(mutex);
      int limit = maxConcurrent > 0 ? maxConcurrent
                                    : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
      while (!suspended && static_cast<int>(dispatched.size()) < limit) {
        std::shared_ptr<Operation> best;
        for (auto& op : ops) {
          if (dispatched.count(op.get()) || !op->isReady()) continue;
          if (!best || op->queuePriority() > best->queuePriority()) best = op;  // ties: first added
        }
        if (!best) break;
        dispatched.insert(best.get());
        toStart.push_back(best);
      }
    }
    for (auto& op : toStart) DispatchQueue::global().async([op] { op->start(); });
  }

  void finished(const std::shared_ptr<Operation>& op) {
    {
      std::lock_guard lock(mutex);
      auto it = std::find(ops.begin(), ops.end(), op);
      if (it == ops.end()) return;
      dispatched.erase(op.get());
      ops.erase(it);
    }
    emptyCv.notify_all();
  }

  mutable std::mutex mutex;  // guards everything below
  std::condition_variable emptyCv;
  std::vector<std::shared_ptr<Operation>> ops;  // not yet finished, in the order added
  std::set<const Operation*> dispatched;        // handed to a worker thread
  int maxConcurrent = OperationQueue::kDefaultMaxConcurrentOperationCount;
  bool suspended = false;
  std::string name;
};

void operationQueueChanged(const std::shared_ptr<OperationQueueState>& queue,
                           const std::shared_ptr<Operation>& finished) {
  if (finished) queue->finished(finished);
  queue->schedule();
}

OperationQueue::OperationQueue() : state_(std::make_shared<OperationQueueState>()) {}
OperationQueue::~OperationQueue() = default;

void OperationQueue::setName(std::string name) {
  std::lock_guard lock(state_->mutex);
  state_->name = std::move(name);
}

std::string OperationQueue::name() const {
  std::lock_guard lock(state_->mutex);
  return state_->name;
}

void OperationQueue::setMaxConcurrentOperationCount(int count) {
  {
    std::lock_guard lock(state_->mutex);
    state_->maxConcurrent = count > 0 ? count : kDefaultMaxConcurrentOperationCount;
  }
  state_->schedule();
}

int OperationQueue::maxConcurrentOperationCount() const {
  std::lock_guard lock(state_->mutex);
  return state_->maxConcurrent;
}

bool OperationQueue::addOperation(const std::shared_ptr<Operation>& op) {
  if (!op || op->started_.load() || op->isFinished()) return false;
  {
    std::lock_guard opLock(op->mutex_);
    if (!op->queue_.expired()) return false;
    op->queue_ = state_;
  }
  {
    std::lock_guard lock(state_->mutex);
    state_->ops.push_back(op);
  }
  state_->schedule();
  return true;
}

void OperationQueue::addOperationWithBlock(std::function<void()> fn) {
  addOperation(BlockOperation::make(std::move(fn)));
}

std::vector<std::shared_ptr<Operation>> OperationQueue::operations() const {
  std::lock_guard lock(state_->mutex);
  return state_->ops;
}

std::size_t OperationQueue::operationCount() const {
  std::lock_guard lock(state_->mutex);
  return state_->ops.size();
}

void OperationQueue::cancelAllOperations() {
  for (auto& op : operations()) op->cancel();
}

void OperationQueue::setSuspended(bool suspended) {
  {
    std::lock_guard lock(state_->mutex);
    state_->suspended = suspended;
  }
  state_->schedule();
}

bool OperationQueue::isSuspended() const {
  std::lock_guard lock(state_->mutex);
  return state_->suspended;
}

void OperationQueue::waitUntilAllOperationsAreFinished() {
  std::unique_lock lock(state_->mutex);
  state_->emptyCv.wait(lock, [&] { return state_->ops.empty(); });
}

}  // namespace rl
