#pragma once
// A network watcher whose status the test gives (0 not reachable, 1 mobile network, 2 Wi-Fi), for an
// application delegate launched under test.

#include "app/AppServices.h"

namespace testsupport {

class FixedReachability : public ReachabilityWatcher {
 public:
  explicit FixedReachability(int status = 2) : status_(status) {}
  int currentReachabilityStatus() const override { return status_; }
  bool startNotifier() override { return true; }

 private:
  int status_;
};

}  // namespace testsupport
