#pragma once
// StatsTerminate: the record of a session's end: how long it lasted, the pages shown in it and where the
// device was.

#include <cstdint>

#include "statistics/StatsBaseEvent.h"

class StatsTerminate : public StatsBaseEvent {
 public:
  StatsTerminate() : StatsBaseEvent("terminate") {}

  double duration = 0;    // seconds
  core::Array pageViews;  // [page name, whole seconds] pairs
  double latitude = 0;
  double longitude = 0;
  std::int64_t gps_time = 0;  // milliseconds since 1970

  // Base attributes, "duration"; "activities" (the page views) when there are any; "lat" and "lng" when
  // both are non-zero; "gps_time" when above 0.
  core::Value attributes() const override;
};
