#include "statistics/StatsLog.h"

#include <atomic>
#include <cstdio>
#include <mutex>

namespace {

std::atomic<bool> gEnabled{false};

std::mutex& sinkLock() {
  static std::mutex lock;
  return lock;
}

StatsLog::Sink& sink() {
  static StatsLog::Sink s;
  return s;
}

void write(const std::string& line) {
  StatsLog::Sink copy;
  {
    std::lock_guard lock(sinkLock());
    copy = sink();
  }
  if (copy) {
    copy(line);
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

void StatsLog::setSink(Sink s) {
  std::lock_guard lock(sinkLock());
  sink() = std::move(s);
}
