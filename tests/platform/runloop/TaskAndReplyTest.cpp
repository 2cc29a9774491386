#include "platform/runloop/TaskAndReply.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

struct Screen {
  std::vector<std::string> shown;
};

TEST(TaskAndReply, TaskRunsOnAWorkerAndItsResultComesBackOnTheCallersLoop) {
  auto queue = rl::DispatchQueue::serial("test.reply");
  auto screen = std::make_shared<Screen>();
  const auto caller = std::this_thread::get_id();
  std::thread::id worker;
  std::thread::id replied;
  rl::postTaskAndReply(*queue, std::weak_ptr<Screen>(screen),
                       [&worker] {
                         worker = std::this_thread::get_id();
                         return std::string("tree");
                       },
                       [&replied](Screen& s, std::string tree) {
                         replied = std::this_thread::get_id();
                         s.shown.push_back(tree);
                       });
  EXPECT_TRUE(screen->shown.empty());  // nothing arrives before the caller's loop runs
  queue->waitIdle();
  rl::RunLoop::current().runUntilIdle();
  ASSERT_EQ(screen->shown, std::vector<std::string>{"tree"});
  EXPECT_NE(worker, caller);
  EXPECT_EQ(replied, caller);
}

TEST(TaskAndReply, ReplyIsDroppedWhenItsOwnerIsGoneButTheTaskStillRunsToItsEnd) {
  auto queue = rl::DispatchQueue::serial("test.gone");
  auto screen = std::make_shared<Screen>();
  bool taskRan = false;
  bool replyRan = false;
  rl::postTaskAndReply(*queue, std::weak_ptr<Screen>(screen), [&taskRan] { taskRan = true; },
                       [&replyRan](Screen&) { replyRan = true; });
  screen.reset();  // the screen closes while its work is out
  queue->waitIdle();
  rl::RunLoop::current().runUntilIdle();
  EXPECT_TRUE(taskRan);
  EXPECT_FALSE(replyRan);
}

TEST(TaskAndReply, RepliesArriveInTheOrderOfTheirTasksOnASerialQueue) {
  auto queue = rl::DispatchQueue::serial("test.order");
  auto screen = std::make_shared<Screen>();
  for (int i = 0; i < 50; ++i) {
    rl::postTaskAndReply(*queue, std::weak_ptr<Screen>(screen), [i] { return std::to_string(i); },
                         [](Screen& s, std::string n) { s.shown.push_back(n); });
  }
  queue->waitIdle();
  rl::RunLoop::current().runUntilIdle();
  ASSERT_EQ(screen->shown.size(), 50u);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(screen->shown[i], std::to_string(i));
}

}  // namespace
