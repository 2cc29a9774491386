#pragma once
// StatsJob: one batch of statistics records on its way to the service: the five lists handed over from
// the component's memory, and the header of the upload.
//
// A job has no lock of its own: UsageStatsInternal keeps it, and touches it only under its lock.

#include <optional>
#include <string>

#include "platform/core/Value.h"

class UsageStatsInternal;

class StatsJob {
 public:
  std::string status;
  core::Array launches, terminates, events, errors, ekv;
  core::Dictionary header;
  UsageStatsInternal* statsInternal = nullptr;  // the owner (not owned)

  // {"body": the non-empty lists under "launch", "terminate", "event", "error", "ekv"} ("body" is there
  // even when empty), plus "header" when asked.
  core::Value toDictionary(bool withHeader) const;
  // Keeps `header` and returns the JSON text of toDictionary(true); nothing when it cannot be written.
  std::optional<std::string> toJsonWithHeader(const core::Dictionary& header);
  // Any of the five lists has an entry.
  bool hasTask() const;
  void clear();  // empties the five lists
};
