#include "app/SystemCrashReportSender.h"

#include <memory>

#include "service/System.h"

bool SystemCrashReportSender::send(const std::string& path, const std::string& jsonText,
                                   double timeoutSeconds) {
  if (path != VDUncaughtExceptionHandler::kLogPath) return false;
  return std::make_shared<System>()->sentErrorLog(jsonText, timeoutSeconds);
}
