#pragma once
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace rl {

struct OperationQueueState;

// A unit of work for an OperationQueue (or to start() directly).
//
// A synchronous operation does its work in main() and is finished when main() returns. An asynchronous
// one (isAsynchronous() true) starts its work in main() and calls finish() later, from any thread; it
// keeps its queue slot until then.
//
// A cancelled operation that has not started is ready at once (its dependencies no longer hold it); when
// started it finishes without running main(). A running operation sees isCancelled() and stops itself.
//
// The completion callback runs once, on the thread that finishes the operation, after isFinished()
// became true and before operations that depend on it may start.
class Operation : public std::enable_shared_from_this<Operation> {
 public:
  enum QueuePriority { VeryLow = -8, Low = -4, Normal = 0, High = 4, VeryHigh = 8 };

  Operation();
  virtual ~Operation();
  Operation(const Operation&) = delete;
  Operation& operator=(const Operation&) = delete;

  virtual void main() {}
  virtual bool isAsynchronous() const { return false; }

  // Runs the operation on the calling thread (what a queue does on its worker thread). Only the first
  // call does anything.
  void start();
  // Ends an asynchronous operation (a synchronous one is finished by start()). Later calls do nothing.
  void finish();
  virtual void cancel();

  bool isCancelled() const { return cancelled_.load(); }
  bool isExecuting() const { return executing_.load(); }
  bool isFinished() const { return finished_.load(); }
  bool isReady() const;  // not started, and every dependency finished (or this one is cancelled)

  int queuePriority() const { return priority_.load(); }
  void setQueuePriority(int priority);  // any int; the queue prefers higher values

  // Holds this operation until `op` has finished. Ignored for itself, null, or once started.
  void addDependency(const std::shared_ptr<Operation>& op);
  void removeDependency(const std::shared_ptr<Operation>& op);
  std::vector<std::shared_ptr<Operation>> dependencies() const;

  void setCompletionBlock(std::function<void()> fn);
  void waitUntilFinished();  // blocks the caller until finished (never call it from the operation itself)

 private:
  friend class OperationQueue;
  friend struct OperationQueueState;
  void changed();  // readiness may have changed: tell the queue and the queues of dependents

  std::atomic<bool> cancelled_{false};
  std::atomic<bool> executing_{false};
  std::atomic<bool> finished_{false};
  std::atomic<bool> started_{false};
  std::atomic<bool> finishing_{false};
  std::atomic<int> priority_{Normal};
  mutable std::mutex mutex_;  // guards the members below (never held while calling out)
  std::condition_variable finishedCv_;
  std::function<void()> completion_;
  bool done_ = false;  // finished and the completion callback has returned
  std::vector<std::shared_ptr<Operation>> dependencies_;
  std::vector<std::weak_ptr<Operation>> dependents_;
  std::weak_ptr<OperationQueueState> queue_;
};

// An operation that runs a function.
class BlockOperation : public Operation {
 public:
  explicit BlockOperation(std::function<void()> fn) : fn_(std::move(fn)) {}
  static std::shared_ptr<BlockOperation> make(std::function<void()> fn) {
    return std::make_shared<BlockOperation>(std::move(fn));
  }
  void main() override {
    if (fn_) fn_();
  }

 private:
  std::function<void()> fn_;
};

}  // namespace rl
