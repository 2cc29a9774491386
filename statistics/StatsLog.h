#pragma once
// StatsLog: where the statistics component writes its log lines.
//
// Two kinds of lines: log() lines ("Stats: <message>") are written only while logging is on
// (UsageStats' setLogEnabled: turns it on; it starts off); warn() lines (a dropped event id, a label
// that was cut) are always written. Both go to the log sink the component's owner handed in
// (StatsServices), by default the process's standard error (the system log of a Linux desktop
// session). Thread-safe.

#include <string>

class StatsLog {
 public:
  static void setEnabled(bool on);
  static bool enabled();
  // "Stats: " + message, only while logging is on.
  static void log(const std::string& message);
  // The message as it is, always.
  static void warn(const std::string& message);
};
