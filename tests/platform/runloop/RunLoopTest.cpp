#include "platform/runloop/RunLoop.h"
#include "platform/runloop/Semaphore.h"
#include "tests/platform/runloop/TestSupport.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

using rltest::Guarded;
using rltest::ManualMainLoop;
using Seconds = std::chrono::duration<double>;

// A pipe closed when the test ends.
struct Pipe {
  int fds[2] = {-1, -1};
  Pipe() { EXPECT_EQ(::pipe(fds), 0); }
  ~Pipe() {
    for (int fd : fds)
      if (fd >= 0) ::close(fd);
  }
  int readEnd() const { return fds[0]; }
  int writeEnd() const { return fds[1]; }
  void write(char c) const { ASSERT_EQ(::write(fds[1], &c, 1), 1); }
};

class RunLoopTest : public ManualMainLoop {};

TEST_F(RunLoopTest, PostingFromAnotherThreadWakesAWaitingPoll) {
  Pipe idle;  // a source that never fires, so the loop has something to wait on
  loop().watchFd(idle.readEnd(), POLLIN, [](short) {});
  std::atomic<bool> ran{false};
  std::thread::id ranOn;
  std::thread poster([&] {
    rl::RunLoop::main().post([&] {
      ranOn = std::this_thread::get_id();
      ran = true;
    });
  });
  auto started = std::chrono::steady_clock::now();
  while (!ran && std::chrono::steady_clock::now() - started < std::chrono::seconds(60))
    EXPECT_TRUE(loop().runOnce(rl::kDefaultMode, 60));
  poster.join();
  EXPECT_TRUE(ran);
  EXPECT_EQ(ranOn, std::this_thread::get_id());
  // Without the wakeup the poll would have slept the full minute.
  EXPECT_LT(Seconds(std::chrono::steady_clock::now() - started).count(), 30);
}

TEST_F(RunLoopTest, StopFromAnotherThreadEndsRun) {
  std::vector<int> order;
  loop().post([&] { order.push_back(1); });
  std::thread stopper([] {
    rl::RunLoop::main().post([] {}, rl::kCommonModes);
    rl::RunLoop::main().stop();
  });
  loop().run();  // runs with no sources until stopped
  stopper.join();
  EXPECT_EQ(order, std::vector<int>{1});
}

TEST_F(RunLoopTest, TheWakeupFdSignalsPostedWorkToAnOutsideLoop) {
  pollfd p{loop().wakeupFd(), POLLIN, 0};
  loop().runOnce(rl::kDefaultMode, 0);  // drains anything left from set-up
  EXPECT_EQ(::poll(&p, 1, 0), 0);
  std::thread poster([] { rl::RunLoop::main().post([] {}); });
  poster.join();
  EXPECT_EQ(::poll(&p, 1, 0), 1);
  EXPECT_TRUE(loop().hasPendingWork());
  EXPECT_TRUE(loop().runOnce(rl::kDefaultMode, 0));
  EXPECT_FALSE(loop().hasPendingWork());
  EXPECT_EQ(::poll(&p, 1, 0), 0);
}

TEST_F(RunLoopTest, AnOutsideLoopSeesTheWatchedFdsOfItsMode) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const int inDefault = loop().watchFd(fds[0], POLLIN, [](short) {});
  const int inRequest = loop().watchFd(
      fds[1], POLLOUT, [](short) {}, rl::kHTTPRequestMode);
  using List = std::vector<std::pair<int, short>>;
  EXPECT_EQ(loop().watchedFds(), (List{{fds[0], short(POLLIN)}}));
  EXPECT_EQ(loop().watchedFds(rl::kHTTPRequestMode), (List{{fds[1], short(POLLOUT)}}));
  loop().unwatchFd(inDefault);
  loop().unwatchFd(inRequest);
  EXPECT_TRUE(loop().watchedFds().empty());
  ::close(fds[0]);
  ::close(fds[1]);
}

TEST_F(RunLoopTest, RunOnceReportsWhetherThereIsAnythingToWaitFor) {
  EXPECT_FALSE(loop().runOnce(rl::kDefaultMode, 30));  // nothing: returns at once
  loop().post([] {}, rl::kHTTPRequestMode);
  EXPECT_FALSE(loop().runOnce(rl::kDefaultMode, 30));  // a task for another mode does not count
  EXPECT_TRUE(loop().runOnce(rl::kHTTPRequestMode, 30));
  auto t = rl::Timer::scheduled(10, false, [](rl::Timer&) {});
  EXPECT_TRUE(loop().runOnce(rl::kDefaultMode, 0));
  t->invalidate();
  EXPECT_FALSE(loop().runOnce(rl::kDefaultMode, 30));
}

TEST_F(RunLoopTest, FdWatchServesAPipeAndCanRemoveItselfInItsCallback) {
  Pipe pipe;
  std::vector<std::string> seen;
  int id = 0;
  id = loop().watchFd(pipe.readEnd(), POLLIN, [&](short revents) {
    char c;
    ASSERT_TRUE(revents & POLLIN);
    ASSERT_EQ(::read(pipe.readEnd(), &c, 1), 1);
    seen.push_back(std::string(1, c));
    if (c == 'b') loop().unwatchFd(id);
  });
  EXPECT_GT(id, 0);
  pipe.write('a');
  EXPECT_TRUE(loop().runOnce(rl::kDefaultMode, 10));
  EXPECT_EQ(seen, std::vector<std::string>{"a"});

  pipe.write('b');
  EXPECT_TRUE(loop().runOnce(rl::kDefaultMode, 10));
  pipe.write('c');
  EXPECT_FALSE(loop().runOnce(rl::kDefaultMode, 10));  // the watch is gone: nothing left to wait for
  EXPECT_EQ(seen, (std::vector<std::string>{"a", "b"}));
  loop().unwatchFd(id);  // a second removal is harmless
}

TEST_F(RunLoopTest, FdWatchesBelongToTheirMode) {
  Pipe pipe;
  int calls = 0;
  loop().watchFd(
      pipe.readEnd(), POLLIN,
      [&](short) {
        char c;
        ASSERT_EQ(::read(pipe.readEnd(), &c, 1), 1);
        ++calls;
      },
      rl::kHTTPRequestMode);
  pipe.write('x');
  EXPECT_FALSE(loop().runOnce(rl::kDefaultMode, 0));
  EXPECT_EQ(calls, 0);
  EXPECT_TRUE(loop().runOnce(rl::kHTTPRequestMode, 10));
  EXPECT_EQ(calls, 1);
}

TEST_F(RunLoopTest, AWatchOnAClosedFdIsToldAndRemoved) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  short got = 0;
  loop().watchFd(fds[0], POLLIN, [&](short revents) { got = revents; });
  ::close(fds[0]);
  ::close(fds[1]);
  EXPECT_TRUE(loop().runOnce(rl::kDefaultMode, 0));
  EXPECT_TRUE(got & POLLNVAL);
  EXPECT_FALSE(loop().runOnce(rl::kDefaultMode, 0));  // no busy loop on a dead descriptor
}

TEST_F(RunLoopTest, ANestedRunInAnotherModeSeesOnlyItsOwnWork) {
  std::vector<std::string> log;
  // Like a synchronous request started from a UI timer: it runs the loop in its own mode until done.
  auto ui = rl::Timer::scheduled(0.5, false, [&](rl::Timer&) {
    log.push_back("ui timer");
    loop().post([&] { log.push_back("ui task"); });
    bool done = false;
    auto status = rl::Timer::make(0.25, true, [&](rl::Timer& self) {
      log.push_back("status");
      if (log.size() == 3) {
        done = true;
        self.invalidate();
      }
    });
    loop().addTimer(status, rl::kHTTPRequestMode);
    while (!done) loop().advance(0.25, rl::kHTTPRequestMode);
    log.push_back("request done");
  });
  auto other = rl::Timer::scheduled(0.6, false, [&](rl::Timer&) { log.push_back("other ui timer"); });
  loop().advance(1.0);
  EXPECT_EQ(log, (std::vector<std::string>{"ui timer", "status", "status", "request done", "ui task",
                                           "other ui timer"}));
}

TEST_F(RunLoopTest, ClearDropsEverything) {
  int ran = 0;
  loop().post([&] { ++ran; });
  auto t = rl::Timer::scheduled(0.1, true, [&](rl::Timer&) { ++ran; });
  Pipe pipe;
  loop().watchFd(pipe.readEnd(), POLLIN, [&](short) { ++ran; });
  loop().clear();
  pipe.write('x');
  EXPECT_FALSE(t->isValid());
  EXPECT_FALSE(loop().runOnce(rl::kDefaultMode, 0));
  loop().advance(1.0);
  EXPECT_EQ(ran, 0);
}

TEST_F(RunLoopTest, EachThreadHasItsOwnLoopAndMainIsShared) {
  rl::RunLoop* workerCurrent = nullptr;
  rl::RunLoop* workerMain = nullptr;
  bool workerIsMain = true;
  std::thread worker([&] {
    workerCurrent = &rl::RunLoop::current();
    workerMain = &rl::RunLoop::main();
    workerIsMain = rl::RunLoop::isMainThread();
  });
  worker.join();
  EXPECT_TRUE(rl::RunLoop::isMainThread());
  EXPECT_EQ(&rl::RunLoop::current(), &rl::RunLoop::main());
  EXPECT_EQ(workerMain, &rl::RunLoop::main());
  EXPECT_NE(workerCurrent, &rl::RunLoop::main());
  EXPECT_FALSE(workerIsMain);
}

TEST_F(RunLoopTest, PerformOnMainThreadRunsInlineOnTheMainThread) {
  std::vector<int> order;
  rl::performOnMainThread([&] { order.push_back(1); }, true);
  rl::performOnMainThread([&] { order.push_back(2); }, false);
  order.push_back(3);
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(loop().runUntilIdle(), 0u);
}

TEST_F(RunLoopTest, AWorkerWaitsWhileTheMainLoopRunsItsCall) {
  Pipe idle;
  loop().watchFd(idle.readEnd(), POLLIN, [](short) {});
  Guarded<std::vector<std::string>> log;
  std::thread::id ranOn;
  std::atomic<bool> workerDone{false};
  std::thread worker([&] {
    rl::performOnMainThread(
        [&] {
          ranOn = std::this_thread::get_id();
          log.update([](auto& l) { l.push_back("on main"); });
        },
        true);
    log.update([](auto& l) { l.push_back("worker resumed"); });
    workerDone = true;
    rl::RunLoop::main().post([] {});  // wake the main loop so it sees workerDone
  });
  auto started = std::chrono::steady_clock::now();
  while (!workerDone && std::chrono::steady_clock::now() - started < std::chrono::seconds(30))
    loop().runOnce(rl::kDefaultMode, 30);
  worker.join();
  EXPECT_EQ(ranOn, std::this_thread::get_id());
  EXPECT_EQ(log.get(), (std::vector<std::string>{"on main", "worker resumed"}));
}

TEST_F(RunLoopTest, AWaitingWorkerIsReleasedWhenTheMainLoopDropsItsCall) {
  std::atomic<bool> ran{false};
  loop().runOnce(rl::kDefaultMode, 0);  // drains the wakeup fd
  std::thread worker([&] { rl::performOnMainThread([&] { ran = true; }, true); });
  pollfd posted{loop().wakeupFd(), POLLIN, 0};
  ASSERT_EQ(::poll(&posted, 1, 30000), 1);
  ASSERT_TRUE(loop().hasPendingWork());
  loop().clear();
  worker.join();  // would hang if the waiter were not released
  EXPECT_FALSE(ran);
}

}  // namespace
