#pragma once
#include <functional>
#include <memory>
#include <string>

namespace rl {

struct DispatchQueueState;

// A serial queue (one task at a time, in submission order, on its own worker thread) or the global
// concurrent queue (tasks start in submission order on a pool of worker threads that grows when every
// worker is busy, so tasks that block do not starve the rest).
class DispatchQueue {
 public:
  static DispatchQueue& global();
  static std::shared_ptr<DispatchQueue> serial(std::string label);

  const std::string& label() const;
  void async(std::function<void()> fn);
  // Runs fn and returns when it has run. On the global queue, and on a serial queue called from its own
  // thread (which would otherwise wait for itself), it runs inline on the calling thread.
  void sync(std::function<void()> fn);
  // For tests: blocks until everything submitted so far has run.
  void waitIdle();
  bool isCurrent() const;  // the calling thread is running a task of this queue

  ~DispatchQueue();  // a serial queue finishes what was submitted, then its thread ends
  DispatchQueue(std::string label, bool serial);  // use global() / serial()

 private:
  std::shared_ptr<DispatchQueueState> state_;
};

}  // namespace rl
