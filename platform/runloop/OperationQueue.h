#pragma once
#include "platform/runloop/Operation.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace rl {

// Runs operations on worker threads, at most maxConcurrentOperationCount at a time. Among the ready
// operations the one with the highest queuePriority starts first (equal priorities in the order they were
// added). A finished operation leaves the queue. A suspended queue starts nothing new; running operations
// go on. Thread-safe.
class OperationQueue {
 public:
  static constexpr int kDefaultMaxConcurrentOperationCount = -1;  // as many as there are processors

  OperationQueue();
  ~OperationQueue();  // cancels nothing and waits for nothing: running operations finish on their own
  OperationQueue(const OperationQueue&) = delete;
  OperationQueue& operator=(const OperationQueue&) = delete;

  void setName(std::string name);
  std::string name() const;
  void setMaxConcurrentOperationCount(int count);  // <= 0: the default
  int maxConcurrentOperationCount() const;

  // Returns false (and does nothing) for null, or an operation already in a queue, started or finished.
  bool addOperation(const std::shared_ptr<Operation>& op);
  void addOperationWithBlock(std::function<void()> fn);
  std::vector<std::shared_ptr<Operation>> operations() const;  // not yet finished, in the order added
  std::size_t operationCount() const;
  void cancelAllOperations();
  void setSuspended(bool suspended);
  bool isSuspended() const;
  // Blocks until the queue is empty (forever while it is suspended with work in it).
  void waitUntilAllOperationsAreFinished();

 private:
  std::shared_ptr<OperationQueueState> state_;
};

}  // namespace rl
