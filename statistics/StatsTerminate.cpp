#include "statistics/StatsTerminate.h"

core::Value StatsTerminate::attributes() const {
  core::Value a = StatsBaseEvent::attributes();
  a.set("duration", duration);
  if (!pageViews.empty()) a.set("activities", core::Value(pageViews).deepCopy());
  if (latitude != 0 && longitude != 0) {
    a.set("lat", latitude);
    a.set("lng", longitude);
  }
  if (gps_time > 0) a.set("gps_time", gps_time);
  return a;
}
