#pragma once
// The crash catcher the start-up installs: InstallUncaughtExceptionHandler, with the report sender
// given here (none given: the sender already in place is kept) and the time a crashing thread waits for
// the main thread to take its report up.

#include <memory>

#include "app/AppServices.h"
#include "app/VDUncaughtExceptionHandler.h"

class CrashCatcherInstallerImpl : public CrashCatcherInstaller {
 public:
  explicit CrashCatcherInstallerImpl(
      std::shared_ptr<CrashReportSender> sender = nullptr,
      double mainThreadWait = VDUncaughtExceptionHandler::kDefaultMainThreadWait)
      : sender_(std::move(sender)), mainThreadWait_(mainThreadWait) {}

  void installUncaughtExceptionHandler() override;

 private:
  std::shared_ptr<CrashReportSender> sender_;
  double mainThreadWait_;
};
