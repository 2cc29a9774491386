#pragma once
// StatsEvent: one counted or timed event.

#include "statistics/StatsBaseEvent.h"

class StatsEvent : public StatsBaseEvent {
 public:
  static constexpr std::size_t kMaxLabelBytes = 256;

  StatsEvent() : StatsBaseEvent("event") {}

  std::string event_id;
  std::string label;
  int acc = 0;
  int du = 0;  // milliseconds
  core::Dictionary values;

  // Base attributes, then "label" when not empty (cut to 256 UTF-8 bytes of whole characters, with the
  // warning "(Warning) Stats event label (%@) max bytes length > 256"), "values" when not empty, "ts" when
  // not 0, "tag" = the event id, "acc" and "du" when above 0, and "session_id" always (the session the
  // event was made in; empty when there was none).
  core::Value attributes() const override;
  // du = the milliseconds since the record was made (truncated).
  void updateDu();
};
