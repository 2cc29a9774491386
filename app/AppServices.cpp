#include "app/AppServices.h"

#include "platform/core/NotificationCenter.h"

void ReachabilityWatcher::postReachabilityChanged() {
  core::NotificationCenter::defaultCenter().post(kReachabilityChangedNotification,
                                                 std::static_pointer_cast<void>(shared_from_this()));
}

