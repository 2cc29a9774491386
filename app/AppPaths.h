#pragma once
// AppPaths: where the application keeps its files. Every path is rebuilt on each call from the current
// subject choice (SubjectChoice), so a new choice moves every subject-specific path at once. Caches
// paths are the caches root followed directly by a suffix that begins with "/"; documents paths
// likewise. Each directory operation creates its directory (with missing parents) when it does not
// exist; a failure to create is ignored and the path is returned all the same. Any thread (see
// SubjectChoice for what the session adds on the main thread).

#include <optional>
#include <string>
#include <string_view>

#include "bank/BankPaths.h"
#include "dao/BankLocation.h"

class AppPaths {
 public:
  static std::string getDirectory(std::string_view suffix);  // caches root + suffix; creates nothing
  static std::string createDirectory(const std::string& path);
  static std::string downloadCacheDirectoryUpdate();  // caches/downloadCache/Update_<subject>
  static std::string downloadUpdateDBImagePacket();   // caches/downloadCache/Update_<subject>/DBImagePacket
  static std::string downloadSoftware();              // caches/downloadCache/iphone
  static std::string downloadCacheDirectory();        // caches/downloadCache/<subject>
  static std::string dbSavePath();                    // caches/db
  static std::string imageSavePath();                 // caches/imgcache/<subject>
  static std::string studyNotesSavePath();            // caches/sn/<MD5 of the user name or of "游客">
  static std::string learningRecordSavePath();        // documents/lr
  static std::string lastLearningRecordSavePath();    // documents/la
  static std::string recordSavePath();                // documents/yizuo
  static std::string feedbackSavePath();              // documents/fb
  static std::string headPortraitSavePath();          // documents/head
  static std::optional<std::string> configPath();     // bundle "vardo-config.plist"
  static std::optional<std::string> logPath();        // bundle "vardo-log.plist"
  // The update download directory of a subject, without making it.
  static std::string updateDirectoryPath(const std::string& subject);

  // Whether "<subject>.db" exists in dbSavePath() (which creates the "/db" directory).
  static bool isHavefileName();
  static bool isHavefile(const std::string& path);

  // The data-access objects' view of this storage: the bank folder dbSavePath, the subject's "Value"
  // (the user default, or on the main thread the session's choice), the update folder
  // downloadCacheDirectoryUpdate ("" without a subject), and a counter that adds 1 to the application's
  // SqlErrorNumber on the main thread. Every function may be called from any thread.
  static BankLocation bankLocation();
  // The chosen subject's bank paths for the question bank (QuestionBank); nothing is made on disk.
  static BankPaths bankPaths();

  // The "Value" of the choice as a path component: with no subject chosen it reads as the text of a
  // missing value, as a format would print it.
  static std::string subjectName();
};
