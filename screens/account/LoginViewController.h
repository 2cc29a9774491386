#pragma once
// LoginViewController: the login screen ("login"), the one place where a user session begins. It checks
// the name and password, sends the login request (LoginRequest) through the account client and, on
// success, makes the session: "userInfo" (the reply's user record plus "Pwd"), "isUserLogout" NO, the
// re-login timer, the keychain item "UserNamePwdService" with the name and password, the user defaults
// "isKeepPassword" and "isAutoLogon" (both 1, whatever the two check buttons show), the user's avatar
// (downloaded and kept as a JPEG once), the personal details (copied into "userInfo") and then the
// chosen subject's application information ("appInfo"), after which the delegate hears didLoginSuccess
// and the screen leaves: to the main screen for a first login ("LoginCount" 1) or when it replaced the
// window's root (isStolen), otherwise it closes (dismissed when presented, popped when pushed).
//
// It is reached four ways: presented or pushed by screens that need a user, made the window's root
// after a forced logout (isStolen), and driven without ever being shown by the home screen's automatic
// login (AutoLoginScreen: the texts come through the setters, the view is never loaded).
//
// Main thread only. The avatar download and the personal details run synchronously inside the login
// reply's handling, so the screen does not respond until both have finished.

#include <memory>
#include <optional>
#include <string>

#include "platform/core/Value.h"
#include "screens/common/AutoLoginScreen.h"
#include "screens/common/LoginDelegate.h"
#include "service/Center.h"
#include "service/ServiceShell.h"
#include "service/User.h"
#include "ui/Button.h"
#include "ui/ImageView.h"
#include "ui/TableView.h"
#include "ui/TextField.h"
#include "ui/ViewController.h"

class LoginViewController : public ui::ViewController,
                            public AutoLoginScreen,
                            public ForcedLogoutLoginScreen,
                            public UserDelegate,
                            public CenterDelegate,
                            public ui::TextFieldDelegate,
                            public ui::TableViewDataSource,
                            public ui::TableViewDelegate {
 public:
  static constexpr const char* kIdentifier = "login";
  static constexpr const char* kKeychainIdentifier = "UserNamePwdService";
  static constexpr const char* kEmptyNameMessage = "用户名不能为空";
  static constexpr const char* kEmptyPasswordMessage = "密码不能为空";
  static constexpr const char* kLoginFailedMessage = "登录失败";
  static constexpr const char* kDetailsFailedToast = "请求失败！";
  static constexpr const char* kFirstRunImage = "prompt3";

  std::string className() const override { return "LoginViewController"; }

  // The LoginRequest body: {"AppEName": "", "Group": 0, "ID": 0, "LoginCheckCode": the hardware
  // address, "LoginCount": 0, "Pwd", "UserName"}.
  static core::Value loginRequest(const std::string& userName, const std::string& password);

  // ---- life cycle ----
  void loadView() override;
  void viewDidLoad() override;
  void viewDidAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  // ---- AutoLoginScreen, ForcedLogoutLoginScreen ----
  void setDelegate(std::weak_ptr<LoginDelegate> delegate) override { delegate_ = std::move(delegate); }
  void setUsernameFieldContent(const std::string& text) override;
  void setPwdFieldContent(const std::string& text) override;
  void setUsernameFieldText(const std::string& text) override { usernameFieldText_ = text; }
  void setPwdFieldText(const std::string& text) override { pwdFieldText_ = text; }
  void loginAction() override;
  void setIsStolen(bool stolen) override { isStolen_ = stolen; }

  // ---- actions ----
  void registClick();         // pushes "register"
  void findPasswordClick();   // pushes "findPassword" (the password recovery screen)
  void closeLoginViewController();
  void savePwdClick();
  void autoLoginClick();
  void hidekeyboard();        // ends every editing in the view (also a tap on a row or beside the form)

  // ---- replies ----
  void didLogin(bool ok, const core::Value& json) override;
  void didAppInfo(bool ok, const core::Value& json) override;
  // Copies "Address", "Birthday", "NickName", "Sex", "Tel" and "Email" of the details' "Body" into the
  // session's "userInfo"; a key the body lacks is removed.
  void didGetPersonalDetails(const core::Value& json);

  // ---- text fields ----
  bool shouldChangeCharactersInRange(ui::TextField& field, ui::Range16 range,
                                     const std::string& replacement) override;
  void textFieldDidEndEditing(ui::TextField& field) override;
  bool textFieldShouldReturn(ui::TextField& field) override;

  // ---- table (the form's rows) ----
  int numberOfSectionsInTableView(ui::TableView& tableView) override;
  int numberOfRowsInSection(ui::TableView& tableView, int section) override;
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                           ui::IndexPath indexPath) override;
  double heightForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
  void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;

  // The avatar preview: the avatar file of usernameFieldText (fromText) or of the name field's text.
  void setImage(bool fromText);

  // ---- properties ----
  std::shared_ptr<LoginDelegate> delegate() const { return delegate_.lock(); }
  bool isStolen() const { return isStolen_; }
  bool isSavaPwd() const { return isSavaPwd_; }
  bool isAutoLogin() const { return isAutoLogin_; }
  const std::string& usernameFieldText() const { return usernameFieldText_; }
  const std::string& pwdFieldText() const { return pwdFieldText_; }
  ui::TextField* usernameField() const { return usernameField_.get(); }
  ui::TextField* pwdField() const { return pwdField_.get(); }
  ui::Button* btnSavePwd() const { return btnSavePwd_.get(); }
  ui::Button* btnAutoLogin() const { return btnAutoLogin_.get(); }
  ui::Button* loginButton() const { return loginButton_.get(); }
  ui::ImageView* userImage() const { return userImage_.get(); }
  ui::TableView* tableView() const { return tableView_.get(); }
  std::shared_ptr<User> userBll() const { return userBll_; }

 private:
  void showAlert(const std::string& message);
  void leave();  // after the application information: to the main screen or closed
  // The avatar and personal-details fetch is over (details Nil when there are none): the avatar shows,
  // then the details go into the session and the application information is asked for, or the
  // failure toast shows.
  void personalDetailsArrived(const core::Value& details);
  void removeFirstRunPrompt();

  std::weak_ptr<LoginDelegate> delegate_;
  bool isSavaPwd_ = false;
  bool isAutoLogin_ = false;
  bool isStolen_ = false;
  std::string usernameFieldText_;
  std::string pwdFieldText_;
  std::shared_ptr<ui::TableView> tableView_;
  std::shared_ptr<ui::TextField> usernameField_;
  std::shared_ptr<ui::TextField> pwdField_;
  std::shared_ptr<ui::Button> btnSavePwd_;
  std::shared_ptr<ui::Button> btnAutoLogin_;
  std::shared_ptr<ui::Button> loginButton_;
  std::shared_ptr<ui::Button> registButton_;
  std::shared_ptr<ui::Button> findPasswordButton_;
  std::shared_ptr<ui::Button> btn_hide_;
  std::shared_ptr<ui::ImageView> userImage_;
  std::shared_ptr<ui::Button> firstRunPrompt_;
  bool showsFirstRunPrompt_ = false;  // the first run's prompt waits for the screen to show
  std::shared_ptr<User> userBll_;
  std::shared_ptr<Center> centerBll_;
};
