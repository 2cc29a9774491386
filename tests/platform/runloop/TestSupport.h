#pragma once
#include "platform/runloop/RunLoop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "tests/support/ScopedMainClock.h"

namespace rltest {

// The main loop on a manual clock, fresh for every test.
class ManualMainLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    rl::RunLoop::setMainThread();
    loop().clear();
    clock = std::make_shared<rl::ManualClock>(100.0);
    clockOverride_.emplace(clock);
  }
  void TearDown() override { loop().clear(); }
  rl::RunLoop& loop() { return rl::RunLoop::main(); }
  double elapsed() const { return clock->now() - 100.0; }

  std::shared_ptr<rl::ManualClock> clock;
  std::optional<testsupport::ScopedMainClock> clockOverride_;
};

// A value several threads change, with bounded waits for a condition on it.
template <class T>
class Guarded {
 public:
  explicit Guarded(T v = T{}) : value_(std::move(v)) {}
  void update(const std::function<void(T&)>& fn) {
    std::lock_guard lock(mutex_);
    fn(value_);
    cv_.notify_all();  // under the lock: a waiter may destroy this object once it is free
  }
  T get() const {
    std::lock_guard lock(mutex_);
    return value_;
  }
  // False when the condition did not come true within `seconds`.
  bool waitFor(const std::function<bool(const T&)>& pred, double seconds = 10) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, std::chrono::duration<double>(seconds), [&] { return pred(value_); });
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  T value_;
};

}  // namespace rltest
