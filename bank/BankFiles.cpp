#include "bank/BankFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/core/Paths.h"
#include "util/ZipWrapper.h"

namespace {

// Flushes a file's contents to disk before it is renamed into place.
void syncFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Makes a rename in the directory durable.
void syncDirectory(const std::string& directory) {
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Copies a file or a directory tree to `to` (which must not exist).
bool copyTree(const std::string& from, const std::string& to) {
  std::error_code ec;
  std::filesystem::copy(
      from, to, std::filesystem::copy_options::recursive | std::filesystem::copy_options::copy_symlinks, ec);
  return !ec;
}

// A name beside `path` that nothing uses yet.
std::string siblingTemporary(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  return path + ".moving-" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
}

}  // namespace

bool BankFiles::unZip(const std::string& zipPath, const std::string& directory) {
  return unZip(zipPath, directory, nullptr);
}

bool BankFiles::unZip(const std::string& zipPath, const std::string& directory, std::string* refusal) {
  if (directory.empty()) return false;
  ZipWrapper zip;
  if (zipPath.empty() || !core::Paths::isRegularFile(zipPath) || !zip.UnzipOpenFile(zipPath)) {
    if (refusal) *refusal = refusalText(false, ZipWrapper::Refusal::kNone);
    return false;
  }
  const bool unpacked = zip.UnzipFileTo(directory, true);
  const bool closed = zip.UnzipCloseFile();
  if (!unpacked && refusal) *refusal = refusalText(true, zip.lastRefusal());
  return unpacked && closed;
}

std::string BankFiles::refusalText(bool opened, ZipWrapper::Refusal zipRefusal) {
  using Refusal = ZipWrapper::Refusal;
  if (!opened) return "文件不是有效的压缩包";
  switch (zipRefusal) {
    case Refusal::kNoSpace:
      return "存储空间不足";
    case Refusal::kOverCap:
      return "解压后超过" + std::to_string(ZipWrapper::kMaxUnpackedBytes >> 20) + "MB的上限";
    case Refusal::kOverRatio:
      return "解压后超过压缩包大小的" + std::to_string(ZipWrapper::kMaxExpansionRatio) + "倍";
    case Refusal::kUnsafeName:
      return "压缩包中的文件名不安全";
    case Refusal::kCannotWrite:
      return "无法写入解压的文件";
    case Refusal::kNone:
    case Refusal::kDamaged:
      break;
  }
  return "压缩包已损坏";
}

bool BankFiles::copyFile(const std::string& from, const std::string& to, bool sync) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st {};
  if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(in);
    return false;
  }
  const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (out < 0) {
    ::close(in);
    return false;
  }
  bool ok = true;
  std::vector<char> buffer(1 << 16);
  for (;;) {
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) break;
    if (n < 0 || !core::Paths::writeAll(out, std::string_view(buffer.data(), static_cast<std::size_t>(n)))) {
      ok = false;
      break;
    }
  }
  if (ok && sync && ::fsync(out) != 0) ok = false;
  ::close(in);
  if (::close(out) != 0) ok = false;
  if (!ok) std::remove(to.c_str());
  return ok;
}

bool BankFiles::replaceFile(const std::string& from, const std::string& to) {
  if (from.empty() || to.empty() || !core::Paths::isRegularFile(from)) return false;
  const std::string directory = core::Paths::parent(to);
  syncFile(from);
  if (::rename(from.c_str(), to.c_str()) == 0) {
    syncDirectory(directory);
    return true;
  }
  if (errno != EXDEV) return false;
  // Another file system: a complete copy beside the target, then the same one-step replacement.
  const std::string temporary = directory + "/." + core::Paths::lastComponent(to) + ".replacing";
  core::Paths::removeAll(temporary);
  if (!copyFile(from, temporary, true)) return false;
  if (::rename(temporary.c_str(), to.c_str()) != 0) {
    core::Paths::removeAll(temporary);
    return false;
  }
  syncDirectory(directory);
  core::Paths::removeAll(from);
  return true;
}

bool BankFiles::moveFileAtPath(const std::string& from, const std::string& to) {
  if (from.empty() || to.empty()) return false;
  if (::rename(from.c_str(), to.c_str()) == 0) return true;
  const int error = errno;
  if (error == EXDEV) {
    // Another file system: copy beside the destination, then replace it in one step.
    const std::string temporary = siblingTemporary(to);
    if (!copyTree(from, temporary)) {
      core::Paths::removeAll(temporary);
      return false;
    }
    if (::rename(temporary.c_str(), to.c_str()) != 0) {
      // The destination is of the other kind (file / directory) or a directory that is not empty.
      if (!core::Paths::removeAll(to) || ::rename(temporary.c_str(), to.c_str()) != 0) {
        core::Paths::removeAll(temporary);
        return false;
      }
    }
    core::Paths::removeAll(from);
    return true;
  }
  if (error == EISDIR || error == ENOTDIR || error == ENOTEMPTY || error == EEXIST) {
    // A file and a directory, or a directory over one that is not empty, cannot replace each other.
    if (!core::Paths::fileExists(from)) return false;
    if (!core::Paths::removeAll(to)) return false;
    return ::rename(from.c_str(), to.c_str()) == 0;
  }
  return false;
}

bool BankFiles::isSQLiteFile(const std::string& path) {
  static const char kMagic[] = "SQLite format 3";  // 16 bytes with its NUL
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char head[sizeof kMagic] = {};
  const ssize_t n = ::read(fd, head, sizeof head);
  ::close(fd);
  return n == static_cast<ssize_t>(sizeof head) && std::memcmp(head, kMagic, sizeof head) == 0;
}

void BankFiles::removeDatabaseFiles(const std::string& path) {
  for (const char* suffix : {"", "-journal", "-wal", "-shm"}) core::Paths::removeAll(path + suffix);
}

std::vector<std::string> BankFiles::listDirectory(const std::string& directory) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(directory.c_str());
  if (!dir) return names;
  while (dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}
