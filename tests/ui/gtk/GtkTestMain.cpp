// The window tests' main: one Xvfb for the whole binary (so the tests need no display of the machine's),
// started on a free display number and stopped by its process id at the end.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <X11/Xlib.h>

extern char** environ;

namespace {

// Starts Xvfb and returns its pid (with DISPLAY set for this process), or -1.
pid_t startXvfb() {
  int fds[2];
  if (::pipe(fds) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const char* argv[] = {"Xvfb",       "-displayfd", "3",   "-screen",  "0",
                        "640x960x24", "-nolisten",  "tcp", "-noreset", nullptr};
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, "Xvfb", &actions, nullptr, const_cast<char* const*>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  if (rc != 0) {
    ::close(fds[0]);
    return -1;
  }
  // Xvfb writes its display number once it accepts clients.
  std::string number;
  char c;
  while (::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  ::close(fds[0]);
  if (number.empty()) {
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    return -1;
  }
  ::setenv("DISPLAY", (":" + number).c_str(), 1);
  return pid;
}

// Gives spare key codes the characters the tests type that no key of the server's keyboard has (the
// Chinese ones), before any client reads the keyboard map: a client that cached the map when it started
// would otherwise not know the keys xdotool binds for a moment while it types them.
bool mapExtraKeys(const std::vector<KeySym>& symbols) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  int minCode = 0, maxCode = 0, perCode = 0;
  XDisplayKeycodes(display, &minCode, &maxCode);
  KeySym* map = XGetKeyboardMapping(display, static_cast<KeyCode>(minCode), maxCode - minCode + 1, &perCode);
  std::size_t next = 0;
  for (int code = maxCode; code >= minCode && next < symbols.size(); --code) {
    bool free = true;
    for (int i = 0; i < perCode; ++i) free = free && map[(code - minCode) * perCode + i] == NoSymbol;
    if (!free) continue;
    KeySym both[2] = {symbols[next], symbols[next]};
    XChangeKeyboardMapping(display, code, 2, both, 1);
    ++next;
  }
  XFree(map);
  XSync(display, False);
  XCloseDisplay(display);
  return next == symbols.size();
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  static pid_t xvfb = -1;
  xvfb = startXvfb();
  if (xvfb < 0) {
    std::fprintf(stderr, "gtk tests: Xvfb could not be started (is the xvfb package installed?)\n");
    return 1;
  }
  // 中, 文, 样 and 例, as Unicode key symbols.
  if (!mapExtraKeys({0x1004E2D, 0x1006587, 0x1006837, 0x1004F8B}))
    std::fprintf(stderr, "gtk tests: no spare key codes for Chinese\n");
  // X11 under Xvfb; no accessibility bus or settings daemon to look for; keys through GTK's own input
  // method, so the tests see what a keyboard types.
  ::setenv("GDK_BACKEND", "x11", 1);
  ::setenv("GTK_A11Y", "none", 1);
  ::setenv("GSETTINGS_BACKEND", "memory", 1);
  ::setenv("GTK_IM_MODULE", "gtk-im-context-simple", 1);
  ::unsetenv("WAYLAND_DISPLAY");
  // The X server goes last, after the libraries' own exit handlers (WebKit lets go of its web context
  // then, and that still talks to the display).
  std::atexit([] {
    ::kill(xvfb, SIGTERM);
    ::waitpid(xvfb, nullptr, 0);
  });
  return RUN_ALL_TESTS();
}
