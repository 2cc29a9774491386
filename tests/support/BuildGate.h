#pragma once
// BuildGate: holds every question-set build (TestBuilder::changeJSonToTestArrayByDB) at its start while
// the gate is shut, and notes whether a build ran on the main thread. A build on the main thread is
// never held (the test would wait on itself): it is only noted. The gate opens when the test opens it,
// and at the latest when it goes, before the hook is taken away.
//
//   testsupport::BuildGate gate;
//   ...tap what builds a set...
//   ASSERT_TRUE(gate.awaitHeld());   // a worker is building; the main loop runs meanwhile
//   ...close the screen...
//   gate.openAndFinish();            // the build ends and its reply has come back to the main loop

#include <condition_variable>
#include <functional>
#include <mutex>

#include "exam/sets/TestBuilder.h"
#include "platform/runloop/DispatchQueue.h"
#include "platform/runloop/RunLoop.h"
#include "tests/support/RunUntil.h"
#include "tests/support/ScopedOverride.h"

namespace testsupport {

class BuildGate {
 public:
  BuildGate()
      : hook_(
            &TestBuilder::setBuildHook, [this] { enter(); }, nullptr) {}
  ~BuildGate() {
    open();
    rl::DispatchQueue::global().waitIdle();  // no build is left inside the hook when it goes
  }
  BuildGate(const BuildGate&) = delete;
  BuildGate& operator=(const BuildGate&) = delete;

  // Runs the main loop until a build waits at the gate (false after runUntil's bound).
  bool awaitHeld() {
    return runUntil([this] {
      std::lock_guard lock(mutex_);
      return held_ > 0;
    });
  }
  void open() {
    {
      std::lock_guard lock(mutex_);
      open_ = true;
    }
    opened_.notify_all();
  }
  // Opens the gate, waits for the held builds to end and runs the main loop until their replies are in.
  void openAndFinish() {
    open();
    rl::DispatchQueue::global().waitIdle();
    rl::RunLoop::main().runUntilIdle();
  }
  int builds() {
    std::lock_guard lock(mutex_);
    return builds_;
  }
  int buildsOnMainThread() {
    std::lock_guard lock(mutex_);
    return onMain_;
  }

 private:
  void enter() {
    const bool main = rl::RunLoop::isMainThread();
    std::unique_lock lock(mutex_);
    ++builds_;
    if (main) {
      ++onMain_;
      return;
    }
    ++held_;
    opened_.wait(lock, [this] { return open_; });
    --held_;
  }

  std::mutex mutex_;
  std::condition_variable opened_;
  bool open_ = false;
  int held_ = 0;
  int builds_ = 0;
  int onMain_ = 0;
  ScopedOverride<std::function<void()>> hook_;  // last member: made after the state it reads
};

}  // namespace testsupport
