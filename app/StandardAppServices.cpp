// What the executable runs with: the concrete classes behind AppServices.

#include "app/AppPaths.h"
#include "app/AppServices.h"
#include "app/BankUpdateCheck.h"
#include "app/CrashCatcherInstallerImpl.h"
#include "app/HTTPRequestSwitchesAdapter.h"
#include "app/InternetReachability.h"
#include "app/SystemCrashReportSender.h"
#include "app/URLOpener.h"
#include "app/UserAppInfoClient.h"
#include "app/UserLoginAdapter.h"
#include "app/VDAppStatistics.h"
#include "dao/BankLocation.h"
#include "service/ServiceShell.h"
#include "widgets/AuthenticationDialog.h"

AppServices AppServices::standard() {
  AppServices s;
  s.httpRequest = std::make_shared<HTTPRequestSwitchesAdapter>();
  s.statistics = std::make_shared<VDAppStatisticsTracker>();
  s.crashCatcher = std::make_shared<CrashCatcherInstallerImpl>(std::make_shared<SystemCrashReportSender>());
  s.reachabilityForInternetConnection = [] { return std::make_shared<InternetReachability>(); };
  s.newUser = [] { return std::make_shared<UserLoginAdapter>(); };
  s.connectShell = [] {
    installApplicationServiceShell();
    BankLocation::set(AppPaths::bankLocation());
    AuthenticationDialog::install();
  };
  s.libraryCheck = [] { BankUpdateCheck::getLibrary(); };
  s.urlOpener = std::make_shared<DesktopURLOpener>();
  s.newAppInfoClient = [] { return std::make_shared<UserAppInfoClient>(); };
  return s;
}
