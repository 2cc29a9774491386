#include "statistics/StatsLog.h"

#include <atomic>
#include <cstdio>

#include "statistics/StatsServices.h"

namespace {

std::atomic<bool> gEnabled{false};

void write(const std::string& line) {
  const auto sink = StatsServices::installed().logSink;
  if (sink) {
    sink(line);
  } else {
    std::fprintf(stderr, "%s\n", line.c_str());
  }
}

}  // namespace

void StatsLog::setEnabled(bool on) { gEnabled = on; }
bool StatsLog::enabled() { return gEnabled; }

void StatsLog::log(const std::string& message) {
  if (gEnabled) write("Stats: " + message);
}

void StatsLog::warn(const std::string& message) { write(message); }
