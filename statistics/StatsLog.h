#pragma once
// StatsLog: where the statistics component writes its log lines.
//
// Two kinds of lines: log() lines ("Stats: <message>") are written only while logging is on
// (UsageStats' setLogEnabled: turns it on; it starts off); warn() lines (a dropped event id, a label
// that was cut) are always written. Both go to the sink, by default the process's standard error (the
// system log of a Linux desktop session). Thread-safe.

#include <functional>
#include <string>

class StatsLog {
 public:
  using Sink = std::function<void(const std::string& line)>;

  static void setEnabled(bool on);
  static bool enabled();
  // "Stats: " + message, only while logging is on.
  static void log(const std::string& message);
  // The message as it is, always.
  static void warn(const std::string& message);
  // Replaces the sink (a null sink restores standard error). Tests capture the lines with it.
  static void setSink(Sink sink);
};
