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
#include "bank/BankFiles.h"
#include "bank/QuestionBank.h"
#include "dao/BankLocation.h"
#include "platform/core/Paths.h"
#include "platform/runloop/RunLoop.h"
#include "platform/system/Installer.h"
#include "screens/update/PacketType.h"
#include "screens/update/UpdateSoftwareViewController.h"
#include "ui/WeakScreen.h"

namespace {

constexpr const char* kUpdateFailed = "更新失败";
constexpr const char* kNewBankFailed = "题库解压失败";
constexpr const char* kInstallFailed = "安装失败";

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
  if (!QuestionBank::mergePack(step["downloadPath"].str(), step["localDBPath"].str(),
                               step["destinationDBPath"].str(), &refusal))
    return stepFailed(updateFailedText(refusal).c_str());
  return true;
}

std::string UpdateSoftwareViewController::updateFailedText(const std::string& refusal) {
  return failedText(kUpdateFailed, refusal);
}

std::string UpdateSoftwareViewController::failedText(const std::string& failure, const std::string& refusal) {
  return refusal.empty() ? failure : failure + "：" + refusal;
}

bool UpdateSoftwareViewController::operateDBNewPacket(const core::Value& step) {
  // Unpacked into the update directory; its database replaces the bank in one step (the old bank stays
  // until then, and a file that is no database never replaces it); then its image pack, when it
  // carries one.
  std::string refusal;
  if (!QuestionBank::installArchive(paths_.bank, step["downloadPath"].str(), paths_.updateDirectory, false,
                                    &refusal))
    return stepFailed(failedText(kNewBankFailed, refusal).c_str());
  return true;
}

bool UpdateSoftwareViewController::operateDBImagePacket(const core::Value& step) {
  std::string refusal;
  if (!unZip(step["downloadPath"].str(), paths_.imageDirectory, &refusal))
    return stepFailed(updateFailedText(refusal).c_str());
  return true;
}

bool UpdateSoftwareViewController::operateUpdateDBImagePacket(const core::Value& step) {
  // 1. Unpacked into an empty "DBImagePacket" (nothing of an earlier packet is mistaken for its own).
  const std::string directory = paths_.dbImagePacketDirectory;
  core::Paths::removeAll(directory);
  std::string refusal;
  if (!unZip(step["downloadPath"].str(), directory, &refusal)) return stepFailed(updateFailedText(refusal).c_str());
  // 2. The database pack and the image zip it holds (with several, the last listed).
  std::string dbPack, imageZip;
  for (const std::string& name : BankFiles::listDirectory(directory)) {
    if (name.find(".db") != std::string::npos) dbPack = directory + "/" + name;
    if (name.find(".zip") != std::string::npos) imageZip = directory + "/" + name;
  }
  // 3. Its database pack is merged like a database update pack.
  if (!dbPack.empty() &&
      !QuestionBank::mergePack(dbPack, step["localDBPath"].str(), step["destinationDBPath"].str(), &refusal))
    return stepFailed(updateFailedText(refusal).c_str());
  // 4. Then its images.
  if (!imageZip.empty() && !unZip(imageZip, paths_.imageDirectory, &refusal))
    return stepFailed(updateFailedText(refusal).c_str());
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
  return BankFiles::copyFile(source, target);
}

bool UpdateSoftwareViewController::unZip(const std::string& zipPath, const std::string& directory,
                                         std::string* refusal) {
  return BankFiles::unZip(zipPath, directory, refusal);
}
