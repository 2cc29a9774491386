#include "statistics/StatsEkv.h"

#include "statistics/StatsLog.h"
#include "statistics/StatsUtil.h"

StatsEkv::StatsEkv() : ts(StatsUtil::now().secondsSince1970) {}

core::Value StatsEkv::attributes() const {
  core::Dictionary a{{"id", id}, {"ts", ts}};
  std::size_t n = 0;
  for (const auto& [k, v] : values) {
    if (n++ == kMaxPairs) break;
    const std::string cutKey = StatsUtil::getString(k, kMaxKeyBytes);
    if (v.isString()) {
      a.set(cutKey, StatsUtil::getString(v.str(), kMaxValueBytes));
    } else {
      StatsLog::log(
          "(Warning) Stats event's keys and values must be string ,key's max length 64 and value's max "
          "length "
          "256");
      a.set(k, v);  // a pair that is not all strings goes in unchanged
    }
  }
  if (du > 0) a.set("du", du);
  return core::Value(a);
}

void StatsEkv::updateDu() { du = static_cast<int>(StatsUtil::now().secondsSince1970 * 1000 - ts * 1000); }

std::string StatsEkv::description() const { return "<1," + attributes().describe() + ">"; }
