#include "app/InternetReachability.h"

#include "platform/net/Reachability.h"

InternetReachability::InternetReachability() : reach_(net::Reachability::reachabilityForInternetConnection()) {}

int InternetReachability::currentReachabilityStatus() const {
  return reach_ ? static_cast<int>(reach_->currentReachabilityStatus()) : 0;
}

bool InternetReachability::startNotifier() { return reach_ && reach_->startNotifier(); }

void InternetReachability::stopNotifier() {
  if (reach_) reach_->stopNotifier();
}
