#include "statistics/StatsServices.h"

#include <mutex>
#include <utility>

namespace {

std::mutex& servicesLock() {
  static std::mutex lock;
  return lock;
}

StatsServices& current() {
  static StatsServices services;
  return services;
}

}  // namespace

void StatsServices::install(StatsServices services) {
  StatsServices previous;
  {
    std::lock_guard lock(servicesLock());
    previous = std::exchange(current(), std::move(services));
  }
  // The previous functions (and what they hold) go away outside the lock.
}

StatsServices StatsServices::installed() {
  std::lock_guard lock(servicesLock());
  return current();
}
