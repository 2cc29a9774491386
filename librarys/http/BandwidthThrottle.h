#pragma once
// BandwidthThrottle: the measure of the bytes HTTP requests move per second, all together, and the throttle
// that holds their reads back while they go over a maximum. HTTPRequest keeps one for the process on the
// real clock (its class methods maxBandwidthPerSecond, measureBandwidthUsage, ... answer from it); a
// throttle on another clock is made with that clock.
//
// The measure: bytes are counted into the current one-second window (incrementBandwidthUsedInLastSecond).
// measureBandwidthUsage() closes the window once it has passed: the count becomes a sample (samples from
// before the window go, at most five are kept, a window without traffic clears them all), the samples'
// mean is averageBandwidthUsedPerSecond(), and a new window starts, ending one second from now. While
// throttling, a count over the maximum puts the reads to sleep until the overshoot is paid back:
// throttleWakeUpTime() = the window's end + overshoot / maximum (seconds on the throttle's clock).
//
// Throttling applies while a maximum is set, except that a throttle for the mobile network only
// (throttleForWWANOnlyUsingLimit) applies only while setNetworkThrottled(true) says the network is one.
//
// Thread-safe: every member takes the throttle's lock, and none calls out under it.

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/runloop/Clock.h"

class BandwidthThrottle {
 public:
  // A throttle measuring time on `clock` (null: the real clock).
  explicit BandwidthThrottle(std::shared_ptr<rl::Clock> clock = nullptr);

  // The time on the throttle's clock.
  double now() const;

  unsigned long maxBandwidthPerSecond() const;
  // A maximum for every network (0: none). Leaves the mobile-network-only choice as it is.
  void setMaxBandwidthPerSecond(unsigned long bytes);
  // Throttles to `limit` on the mobile network only.
  void throttleForWWANOnlyUsingLimit(unsigned long limit);
  // No maximum, on any network.
  void stopThrottling();
  // Whether the current network is the mobile one (what a mobile-network-only throttle waits for).
  void setNetworkThrottled(bool onWWAN);
  bool isBandwidthThrottled() const;

  void incrementBandwidthUsedInLastSecond(unsigned long bytes);
  unsigned long bandwidthUsedInLastSecond() const;
  // Closes the window now: the count becomes a sample (see above).
  void recordBandwidthUsage();
  // Closes the window when it has passed, then puts the reads to sleep when the count is over the maximum.
  void measureBandwidthUsage();
  // How many bytes a request body read may take: a quarter of the maximum, or what is left of this
  // second's when less (0 when nothing is, or no maximum is set). When it is 0, or the window has passed,
  // the reads sleep until the window's end.
  unsigned long maxUploadReadLength();
  // How many bytes a response read may take: a quarter of what is left of this second's maximum, at most
  // `bufferSize`, at least 1; `bufferSize` when not throttling.
  std::size_t responseReadLength(std::size_t bufferSize) const;
  unsigned long averageBandwidthUsedPerSecond() const;
  std::optional<double> throttleWakeUpTime() const;
  // The reads sleep: a wake-up time lies ahead.
  bool isAsleep() const;
  std::size_t bandwidthUsageSampleCount() const;

 private:
  bool throttlingLocked() const;
  void recordLocked(double now);

  const std::shared_ptr<rl::Clock> clock_;
  mutable std::mutex lock_;
  unsigned long maxBandwidthPerSecond_ = 0;
  unsigned long bandwidthUsedInLastSecond_ = 0;
  std::optional<double> bandwidthMeasurementDate_;
  std::vector<unsigned long> bandwidthUsageTracker_;
  unsigned long averageBandwidthUsedPerSecond_ = 0;
  std::optional<double> throttleWakeUpTime_;
  bool networkThrottled_ = false;
  bool wwanOnly_ = false;
};
