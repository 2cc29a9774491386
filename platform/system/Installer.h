#pragma once
// sys::Installer: installs a downloaded application package through the platform's package
// installation service.
//
// The phone's installer is a private library loaded at run time ("MobileInstallation", entry point
// "MobileInstallationInstall"). Linux has no counterpart: the default service is absent, so install()
// reports the library as missing (1) and installs nothing, the branch the update run already handles.
// An installer made with a service of its owner's uses that one instead (the update panel takes its
// installer from whoever opens it).
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

  // The platform's installer (on Linux: no service).
  Installer();
  // An installer over `service`; an empty function means the platform's.
  explicit Installer(Service service);

  int install(const std::string& packagePath) const;

  // Whether a service is available (false for the platform's on Linux).
  bool isServiceAvailable() const { return static_cast<bool>(service_); }

 private:
  Service service_;
};

}  // namespace sys
