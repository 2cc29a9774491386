#pragma once
// StatsBaseEvent: what every statistics record of a session has: its type, the local date ("yyyy-MM-dd")
// and time ("HH:mm:ss") and the time stamp (seconds since 1970) of its creation on the component's clock
// (StatsUtil::now()), and the session it belongs to.
//
// A record goes into the component's lists as its attributes() dictionary, made at the moment it is
// added; the lists never hold the record objects.

#include <string>

#include "platform/core/Value.h"

class StatsBaseEvent {
 public:
  explicit StatsBaseEvent(std::string type);
  virtual ~StatsBaseEvent() = default;

  std::string type;
  std::string date;
  std::string time;
  std::string session_id;
  double ts = 0;

  // "date", "time", and "session_id" when it is set.
  virtual core::Value attributes() const;
  // "<1,%@>" with the attributes, for log lines.
  std::string description() const;
};
