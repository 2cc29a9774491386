#pragma once
#include "platform/runloop/DispatchQueue.h"
#include "platform/runloop/RunLoop.h"

#include <memory>
#include <type_traits>
#include <utility>

namespace rl {

// The one way this code base does work off the calling thread: run `task` on a worker queue, then
// `reply` back on the run loop of the thread that asked (in the common modes), with the task's result.
//
//   rl::postTaskAndReply(rl::DispatchQueue::global(), weak_from_this(),
//       [bank] { return ChapterDAO::tree(bank); },                 // worker
//       [](ChapterListViewController& self, core::Value tree) {   // caller's thread
//         self.showTree(tree);
//       });
//
// The rules, for every caller:
// - The task gets only what it captured by value. core::Value arrays and dictionaries are shared
//   containers: hand the worker a deepCopy(), never a Value the main thread keeps changing. Paths,
//   strings and numbers are read on the calling thread before posting.
// - The task never touches a view, a controller or a screen, and never blocks waiting for the main
//   thread (no performOnMainThread(..., true), no sync() onto the caller's queue): the main thread may be
//   the one waiting for it. Progress it wants shown goes out with RunLoop::main().post(), never waited on.
// - The reply runs only while `owner` is alive. It gets the owner itself (locked for the duration of the
//   call), so it needs no weak capture of its own; when the owner is gone the reply is dropped, the
//   task's result is destroyed, and nothing else happens. The task is never cancelled: what it writes is
//   written whole even when nobody waits for the answer.
// - Neither function runs with a lock of this primitive held; the caller must not hold one of its own
//   across the call into code it does not own either.
// - No detached threads elsewhere: a blocking job (a download, an unpack, a synchronous request) goes on
//   the global queue, which grows a worker when all are busy, or on a serial queue of its owner when the
//   jobs must not overlap.
//
// Tests: DispatchQueue::waitIdle() on the worker queue, then RunLoop::runUntilIdle() on the caller's
// loop, runs both halves to the end without sleeping (the reply is posted before the task counts as
// done).
template <class Owner, class Task, class Reply>
void postTaskAndReply(DispatchQueue& queue, std::weak_ptr<Owner> owner, Task task, Reply reply) {
  using Result = std::invoke_result_t<Task&>;
  std::weak_ptr<RunLoop> origin = RunLoop::currentShared();
  queue.async([origin, owner = std::move(owner), task = std::move(task),
               reply = std::move(reply)]() mutable {
    if constexpr (std::is_void_v<Result>) {
      task();
      if (auto loop = origin.lock()) {
        loop->post([owner = std::move(owner), reply = std::move(reply)]() mutable {
          if (auto self = owner.lock()) reply(*self);
        });
      }
    } else {
      auto result = std::make_shared<Result>(task());
      if (auto loop = origin.lock()) {
        loop->post([owner = std::move(owner), reply = std::move(reply), result]() mutable {
          if (auto self = owner.lock()) reply(*self, std::move(*result));
        });
      }
    }
  });
}

}  // namespace rl
