#pragma once
// MainInterfaceViewController1: the home screen, the centre panel of the side-panel container (screen
// identifier "sidebar"; the application delegate keeps it as mainInterfaceVC). A scrolling grid of
// function buttons (tags 1 to 11 and 13, plus the exam-information button) under two header buttons
// for login ("登录") and registration ("注册"; "注销" while a user is logged in).
//
// Before any function opens, the chosen subject's question bank must be on the device (otherwise the
// bank check and download start instead); most functions also need a logged-in user (the login alert,
// whose "登录" presents the login screen modally with a "返回" button). Functions with a practice of
// their own first offer to resume the last unfinished one ("回到上次练习的试题").
//
// At load: the notices (once per launch), the first-login prompt (once per first login), the automatic
// login from the keychain item "UserNamePwdService" and the first-start prompt image. At every
// appearance: the last learning record of the user, and the first-install unpack of a question-bank
// archive "<subject>.zip" placed in the documents directory, on a worker; one unpack runs at a time (an
// appearance while one runs starts none).
//
// Main thread only, except the unpack (examineExam), which touches only files and the update centre,
// and the building of a random set, which reads only the bank; both go to a worker through
// rl::postTaskAndReply (platform/runloop/TaskAndReply.h has the rules).

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "bank/BankPaths.h"
#include "exam/sets/RestoredRun.h"
#include "model/Questions.h"
#include "platform/core/Value.h"
#include "screens/common/LoginDelegate.h"
#include "screens/common/MainInterfaceScreen.h"
#include "service/MyNote.h"
#include "service/RandomTest.h"
#include "service/System.h"
#include "service/User.h"
#include "ui/Button.h"
#include "ui/ScrollView.h"
#include "ui/ViewController.h"

class ProgressHUD;

class MainInterfaceViewController1 : public ui::ViewController,
                                     public SystemDelegate,
                                     public UserDelegate,
                                     public RandomTestDelegate,
                                     public MyNoteDelegate,
                                     public LoginDelegate,
                                     public MainInterfaceScreen {
 public:
  static constexpr const char* kIdentifier = "sidebar";
  static constexpr double kContentWidth = 320;
  static constexpr double kContentHeight = 460;
  static constexpr double kToastMargin = 10;
  static constexpr double kToastYOffset = 150;
  static constexpr double kToastDuration = 1.0;
  static constexpr int kLoginButtonTag = 101;
  static constexpr int kRegistButtonTag = 102;
  static constexpr int kExamInfoTag = 12;
  static constexpr const char* kLoginGateMessage = "该功能需要登录后才能使用，请登录";
  static constexpr const char* kResumeMessage = "回到上次练习的试题";
  static constexpr const char* kLogoutMessage = "您确定要注销此帐号吗？";
  static constexpr const char* kKeychainIdentifier = "UserNamePwdService";

  // Registers this screen under "sidebar" with the screen factory.
  static void registerScreen();

  std::string className() const override { return "MainInterfaceViewController1"; }

  // ---- life cycle ----
  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewDidAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;
  bool shouldAutorotateToInterfaceOrientation(int orientation) const { return orientation == 1; }

  // ---- actions (wired to the buttons) ----
  void Verify(const ui::View& sender);  // a function button, by its tag
  void ExamInfoClick();
  void loginClick(const ui::Button& sender);
  void registClick(const ui::Button& sender);
  void exitApp();

  // ---- operations ----
  void showAlertTitle(const std::string& title, const std::string& message);
  void showToast(const std::string& text);
  bool checkLoginGate(int tag);
  void configModalviewController(std::shared_ptr<ui::ViewController> vc);
  void closeCurrentModalViewController();
  void firstLogin();
  void getAnnouncement();
  void getAppInfo(const std::string& bankShortName);
  void downLibrary(bool haveBank);
  void showPromptImage();
  void hidePromptImage();
  // The logout after its confirmation: "userInfo" leaves the session, "isUserLogout" is set (no
  // automatic login until the next login), the "more" menu logs out and the header shows "登录" / "注册".
  void Canceled();

  // First-install unpack. moveZipFile / operateZipFile work on the given subject's paths (worked out on
  // the main thread); examineExam starts them on a worker.
  struct UnpackPaths {
    BankPaths bank;              // the question bank's paths (QuestionBank)
    std::string subject;         // the chosen subject's "Value"
    std::string documentsZip;    // documents/<V>.zip
    std::string cacheDirectory;  // the path of VDHelper::downloadCacheDirectory()
    std::string dbDirectory;     // the path of VDHelper::dbSavePath()
    std::string imageDirectory;  // the path of VDHelper::imageSavePath()
  };
  static std::optional<UnpackPaths> unpackPaths();
  static bool moveZipFile(const UnpackPaths& paths);
  static bool operateZipFile(const UnpackPaths& paths);
  void examineExam();
  // Whether an unpack runs now; how many have run to their end (for tests and the window). Both change
  // on the main thread when the end of an unpack is back there.
  static bool isUnpacking();
  static int finishedUnpacks();

  // Resume of the last practice.
  void getLastLearningRecordByUser() override;
  bool isHaveRecord(int module) override;
  // The stored run of the last-learning record (restoreLearningRecordInBackground).
  void processingData(std::function<void(RestoredRun)> done) override;
  void alertViewBlock(const std::string& identifier, bool isAllowSave);
  void pushToExamingVC(const RestoredRun& input, bool isAllowSave);

  // ---- replies ----
  // A reply of the wrong shape (ReplyCheck) is never used: the application information must be a
  // record, the first page of notes a list of note records (within MyNote::kMaxNotesPerPage). The
  // notes open empty then, under an alert with ReplyCheck::failureMessage; an empty page opens the
  // empty list without one.
  void didServiceAnnouncement(bool ok, const core::Value& json) override;
  void didAppInfo(bool ok, const core::Value& json) override;
  void didCheckAppVersion(bool ok, const core::Value& json) override;
  // A random set is built on a worker (TestBuilder reads the bank), then openRandomPractice runs.
  void didGetRandomTest(bool ok, const core::Value& json) override;
  // The answering screen over the built set; the "nodataMessage" alert when it gave no question.
  void openRandomPractice(const std::optional<QuestionsArray>& tests);
  void didGetMyNotes(bool ok, const core::Value& json) override;
  // The login screen this screen drove (the automatic login) has logged the user in: the header shows
  // the user and the user's last learning record is loaded.
  void didLoginSuccess() override;

  // ---- properties ----
  ui::ScrollView* theScroller() const { return theScroller_.get(); }
  ui::Button* functionButton(int tag) const;
  ui::Button* loginButton() const { return loginButton_.get(); }
  ui::Button* registButton() const { return registButton_.get(); }
  int testMode() const { return testMode_; }
  bool isUnLogon() const { return isUnLogon_; }
  void setIsUnLogon(bool v) override { isUnLogon_ = v; }
  std::shared_ptr<ui::ViewController> autologinVC() const { return autologinVC_; }
  std::shared_ptr<ui::ViewController> informVC() const { return informVC_; }
  std::shared_ptr<ui::ViewController> currentModalViewController() const {
    return currentModalViewController_;
  }
  const core::Value& lastLearningRecordDic() const { return lastLearningRecordDic_; }

 private:
  void pushScreen(const std::string& identifier, const std::string& title = {});
  void autoLogin();
  void updateHeaderButtons();
  void confirmLogout();

  std::shared_ptr<ui::ScrollView> theScroller_;
  std::shared_ptr<ui::Button> buttons_[14];  // by tag (12: exam information)
  std::shared_ptr<ui::Button> loginButton_, registButton_;
  std::shared_ptr<ui::Button> promptButton_;
  int testMode_ = 0;
  bool isUnLogon_ = false;
  std::shared_ptr<User> userBll_;
  std::shared_ptr<RandomTest> randomBll_;
  std::shared_ptr<MyNote> myNoteBll_;
  std::shared_ptr<System> systemBll_;
  std::shared_ptr<ui::ViewController> autologinVC_;
  std::shared_ptr<ui::ViewController> informVC_;
  std::shared_ptr<ui::ViewController> currentModalViewController_;
  std::shared_ptr<ProgressHUD> hudView_;
  core::Value lastLearningRecordDic_;
  std::optional<bool> recordHasQuestions_;  // of lastLearningRecordDic_; empty until known
  unsigned recordGeneration_ = 0;           // counts the reads of the record
};
