#include "statistics/UncaughtExceptionHandler.h"

#include <atomic>
#include <cstdint>

#include "platform/core/NotificationCenter.h"
#include "platform/system/Crash.h"
#include "statistics/UsageStats.h"

namespace {

// Set by the first crash handled; a later one (another thread) takes the default way at once.
std::atomic<bool> gHandling{false};

core::Value addressesValue(const std::vector<void*>& addresses) {
  core::Array out;
  for (void* a : addresses) out.push_back(static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(a)));
  return core::Value(out);
}

core::Value linesValue(const std::vector<std::string>& lines) {
  core::Array out;
  for (const auto& l : lines) out.push_back(l);
  return core::Value(out);
}

}  // namespace

std::vector<std::string> UncaughtExceptionHandler::backtrace(const std::vector<void*>& addresses) {
  return sys::Crash::symbolicate(addresses);
}

const std::map<int, std::string>& UncaughtExceptionHandler::signals() {
  static const std::map<int, std::string> names{{SIGABRT, "SIGABRT"}, {SIGBUS, "SIGBUS"},
                                                {SIGFPE, "SIGFPE"},   {SIGILL, "SIGILL"},
                                                {SIGSEGV, "SIGSEGV"}, {SIGTRAP, "SIGTRAP"}};
  return names;
}

std::string UncaughtExceptionHandler::signalName(int signal) {
  const auto it = signals().find(signal);
  return it == signals().end() ? "(null)" : it->second;
}

void UncaughtExceptionHandler::install() {
  sys::Crash::installTerminateHandler(&UncaughtExceptionHandler::onUncaughtException);
  sys::Crash::installSignalHandlers(&UncaughtExceptionHandler::onSignal);
}

core::Value UncaughtExceptionHandler::exceptionForSignal(int signal) {
  const std::vector<void*> addresses = sys::Crash::returnAddresses();
  const std::vector<std::string> lines = backtrace(addresses);
  core::Dictionary userInfo{{kSignalKey, signal}, {kAddressesKey, linesValue(lines)}};
  return core::Value(core::Dictionary{{"name", kSignalExceptionName},
                                      {"reason", "Application received signal " + signalName(signal)},
                                      {"userInfo", core::Value(userInfo)},
                                      {"callStackSymbols", linesValue(lines)},
                                      {"callStackReturnAddresses", addressesValue(addresses)}});
}

void UncaughtExceptionHandler::onSignal(int signal) {
  if (gHandling.exchange(true)) sys::Crash::reraise(signal);
  UncaughtExceptionHandler().handleException(exceptionForSignal(signal));
}

void UncaughtExceptionHandler::onUncaughtException() {
  if (gHandling.exchange(true)) sys::Crash::callPreviousTerminateHandler();
  const auto current = sys::Crash::currentException();
  core::Dictionary exception{{"name", current ? current->name : std::string("std::terminate")}};
  exception.set("reason", current && current->reason ? *current->reason : std::string());
  // An exception carries no call stack of its own: the addresses are read where terminate was called,
  // which for an exception nobody caught is still the stack it was thrown from.
  exception.set("callStackReturnAddresses", addressesValue(sys::Crash::returnAddresses()));
  UncaughtExceptionHandler().handleException(core::Value(exception));
}

void UncaughtExceptionHandler::validateAndSaveCriticalApplicationData(const core::Value& exception) {
  core::NotificationCenter::defaultCenter().post(UsageStats::kCrashCatchNotification, exception);
}

void UncaughtExceptionHandler::handleException(const core::Value& exception) {
  sys::Crash::restoreTerminateHandler();
  sys::Crash::restoreDefaultSignalHandlers();
  validateAndSaveCriticalApplicationData(exception);
  const core::Value signal = exception["userInfo"][kSignalKey];
  if (signal.isInteger()) sys::Crash::reraise(static_cast<int>(signal.integer()));
  sys::Crash::callPreviousTerminateHandler();
}
