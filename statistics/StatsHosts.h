#pragma once
// StatsHosts: the hosts of the statistics service ("host" or "host:port", no scheme), a primary and a
// fallback for each of its three exchanges: the log upload ("/app_logs"), the online configuration
// ("/check_config_update") and the update check ("/api/check_app_update").
//
// Where the values come from, later ones winning:
//   1. defaults: every host is the loopback API server on its default port, "127.0.0.1:8080";
//   2. the property list "server.plist" in the configuration directory (the file of the app's other
//      server bases), string keys "StatisticsHost" and "StatisticsFallbackHost" (each optional), which
//      set the primary and the fallback host of all three exchanges;
//   3. the environment: VARDO_STATS_HOST and VARDO_STATS_FALLBACK_HOST, the same way.
// A value must be a bare host with an optional port (letters, digits, ".", "-", ":", "[", "]"); any other
// value is ignored.

#include <string>

class StatsHosts {
 public:
  std::string logPrimary, logFallback;
  std::string configPrimary, configFallback;
  std::string updatePrimary, updateFallback;

  static StatsHosts defaults();
  // Defaults, file, environment, as above.
  static StatsHosts load();
  // Sets the primary (or fallback) host of all three exchanges.
  void setPrimary(const std::string& host);
  void setFallback(const std::string& host);

  static bool isUsableHost(const std::string& host);
};
