#include "platform/runloop/Operation.h"

#include "platform/runloop/OperationQueue.h"

#include <algorithm>

namespace rl {

// Defined in OperationQueue.cpp.
void operationQueueChanged(const std::shared_ptr<OperationQueueState>& queue,
                           const std::shared_ptr<Operation>& finished);

Operation::Operation() = default;
Operation::~Operation() = default;

void Operation::start() {
  bool expected = false;
  if (!started_.compare_exchange_strong(expected, true)) return;
  if (cancelled_.load()) {
    finish();
    return;
  }
  executing_.store(true);
  main();
  if (!isAsynchronous()) finish();
}

void Operation::finish() {
  if (!started_.load()) return;
  bool expected = false;
  if (!finishing_.compare_exchange_strong(expected, true)) return;
  executing_.store(false);
  finished_.store(true);
  std::function<void()> completion;
  {
    std::lock_guard lock(mutex_);
    completion = std::move(completion_);
    completion_ = nullptr;
  }
  if (completion) completion();
  completion = nullptr;
  {
    std::lock_guard lock(mutex_);
    done_ = true;
  }
  finishedCv_.notify_all();
  changed();
}

void Operation::cancel() {
  if (cancelled_.exchange(true)) return;
  changed();
}

bool Operation::isReady() const {
  if (started_.load()) return false;
  if (cancelled_.load()) return true;
  std::vector<std::shared_ptr<Operation>> deps = dependencies();
  return std::all_of(deps.begin(), deps.end(), [](const auto& d) { return d->isFinished(); });
}

void Operation::setQueuePriority(int priority) {
  priority_.store(priority);
  changed();
}

void Operation::addDependency(const std::shared_ptr<Operation>& op) {
  if (!op || op.get() == this || started_.load()) return;
  {
    std::lock_guard lock(mutex_);
    if (std::find(dependencies_.begin(), dependencies_.end(), op) != dependencies_.end()) return;
    dependencies_.push_back(op);
  }
  {
    std::lock_guard lock(op->mutex_);
    op->dependents_.push_back(weak_from_this());
  }
  // A dependency that finished in the meantime has already told its dependents; look again.
  changed();
}

void Operation::removeDependency(const std::shared_ptr<Operation>& op) {
  {
    std::lock_guard lock(mutex_);
    auto it = std::find(dependencies_.begin(), dependencies_.end(), op);
    if (it == dependencies_.end()) return;
    dependencies_.erase(it);
  }
  changed();
}

std::vector<std::shared_ptr<Operation>> Operation::dependencies() const {
  std::lock_guard lock(mutex_);
  return dependencies_;
}

void Operation::setCompletionBlock(std::function<void()> fn) {
  std::lock_guard lock(mutex_);
  completion_ = std::move(fn);
}

void Operation::waitUntilFinished() {
  std::unique_lock lock(mutex_);
  finishedCv_.wait(lock, [&] { return done_; });
}

void Operation::changed() {
  std::shared_ptr<OperationQueueState> queue;
  std::vector<std::weak_ptr<Operation>> dependents;
  {
    std::lock_guard lock(mutex_);
    queue = queue_.lock();
    if (finished_.load()) dependents = dependents_;
  }
  auto self = weak_from_this().lock();
  if (queue) operationQueueChanged(queue, finished_.load() ? self : nullptr);
  for (auto& weak : dependents) {
    auto dependent = weak.lock();
    if (!dependent) continue;
    std::shared_ptr<OperationQueueState> dependentQueue;
    {
      std::lock_guard lock(dependent->mutex_);
      dependentQueue = dependent->queue_.lock();
    }
    if (dependentQueue && dependentQueue != queue) operationQueueChanged(dependentQueue, nullptr);
  }
}

}  // namespace rl
