#pragma once
// VDHelper: the application-wide helper. Class methods only, no state of its own.
//
// Storage: every path is rebuilt on each call from the current subject choice, so a new choice moves
// every subject-specific path at once. Caches paths are the caches root followed directly by a suffix
// that begins with "/"; documents paths likewise. Each directory operation creates its directory
// (with missing parents) when it does not exist; a failure to create is ignored and the path is
// returned all the same.
//
// Subject choice: the chosen subject (QuoteProductChoice) is a dictionary {"Key", "Value"} stored
// under the user default "saveAppName"; "Value" is the subject's short English name and names the
// subject's files and directories. A choice whose "Value" is not a usable file name (empty, or
// containing "/", "\" or "..") is treated as no choice at all: it is never stored and never read.

#include <optional>
#include <string>
#include <string_view>

#include "platform/core/Value.h"

class AppDelegate;

class VDHelper {
 public:
  // The application delegate of the running application; nullptr before the application exists.
  static AppDelegate* getAppdelegate();

  // Directories and resources.
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

  // Whether "<subject>.db" exists in dbSavePath() (which creates the "/db" directory).
  static bool isHavefileName();
  static bool isHavefile(const std::string& path);

  // The chosen subject: the user default "saveAppName", else the session's "saveAppName", else Nil.
  static core::Value getVDAppName();
  // The chosen series: the user default "saveQuoteName", else the session's "saveQuoteName", else Nil.
  static core::Value getVDQuoteName();
  // The "Value" of the chosen subject; "" when there is none.
  static std::string getSubjectEName();
  // Store the choice under "saveAppName" / "saveQuoteName" and synchronize the user defaults.
  // saveQuoteProduct refuses (returns false, stores nothing) a choice that is not a usable subject.
  static bool saveQuoteProduct(const core::Value& choice);
  static bool saveQuoteName(const core::Value& choice);

  // A subject short name that can name files: not empty, no "/", "\" or "..", no NUL.
  static bool isUsableSubjectName(std::string_view name);
  // A QuoteProductChoice dictionary whose "Value" is a usable subject short name.
  static bool isUsableQuoteProduct(const core::Value& choice);

  // The machine's hardware address (the login check code); nullopt when there is none.
  static std::optional<std::string> macaddress();
  // A plain alert: title (or "提示" when empty), message, one button (or "确定" when empty), shown at once.
  static void createAlert(const std::string& title, const std::string& message,
                          const std::string& cancelButtonTitle);

  // Root screens. showMainVC: the side-panel container with the home screen ("sidebar") in a
  // navigation controller as centre panel and the "more" menu ("evenmore") as left panel; the
  // delegate keeps sidePanelVC, mainInterfaceVC and evenMoreVC. showSelectSeriesVC: the subject
  // choice ("selectSubject") in a navigation controller.
  static void showMainVC();
  static void showSelectSeriesVC();

 private:
  static std::string subjectName();  // the "Value" of the choice as a path component
};
