#include "platform/core/Paths.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/runloop/BlockingCall.h"

namespace core {

namespace {

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

std::string homeDirectory() {
  std::string home = env("HOME");
  if (!home.empty()) return home;
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "/tmp";
}

// $XDG_x/vardo when the variable holds an absolute path (relative ones are ignored, as the XDG rules
// say), else ~/fallback/vardo; under VARDO_HOME, VARDO_HOME/sub.
std::string appDirectoryPath(const char* xdgName, const char* fallback, const char* sub) {
  std::string root = env("VARDO_HOME");
  std::string dir;
  if (!root.empty()) {
    dir = Paths::join(root, sub);
  } else {
    std::string xdg = env(xdgName);
    dir = Paths::join(!xdg.empty() && xdg[0] == '/' ? xdg : Paths::join(homeDirectory(), fallback), "vardo");
  }
  return dir;
}

std::string appDirectory(const char* xdgName, const char* fallback, const char* sub) {
  std::string dir = appDirectoryPath(xdgName, fallback, sub);
  Paths::createDirectories(dir);
  return dir;
}


}  // namespace

std::string Paths::documents() {
  std::string dir = appDirectoryPath("XDG_DATA_HOME", ".local/share", "data");
  createPrivateDirectory(dir);
  return dir;
}
std::string Paths::caches() { return appDirectory("XDG_CACHE_HOME", ".cache", "cache"); }
std::string Paths::configuration() { return appDirectory("XDG_CONFIG_HOME", ".config", "config"); }

std::string Paths::temporary() {
  std::string root = env("VARDO_HOME");
  std::string dir = !root.empty() ? join(root, "tmp") : env("TMPDIR");
  if (dir.empty()) dir = "/tmp";
  createDirectories(dir);
  return dir;
}

std::string Paths::join(std::string_view a, std::string_view b) {
  if (a.empty() || (!b.empty() && b[0] == '/')) return std::string(b);
  std::string out(a);
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  if (b.empty()) return out;
  if (out != "/") out += '/';
  out += b;
  return out;
}

std::string Paths::parent(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  auto slash = path.rfind('/');
  if (slash == std::string_view::npos) return ".";
  if (slash == 0) return "/";
  return std::string(path.substr(0, slash));
}

std::string Paths::lastComponent(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  auto slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool Paths::createDirectories(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  return isDirectory(path);
}

bool Paths::createPrivateDirectory(const std::string& path) {
  if (path.empty()) return false;
  if (::mkdir(path.c_str(), 0700) != 0 && errno == ENOENT) {
    createDirectories(parent(path));
    ::mkdir(path.c_str(), 0700);
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  if ((st.st_mode & 077) != 0 && ::chmod(path.c_str(), st.st_mode & 0700) != 0) return false;
  return true;
}

bool Paths::fileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool Paths::isDirectory(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Paths::isRegularFile(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool Paths::removeAll(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  std::filesystem::remove_all(path, ec);
  struct stat st {};
  return ::lstat(path.c_str(), &st) != 0;
}

bool Paths::atomicWrite(const std::string& path, const Bytes& bytes, mode_t mode) {
  if (path.empty() || isDirectory(path)) return false;
  rl::assertBlockingAllowed("an fsync (core::Paths::atomicWrite)");
  const std::string dir = parent(path);
  std::string tmpl = join(dir, "." + lastComponent(path) + ".tmp-XXXXXX");
  int fd = ::mkstemp(tmpl.data());
  if (fd < 0) return false;
  struct stat st {};
  const mode_t finalMode = ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : mode;
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  bool ok = ::fchmod(fd, finalMode) == 0 && writeAll(fd, text) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(tmpl.c_str(), path.c_str()) == 0;
  if (!ok) {
    ::unlink(tmpl.c_str());
    return false;
  }
  // Make the rename itself durable.
  int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

bool Paths::atomicWrite(const std::string& path, std::string_view text, mode_t mode) {
  return atomicWrite(path, Bytes(text.begin(), text.end()), mode);
}

std::optional<Bytes> Paths::readFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return std::nullopt;
  }
  Bytes out;
  out.reserve(static_cast<std::size_t>(st.st_size));
  std::uint8_t buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    out.insert(out.end(), buf, buf + n);
  }
  ::close(fd);
  return out;
}

std::optional<std::string> Paths::readTextFile(const std::string& path) {
  auto bytes = readFile(path);
  if (!bytes) return std::nullopt;
  return std::string(bytes->begin(), bytes->end());
}

bool Paths::writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace core
