#pragma once
// VDHelper: the application-wide helper the screens call. Class methods, and one alert method of the
// shared object (sharedInstance), which carries no state. It is a thin front over small classes, each
// owning one concern, which code below the screens uses directly:
//   SubjectChoice     the chosen subject and series (ChosenSubject: the same as named fields)
//   Session           the logged-in user (SessionUser), the chosen subject and the bank check's flags
//                     (DownloadState), which the screens read instead of the session dictionaries
//   AppShell          what the screens ask of the shell (window, network alert, logout, menus)
//   AppPaths          where files go, and the data-access objects' view of it (BankLocation)
//   AppAlerts         plain alerts
//   URLOpener         outside addresses (AppServices::urlOpener; DesktopURLOpener by default)
//   AppDelegate       root-screen switching (showMainVC, showSelectSeriesVC)
//   BankUpdateCheck   the question-bank check and its download prompts
// What stays here: question-page scripts, note lists, text measuring (through ui::TextMeasurer), time
// texts, file helpers.
//
// The services it hands work to (text measuring, the clock of the relative time texts, the local-bank
// check of the note lists) can be replaced, by tests and by the window toolkit; the replacements may be
// made from any thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/BankUpdateCheck.h"
#include "model/Note.h"
#include "platform/core/Date.h"
#include "platform/core/Value.h"
#include "ui/Font.h"
#include "ui/Geometry.h"

class AppDelegate;
class PageScriptTarget;
class URLOpener;
namespace ui {
struct AlertViewDelegate;
class Label;
class ScrollView;
}  // namespace ui

class VDHelper {
 public:
  // The application delegate of the running application; nullptr before the application exists.
  // For the shell's own helpers: the screens use Session and AppShell.
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
  // Any thread: the session, which belongs to the main thread, is read on the main thread only; so is
  // the session's user for studyNotesSavePath.
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

  // The one shared helper object (made once, thread-safely).
  static VDHelper& sharedInstance();
  // A plain alert with a delegate, an optional cancel button and further buttons, shown at once.
  void showAlertTitle(const std::string& title, const std::string& message,
                      std::weak_ptr<ui::AlertViewDelegate> delegate,
                      std::optional<std::string> cancelButtonTitle,
                      std::vector<std::string> otherButtonTitles) const;

  // Opens the application's page in the application store: the address under the info key
  // kStoreURLInfoKey of the main bundle, handed to the URL opener (the running application's
  // AppServices::urlOpener, else DesktopURLOpener). False (nothing opened) when no address is
  // configured or the opener fails.
  static constexpr const char* kStoreURLInfoKey = "VDStoreURL";
  static bool openItunes();
  static bool openItunes(URLOpener& opener);
  // Hands an outside address to the running application's URL opener (else DesktopURLOpener); false
  // when it could not be opened.
  static bool openURL(const std::string& url);

  // ---- question pages ----
  // The page function of a page-call type (0 "userAnalysis", 1 "userDisAnalysis",
  // 2 "updateAnalysisImage", 3 "updateAnalysisImageR", 4 "updateFavImage", 5 "updateFavImageR")
  // as the script "<function>()"; any other type gives the empty script.
  static std::string pageScript(int jsType);
  // Runs the page script of jsType in the page; the empty script of an unknown type is run too.
  // The result is not used.
  static void jsClickType(PageScriptTarget& webView, int jsType);
  // Runs it in whichever of the answering screen's three pages is on screen: the first (webView,
  // webView2, webView3) whose frame's x, truncated to a whole number, equals the scroll view's
  // horizontal content offset, truncated likewise. When none is, nothing is run. Missing pages
  // (nullptr) are passed over.
  static void jsClickType(PageScriptTarget* webView, PageScriptTarget* webView2, PageScriptTarget* webView3,
                          const ui::ScrollView& myScrollView, int jsType);

  // ---- note lists ----
  // A page of server note entries ("ID", "UID", "UserName", "UserNoteContent", "NoteTime",
  // "AllTestID", "Caption") shaped into notes with their replies threaded under them.
  //
  // An entry whose content contains "ReplyID:" (in any letter case) is a reply: its content reads
  // "ReplyID:<answered id>|<text>". Every other entry (also one without content) is a note. Notes come
  // in page order; a note whose question is not in the local bank is left out. Under each note come,
  // going through the page's replies from the last to the first, each direct reply to the note (its
  // reply name emptied), each followed by the not yet listed replies of the note's thread that answer
  // a reply. The thread of a reply is found by following the answered ids through the page's replies
  // (scanned cyclically from the first, ending at the last reply when that one does not match);
  // replies that answer each other or themselves end the search where it would start going round.
  //
  // The author of an entry is shown as "我" when it is the logged-in user (UserSession "userInfo"):
  // for notes, "UID" 0, "UserName" equal to the user's "NickName", or "UID" equal to the user's "ID";
  // for replies and the names they answer, "UID" 0 or "UserName" equal to "NickName".
  // A value that is not an array gives no notes; entries that are not dictionaries are passed over.
  using NoteArray = std::vector<std::shared_ptr<Note>>;
  // Reads the user and the bank hook on the calling thread (the main thread) and shapes the page there.
  static NoteArray getNoteArr(const core::Value& entries, std::int32_t indexPage);
  // What shaping a page reads from the application, taken on the main thread so that the shaping itself
  // can run on a worker (the bank is read there): the user's "NickName" and "ID" and the bank hook.
  struct NotePageContext {
    std::optional<std::string> nickName;  // "NickName" when it is a text
    std::int32_t userID = 0;              // "ID"; 0 when nobody is logged in
    // AppServices::questionInLocalBank (called on the shaping thread); empty: the chosen subject's bank.
    std::function<bool(std::int32_t aid)> questionInLocalBank;
  };
  static NotePageContext notePageContext();
  // Any thread. The notes' questions are looked up in one pass: through the hook, else one read of the
  // bank (one connection) for all of them.
  static NoteArray getNoteArr(const core::Value& entries, std::int32_t indexPage,
                              const NotePageContext& context);
  // The steps of getNoteArr: the notes of the note entries (replies threaded from myReplyArray,
  // names answered looked up in dataArray, the whole page), and the replies of the reply entries.
  static NoteArray setNoteArr(const core::Array& notes, const core::Array& myReplyArray,
                              const core::Array& dataArray, std::int32_t indexPage);
  static NoteArray setNoteArr(const core::Array& notes, const core::Array& myReplyArray,
                              const core::Array& dataArray, std::int32_t indexPage,
                              const NotePageContext& context);
  static ReplyArray setReplyArr(const core::Array& replies, const core::Array& dataArray,
                                std::int32_t indexPage);
  // Whether the local bank holds a question, by its id: the running application's
  // AppServices::questionInLocalBank, else the chosen subject's bank (a TestDAO read of that one id).
  static bool isQuestionInLocalBank(std::int32_t aid);

  // ---- text measuring ----
  // The size of a text in the system font of `fontSize` within `width` (any height). From system
  // version 7 on: the measured size plus 12 both ways (12 by 12 for the empty text); before: the
  // measured size (0 by 0 for the empty text). The first form uses the running system's version.
  static ui::Size sizeForString(const std::string& text, double width, double fontSize);
  static ui::Size sizeForString(const std::string& text, double width, const ui::Font& font,
                                int systemMajorVersion);
  // The height of a text in the system font of `fontSize` within `width` less 16, plus `addition`
  // (just the addition for the empty text).
  static double getTextViewHeight(const std::string& text, double width, double fontSize, double addition);
  // Sets up a label for a text of any length: font "Helvetica" of `fontSize`, unlimited lines, clear
  // background, the size the text measures within `maxWidth` (as sizeForString, in that font) at the
  // label's origin, and the text.
  static void setLabel(ui::Label& label, const std::string& text, double fontSize, double maxWidth);

  // ---- time texts ----
  // "yyyy-MM-dd HH:mm:ss" in the local time zone; nullopt when the text does not match.
  static std::optional<core::Date> dateFromString(const std::string& text);
  // "yyyy-MM-dd HH:mm:ss zzz" in the local time zone, the zone written "GMT", "GMT+8", "GMT-3:30".
  static std::string stringFromDate(core::Date date);
  // The calendar fields of a date in the local time zone (Gregorian): {"week" (1 = Sunday to
  // 7 = Saturday), "year", "month", "day", "hour", "min", "sec"}, all integers.
  static core::Value getTimeProperty(core::Date date);
  // How long ago a "yyyy-MM-dd HH:mm:ss" time was, from now() or from `now`.
  // With s the seconds since then and m, h, d the minutes, hours and days (fractional), each step
  // replacing the result of the one before:
  //   the empty text; "刚刚" when m < 1 (a future time too); "<m>分钟前" when h < 1 and m > 1;
  //   "<h>小时前" when h > 1 and d < 1; "<d>天前" when d > 1, "昨天" when that number is 1, and
  //   nothing (nullopt) when it is 11 or more.
  // Numbers are whole parts (of the value rounded to six decimals). Exactly 1 minute, 1 hour or 1 day
  // ago therefore gives the empty text. A time that does not parse counts as 1970-01-01 00:00:00 UTC
  // and gives nothing.
  static std::optional<std::string> intervalSinceNow(const std::string& time);
  static std::optional<std::string> intervalSinceNow(const std::string& time, core::Date now);
  // The application's clock (ApplicationState::now: AppServices::clock, else the system clock).
  static core::Date now();

  // Root screens: the running application delegate's (AppDelegate::showMainVC, showSelectSeriesVC).
  static void showMainVC();
  static void showSelectSeriesVC();

  // ---- question-bank check and download prompts (BankUpdateCheck) ----
  using CancelBlock = BankUpdateCheck::CancelBlock;
  using CompleteBlock = BankUpdateCheck::CompleteBlock;
  using StopBlock = BankUpdateCheck::StopBlock;
  using DownSessionBlocks = BankUpdateCheck::DownSessionBlocks;
  static DownSessionBlocks downSessionBlocks();
  static void downloadDBWithCancelBlock(CancelBlock cancelBlock, CompleteBlock completeBlock,
                                        StopBlock stopBlock);
  static void getLibrary();
  static core::Value getLibrarySyn();
  static void didQuery(bool ok, const core::Value& json);
  static void updateAlert(CancelBlock cancelBlock, CompleteBlock completeBlock, StopBlock stopBlock,
                          const core::Value& downSession);
  static std::string getUpdateMess(const core::Value& updateList);
  static core::Value packetsToFetch(const core::Value& updateList, bool firstOpenMain, bool evenMore,
                                    bool haveFile);
  static constexpr const char* kNothingToDownloadMessage = BankUpdateCheck::kNothingToDownloadMessage;

  // ---- file helpers (any thread) ----
  // Unpacks every entry of the zip into the directory, overwriting; false when the file is not a zip
  // or an entry could not be unpacked (nothing is written outside the directory).
  static bool unZip(const std::string& zipPath, const std::string& unZipPath);
  // Moves the file or directory at `from` to `to`, replacing what is there in one step (a rename);
  // across file systems the move copies beside the destination and renames over it. Whatever is at
  // `to` is removed first only when the two cannot replace each other (a file and a directory, or a
  // directory that is not empty). A failed move leaves the destination as it was.
  static bool moveFileAtPath(const std::string& from, const std::string& to);
  // Removes the file or directory tree at the path: true when something was there and is gone.
  static bool removeFile(const std::string& path);
  // Removes the chosen subject's bank file ("<Value>.db" in dbSavePath); false without a subject.
  static bool removeLocaDB();
  // Removes the update download directory of the chosen subject.
  static bool removeUpdateFolder();

  // Points the data-access objects at this application's storage (BankLocation::set with
  // AppPaths::bankLocation()).
  static void installBankLocation();

 private:
  static std::string subjectName();  // the "Value" of the choice as a path component
};
