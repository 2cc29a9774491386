#include "tools/testserver/common/ChildServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace testserver {

std::string numberArgument(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

pid_t spawnChildServer(std::vector<std::string> args, std::string& firstLine, std::string& failure) {
  firstLine.clear();
  if (args.empty()) {
    failure = "no program to start";
    return -1;
  }
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    failure = "pipe failed";
    return -1;
  }
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  pid_t pid = -1;
  int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  if (rc != 0) {
    ::close(fds[0]);
    failure = std::string("cannot start ") + argv[0] + ": " + std::strerror(rc);
    return -1;
  }

  // An early exit of the child closes the pipe.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (firstLine.find('\n') == std::string::npos) {
    auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd p{fds[0], POLLIN, 0};
    int r = ::poll(&p, 1, static_cast<int>(left.count()));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    char buf[256];
    ssize_t n = ::read(fds[0], buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    firstLine.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fds[0]);
  return pid;
}

int reportedPort(const std::string& firstLine) {
  if (firstLine.rfind("PORT ", 0) != 0) return 0;
  int port = std::atoi(firstLine.c_str() + 5);
  return port > 0 ? port : 0;
}

void stopChildServer(pid_t& pid) {
  if (pid <= 0) return;
  ::kill(pid, SIGTERM);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  pid = -1;
}

int connectLoopback(int port, int timeoutSeconds) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  timeval tv{timeoutSeconds, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace testserver
