#include "app/CrashCatcherInstallerImpl.h"

void CrashCatcherInstallerImpl::installUncaughtExceptionHandler() {
  if (sender_) VDUncaughtExceptionHandler::setSender(sender_);
  InstallUncaughtExceptionHandler(mainThreadWait_);
}
