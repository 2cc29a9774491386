#pragma once
// UncaughtExceptionHandler: the statistics component's crash catcher (UsageStats switches it on and
// off; the app keeps it off, having a crash catcher of its own).
//
// install() makes onUncaughtException the terminate handler (an uncaught C++ exception) and onSignal the
// handler of SIGABRT, SIGILL, SIGSEGV, SIGFPE, SIGBUS and SIGPIPE. Either turns the crash into an
// exception dictionary:
//   "name"                      the exception's type ("std::runtime_error"), or "StatsSignalRaisedException"
//   "reason"                    what() of the exception, or "Application received signal <name>"
//   "userInfo"                  for a signal: kSignalKey (its number) and kAddressesKey (the call stack)
//   "callStackSymbols"          the call stack as lines, when known
//   "callStackReturnAddresses"  the call stack's return addresses (integers)
// and hands it to handleException on the crashing thread itself: the handlers are removed, the crash
// notification (UsageStats::kCrashCatchNotification, object: the dictionary) is posted, whose observer
// records it and writes the job file there and then, and the crash proceeds: a signal is raised again
// under its default action, an exception goes on to the runtime's own terminate handler. A second
// crash during the handling finds the default actions in place.

#include <map>
#include <string>
#include <vector>

#include "platform/core/Value.h"

class UncaughtExceptionHandler {
 public:
  static constexpr const char* kSignalExceptionName = "StatsSignalRaisedException";
  static constexpr const char* kSignalKey = "UncaughtExceptionHandlerSignalKey";
  static constexpr const char* kAddressesKey = "UncaughtExceptionHandlerAddressesKey";

  bool dismissed = false;  // kept for the original interface; nothing reads it

  // The symbol lines of return addresses.
  static std::vector<std::string> backtrace(const std::vector<void*>& addresses);
  // Names of the signals the reason texts use: SIGABRT, SIGBUS, SIGFPE, SIGILL, SIGSEGV, SIGTRAP.
  static const std::map<int, std::string>& signals();
  // The name of a signal, "(null)" for one without a name (SIGPIPE).
  static std::string signalName(int signal);

  // Ends the process after the crash notification (see above).
  [[noreturn]] void handleException(const core::Value& exception);
  // Posts the crash notification with the exception.
  void validateAndSaveCriticalApplicationData(const core::Value& exception);

  static void install();
  static void onUncaughtException();
  static void onSignal(int signal);
  // The exception dictionary of a signal caught now (its call stack is the calling thread's).
  static core::Value exceptionForSignal(int signal);
};
