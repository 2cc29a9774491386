#pragma once
// sys::Crash: the process-level machinery a crash catcher stands on: handlers for the fatal signals
// (run on an alternate signal stack, so that a stack overflow can still be reported), the terminate
// handler that sees uncaught C++ exceptions, the call stack of the calling thread with symbols, the
// loaded objects of the process and their build ids, and the way back to the default handling once a
// crash has been reported.
//
// None of this is async-signal-safe in the strict sense (symbols are looked up, texts are built); it
// is meant for the last moments of a process that is going down anyway.

#include <signal.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sys {

class Crash {
 public:
  // The fatal signals that count as crashes.
  static constexpr std::array<int, 6> kSignals = {SIGABRT, SIGILL, SIGSEGV, SIGFPE, SIGBUS, SIGPIPE};
  // The size of the alternate signal stack given to a thread.
  static constexpr std::size_t kAlternateStackSize = 1024 * 1024;

  using SignalHandler = void (*)(int signal);
  using TerminateHandler = void (*)();

  // Makes `handler` the handler of the six signals. It runs on the alternate signal stack of the
  // thread that receives the signal, with all six signals blocked while it runs. The calling thread
  // is given an alternate stack (installAlternateStack). False when a handler could not be set.
  static bool installSignalHandlers(SignalHandler handler);
  // Puts the six signals back to their default action.
  static void restoreDefaultSignalHandlers();
  // Gives the calling thread an alternate signal stack of kAlternateStackSize bytes, kept until the
  // thread ends. A thread that already has one at least that large keeps it. False on failure.
  static bool installAlternateStack();

  // Makes `handler` the terminate handler (std::set_terminate). The handler it replaces is remembered
  // once, so that a second install does not remember the first install's own handler.
  static void installTerminateHandler(TerminateHandler handler);
  // Puts back the terminate handler that was in place before the first install.
  static void restoreTerminateHandler();
  // Runs the terminate handler that was in place before the first install (the runtime's own one
  // reports the uncaught exception and aborts); std::abort when there was none.
  [[noreturn]] static void callPreviousTerminateHandler();

  // Ends the process with `signal` under its default action: the default handler is set, the signal
  // is unblocked in the calling thread and raised. Should the process still be alive after that, it
  // exits with status 128 + signal.
  [[noreturn]] static void reraise(int signal);

  // The exception the calling thread is handling, as a terminate handler sees an uncaught exception:
  // its type name (demangled, such as "std::runtime_error") and, for a std::exception, what().
  struct ExceptionDescription {
    std::string name;
    std::optional<std::string> reason;
  };
  static std::optional<ExceptionDescription> currentException();

  // Up to `max` return addresses of the calling thread, innermost first.
  static std::vector<void*> returnAddresses(int max = 128);
  // One line per address, in order: the frame number, the object's file name, the address, and the
  // symbol with the offset into it ("3   vardo   0x000055d0c0a1b2c3 AppDelegate::timing() + 42"),
  // or, without a symbol, the object's file name with the offset from its load address.
  static std::vector<std::string> symbolicate(const std::vector<void*>& addresses);
  // symbolicate(returnAddresses(max)): the call stack of the calling thread, this function's own
  // frame first.
  static std::vector<std::string> backtrace(int max = 128);

  // The objects mapped into the process, the main executable first.
  struct LoadedObject {
    std::string path;  // the full path ("/proc/self/exe" resolved for the main executable)
    std::uintptr_t loadAddress = 0;
    std::vector<std::uint8_t> buildId;  // the GNU build id; empty when the object has none
  };
  static std::vector<LoadedObject> loadedObjects();
  // The main executable alone (the first of loadedObjects()).
  static std::optional<LoadedObject> mainExecutable();
  // The text of a build id: a 16-byte id in the UUID form ("8-4-4-4-12" upper-case hexadecimal
  // digits), any other length as its bytes in upper-case hexadecimal; empty for an empty id.
  static std::string buildIdText(const std::vector<std::uint8_t>& buildId);
};

}  // namespace sys
