#pragma once
// Shared pieces of the crash tests: a temporary directory, a report sender that appends every report
// to a file (the parent process reads what a crashed child sent), and the reading of that file.

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/VDUncaughtExceptionHandler.h"
#include "platform/core/Paths.h"
#include "platform/core/Text.h"
#include "tests/support/TempDir.h"

namespace crash_test {

using TempDir = testsupport::TempDir;

// One line per report: path, time-out, "main" or "other" (the thread it was sent from), JSON text.
// The JSON text of a report has no line feed of its own (the writer escapes them).
class FileRecordingSender : public CrashReportSender {
 public:
  explicit FileRecordingSender(std::string file) : file_(std::move(file)) {}
  bool send(const std::string& path, const std::string& jsonText, double timeoutSeconds) override {
    const bool main = ::syscall(SYS_gettid) == ::getpid();
    const std::string line = path + "\t" + std::to_string(timeoutSeconds) + "\t" + (main ? "main" : "other") +
                             "\t" + jsonText + "\n";
    const int fd = ::open(file_.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (fd < 0) return false;
    const bool ok = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    ::close(fd);
    return ok;
  }

 private:
  std::string file_;
};

struct SentReport {
  std::string path;
  double timeout = 0;
  std::string thread;
  std::string json;
};

inline std::vector<SentReport> readReports(const std::string& file) {
  std::vector<SentReport> reports;
  const auto text = core::Paths::readTextFile(file);
  if (!text) return reports;
  for (const std::string& line : core::split(*text, "\n")) {
    if (line.empty()) continue;
    const std::vector<std::string> parts = core::split(line, "\t");
    if (parts.size() < 4) continue;
    SentReport r;
    r.path = parts[0];
    r.timeout = std::atof(parts[1].c_str());
    r.thread = parts[2];
    r.json = parts[3];
    for (std::size_t i = 4; i < parts.size(); ++i) r.json += "\t" + parts[i];
    reports.push_back(std::move(r));
  }
  return reports;
}

}  // namespace crash_test
