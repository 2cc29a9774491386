#include "app/VDUncaughtExceptionHandler.h"

#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>
#include <thread>

#include "app/ApplicationState.h"
#include "app/SubjectChoice.h"
#include "librarys/json/JsonWriter.h"
#include "platform/core/Bundle.h"
#include "platform/core/Date.h"
#include "platform/core/DateFormatter.h"
#include "platform/core/Paths.h"
#include "platform/core/Text.h"
#include "platform/runloop/DispatchQueue.h"
#include "platform/runloop/RunLoop.h"
#include "platform/system/Crash.h"
#include "platform/system/Device.h"

std::atomic<std::int32_t> UncaughtExceptionCount{0};

namespace {

using Handler = VDUncaughtExceptionHandler;

// ---- settings ----

std::mutex gSenderLock;
std::shared_ptr<CrashReportSender> gSender;
std::atomic<double> gMainThreadWait{Handler::kDefaultMainThreadWait};

// ---- the main thread ----

// The main thread as seen when the handlers were installed. When that was the process's initial
// thread it is recognised by its thread id being the process id, which also holds in a forked child.
std::atomic<bool> gMainIsInitialThread{true};
std::atomic<pid_t> gMainThreadId{0};

pid_t currentThreadId() { return static_cast<pid_t>(::syscall(SYS_gettid)); }

void rememberMainThread() {
  const pid_t tid = currentThreadId();
  const bool main = rl::RunLoop::isMainThread();
  gMainIsInitialThread = !main || tid == ::getpid();
  gMainThreadId = main ? tid : ::getpid();
}

bool onMainThread() {
  const pid_t tid = currentThreadId();
  return gMainIsInitialThread ? tid == ::getpid() : tid == gMainThreadId.load();
}

// ---- waiting ----

double monotonicNow() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// Waits until `stage` differs from `from`, at most `seconds`. True when it did.
bool waitForStageChange(const std::atomic<int>& stage, int from, double seconds) {
  const double deadline = monotonicNow() + seconds;
  while (stage.load() == from) {
    if (monotonicNow() >= deadline) return false;
    timespec pause{0, 1000000};  // 1 ms
    ::nanosleep(&pause, nullptr);
  }
  return true;
}

// Runs the report of a crash on the main thread (see the header): inline there, else handed to the
// main run loop with a bounded wait. When the main thread does not take it up in time, a worker of the
// global queue makes it: the crashing thread's handler may run on a small alternate signal stack of
// some other library, too small for building and sending a report. No reply comes back to the crashing
// thread's loop (it may be the one that is stuck): it waits on the stage alone. Stages: 0 waiting,
// 1 taken, 2 done; whoever moves 0 to 1 reports.
void reportOnMainThread(const Handler::Exception& exception) {
  if (onMainThread()) {
    Handler().reportAndRemoveHandlers(exception);
    return;
  }
  auto stage = std::make_shared<std::atomic<int>>(0);
  auto take = [stage] {
    int expected = 0;
    return stage->compare_exchange_strong(expected, 1);
  };
  auto report = [stage, exception] {
    Handler().reportAndRemoveHandlers(exception);
    stage->store(2);
  };
  rl::RunLoop::main().post([take, report] {
    if (take()) report();
  });
  const double wait = Handler::mainThreadWait();
  if (!waitForStageChange(*stage, 0, wait) && take()) {
    bool started = false;
    try {
      rl::DispatchQueue::global().async(report);
      started = true;
    } catch (...) {  // no worker can be made: report right here
    }
    if (!started) {
      report();
      return;
    }
  }
  // Someone has it: wait for the report, but no longer than its request may take.
  waitForStageChange(*stage, 1, Handler::kReportTimeout + wait);
}

// ---- texts ----

// Invalid UTF-8 (a symbol or an exception text may hold any bytes) becomes U+FFFD, so that the JSON
// writer takes the text.
std::string validUtf8(const std::string& text) {
  if (core::isValidUtf8(text)) return text;
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) out += core::fromCodePoint(core::nextCodePoint(text, i));
  return out;
}

std::string describeOrNull(const std::optional<std::string>& text) { return text ? *text : "(null)"; }

std::string valueText(const core::Value& v) { return v.isString() ? v.str() : v.describe(); }

// The main executable as read once: its path, load address and build id.
const std::optional<sys::Crash::LoadedObject>& mainImage() {
  static const std::optional<sys::Crash::LoadedObject> image = sys::Crash::mainExecutable();
  return image;
}

}  // namespace

// ---- installation and the two handlers ----

void InstallUncaughtExceptionHandler(double mainThreadWait) {
  gMainThreadWait = mainThreadWait < 0 ? 0 : mainThreadWait;
  rememberMainThread();
  // Read now what the handlers would otherwise read for the first time in a crash.
  mainImage();
  core::Bundle::main().localizedString("Signal %d was raised.");
  sys::Crash::installTerminateHandler(HandleUncaughtException);
  sys::Crash::installSignalHandlers(HandleSignal);
}

void HandleUncaughtException() {
  const std::int32_t count = UncaughtExceptionCount.fetch_add(1) + 1;
  if (count > Handler::kMaxHandledCrashes) sys::Crash::callPreviousTerminateHandler();

  Handler::Exception exception;
  if (const auto current = sys::Crash::currentException()) {
    exception.name = current->name;
    exception.reason = current->reason;
  } else {
    exception.name = "std::terminate";
    exception.reason = "terminate called without an active exception";
  }
  core::Array stack;
  for (auto& line : Handler::backtrace()) stack.push_back(std::move(line));
  exception.userInfo.set(Handler::kAddressesKey, stack);

  reportOnMainThread(exception);
  Handler::proceed(exception);
}

void HandleSignal(int signal) {
  const std::int32_t count = UncaughtExceptionCount.fetch_add(1) + 1;
  if (count > Handler::kMaxHandledCrashes) sys::Crash::reraise(signal);

  Handler::Exception exception;
  exception.name = Handler::kSignalExceptionName;
  const std::string format = core::Bundle::main().localizedString("Signal %d was raised.");
  exception.reason = core::replaceAll(format, "%d", std::to_string(signal));
  core::Array stack;
  for (auto& line : Handler::backtrace()) stack.push_back(std::move(line));
  exception.userInfo.set(Handler::kSignalKey, signal);
  exception.userInfo.set(Handler::kAddressesKey, stack);

  reportOnMainThread(exception);
  Handler::proceed(exception);
}

// ---- VDUncaughtExceptionHandler ----

std::vector<std::string> VDUncaughtExceptionHandler::backtrace() { return sys::Crash::backtrace(128); }

void VDUncaughtExceptionHandler::handleException(const Exception& exception) {
  reportAndRemoveHandlers(exception);
  proceed(exception);
}

void VDUncaughtExceptionHandler::reportAndRemoveHandlers(const Exception& exception) {
  sendCaughtException(exception);
  validateAndSaveCriticalApplicationData();
  dismissed = true;
  sys::Crash::restoreTerminateHandler();
  sys::Crash::restoreDefaultSignalHandlers();
}

void VDUncaughtExceptionHandler::proceed(const Exception& exception) {
  if (exception.name == kSignalExceptionName) {
    const core::Value number = exception.userInfo[kSignalKey];
    sys::Crash::reraise(number.isNumber() ? static_cast<int>(number.toInt()) : SIGABRT);
  }
  sys::Crash::callPreviousTerminateHandler();
}

void VDUncaughtExceptionHandler::sendCaughtException(const Exception& exception) {
  const std::string content = reportText(exception, currentFacts());
  const core::Value report = crashReport(currentContext(), content);
  const std::optional<std::string> json = JSONRepresentation(report);
  if (!json) return;
  sender()->send(kLogPath, *json, kReportTimeout);
}

std::string VDUncaughtExceptionHandler::reportText(const Exception& exception, const ReportFacts& facts) {
  std::vector<std::string> stack;
  for (const core::Value& line : exception.userInfo[kAddressesKey].array()) stack.push_back(valueText(line));
  std::vector<std::string> lines;
  lines.push_back(exception.name == kSignalExceptionName ? kSignalHeading : kExceptionHeading);
  lines.push_back("exceptionDate:" + facts.date);
  lines.push_back("dysm uuid:" + describeOrNull(facts.uuid));
  lines.push_back("hardwareModel:" + facts.hardwareModel);
  lines.push_back("osVersion:" + facts.osVersion);
  lines.push_back("networkStatus:" + std::to_string(facts.networkStatus));
  lines.push_back("name:" + exception.name);
  lines.push_back("reason:" + describeOrNull(exception.reason));
  lines.push_back("callStackSymbols:\n" + core::join(stack, "\n"));
  return core::join(lines, "\n");
}

core::Value VDUncaughtExceptionHandler::crashReport(const ReportContext& context,
                                                    const std::string& content) {
  core::Value report = core::Value::dictionary();
  const core::Value nickName =
      context.sessionUser.isDictionary() ? context.sessionUser["NiCheng"] : core::Value();
  report.set("UserName", nickName.isNilOrNull() ? std::string(kGuestName) : validUtf8(valueText(nickName)));
  if (!context.appEName.isNilOrNull()) report.set("AppEName", validUtf8(valueText(context.appEName)));
  if (!context.bundleVersion.isNilOrNull())
    report.set("AppVersion", "越狱版" + validUtf8(valueText(context.bundleVersion)));
  report.set("Content", validUtf8(content));
  return report;
}

VDUncaughtExceptionHandler::ReportFacts VDUncaughtExceptionHandler::currentFacts() {
  ReportFacts facts;
  facts.date = core::DateFormatter("yyyyMMdd HH:mm:ss").format(core::Date::now());
  facts.uuid = MainImageUUID();
  facts.hardwareModel = sys::Device::machine();
  facts.osVersion = sys::Device::systemVersion();
  if (ApplicationState* app = ApplicationState::current())
    if (auto reach = app->hostReach()) facts.networkStatus = reach->currentReachabilityStatus();
  return facts;
}

VDUncaughtExceptionHandler::ReportContext VDUncaughtExceptionHandler::currentContext() {
  ReportContext context;
  if (ApplicationState* app = ApplicationState::current()) context.sessionUser = app->userSession()["userInfo"];
  const core::Value choice = SubjectChoice::appName();
  if (choice.isDictionary()) context.appEName = choice["Value"];
  context.bundleVersion = core::Bundle::main().objectForInfoDictionaryKey("CFBundleVersion");
  return context;
}

void VDUncaughtExceptionHandler::setSender(std::shared_ptr<CrashReportSender> sender) {
  std::lock_guard lock(gSenderLock);
  gSender = std::move(sender);
}

std::shared_ptr<CrashReportSender> VDUncaughtExceptionHandler::sender() {
  std::lock_guard lock(gSenderLock);
  if (!gSender) gSender = std::make_shared<NoCrashReportSender>();
  return gSender;
}

double VDUncaughtExceptionHandler::mainThreadWait() { return gMainThreadWait.load(); }

// ---- the main executable ----

std::optional<std::string> MainImageUUID() {
  const auto& image = mainImage();
  std::fputs("Binary Images:\n", stderr);
  if (!image) {
    std::fputs("\n", stderr);
    return std::nullopt;
  }
  const std::string uuid = sys::Crash::buildIdText(image->buildId);
  std::fprintf(stderr, "%s 0x%lX - ??? %s <%s> %s\n\n", core::Paths::lastComponent(image->path).c_str(),
               static_cast<unsigned long>(image->loadAddress), sys::Device::machine().c_str(), uuid.c_str(),
               image->path.c_str());
  if (image->buildId.empty()) return std::nullopt;
  return uuid;
}
