#pragma once
// sys::Installer: installs a downloaded application package through the platform's package
// installation service.
//
// The phone's installer is a private library loaded at run time ("MobileInstallation", entry point
// "MobileInstallationInstall"). Linux has no counterpart: the default service is absent, so install()
// reports the library as missing (1) and installs nothing, the branch the update run already handles.
// A service can be supplied (tests do) through setService().
//
// install(package):
//   1. no service: 1 (nothing installed);
//   2. the package is copied to the temporary directory as "Install_" + its file name; a failed copy
//      gives 0;
//   3. the service is called with the copy's path, the options {"ApplicationType": "User"} and the
//      package path as context; its result is returned (-1 means failure, anything else success). The
//      temporary copy is removed afterwards.

#include <functional>
#include <string>

#include "platform/core/Value.h"

namespace sys {

class Installer {
 public:
  static constexpr const char* kLibraryPath =
      "/System/Library/PrivateFrameworks/MobileInstallation.framework/MobileInstallation";
  static constexpr const char* kInstallFunctionName = "MobileInstallationInstall";
  static constexpr const char* kCopyPrefix = "Install_";

  static constexpr int kLibraryMissing = 1;
  static constexpr int kCopyFailed = 0;
  static constexpr int kInstallFailed = -1;

  // The installation entry point: (path of the package copy, options, context) -> result.
  using Service = std::function<int(const std::string& packagePath, const core::Value& options,
                                    const std::string& context)>;

  static int install(const std::string& packagePath);

  // The service install() uses; an empty function restores the platform's (absent on Linux).
  static void setService(Service service);
  // Whether a service is available (false on Linux unless one was set).
  static bool isServiceAvailable();
};

}  // namespace sys
