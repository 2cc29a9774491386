#pragma once
// InternetReachability: the internet-connection watcher of AppServices over the kernel's link and route
// tables (net::Reachability). Its change notice has the name the application delegate observes; the
// delegate reads the status from this watcher.

#include <memory>

#include "app/AppServices.h"

namespace net {
class Reachability;
}

class InternetReachability : public ReachabilityWatcher {
 public:
  InternetReachability();
  int currentReachabilityStatus() const override;
  bool startNotifier() override;
  void stopNotifier() override;

 private:
  std::shared_ptr<net::Reachability> reach_;
};
