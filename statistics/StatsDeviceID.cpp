#include "statistics/StatsDeviceID.h"

#include <sys/random.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <utility>
#include <vector>

#include "platform/core/PropertyList.h"
#include "platform/security/MD5.h"
#include "statistics/StatsUtil.h"

namespace {

const std::string kOptedOutIdentifier(40, '0');

void report(core::Error* error, int code, std::string description) {
  if (!error) return;
  *error = core::Error(StatsDeviceID::kErrorDomain, code, description,
                       core::Dictionary{{"description", description}});
}

std::uint32_t random32() {
  std::uint32_t n = 0;
  if (getrandom(&n, sizeof n, 0) != static_cast<ssize_t>(sizeof n)) n = 0;
  return n;
}

}  // namespace

StatsDeviceID& StatsDeviceID::shared() {
  static StatsDeviceID* id = new StatsDeviceID(StatsPasteboardStore(), core::UserDefaults::standard());
  return *id;
}

StatsDeviceID::StatsDeviceID(StatsPasteboardStore store, core::UserDefaults& defaults)
    : store_(std::move(store)), defaults_(defaults) {}

std::string StatsDeviceID::generateFreshSharedUDID() {
  char tail[9];
  std::snprintf(tail, sizeof tail, "%08x", random32());
  return sec::MD5::hexDigest(StatsUtil::newUUIDString()) + tail;
}

core::Dictionary StatsDeviceID::getDictFromPasteboard(const std::string& slot) const {
  auto bytes = store_.dataForType(slot, kPasteboardType);
  if (!bytes) return {};
  core::Value record = core::PropertyList::fromData(*bytes);
  return record.isDictionary() ? record.dict() : core::Dictionary();
}

bool StatsDeviceID::setDict(const core::Dictionary& record, const std::string& slot) {
  auto bytes = core::PropertyList::toBinary(core::Value(record));
  return bytes && store_.setData(slot, kPasteboardType, *bytes);
}

std::string StatsDeviceID::valueWithError(core::Error* error) {
  std::lock_guard lock(mutex_);
  if (cache_) {
    report(error, kFound, "SharedUDID in cache from first call");
    return *cache_;
  }
  cache_ = computeLocked(error);
  return *cache_;
}

std::string StatsDeviceID::computeLocked(core::Error* error) {
  core::Value stored = defaults_.objectForKey(kRecordKey);
  const bool hadRecord = stored.isDictionary();
  core::Dictionary record = hadRecord ? stored.dict() : core::Dictionary();

  std::string appUID = record.get(kAppUIDKey).isString() ? record.get(kAppUIDKey).str() : "";
  if (appUID.empty()) appUID = defaults_.stringForKey(kAppUIDKey);
  if (appUID.empty()) appUID = StatsUtil::newUUIDString();

  const std::string localId = record.get(kRecordKey).isString() ? record.get(kRecordKey).str() : "";
  core::Value optOutDate = record.get(kOptOutKey);
  bool optedOut = !optOutDate.isNil();

  // Scan the slots: the first free one, this app's own, and how often each identifier occurs.
  int freeSlot = -1;
  int ownSlot = -1;
  std::vector<std::pair<std::string, int>> counts;  // in the order first seen
  for (int i = 0; i < kSlotCount; ++i) {
    const std::string name = slotName(i);
    const core::Dictionary slot = store_.exists(name) ? getDictFromPasteboard(name) : core::Dictionary();
    const core::Value id = slot.get(kRecordKey);
    if (!id.isString() || id.str().empty()) {
      if (freeSlot < 0) freeSlot = i;
      continue;
    }
    auto it = std::find_if(counts.begin(), counts.end(), [&](const auto& c) { return c.first == id.str(); });
    if (it == counts.end()) {
      counts.emplace_back(id.str(), 1);
    } else {
      ++it->second;
    }
    if (slot.get(kAppUIDKey) == core::Value(appUID)) {
      ownSlot = i;
      if (optedOut) optedOut = slot.contains(kOptOutKey);
    }
  }
  // The most reliable identifier: the highest count; among equal counts the one seen last.
  std::string reliable;
  int best = 0;
  for (const auto& [id, n] : counts) {
    if (n >= best) {
      best = n;
      reliable = id;
    }
  }

  bool save = false;
  bool discrepancy = false;
  std::string identifier = localId;
  if (identifier.empty()) {
    identifier = reliable.empty() ? generateFreshSharedUDID() : reliable;
    if (!hadRecord) record.set(kCreatedKey, core::Value(StatsUtil::now()));
    record.set(kRecordKey, identifier);
    record.set(kAppUIDKey, appUID);
    save = true;
  } else if (!reliable.empty() && reliable != localId) {
    discrepancy = true;
  }
  if (freeSlot >= 0 && ownSlot < 0) {
    const std::string name = slotName(freeSlot);
    record.set(kAppUIDKey, appUID);
    record.set(kSlotKey, name);
    setDict(record, name);
    save = true;
  }
  if (save) {
    defaults_.setObject(kRecordKey, core::Value(record));
    defaults_.synchronize();
  }

  if (optedOut) {
    report(error, kOptedOut,
           "Application with unique id " + appUID + " is opted-out from SharedUDID as of " +
               optOutDate.describe());
    return kOptedOutIdentifier;
  }
  if (discrepancy) {
    report(error, kDiscrepancy,
           "Found a discrepancy between stored SharedUDID (reliable) and redundant copies; one of the apps "
           "on the "
           "device is most likely corrupting the SharedUDID protocol");
  } else {
    report(error, kFound, "SharedUDID succesfully retrieved");
  }
  return identifier;
}

void StatsDeviceID::setOptOut(bool optOut) {
  value();
  std::lock_guard lock(mutex_);
  core::Value stored = defaults_.objectForKey(kRecordKey);
  core::Dictionary record = stored.isDictionary() ? stored.dict() : core::Dictionary();
  if (optOut) {
    record.set(kOptOutKey, core::Value(StatsUtil::now()));
  } else {
    record.remove(kOptOutKey);
  }
  defaults_.setObject(kRecordKey, core::Value(record));
  defaults_.synchronize();
  // The app's own slot carries the choice too, so the next computation reads the same state there.
  const core::Value slot = record.get(kSlotKey);
  if (slot.isString() && !slot.str().empty() &&
      getDictFromPasteboard(slot.str()).get(kAppUIDKey) == record.get(kAppUIDKey)) {
    setDict(record, slot.str());
  }
  cache_.reset();
}
