#pragma once
// StatsError: the record of a crash: its text and the facts needed to read it.

#include "statistics/StatsBaseEvent.h"

class StatsError : public StatsBaseEvent {
 public:
  StatsError() : StatsBaseEvent("error") {}

  std::string context;

  // Base attributes, "message_type" = "error", "context", and "session_id" always (the session the
  // record was made in; empty when there was none).
  core::Value attributes() const override;
};
