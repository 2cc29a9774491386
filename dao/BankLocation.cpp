#include "dao/BankLocation.h"

#include <mutex>
#include <utility>

namespace {

std::mutex& locationMutex() {
  static std::mutex mutex;
  return mutex;
}

BankLocation& storedLocation() {
  static BankLocation location;
  return location;
}

std::string callOrEmpty(const std::function<std::string()>& f) { return f ? f() : std::string(); }

}  // namespace

void BankLocation::set(BankLocation location) {
  std::lock_guard lock(locationMutex());
  storedLocation() = std::move(location);
}

BankLocation BankLocation::current() {
  std::lock_guard lock(locationMutex());
  return storedLocation();
}

// The functions run outside the lock: they may be slow or call back into the shell.
std::string BankLocation::dbDirectory() { return callOrEmpty(current().dbSavePath); }
std::string BankLocation::value() { return callOrEmpty(current().appName); }
std::string BankLocation::updateDirectory() { return callOrEmpty(current().downloadCacheDirectoryUpdate); }

void BankLocation::countSqlError() {
  auto location = current();
  if (location.sqlErrorOccurred) location.sqlErrorOccurred();
}
