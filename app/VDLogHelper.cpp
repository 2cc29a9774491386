#include "app/VDLogHelper.h"

#include <limits>

#include "app/ApplicationState.h"
#include "app/AppPaths.h"
#include "platform/core/DateFormatter.h"
#include "platform/core/Paths.h"
#include "platform/core/PropertyList.h"
#include "platform/core/PropertyListWriter.h"

namespace {

std::mutex gClassLock;  // the shared counter
std::shared_ptr<VDLogHelper> gShared;

// A TrafficLog read from `path`: a dictionary; nothing when the file is missing or is something else.
core::Value readLog(const std::string& path) {
  const core::Value log = core::PropertyListWriter::shared().readFile(path);
  return log.isDictionary() ? log.deepCopy() : core::Value();
}

// Both maps present as dictionaries (a log without them, or with something else there, gets empty ones).
void normalise(core::Value& log) {
  for (const char* map : {VDLogHelper::kDayBytes, VDLogHelper::kMonBytes})
    if (!log[map].isDictionary()) log.set(map, core::Value::dictionary());
}

std::int64_t storedBytes(const core::Value& value) { return value.isNilOrNull() ? 0 : value.toInt(); }

}  // namespace

std::shared_ptr<VDLogHelper> VDLogHelper::sharedInstance() {
  std::lock_guard lock(gClassLock);
  if (!gShared) gShared = std::make_shared<VDLogHelper>();
  return gShared;
}

void VDLogHelper::resetSharedInstance() {
  std::lock_guard lock(gClassLock);
  gShared.reset();
}

VDLogHelper::VDLogHelper() : VDLogHelper(logFilePath()) {}

VDLogHelper::VDLogHelper(std::string path) : path_(std::move(path)) {
  logger_ = readLog(path_);
  if (logger_.isNil())
    if (const auto seed = AppPaths::logPath()) logger_ = readLog(*seed);
  if (logger_.isNil()) logger_ = core::Value::dictionary();
  normalise(logger_);
}

std::string VDLogHelper::logFilePath() {
  return core::Paths::join(core::Paths::documents(), std::string(kLogName) + ".plist");
}

std::string VDLogHelper::dayKey(core::Date date) { return core::DateFormatter("yyyyMMdd").format(date); }

std::string VDLogHelper::monthKey(core::Date date) { return core::DateFormatter("yyyyMM").format(date); }

int VDLogHelper::networkStatus() {
  if (ApplicationState* app = ApplicationState::current())
    if (auto reach = app->hostReach()) return reach->currentReachabilityStatus();
  return 0;
}

void VDLogHelper::appendSize(std::int64_t bytes) {
  if (bytes <= 0) return;
  sharedInstance()->append(bytes, ApplicationState::now());
}

void VDLogHelper::append(std::int64_t bytes, core::Date at) {
  if (bytes <= 0 || !countsNow()) return;
  const std::string day = dayKey(at);
  const std::string month = monthKey(at);
  std::lock_guard lock(lock_);
  addLocked(kDayBytes, day, bytes);
  addLocked(kMonBytes, month, bytes);
  writeLocked();
}

void VDLogHelper::saveDay(const std::string& day, std::int64_t bytes) {
  if (bytes <= 0 || !countsNow()) return;
  std::lock_guard lock(lock_);
  addLocked(kDayBytes, day, bytes);
  writeLocked();
}

void VDLogHelper::saveMon(const std::string& month, std::int64_t bytes) {
  if (bytes <= 0 || !countsNow()) return;
  std::lock_guard lock(lock_);
  addLocked(kMonBytes, month, bytes);
  writeLocked();
}

std::int64_t VDLogHelper::getDayBytes(const std::string& day) const {
  std::lock_guard lock(lock_);
  return storedBytes(logger_[kDayBytes][day]);
}

std::int64_t VDLogHelper::getMonBytes(const std::string& month) const {
  std::lock_guard lock(lock_);
  return storedBytes(logger_[kMonBytes][month]);
}

void VDLogHelper::reset() {
  std::lock_guard lock(lock_);
  logger_.set(kDayBytes, core::Value::dictionary());
  logger_.set(kMonBytes, core::Value::dictionary());
  writeLocked();
}

core::Value VDLogHelper::logger() const {
  std::lock_guard lock(lock_);
  return logger_.deepCopy();
}

void VDLogHelper::addLocked(const char* map, const std::string& key, std::int64_t bytes) {
  core::Value totals = logger_[map];
  const std::int64_t old = storedBytes(totals[key]);
  const std::int64_t room = std::numeric_limits<std::int64_t>::max() - (old > 0 ? old : 0);
  totals.set(key, (old > 0 ? old : 0) + (bytes < room ? bytes : room));  // stays at the largest count
}

void VDLogHelper::writeLocked() {
  // Off the main thread of the running application; a failed write leaves the totals in memory.
  core::PropertyListWriter::shared().writeFile(path_, logger_);
}
