#pragma once
// StatsEkv: one event with attributes (key-value pairs).

#include <string>

#include "platform/core/Value.h"

class StatsEkv {
 public:
  static constexpr std::size_t kMaxPairs = 10;
  static constexpr std::size_t kMaxKeyBytes = 128;
  static constexpr std::size_t kMaxValueBytes = 256;

  StatsEkv();  // ts = now on the component's clock

  std::string id;
  std::string key;
  core::Dictionary values;
  double ts = 0;
  int du = 0;  // milliseconds

  // "id", "ts", then the first ten pairs of `values` (in the dictionary's order) merged in: a key longer
  // than 128 UTF-8 bytes is cut to 128, a string value longer than 256 to 256 (whole characters); a value
  // that is not a string goes in as it is (logged as a warning while logging is on); "du" when above 0.
  core::Value attributes() const;
  // du = the milliseconds since the record was made (truncated).
  void updateDu();
  // "<1,%@>" with the attributes, for log lines.
  std::string description() const;
};
