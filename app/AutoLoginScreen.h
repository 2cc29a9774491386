#pragma once
// AutoLoginScreen: what the home screen drives of the login screen ("login") to log in automatically
// with the account kept in the keychain, without showing it. The login screen implements it; the home
// screen finds it with a dynamic cast of the screen the factory makes.
//
// HeadlessLoginViewController: the stand-in the home screen uses while the factory's "login" screen
// does not implement AutoLoginScreen. It sends the same login request and makes the session writes a
// successful login makes: the reply's "Body" plus "Pwd" becomes the session's "userInfo", the re-login
// timer starts, "isfirstLogin" is set for a first login ("LoginCount" 1), "isUserLogout" becomes NO,
// and after the application information has come back (kept as "appInfo" when it came) the main screen
// is shown again (VDHelper::showMainVC). A refused login changes nothing. Main thread only.

#include <memory>
#include <string>

#include "platform/core/Value.h"
#include "service/User.h"
#include "ui/ViewController.h"

class AutoLoginScreen {
 public:
  virtual ~AutoLoginScreen() = default;
  // The screen that drives the login (the home screen).
  virtual void setLoginDelegate(std::weak_ptr<ui::ViewController> delegate) = 0;
  // Puts the texts into the user-name and password fields.
  virtual void setUsernameFieldContent(const std::string& text) = 0;
  virtual void setPwdFieldContent(const std::string& text) = 0;
  // The texts kept for the login request.
  virtual void setUsernameFieldText(const std::string& text) = 0;
  virtual void setPwdFieldText(const std::string& text) = 0;
  // Sends the login request with the kept texts (the sender is nil).
  virtual void loginAction() = 0;
};

class HeadlessLoginViewController : public ui::ViewController, public AutoLoginScreen, public UserDelegate {
 public:
  std::string className() const override { return "HeadlessLoginViewController"; }

  void setLoginDelegate(std::weak_ptr<ui::ViewController> delegate) override {
    delegate_ = std::move(delegate);
  }
  void setUsernameFieldContent(const std::string& text) override { usernameField_ = text; }
  void setPwdFieldContent(const std::string& text) override { pwdField_ = text; }
  void setUsernameFieldText(const std::string& text) override { username_ = text; }
  void setPwdFieldText(const std::string& text) override { password_ = text; }
  void loginAction() override;

  void didLogin(bool ok, const core::Value& json) override;
  void didAppInfo(bool ok, const core::Value& json) override;

  const std::string& usernameField() const { return usernameField_; }
  const std::string& pwdField() const { return pwdField_; }

  // The LoginRequest a login sends: {"AppEName", "Group" 0, "ID" 0, "LoginCheckCode" (the hardware
  // address), "LoginCount" 0, "Pwd", "UserName"}.
  static core::Value loginRequest(const std::string& userName, const std::string& password);

 private:
  std::weak_ptr<ui::ViewController> delegate_;
  std::string usernameField_, pwdField_, username_, password_;
  std::shared_ptr<User> userBll_;
};
