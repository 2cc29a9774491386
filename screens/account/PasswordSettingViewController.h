#pragma once
// PasswordSettingViewController: the password change ("password"), pushed from the security screen.
// Three fields (old, new, repeat) are checked against the password kept in the session's "userInfo"
// ("Pwd", written at login) and the account rules (6 to 20 UTF-16 units; letters, digits and Chinese
// characters only), with a red hint beside the field at fault while the user types and again on
// submit. A change the checks pass sends both passwords (each escaped as one path segment). On
// success the user leaves the session ("userInfo" removed), the keychain item keeps the new password
// (so the next automatic login does not try the old one) and the login screen is pushed.
//
// Main thread only.

#include <memory>
#include <string>

#include "service/Center.h"
#include "ui/Button.h"
#include "ui/Label.h"
#include "ui/TableView.h"
#include "ui/TextField.h"
#include "ui/ViewController.h"

class PasswordSettingViewController : public ui::ViewController,
                                      public CenterDelegate,
                                      public ui::TextFieldDelegate,
                                      public ui::TableViewDataSource,
                                      public ui::TableViewDelegate {
 public:
  static constexpr const char* kIdentifier = "password";
  static constexpr const char* kOldEmpty = "*旧密码不能为空";
  static constexpr const char* kOldWrong = "*密码错误";
  static constexpr const char* kLength = "*密码长度为6-20个字符";
  static constexpr const char* kIllegal = "*密码不能存在非法字符";
  static constexpr const char* kSameAsOld = "*新密码不能和旧密码一样";
  static constexpr const char* kMismatch = "*密码不一致";
  static constexpr const char* kChanged = "密码修改成功，请重新登录";

  std::string className() const override { return "PasswordSettingViewController"; }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  // The submit check: the first rule that fails shows its hint and gives false; hints of the rules
  // after it keep what they showed. True when all pass.
  bool fieldIsEmpty();
  void submitClickBtn();
  void hidekeyboard();
  void showAlertView(const std::string& message);

  void didResetPassWord(bool ok, const core::Value& json) override;

  bool shouldChangeCharactersInRange(ui::TextField& field, ui::Range16 range,
                                     const std::string& replacement) override;
  bool textFieldShouldReturn(ui::TextField& field) override;

  int numberOfRowsInSection(ui::TableView& tableView, int section) override { return 3; }
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                           ui::IndexPath indexPath) override;
  double heightForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
  void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;

  ui::TextField* oldPasswordField() const { return oldPasswordField_.get(); }
  ui::TextField* setPasswordField() const { return setPasswordField_.get(); }
  ui::TextField* setPasswordField2() const { return setPasswordField2_.get(); }
  ui::Label* lab_oldPwd() const { return lab_oldPwd_.get(); }
  ui::Label* lab_newPwd() const { return lab_newPwd_.get(); }
  ui::Label* lab_newPwd2() const { return lab_newPwd2_.get(); }
  ui::Button* submitButton() const { return submitButton_.get(); }

 private:
  static void showHint(ui::Label& label, const std::string& text);  // "" hides it
  std::string storedPassword() const;
  // The hint of the new-password rules for a text ("" when it passes).
  std::string newPasswordHint(const std::string& text) const;

  std::shared_ptr<ui::TableView> tableView_;
  std::shared_ptr<ui::TextField> oldPasswordField_, setPasswordField_, setPasswordField2_;
  std::shared_ptr<ui::Label> lab_oldPwd_, lab_newPwd_, lab_newPwd2_;
  std::shared_ptr<ui::Button> submitButton_;
  std::shared_ptr<Center> centerBll_;
  std::string sentPassword_;  // the new password of the request under way
};
