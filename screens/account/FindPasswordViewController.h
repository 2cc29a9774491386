#pragma once
// FindPasswordViewController: password recovery by e-mail address alone. The address must match
// "\w+([-+.]\w+)*@\w+([-.]\w+)*\.\w+([-.]\w+)*" as a whole (word characters in the Unicode sense); the
// server then mails a reset link, its text is shown, and a success returns to the screen before. No
// screen of the application opens it; it is kept for builds that link it in place of the recovery
// screen.
//
// Main thread only.

#include <memory>
#include <string>

#include "platform/core/Value.h"
#include "service/User.h"
#include "ui/Button.h"
#include "ui/TextField.h"
#include "ui/ViewController.h"

class FindPasswordViewController : public ui::ViewController, public UserDelegate, public ui::TextFieldDelegate {
 public:
  static constexpr const char* kEmailEmpty = "邮箱不能为空！";
  static constexpr const char* kEmailInvalid = "您输入的邮箱格式不正确！";

  std::string className() const override { return "FindPasswordViewController"; }

  static bool isValidateEmail(const std::string& text);

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  void findPasswordClick();
  void backClick();  // back to the screen before
  void closeKeyboard();
  void showAlertView(const std::string& message);

  void didFindPassword(bool ok, const core::Value& json) override;
  bool textFieldShouldReturn(ui::TextField& field) override;

  ui::TextField* emailField() const { return emailField_.get(); }
  ui::Button* findButton() const { return findButton_.get(); }

 private:
  std::shared_ptr<ui::TextField> emailField_;
  std::shared_ptr<ui::Button> findButton_, btnHide_;
  std::shared_ptr<User> userBll_;
};
