#pragma once
// StatsDeviceID: the "device_id" of the statistics uploads: a 40-character identifier that stays the
// same for the user's machine across apps and reinstalls.
//
// Apps that use the scheme share the identifier through 100 pasteboard slots ("org.SharedUDID.slot.0"
// .. "org.SharedUDID.slot.99", item type "org.SharedUDID", a binary property list of the record below)
// and each keeps a local copy, the record under the user default "SharedUDID":
//   "SharedUDID" (the identifier), "SharedUDID_appUID" (this app installation's UUID), "SharedUDID_createdTS"
//   (date), "SharedUDID_slot" (the name of the slot this app owns), "SharedUDID_optOutTS" (date of opting
//   out; absent while opted in).
//
// value() reads the local record, scans the slots, adopts the identifier most slots hold when this app
// has none yet (or makes a fresh one), claims the first free slot when it owns none, and remembers the
// result for the life of the object. An opted-out app gets 40 zeros. The app's UUID is kept in its local
// record, so a later start finds the slot it already owns and never claims another.
//
// Errors (domain "org.SharedUDID", userInfo "description"): code 0 found, 1 opted out, 2 the local
// identifier differs from the one most slots hold (the local one is still the result).
// Thread-safe; unreadable or foreign slot contents count as free slots and never stop the computation.

#include <mutex>
#include <optional>
#include <string>

#include "platform/core/Error.h"
#include "platform/core/UserDefaults.h"
#include "platform/core/Value.h"
#include "statistics/StatsPasteboardStore.h"

class StatsDeviceID {
 public:
  static constexpr const char* kErrorDomain = "org.SharedUDID";
  enum Code : int { kFound = 0, kOptedOut = 1, kDiscrepancy = 2 };

  static constexpr int kSlotCount = 100;
  static constexpr const char* kSlotPrefix = "org.SharedUDID.slot.";
  static constexpr const char* kPasteboardType = "org.SharedUDID";
  static constexpr const char* kRecordKey = "SharedUDID";  // the user default, and the identifier in it
  static constexpr const char* kAppUIDKey = "SharedUDID_appUID";
  static constexpr const char* kCreatedKey = "SharedUDID_createdTS";
  static constexpr const char* kSlotKey = "SharedUDID_slot";
  static constexpr const char* kOptOutKey = "SharedUDID_optOutTS";

  // The identifier of this process: the standard user defaults and the shared pasteboard directory.
  static StatsDeviceID& shared();

  // An identifier over the given slots and defaults (the defaults must outlive this object).
  StatsDeviceID(StatsPasteboardStore store, core::UserDefaults& defaults);

  std::string value() { return valueWithError(nullptr); }
  // The identifier; `error` (when given) receives the outcome as above.
  std::string valueWithError(core::Error* error);
  // Computes the identifier once, then records (YES) or removes (NO) the opt-out date in the local record
  // and in this app's own slot, and forgets the remembered identifier so the next call recomputes it.
  void setOptOut(bool optOut);

  // The record in a slot; an empty dictionary when the slot is missing or holds no readable dictionary.
  core::Dictionary getDictFromPasteboard(const std::string& slotName) const;
  // Writes the record into a slot, creating it. False when it could not be written.
  bool setDict(const core::Dictionary& record, const std::string& slotName);

  // 32 lower-case hexadecimal digits of the MD5 of a fresh UUID's text, then 8 of a fresh 32-bit random
  // number.
  static std::string generateFreshSharedUDID();
  static std::string slotName(int index) { return kSlotPrefix + std::to_string(index); }

 private:
  std::string computeLocked(core::Error* error);

  std::mutex mutex_;
  StatsPasteboardStore store_;
  core::UserDefaults& defaults_;
  std::optional<std::string> cache_;
};
