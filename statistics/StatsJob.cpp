#include "statistics/StatsJob.h"

#include "statistics/StatsUtil.h"

core::Value StatsJob::toDictionary(bool withHeader) const {
  core::Dictionary body;
  if (!launches.empty()) body.set("launch", core::Value(launches));
  if (!terminates.empty()) body.set("terminate", core::Value(terminates));
  if (!events.empty()) body.set("event", core::Value(events));
  if (!errors.empty()) body.set("error", core::Value(errors));
  if (!ekv.empty()) body.set("ekv", core::Value(ekv));
  core::Dictionary doc;
  if (withHeader) doc.set("header", core::Value(header));
  doc.set("body", core::Value(body));
  return core::Value(doc);
}

std::optional<std::string> StatsJob::toJsonWithHeader(const core::Dictionary& h) {
  header = h;
  return StatsUtil::JSONFragment(toDictionary(true));
}

bool StatsJob::hasTask() const {
  return !launches.empty() || !terminates.empty() || !events.empty() || !errors.empty() || !ekv.empty();
}

void StatsJob::clear() {
  launches.clear();
  terminates.clear();
  events.clear();
  errors.clear();
  ekv.clear();
}
