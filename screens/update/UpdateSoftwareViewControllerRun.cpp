// UpdateSoftwareViewController: the update run, which applies the downloaded packets one by one on its
// own thread, by their PacketType.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/AppAlerts.h"
#include "app/AppPaths.h"
#include "app/SubjectChoice.h"
#include "dao/BankKeyCache.h"
#include "dao/BankLocation.h"
#include "dao/BaseDAO.h"
#include "dao/DBVersionDAO.h"
#include "dao/OtherContentDAO.h"
#include "dao/TestAlterDAO.h"
#include "platform/core/Paths.h"
#include "platform/runloop/RunLoop.h"
#include "platform/system/Installer.h"
#include "screens/update/PacketType.h"
#include "screens/update/UpdateSoftwareViewController.h"
#include "ui/WeakScreen.h"
#include "util/ZipWrapper.h"

namespace {

constexpr const char* kUpdateFailed = "更新失败";
constexpr const char* kNewBankFailed = "题库解压失败";
constexpr const char* kInstallFailed = "安装失败";

// A database file with the journal files SQLite may keep beside it.
void removeDatabaseFiles(const std::string& path) {
  for (const char* suffix : {"", "-journal", "-wal", "-shm"}) core::Paths::removeAll(path + suffix);
}

bool writeAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Copies `from` into the new file `to` (O_EXCL: an existing target fails), flushed to disk when `sync`.
bool copyInto(const std::string& from, const std::string& to, bool sync) {
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
    if (n < 0 || !writeAll(out, buffer.data(), static_cast<std::size_t>(n))) {
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

std::string normalized(const std::string& path) {
  return std::filesystem::path(path).lexically_normal().string();
}

// The names in a directory, sorted (so "the last one" of several is well defined).
std::vector<std::string> listDirectory(const std::string& directory) {
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

// The data-access objects find the working copy and the bank through BankLocation. When the shell has
// not pointed them anywhere yet, they are pointed at this application's storage.
void ensureBankLocation() {
  if (!BankLocation::dbDirectory().empty() || !BankLocation::updateDirectory().empty()) return;
  BankLocation::set(AppPaths::bankLocation());
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// The run

void UpdateSoftwareViewController::runUpdate(const core::Value& packets) {
  // 1. The stop button takes no more touches.
  const auto weak = ui::weakScreen(*this);
  rl::performOnMainThread(
      [weak] {
        auto self = weak.lock();
        if (self && self->down_btn_) {
          self->down_btn_->setUserInteractionEnabled(false);
          self->down_btn_->setSelected(false);
        }
      },
      false);

  // 2. / 3. The packets in their order of application, the application package last.
  const core::Value list = arraySequence(packets);
  ensureBankLocation();
  bool success = list.size() > 0;  // an empty list has applied nothing: it reports NO
  for (std::size_t i = 0; i < list.size(); ++i) {
    // A failed step does not stop the run: the later packets are still applied.
    if (!operateUpdate(i, list[i])) success = false;
  }

  // 4. The download directories go, also after failed steps; then the caller hears the result.
  removeCacheDirectory();
  runSucceeded_ = success;
  if (completeBlock_) completeBlock_(success);
}

core::Value UpdateSoftwareViewController::arraySequence(const core::Value& list) {
  core::Value ordered = core::Value::newArray();
  core::Value package;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const core::Value item = list[i];
    if (item["packe_type"].toInt() == kPacketTypeApplication) {
      package = item;  // one application package per run: the last one
    } else {
      ordered.push_back(item);
    }
  }
  if (!package.isNil()) ordered.push_back(package);
  return ordered;
}

core::Value UpdateSoftwareViewController::makeUpdateStep(std::size_t index, const core::Value& item,
                                                         const RunPaths& paths) {
  const std::string url = item["packege_url"].toString();
  const std::string name = fileNameOfURL(url);
  const std::string db = paths.subject + ".db";
  core::Value step = core::Value::newDictionary();
  step.set("index", std::to_string(index));
  step.set("packe_type", std::to_string(item["packe_type"].toInt()));
  step.set("updateItem", item);
  step.set("packege_url", url);
  step.set("fileName", name);
  step.set("downloadPath", name.empty() ? std::string() : paths.updateDirectory + "/" + name);
  step.set("destinationDBPath", paths.updateDirectory + "/" + db);
  step.set("localDBPath", paths.dbDirectory + "/" + db);
  step.set("appName", paths.appName);
  step.set("imageZipPath", paths.updateDirectory + "/ImgDir_" + paths.subject + ".zip");
  return step;
}

bool UpdateSoftwareViewController::operateUpdate(std::size_t index, const core::Value& item) {
  const core::Value step = makeUpdateStep(index, item, paths_);
  const int type = static_cast<int>(item["packe_type"].toInt());
  const std::string name = step["fileName"].str();

  bool result;
  if (type != kPacketTypeDBUpdate && type != kPacketTypeImages && type != kPacketTypeApplication &&
      type != kPacketTypeNewBank && type != kPacketTypeDBAndImages) {
    result = true;  // downloaded, nothing to apply; removed with the directories
  } else if (!SubjectChoice::isUsableSubjectName(paths_.subject) || name.empty()) {
    // No subject to apply it to, or a packet name that names no file: nothing can be applied.
    result = type == kPacketTypeApplication
                 ? false
                 : stepFailed(type == kPacketTypeNewBank ? kNewBankFailed : kUpdateFailed);
  } else if (type == kPacketTypeApplication) {
    const std::string package = paths_.softwareDirectory + "/" + name;
    renameFile(package);
    result = updateSoftware(package);
  } else {
    // A download that was complete but still carries its ".temp" name becomes usable.
    renameFile(step["downloadPath"].str());
    result = applyStep(step, type);
  }
  upgradeDBSuccess_ = result;
  return result;
}

bool UpdateSoftwareViewController::applyStep(const core::Value& step, int type) {
  switch (type) {
    case kPacketTypeDBUpdate:
      return operateDBUpPacket(step);
    case kPacketTypeImages:
      return operateDBImagePacket(step);
    case kPacketTypeNewBank:
      return operateDBNewPacket(step);
    case kPacketTypeDBAndImages:
      return operateUpdateDBImagePacket(step);
    default:
      return true;
  }
}

bool UpdateSoftwareViewController::stepFailed(const char* message) {
  createAlert(message);
  const auto weak = ui::weakScreen(*this);
  rl::performOnMainThread(
      [weak] {
        if (auto self = weak.lock()) self->closePanel();
      },
      false);
  return false;
}

// ---------------------------------------------------------------------------------------------------
// Steps

bool UpdateSoftwareViewController::operateDBUpPacket(const core::Value& step) {
  std::string refusal;
  if (!mergeUpdatePack(step["downloadPath"].str(), step["localDBPath"].str(), step["destinationDBPath"].str(),
                       &refusal))
    return stepFailed(updateFailedText(refusal).c_str());
  return true;
}

std::string UpdateSoftwareViewController::updateFailedText(const std::string& refusal) {
  return refusal.empty() ? std::string(kUpdateFailed) : std::string(kUpdateFailed) + "：" + refusal;
}

bool UpdateSoftwareViewController::operateDBNewPacket(const core::Value& step) {
  // 1. The archive is unpacked into the update directory.
  if (!unZip(step["downloadPath"].str(), paths_.updateDirectory)) return stepFailed(kNewBankFailed);
  // 2. Its database replaces the bank in one step (the old bank stays until then); a file that is no
  //    database never replaces it.
  const std::string database = paths_.updateDirectory + "/" + paths_.subject + ".db";
  const bool replaced = isSQLiteFile(database) && replaceFile(database, step["localDBPath"].str());
  BankKeyCache::invalidate();
  if (!replaced) return stepFailed(kNewBankFailed);
  // 3. Its image pack, when it carries one.
  const std::string images = step["imageZipPath"].str();
  if (core::Paths::isRegularFile(images) && !unZip(images, paths_.imageDirectory))
    return stepFailed(kNewBankFailed);
  return true;
}

bool UpdateSoftwareViewController::operateDBImagePacket(const core::Value& step) {
  if (!unZip(step["downloadPath"].str(), paths_.imageDirectory)) return stepFailed(kUpdateFailed);
  return true;
}

bool UpdateSoftwareViewController::operateUpdateDBImagePacket(const core::Value& step) {
  // 1. Unpacked into an empty "DBImagePacket" (nothing of an earlier packet is mistaken for its own).
  const std::string directory = paths_.dbImagePacketDirectory;
  core::Paths::removeAll(directory);
  if (!unZip(step["downloadPath"].str(), directory)) return stepFailed(kUpdateFailed);
  // 2. The database pack and the image zip it holds (with several, the last listed).
  std::string dbPack, imageZip;
  for (const std::string& name : listDirectory(directory)) {
    if (name.find(".db") != std::string::npos) dbPack = directory + "/" + name;
    if (name.find(".zip") != std::string::npos) imageZip = directory + "/" + name;
  }
  // 3. Its database pack is merged like a database update pack.
  std::string refusal;
  if (!dbPack.empty() &&
      !mergeUpdatePack(dbPack, step["localDBPath"].str(), step["destinationDBPath"].str(), &refusal))
    return stepFailed(updateFailedText(refusal).c_str());
  // 4. Then its images.
  if (!imageZip.empty() && !unZip(imageZip, paths_.imageDirectory)) return stepFailed(kUpdateFailed);
  return true;
}

bool UpdateSoftwareViewController::updateSoftware(const std::string& packagePath) {
  if (!core::Paths::isRegularFile(packagePath)) return false;
  const int result = IPAInstall(packagePath);
  if (result == sys::Installer::kInstallFailed) {
    // The package stays where it is.
    createAlert(kInstallFailed);
    return false;
  }
  // Installed, or not installable here (no installation library): the package is not kept.
  core::Paths::removeAll(packagePath);
  return true;
}

int UpdateSoftwareViewController::IPAInstall(const std::string& packagePath) const {
  return installer_.install(packagePath);
}

void UpdateSoftwareViewController::removeCacheDirectory() {
  if (!paths_.cacheDirectory.empty()) core::Paths::removeAll(paths_.cacheDirectory);
  if (!paths_.updateDirectory.empty()) core::Paths::removeAll(paths_.updateDirectory);
}

void UpdateSoftwareViewController::createAlert(const std::string& message) {
  AppAlerts::createAlertOnMainThread("提示", message, "确定");
}

// ---------------------------------------------------------------------------------------------------
// Files

bool UpdateSoftwareViewController::renameFile(const std::string& path) {
  if (path.empty()) return false;
  const std::string temporary = path + ".temp";
  // A complete file is never replaced by a ".temp" (which may be a partial download).
  if (core::Paths::fileExists(path) || !core::Paths::isRegularFile(temporary)) return false;
  return ::rename(temporary.c_str(), path.c_str()) == 0;
}

bool UpdateSoftwareViewController::copyFile(const std::string& source, const std::string& target) {
  return copyInto(source, target, false);
}

bool UpdateSoftwareViewController::isSQLiteFile(const std::string& path) {
  static const char kMagic[] = "SQLite format 3";  // 16 bytes with its NUL
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char head[sizeof kMagic] = {};
  const ssize_t n = ::read(fd, head, sizeof head);
  ::close(fd);
  return n == static_cast<ssize_t>(sizeof head) && std::memcmp(head, kMagic, sizeof head) == 0;
}

bool UpdateSoftwareViewController::replaceFile(const std::string& from, const std::string& to) {
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
  if (!copyInto(from, temporary, true)) return false;
  if (::rename(temporary.c_str(), to.c_str()) != 0) {
    core::Paths::removeAll(temporary);
    return false;
  }
  syncDirectory(directory);
  core::Paths::removeAll(from);
  return true;
}

bool UpdateSoftwareViewController::unZip(const std::string& zipPath, const std::string& directory) {
  if (zipPath.empty() || directory.empty() || !core::Paths::isRegularFile(zipPath)) return false;
  ZipWrapper zip;
  if (!zip.UnzipOpenFile(zipPath)) return false;
  const bool unpacked = zip.UnzipFileTo(directory, true);
  const bool closed = zip.UnzipCloseFile();
  return unpacked && closed;
}

bool UpdateSoftwareViewController::mergeUpdatePack(const std::string& packPath,
                                                   const std::string& localDBPath,
                                                   const std::string& workingCopyPath, std::string* refusal) {
  if (!core::Paths::isRegularFile(packPath) || !core::Paths::isRegularFile(localDBPath)) return false;
  // A pack whose tables lack a column the steps read is refused whole, before the bank is even copied:
  // merged, it would blank the questions and content it updates.
  for (auto check : {&DBVersionDAO::packRefusal, &TestAlterDAO::packRefusal, &OtherContentDAO::packRefusal}) {
    if (std::optional<std::string> why = check(packPath)) {
      if (refusal) *refusal = *why;
      return false;
    }
  }
  // The data-access objects write to the working copy they find themselves: it must be this one.
  if (normalized(BaseDAO().getDBPathUpdate(BankLocation::value() + ".db")) != normalized(workingCopyPath))
    return false;

  // Every merge starts from a fresh copy of the bank: a copy left by an earlier step or run is not
  // reused, nor its rollback journal (a merge killed while committing leaves one, which SQLite would
  // otherwise play back onto the new copy: the old bank's pages over the present one's).
  removeDatabaseFiles(workingCopyPath);
  if (!copyFile(localDBPath, workingCopyPath)) return false;

  const bool merged = DBVersionDAO().upgradeDB(packPath) &&
                      TestAlterDAO().upgradeDB(packPath, workingCopyPath) &&
                      OtherContentDAO().upgradeDB(packPath);
  if (!merged) {
    removeDatabaseFiles(workingCopyPath);
    return false;
  }
  // The merged copy takes the bank's place in one step: the bank is never deleted first.
  const bool replaced = replaceFile(workingCopyPath, localDBPath);
  BankKeyCache::invalidate();
  if (!replaced) {
    removeDatabaseFiles(workingCopyPath);
    return false;
  }
  return true;
}
