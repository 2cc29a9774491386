#pragma once
// AutoLoginScreen: what the home screen drives of the login screen ("login") to log in automatically
// with the account kept in the keychain, without showing it. The login screen (screens/account)
// implements it; the home screen finds it with a dynamic cast of the screen the factory makes.

#include <memory>
#include <string>

#include "screens/common/LoginDelegate.h"

class AutoLoginScreen {
 public:
  virtual ~AutoLoginScreen() = default;
  // The screen told of a successful login (held weakly).
  virtual void setDelegate(std::weak_ptr<LoginDelegate> delegate) = 0;
  // Puts the texts into the user-name and password fields (nothing while the view is not loaded).
  virtual void setUsernameFieldContent(const std::string& text) = 0;
  virtual void setPwdFieldContent(const std::string& text) = 0;
  // The texts kept for the login request.
  virtual void setUsernameFieldText(const std::string& text) = 0;
  virtual void setPwdFieldText(const std::string& text) = 0;
  // Checks and sends the login request (the sender is nil).
  virtual void loginAction() = 0;
};
