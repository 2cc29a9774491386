#include "statistics/StatsHosts.h"

#include <cstdlib>

#include "platform/core/Paths.h"
#include "platform/core/PropertyList.h"

namespace {

constexpr const char* kDefaultHost = "127.0.0.1:8080";

}  // namespace

StatsHosts StatsHosts::defaults() {
  StatsHosts h;
  h.setPrimary(kDefaultHost);
  h.setFallback(kDefaultHost);
  return h;
}

void StatsHosts::setPrimary(const std::string& host) { logPrimary = configPrimary = updatePrimary = host; }

void StatsHosts::setFallback(const std::string& host) {
  logFallback = configFallback = updateFallback = host;
}

bool StatsHosts::isUsableHost(const std::string& host) {
  if (host.empty()) return false;
  for (char c : host) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                    c == '-' || c == ':' || c == '[' || c == ']';
    if (!ok) return false;
  }
  return true;
}

StatsHosts StatsHosts::load() {
  StatsHosts h = defaults();
  core::Value file =
      core::PropertyList::readFile(core::Paths::join(core::Paths::configuration(), "server.plist"));
  auto apply = [&](const core::Value& v, bool primary) {
    if (!v.isString() || !isUsableHost(v.str())) return;
    primary ? h.setPrimary(v.str()) : h.setFallback(v.str());
  };
  apply(file["StatisticsHost"], true);
  apply(file["StatisticsFallbackHost"], false);
  if (const char* v = std::getenv("VARDO_STATS_HOST")) apply(core::Value(v), true);
  if (const char* v = std::getenv("VARDO_STATS_FALLBACK_HOST")) apply(core::Value(v), false);
  return h;
}
