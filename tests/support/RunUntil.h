#pragma once
// Waiting in a test, in one place: runUntil runs the main run loop until `done()` holds or `seconds` of
// real time have passed, and says which. Each pass waits at most 0.05 s for work from the network or a
// worker thread; nothing sleeps. The bound only matters when a test fails: a passing test stops at the
// first pass where `done()` holds. A fixture that must settle its harness between passes wraps its check
// in the predicate (AccountFixture, AnsweringFixture).

#include "platform/runloop/RunLoop.h"

namespace testsupport {

inline constexpr double kRunUntilSeconds = 30;

template <typename Pred>
bool runUntil(Pred&& done, double seconds = kRunUntilSeconds) {
  return rl::RunLoop::main().runUntil(done, seconds);
}

}  // namespace testsupport
