#include "statistics/StatsBaseEvent.h"

#include <utility>

#include "platform/core/DateFormatter.h"
#include "statistics/StatsUtil.h"

StatsBaseEvent::StatsBaseEvent(std::string t) : type(std::move(t)) {
  const core::Date now = StatsUtil::now();
  date = core::DateFormatter("yyyy-MM-dd").format(now);
  time = core::DateFormatter("HH:mm:ss").format(now);
  ts = now.secondsSince1970;
}

core::Value StatsBaseEvent::attributes() const {
  core::Dictionary a{{"date", date}, {"time", time}};
  if (!session_id.empty()) a.set("session_id", session_id);
  return core::Value(a);
}

std::string StatsBaseEvent::description() const { return "<1," + attributes().describe() + ">"; }
