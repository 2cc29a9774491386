#pragma once
#include <condition_variable>
#include <mutex>

namespace rl {

// A counting semaphore.
class Semaphore {
 public:
  explicit Semaphore(long initial = 0) : count_(initial) {}
  void signal();
  void wait();
  bool waitFor(double seconds);  // false when the time ran out first

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  long count_;
};

}  // namespace rl
