#pragma once
// The crash catcher the start-up installs: InstallUncaughtExceptionHandler, with the report sender
// given here (none given: the sender already in place is kept).

#include <memory>

#include "app/AppServices.h"
#include "app/VDUncaughtExceptionHandler.h"

class CrashCatcherInstallerImpl : public CrashCatcherInstaller {
 public:
  explicit CrashCatcherInstallerImpl(std::shared_ptr<CrashReportSender> sender = nullptr)
      : sender_(std::move(sender)) {}

  void installUncaughtExceptionHandler() override;

 private:
  std::shared_ptr<CrashReportSender> sender_;
};
