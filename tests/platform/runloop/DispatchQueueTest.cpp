#include "platform/runloop/DispatchQueue.h"
#include "platform/runloop/Semaphore.h"
#include "tests/platform/runloop/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

namespace {

using rltest::Guarded;

TEST(DispatchQueue, SerialQueueRunsOneTaskAtATimeInOrderOffTheCaller) {
  auto queue = rl::DispatchQueue::serial("test.serial");
  std::vector<int> order;  // touched only by the queue's tasks
  std::set<std::thread::id> threads;
  std::atomic<int> running{0}, overlap{0};
  for (int i = 0; i < 200; ++i) {
    queue->async([&, i] {
      if (++running > 1) ++overlap;
      EXPECT_TRUE(queue->isCurrent());
      order.push_back(i);
      threads.insert(std::this_thread::get_id());
      --running;
    });
  }
  queue->waitIdle();
  ASSERT_EQ(order.size(), 200u);
  for (int i = 0; i < 200; ++i) EXPECT_EQ(order[i], i);
  EXPECT_EQ(overlap, 0);
  EXPECT_EQ(threads.size(), 1u);
  EXPECT_EQ(threads.count(std::this_thread::get_id()), 0u);
  EXPECT_FALSE(queue->isCurrent());
}

TEST(DispatchQueue, SyncWaitsForEarlierTasksAndRunsInlineFromItsOwnQueue) {
  auto queue = rl::DispatchQueue::serial("test.sync");
  std::vector<std::string> log;
  queue->async([&] { log.push_back("async"); });
  queue->sync([&] {
    log.push_back("sync");
    queue->sync([&] { log.push_back("nested sync"); });  // would deadlock if it queued behind itself
  });
  log.push_back("after");
  EXPECT_EQ(log, (std::vector<std::string>{"async", "sync", "nested sync", "after"}));
}

TEST(DispatchQueue, ADestroyedSerialQueueFinishesWhatWasSubmitted) {
  std::atomic<int> ran{0};
  {
    auto queue = rl::DispatchQueue::serial("test.drop");
    for (int i = 0; i < 50; ++i) queue->async([&] { ++ran; });
  }
  EXPECT_EQ(ran, 50);
}

TEST(DispatchQueue, ASerialQueueReleasedByItsOwnTaskEndsCleanly) {
  rl::Semaphore done;
  {
    auto queue = rl::DispatchQueue::serial("test.self");
    queue->async([&done, queue] { done.signal(); });  // the last reference goes with this task
  }
  EXPECT_TRUE(done.waitFor(10));
}

TEST(DispatchQueue, GlobalQueueRunsTasksConcurrently) {
  // Each task waits until all of them have started: only possible when they run at the same time.
  constexpr int kTasks = 6;
  Guarded<int> started(0);
  Guarded<int> met(0);
  for (int i = 0; i < kTasks; ++i) {
    rl::DispatchQueue::global().async([&] {
      started.update([](int& n) { ++n; });
      bool all = started.waitFor([](int n) { return n == kTasks; }, 20);
      met.update([all](int& n) { n += all ? 1 : 0; });
    });
  }
  rl::DispatchQueue::global().waitIdle();
  EXPECT_EQ(met.get(), kTasks);
}

TEST(DispatchQueue, GlobalSyncRunsOnTheCaller) {
  std::thread::id ranOn;
  rl::DispatchQueue::global().sync([&] { ranOn = std::this_thread::get_id(); });
  EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(Semaphore, CountsSignalsAndTimesOut) {
  rl::Semaphore s(1);
  EXPECT_TRUE(s.waitFor(0));
  EXPECT_FALSE(s.waitFor(0.01));
  s.signal();
  s.signal();
  s.wait();
  EXPECT_TRUE(s.waitFor(0));
  EXPECT_FALSE(s.waitFor(0));
}

}  // namespace
