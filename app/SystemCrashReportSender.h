#pragma once
// The crash reports' way to the server: each report goes out through a new system client (System) as
// its error log, posted synchronously to "1.0/json/sys/Log" on the main API base with the report's own
// short time-out, so that a crashing process waits seconds, not minutes, when the server does not
// answer. Other paths are not the system client's to send: they are refused.

#include <string>

#include "app/VDUncaughtExceptionHandler.h"

class SystemCrashReportSender : public CrashReportSender {
 public:
  // True when the server answered. False without sending anything for a path other than the log path.
  bool send(const std::string& path, const std::string& jsonText, double timeoutSeconds) override;
};
