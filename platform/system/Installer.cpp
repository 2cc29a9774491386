#include "platform/system/Installer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <utility>

#include "platform/core/Paths.h"

namespace sys {

namespace {

// The platform's own service. The phone loads its private installation library here; no Linux system
// has it, so there is no service to hand out.
Installer::Service platformService() { return nullptr; }

// Copies a file byte for byte into a new file (which must not exist yet).
bool copyFile(const std::string& from, const std::string& to) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (out < 0) {
    ::close(in);
    return false;
  }
  bool ok = true;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(in, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      ok = false;
      break;
    }
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = ::write(out, buffer + done, static_cast<std::size_t>(n - done));
      if (w <= 0) {
        ok = false;
        break;
      }
      done += w;
    }
    if (!ok) break;
  }
  ::close(in);
  if (::close(out) != 0) ok = false;
  if (!ok) std::remove(to.c_str());
  return ok;
}

}  // namespace

Installer::Installer() : service_(platformService()) {}

Installer::Installer(Service service) : service_(service ? std::move(service) : platformService()) {}

int Installer::install(const std::string& packagePath) const {
  if (!service_) return kLibraryMissing;

  const std::string copy =
      core::Paths::join(core::Paths::temporary(), kCopyPrefix + core::Paths::lastComponent(packagePath));
  // A copy left behind by an earlier attempt is replaced.
  core::Paths::removeAll(copy);
  if (packagePath.empty() || !core::Paths::isRegularFile(packagePath) || !copyFile(packagePath, copy))
    return kCopyFailed;

  const core::Value options(core::Dictionary{{"ApplicationType", "User"}});
  const int result = service_(copy, options, packagePath);
  core::Paths::removeAll(copy);
  return result;
}

}  // namespace sys
