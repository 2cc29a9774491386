#include "librarys/http/BandwidthThrottle.h"

BandwidthThrottle::BandwidthThrottle(std::shared_ptr<rl::Clock> clock)
    : clock_(clock ? std::move(clock) : rl::Clock::real()) {
  bandwidthUsageTracker_.reserve(6);
}

double BandwidthThrottle::now() const { return clock_->now(); }

unsigned long BandwidthThrottle::maxBandwidthPerSecond() const {
  std::lock_guard lock(lock_);
  return maxBandwidthPerSecond_;
}

void BandwidthThrottle::setMaxBandwidthPerSecond(unsigned long bytes) {
  std::lock_guard lock(lock_);
  maxBandwidthPerSecond_ = bytes;
}

void BandwidthThrottle::throttleForWWANOnlyUsingLimit(unsigned long limit) {
  std::lock_guard lock(lock_);
  wwanOnly_ = true;
  maxBandwidthPerSecond_ = limit;
}

void BandwidthThrottle::stopThrottling() {
  std::lock_guard lock(lock_);
  maxBandwidthPerSecond_ = 0;
  networkThrottled_ = false;
  wwanOnly_ = false;
}

void BandwidthThrottle::setNetworkThrottled(bool onWWAN) {
  std::lock_guard lock(lock_);
  networkThrottled_ = onWWAN;
}

bool BandwidthThrottle::throttlingLocked() const {
  return networkThrottled_ || (!wwanOnly_ && maxBandwidthPerSecond_ > 0);
}

bool BandwidthThrottle::isBandwidthThrottled() const {
  std::lock_guard lock(lock_);
  return throttlingLocked();
}

void BandwidthThrottle::incrementBandwidthUsedInLastSecond(unsigned long bytes) {
  std::lock_guard lock(lock_);
  bandwidthUsedInLastSecond_ += bytes;
}

unsigned long BandwidthThrottle::bandwidthUsedInLastSecond() const {
  std::lock_guard lock(lock_);
  return bandwidthUsedInLastSecond_;
}

void BandwidthThrottle::recordLocked(double now) {
  if (bandwidthUsedInLastSecond_ == 0) {
    bandwidthUsageTracker_.clear();
  } else {
    // Samples older than the window (and beyond the five kept) go.
    double interval = bandwidthMeasurementDate_ ? *bandwidthMeasurementDate_ - now : 0;
    while ((interval < 0 || bandwidthUsageTracker_.size() > 5) && !bandwidthUsageTracker_.empty()) {
      bandwidthUsageTracker_.erase(bandwidthUsageTracker_.begin());
      interval += 1;
    }
  }
  bandwidthUsageTracker_.push_back(bandwidthUsedInLastSecond_);
  bandwidthMeasurementDate_ = now + 1;
  bandwidthUsedInLastSecond_ = 0;
  unsigned long long total = 0;
  for (unsigned long bytes : bandwidthUsageTracker_) total += bytes;
  averageBandwidthUsedPerSecond_ = static_cast<unsigned long>(total / bandwidthUsageTracker_.size());
}

void BandwidthThrottle::recordBandwidthUsage() {
  const double t = now();
  std::lock_guard lock(lock_);
  recordLocked(t);
}

void BandwidthThrottle::measureBandwidthUsage() {
  const double t = now();
  std::lock_guard lock(lock_);
  if (!bandwidthMeasurementDate_ || *bandwidthMeasurementDate_ < t) recordLocked(t);
  if (throttlingLocked() && maxBandwidthPerSecond_ > 0 &&
      bandwidthUsedInLastSecond_ > maxBandwidthPerSecond_) {
    double overshoot = static_cast<double>(bandwidthUsedInLastSecond_ - maxBandwidthPerSecond_) /
                       static_cast<double>(maxBandwidthPerSecond_);
    throttleWakeUpTime_ = *bandwidthMeasurementDate_ + overshoot;
  }
}

unsigned long BandwidthThrottle::maxUploadReadLength() {
  const double t = now();
  std::lock_guard lock(lock_);
  unsigned long toRead = maxBandwidthPerSecond_ / 4;
  if (maxBandwidthPerSecond_ > 0 && bandwidthUsedInLastSecond_ + toRead > maxBandwidthPerSecond_) {
    toRead = bandwidthUsedInLastSecond_ >= maxBandwidthPerSecond_
                 ? 0
                 : maxBandwidthPerSecond_ - bandwidthUsedInLastSecond_;
  }
  if (toRead == 0 || !bandwidthMeasurementDate_ || *bandwidthMeasurementDate_ < t)
    throttleWakeUpTime_ = bandwidthMeasurementDate_;
  return toRead;
}

std::size_t BandwidthThrottle::responseReadLength(std::size_t bufferSize) const {
  std::lock_guard lock(lock_);
  if (!throttlingLocked()) return bufferSize;
  if (maxBandwidthPerSecond_ > 0) {
    long long allowance =
        static_cast<long long>(maxBandwidthPerSecond_) - static_cast<long long>(bandwidthUsedInLastSecond_);
    if (allowance < 0) {
      bufferSize = 1;
    } else if (static_cast<std::size_t>(allowance / 4) < bufferSize) {
      bufferSize = static_cast<std::size_t>(allowance / 4);
    }
  }
  return bufferSize < 1 ? 1 : bufferSize;
}

unsigned long BandwidthThrottle::averageBandwidthUsedPerSecond() const {
  std::lock_guard lock(lock_);
  return averageBandwidthUsedPerSecond_;
}

std::optional<double> BandwidthThrottle::throttleWakeUpTime() const {
  std::lock_guard lock(lock_);
  return throttleWakeUpTime_;
}

bool BandwidthThrottle::isAsleep() const {
  const double t = now();
  std::lock_guard lock(lock_);
  return throttleWakeUpTime_ && *throttleWakeUpTime_ > t;
}

std::size_t BandwidthThrottle::bandwidthUsageSampleCount() const {
  std::lock_guard lock(lock_);
  return bandwidthUsageTracker_.size();
}
