#pragma once
// StatsLaunch: the record of a session's start (the app became active). Its attributes are the base
// ones: "date", "time", "session_id".

#include "statistics/StatsBaseEvent.h"

class StatsLaunch : public StatsBaseEvent {
 public:
  StatsLaunch() : StatsBaseEvent("launch") {}
};
