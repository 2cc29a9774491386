#pragma once
// A network watcher whose status the test gives (0 not reachable, 1 mobile network, 2 Wi-Fi) and may
// change (from any thread; no change notice is posted), for an application delegate under test.

#include <atomic>

#include "app/AppServices.h"

namespace testsupport {

class FixedReachability : public ReachabilityWatcher {
 public:
  explicit FixedReachability(int status = 2) : status_(status) {}
  int currentReachabilityStatus() const override { return status_.load(); }
  bool startNotifier() override { return true; }
  void setStatus(int status) { status_.store(status); }

 private:
  std::atomic<int> status_;
};

}  // namespace testsupport
