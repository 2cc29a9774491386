#include "statistics/StatsError.h"

core::Value StatsError::attributes() const {
  core::Value a = StatsBaseEvent::attributes();
  a.set("message_type", "error");
  a.set("context", context);
  a.set("session_id", session_id);
  return a;
}
