#include "app/AppPaths.h"

#include "app/ApplicationState.h"
#include "app/SubjectChoice.h"
#include "platform/core/Bundle.h"
#include "platform/core/Paths.h"
#include "platform/runloop/RunLoop.h"
#include "util/MD5Digest.h"

std::string AppPaths::getDirectory(std::string_view suffix) {
  return core::Paths::caches() + std::string(suffix);
}

std::string AppPaths::createDirectory(const std::string& path) {
  if (!core::Paths::fileExists(path)) core::Paths::createDirectories(path);
  return path;
}

std::string AppPaths::subjectName() { return SubjectChoice::appName()["Value"].describe(); }

std::string AppPaths::downloadCacheDirectoryUpdate() {
  return createDirectory(getDirectory("/downloadCache/Update_" + subjectName()));
}

std::string AppPaths::downloadUpdateDBImagePacket() {
  return createDirectory(getDirectory("/downloadCache/Update_" + subjectName() + "/DBImagePacket"));
}

std::string AppPaths::downloadSoftware() { return createDirectory(getDirectory("/downloadCache/iphone")); }

std::string AppPaths::downloadCacheDirectory() {
  return createDirectory(getDirectory("/downloadCache/" + subjectName()));
}

std::string AppPaths::dbSavePath() { return createDirectory(getDirectory("/db")); }

std::string AppPaths::imageSavePath() { return createDirectory(getDirectory("/imgcache/" + subjectName())); }

std::string AppPaths::studyNotesSavePath() {
  const std::string dir = createDirectory(getDirectory("/sn"));
  std::optional<std::string> digest;
  const core::Value userInfo = SubjectChoice::sessionEntry("userInfo");
  if (userInfo.isDictionary()) digest = stringFromMD5(userInfo["UserName"].toString());
  // A guest, or a user record without a name, keeps the guest's notes.
  if (!digest) digest = stringFromMD5("游客");
  return dir + "/" + *digest;
}

std::string AppPaths::learningRecordSavePath() { return createDirectory(core::Paths::documents() + "/lr"); }

std::string AppPaths::lastLearningRecordSavePath() {
  return createDirectory(core::Paths::documents() + "/la");
}

std::string AppPaths::recordSavePath() { return createDirectory(core::Paths::documents() + "/yizuo"); }

std::string AppPaths::feedbackSavePath() { return createDirectory(core::Paths::documents() + "/fb"); }

std::string AppPaths::headPortraitSavePath() { return createDirectory(core::Paths::documents() + "/head"); }

std::optional<std::string> AppPaths::configPath() {
  return core::Bundle::main().pathForResource("vardo-config", "plist");
}

std::optional<std::string> AppPaths::logPath() {
  return core::Bundle::main().pathForResource("vardo-log", "plist");
}

std::string AppPaths::updateDirectoryPath(const std::string& subject) {
  return getDirectory("/downloadCache/Update_" + subject);
}

bool AppPaths::isHavefileName() { return isHavefile(dbSavePath() + "/" + subjectName() + ".db"); }

bool AppPaths::isHavefile(const std::string& path) { return core::Paths::fileExists(path); }

BankPaths AppPaths::bankPaths() {
  return BankPaths::forSubject(SubjectChoice::subjectEName(), core::Paths::caches());
}

BankLocation AppPaths::bankLocation() {
  BankLocation location;
  location.dbSavePath = [] { return dbSavePath(); };
  location.appName = [] { return SubjectChoice::subjectEName(); };
  location.downloadCacheDirectoryUpdate = [] {
    // Without a subject there is no update folder of one.
    return SubjectChoice::subjectEName().empty() ? std::string() : downloadCacheDirectoryUpdate();
  };
  location.sqlErrorOccurred = [] {
    rl::performOnMainThread(
        [] {
          if (ApplicationState* app = ApplicationState::current())
            app->setSqlErrorNumber(app->SqlErrorNumber() + 1);
        },
        false);
  };
  return location;
}
