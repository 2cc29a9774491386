#pragma once
// The crash catcher. InstallUncaughtExceptionHandler makes HandleUncaughtException the terminate
// handler (an uncaught C++ exception) and HandleSignal the handler of SIGABRT, SIGILL, SIGSEGV, SIGFPE,
// SIGBUS and SIGPIPE. Each caught crash becomes one CrashReport, posted to "1.0/json/sys/Log" through
// the CrashReportSender; then the handlers are removed and the crash proceeds: a signal is raised
// again with its default action, an exception goes to the runtime's own terminate handler (which
// reports it and aborts).
//
// Threads: the report is made on the main thread. A crash on the main thread is reported there and
// then; a crash on another thread hands the report to the main run loop and waits for it, but only a
// bounded time: when the main thread has not taken the report up within mainThreadWait() seconds
// (given at installation; it may be the one that is stuck), a reporter thread makes the report instead, and
// the crashing thread waits for that (at most the report's time-out). Either way the report is sent once.
//
// From the eleventh crash of the process on, the handlers report nothing and the default handling of
// the crash applies at once.
//
// The handlers are installed from the main thread (the start-up does it); that thread is the one the
// report is handed to.

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/Value.h"
#include "ui/AlertView.h"

// Delivers one crash report. send() is synchronous: it returns once the report was delivered, was
// refused or timed out (after timeoutSeconds at most); the answer is not looked at. It is called on
// the main thread, or on a reporter thread when the main thread does not take the report in time.
class CrashReportSender {
 public:
  virtual ~CrashReportSender() = default;
  virtual bool send(const std::string& path, const std::string& jsonText, double timeoutSeconds) = 0;
};

// The sender in place until an API client is given: it drops every report.
class NoCrashReportSender : public CrashReportSender {
 public:
  bool send(const std::string& path, const std::string& jsonText, double timeoutSeconds) override {
    return false;
  }
};

// The crashes caught so far in this process (each thread's crash counted once).
extern std::atomic<std::int32_t> UncaughtExceptionCount;

// The terminate handler.
void HandleUncaughtException();
// The signal handler.
void HandleSignal(int signal);

class VDUncaughtExceptionHandler : public ui::AlertViewDelegate {
 public:
  static constexpr const char* kSignalExceptionName = "UncaughtExceptionHandlerSignalExceptionName";
  static constexpr const char* kSignalKey = "UncaughtExceptionHandlerSignalKey";
  static constexpr const char* kAddressesKey = "UncaughtExceptionHandlerAddressesKey";
  static constexpr const char* kLogPath = "1.0/json/sys/Log";
  static constexpr const char* kExceptionHeading = "=============Exception崩溃报告=============";
  static constexpr const char* kSignalHeading = "=============Signal崩溃报告=============";
  static constexpr const char* kGuestName = "游客";
  // Crashes after this many are not handled.
  static constexpr std::int32_t kMaxHandledCrashes = 10;
  // The time-out of the report's request: short, as the process waits for it before it ends.
  static constexpr double kReportTimeout = 5;
  // How long a crashing thread waits for the main thread to take its report up.
  static constexpr double kDefaultMainThreadWait = 2;

  // A caught crash: its name, reason and user information (kSignalKey: the signal number, for a
  // signal; kAddressesKey: the call-stack lines).
  struct Exception {
    std::string name;
    std::optional<std::string> reason;
    core::Value userInfo = core::Value::dictionary();
  };

  // The facts of the report text besides the exception.
  struct ReportFacts {
    std::string date;                 // "yyyyMMdd HH:mm:ss"
    std::optional<std::string> uuid;  // the main executable's build id
    std::string hardwareModel;        // the machine name of the system identification
    std::string osVersion;
    int networkStatus = 0;  // 0 not reachable, 1 mobile network, 2 Wi-Fi
  };

  // The facts of the CrashReport besides its text.
  struct ReportContext {
    core::Value sessionUser;    // the session's "userInfo" (Nil when nobody is logged in)
    core::Value appEName;       // the chosen subject's "Value" (Nil when none is chosen)
    core::Value bundleVersion;  // "CFBundleVersion" (Nil when the bundle has none)
  };

  bool dismissed = false;

  // The call stack of the calling thread, one symbolised line per frame (up to 128), in order.
  static std::vector<std::string> backtrace();

  // Reports the crash, removes the handlers and lets the crash proceed (never returns for a crash
  // made by HandleSignal or HandleUncaughtException).
  void handleException(const Exception& exception);
  // Builds the CrashReport and sends it through the sender, once.
  void sendCaughtException(const Exception& exception);
  void validateAndSaveCriticalApplicationData() {}
  void clickedButtonAtIndex(ui::AlertView& alert, int index) override { dismissed = true; }

  // The parts of handleException: the report with the handlers removed, then the crash proceeding.
  void reportAndRemoveHandlers(const Exception& exception);
  [[noreturn]] static void proceed(const Exception& exception);

  // ---- the report ----
  static std::string reportText(const Exception& exception, const ReportFacts& facts);
  // {"UserName", "AppEName", "AppVersion", "Content"}; a missing value leaves its key out.
  static core::Value crashReport(const ReportContext& context, const std::string& content);
  // The facts and context of now: the clock, the main executable, sys::Device, the application
  // delegate's reachability and session, the subject choice and the bundle.
  static ReportFacts currentFacts();
  static ReportContext currentContext();

  // ---- settings ----
  // The sender of the reports (nullptr puts the dropping one back).
  static void setSender(std::shared_ptr<CrashReportSender> sender);
  static std::shared_ptr<CrashReportSender> sender();
  // How long a crashing thread waits for the main thread (as installed; a negative wait counts as 0).
  static double mainThreadWait();
};

// Installs the two handlers (see above), with the wait for the main thread to take a report up.
// Installing again changes nothing but the handlers and the wait.
void InstallUncaughtExceptionHandler(
    double mainThreadWait = VDUncaughtExceptionHandler::kDefaultMainThreadWait);

// The build id of the main executable as text (see sys::Crash::buildIdText), nullopt when it has
// none. Writes the "Binary Images:" lines of the executable to the standard error as it goes.
std::optional<std::string> MainImageUUID();
