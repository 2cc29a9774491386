#include "platform/runloop/Semaphore.h"

#include <algorithm>
#include <chrono>

namespace rl {

void Semaphore::signal() {
  // Notified under the lock: a waiter that wakes may destroy the semaphore as soon as the lock is free.
  std::lock_guard lock(mutex_);
  ++count_;
  cv_.notify_one();
}

void Semaphore::wait() {
  std::unique_lock lock(mutex_);
  cv_.wait(lock, [&] { return count_ > 0; });
  --count_;
}

bool Semaphore::waitFor(double seconds) {
  std::unique_lock lock(mutex_);
  auto deadline = std::chrono::steady_clock::now() +
                  std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                      std::chrono::duration<double>(seconds > 0 ? std::min(seconds, 1e9) : 0));
  if (!cv_.wait_until(lock, deadline, [&] { return count_ > 0; })) return false;
  --count_;
  return true;
}

}  // namespace rl
