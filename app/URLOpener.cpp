#include "app/URLOpener.h"

#include <spawn.h>
#include <sys/wait.h>

#include "platform/runloop/DispatchQueue.h"

extern char** environ;

bool DesktopURLOpener::openURL(const std::string& url) {
  const char* argv[] = {"xdg-open", url.c_str(), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) {
    return false;
  }
  // Reaped off the calling thread: waitpid blocks until the opener ends.
  rl::DispatchQueue::global().async([pid] {
    int status = 0;
    waitpid(pid, &status, 0);
  });
  return true;
}
