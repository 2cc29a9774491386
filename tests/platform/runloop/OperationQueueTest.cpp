#include "platform/runloop/DispatchQueue.h"
#include "platform/runloop/OperationQueue.h"
#include "platform/runloop/Semaphore.h"
#include "tests/platform/runloop/TestSupport.h"

#include <gtest/gtest.h>

#include <thread>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

namespace {

using rltest::Guarded;

// Appends its name to a shared log when it runs.
class Named : public rl::Operation {
 public:
  Named(std::string name, Guarded<std::vector<std::string>>& log) : name_(std::move(name)), log_(log) {}
  void main() override {
    log_.update([&](auto& l) { l.push_back(name_); });
  }

 private:
  std::string name_;
  Guarded<std::vector<std::string>>& log_;
};

// Starts work in main() and finishes later, when the test says so.
class Deferred : public rl::Operation {
 public:
  bool isAsynchronous() const override { return true; }
  void main() override { mainReturned.signal(); }
  rl::Semaphore mainReturned;
};

TEST(OperationQueue, NeverRunsMoreThanTheMaximumAtOnce) {
  for (int limit : {1, 2, 4}) {
    SCOPED_TRACE(limit);
    constexpr int kOps = 10;
    rl::OperationQueue queue;
    queue.setMaxConcurrentOperationCount(limit);
    Guarded<int> running(0);
    std::atomic<int> peak{0};
    rl::Semaphore gate;
    for (int i = 0; i < kOps; ++i) {
      queue.addOperationWithBlock([&] {
        int now = 0;
        running.update([&](int& n) { now = ++n; });
        int seen = peak.load();
        while (now > seen && !peak.compare_exchange_weak(seen, now)) {
        }
        gate.wait();
        running.update([](int& n) { --n; });
      });
    }
    // All slots fill, and stay at the limit while every running operation is held.
    ASSERT_TRUE(running.waitFor([&](int n) { return n == limit; }));
    EXPECT_EQ(queue.operationCount(), static_cast<std::size_t>(kOps));
    auto ops = queue.operations();
    EXPECT_EQ(std::count_if(ops.begin(), ops.end(), [](auto& op) { return op->isExecuting(); }), limit);
    for (int i = 0; i < kOps; ++i) gate.signal();
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(peak.load(), limit);
    EXPECT_EQ(queue.operationCount(), 0u);
  }
}

TEST(OperationQueue, HigherPriorityStartsFirstAndEqualOnesInOrder) {
  Guarded<std::vector<std::string>> log;
  rl::OperationQueue queue;
  queue.setMaxConcurrentOperationCount(1);
  queue.setSuspended(true);
  const std::pair<const char*, int> ops[] = {{"a", rl::Operation::Normal}, {"b", rl::Operation::High},
                                             {"c", rl::Operation::Low},    {"d", rl::Operation::VeryHigh},
                                             {"e", rl::Operation::Normal}, {"head", 10}};
  for (auto& [name, priority] : ops) {
    auto op = std::make_shared<Named>(name, log);
    op->setQueuePriority(priority);
    queue.addOperation(op);
  }
  EXPECT_TRUE(queue.isSuspended());
  queue.setSuspended(false);
  queue.waitUntilAllOperationsAreFinished();
  EXPECT_EQ(log.get(), (std::vector<std::string>{"head", "d", "b", "a", "e", "c"}));
}

TEST(OperationQueue, DependenciesHoldAnOperationUntilTheyFinish) {
  Guarded<std::vector<std::string>> log;
  rl::OperationQueue queue, other;
  queue.setMaxConcurrentOperationCount(4);
  other.setSuspended(true);
  auto last = std::make_shared<Named>("last", log);
  auto middle = std::make_shared<Named>("middle", log);
  auto first = std::make_shared<Named>("first", log);
  auto elsewhere = std::make_shared<Named>("elsewhere", log);
  last->addDependency(middle);
  last->addDependency(elsewhere);  // in a queue that is still suspended
  middle->addDependency(first);
  EXPECT_EQ(last->dependencies().size(), 2u);
  EXPECT_FALSE(last->isReady());
  queue.addOperation(last);
  queue.addOperation(middle);
  queue.addOperation(first);
  other.addOperation(elsewhere);

  ASSERT_TRUE(log.waitFor([](auto& l) { return l.size() == 2; }));
  EXPECT_FALSE(last->isFinished());
  other.setSuspended(false);
  queue.waitUntilAllOperationsAreFinished();
  EXPECT_EQ(log.get(), (std::vector<std::string>{"first", "middle", "elsewhere", "last"}));
}

TEST(OperationQueue, ACancelledOperationNoLongerWaitsForItsDependencies) {
  Guarded<std::vector<std::string>> log;
  rl::OperationQueue queue, held;
  held.setSuspended(true);
  auto dependency = std::make_shared<Named>("dependency", log);
  auto op = std::make_shared<Named>("op", log);
  op->addDependency(dependency);
  rl::Semaphore completed;
  op->setCompletionBlock([&] { completed.signal(); });
  held.addOperation(dependency);
  queue.addOperation(op);
  op->cancel();
  ASSERT_TRUE(completed.waitFor(10));
  queue.waitUntilAllOperationsAreFinished();
  EXPECT_TRUE(op->isFinished());
  EXPECT_TRUE(log.get().empty());  // its main() never ran
  EXPECT_EQ(held.operationCount(), 1u);
  held.setSuspended(false);
  held.waitUntilAllOperationsAreFinished();
}

TEST(OperationQueue, CancelAllSkipsWaitingWorkAndFlagsRunningWork) {
  Guarded<std::vector<std::string>> log;
  rl::OperationQueue queue;
  queue.setMaxConcurrentOperationCount(1);

  rl::Semaphore started, proceed;
  std::atomic<bool> sawCancel{false};
  std::shared_ptr<rl::Operation> running = rl::BlockOperation::make([&] {
    started.signal();
    proceed.wait();
    sawCancel = running->isCancelled();
  });
  queue.addOperation(running);
  std::atomic<int> completions{0};
  for (const char* name : {"x", "y", "z"}) {
    auto op = std::make_shared<Named>(name, log);
    op->setCompletionBlock([&] { ++completions; });
    queue.addOperation(op);
  }
  started.wait();
  queue.cancelAllOperations();
  proceed.signal();
  queue.waitUntilAllOperationsAreFinished();
  EXPECT_TRUE(sawCancel);
  EXPECT_TRUE(log.get().empty());
  EXPECT_EQ(completions, 3);
  EXPECT_EQ(queue.operationCount(), 0u);
  running.reset();
}

TEST(OperationQueue, ASuspendedQueueStartsNothingUntilResumed) {
  Guarded<std::vector<std::string>> log;
  rl::OperationQueue queue;
  queue.setSuspended(true);
  std::vector<std::shared_ptr<rl::Operation>> ops;
  for (const char* name : {"a", "b", "c"}) {
    ops.push_back(std::make_shared<Named>(name, log));
    queue.addOperation(ops.back());
  }
  EXPECT_EQ(queue.operationCount(), 3u);
  EXPECT_EQ(queue.operations(), ops);
  for (auto& op : ops) EXPECT_TRUE(op->isReady());
  queue.setSuspended(false);
  queue.waitUntilAllOperationsAreFinished();
  EXPECT_EQ(log.get().size(), 3u);
  for (auto& op : ops) {
    EXPECT_TRUE(op->isFinished());
    EXPECT_FALSE(op->isExecuting());
  }
}

TEST(OperationQueue, AnAsynchronousOperationKeepsItsSlotUntilItFinishes) {
  rl::OperationQueue queue;
  queue.setMaxConcurrentOperationCount(1);
  auto deferred = std::make_shared<Deferred>();
  std::atomic<bool> nextSawItFinished{false};
  queue.addOperation(deferred);
  queue.addOperationWithBlock([&] { nextSawItFinished = deferred->isFinished(); });
  ASSERT_TRUE(deferred->mainReturned.waitFor(10));
  EXPECT_TRUE(deferred->isExecuting());
  EXPECT_FALSE(deferred->isFinished());
  EXPECT_EQ(queue.operationCount(), 2u);
  std::thread finisher([deferred] { deferred->finish(); });
  queue.waitUntilAllOperationsAreFinished();
  finisher.join();
  EXPECT_TRUE(nextSawItFinished);
  deferred->finish();  // a second finish does nothing
}

TEST(OperationQueue, CompletionRunsBeforeWaitersReturnAndOperationsAreQueuedOnce) {
  rl::OperationQueue queue, other;
  std::atomic<int> completions{0};
  auto op = rl::BlockOperation::make([] {});
  op->setCompletionBlock([&] { ++completions; });
  EXPECT_TRUE(queue.addOperation(op));
  EXPECT_FALSE(queue.addOperation(op));
  EXPECT_FALSE(other.addOperation(op));
  EXPECT_FALSE(queue.addOperation(nullptr));
  op->waitUntilFinished();
  EXPECT_EQ(completions, 1);
  queue.waitUntilAllOperationsAreFinished();
  EXPECT_FALSE(queue.addOperation(op));  // finished
  EXPECT_EQ(completions, 1);
}

TEST(Operation, StartRunsOnTheCallerOnce) {
  int runs = 0;
  auto op = rl::BlockOperation::make([&] { ++runs; });
  op->start();
  op->start();
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(op->isFinished());
  auto cancelled = rl::BlockOperation::make([&] { ++runs; });
  cancelled->cancel();
  cancelled->start();
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(cancelled->isFinished());
}

}  // namespace
