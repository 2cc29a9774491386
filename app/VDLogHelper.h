#pragma once
// VDLogHelper: the traffic counter. It adds up the bytes the application moves while the network is
// not reachable through Wi-Fi (the mobile network, or no network at all), per day and per month, in a
// TrafficLog property list:
//
//   "DayBytes": { "yyyyMMdd": bytes, ... }    "MonBytes": { "yyyyMM": bytes, ... }
//
// Byte counts are 64-bit integers; a missing key counts as 0. The live log is "vardo-log.plist" in the
// documents directory; a counter that finds none there starts from the bundle's "vardo-log.plist"
// (which is only ever read), and without that from an empty log. Every count rewrites the live file
// atomically; a failed write is ignored, the totals in memory stay.
//
// Thread-safe: each counter takes one lock around every read, add and write, so counts that arrive
// from several threads at once all land. The shared counter is made once, under the class's lock.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/core/Date.h"
#include "platform/core/Value.h"

class VDLogHelper {
 public:
  static constexpr const char* kDayBytes = "DayBytes";
  static constexpr const char* kMonBytes = "MonBytes";
  static constexpr const char* kLogName = "vardo-log";

  // The one shared counter over logFilePath(), made on first use.
  static std::shared_ptr<VDLogHelper> sharedInstance();
  // Forgets the shared counter: the next sharedInstance() reads the log afresh (after the data
  // directory changed, as in tests).
  static void resetSharedInstance();

  // A counter over the live log at logFilePath() / at `path`.
  VDLogHelper();
  explicit VDLogHelper(std::string path);

  // Counts `bytes` for today and this month on the shared counter (see append); today is the running
  // application's (ApplicationState::now).
  static void appendSize(std::int64_t bytes);
  // Counts `bytes` for the day and the month of `at` in the local time zone, with one write of the
  // file. Nothing is counted for 0 or fewer bytes, or while the network is reachable through Wi-Fi (the
  // running application's reachability watcher says so; without one the network counts as not Wi-Fi).
  void append(std::int64_t bytes, core::Date at);
  // Adds `bytes` to one day's / one month's total and writes the file (same rules as append).
  void saveDay(const std::string& day, std::int64_t bytes);
  void saveMon(const std::string& month, std::int64_t bytes);
  // The stored total; 0 when missing.
  std::int64_t getDayBytes(const std::string& day) const;
  std::int64_t getMonBytes(const std::string& month) const;
  // Empties both maps and writes the file.
  void reset();

  // A copy of the TrafficLog in memory.
  core::Value logger() const;
  const std::string& path() const { return path_; }

  // documents/vardo-log.plist.
  static std::string logFilePath();
  static std::string dayKey(core::Date date);    // "yyyyMMdd", local time
  static std::string monthKey(core::Date date);  // "yyyyMM", local time

 private:
  static int networkStatus();
  static bool countsNow() { return networkStatus() != 2; }
  void addLocked(const char* map, const std::string& key, std::int64_t bytes);
  void writeLocked();

  std::string path_;
  mutable std::mutex lock_;
  core::Value logger_;
};
