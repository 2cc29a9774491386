#pragma once
// FindPassWord3ViewController: the password reset ("重置密码") after a recovery by phone. The user types
// the SMS code, the new password twice and the local check code shown beside it; the server gets
// {"Key": the SMS code, "Value": the new password} (no account: the code leads to it). Hints under the
// fields follow each field as it is left and the reset button's checks; a reset leads to a new login
// screen, as does the "返回" button. Passwords are 6 to 20 characters (UTF-16 units) of Chinese
// characters, ASCII letters and digits. The check code is compared ignoring case and is not required
// for the reset.
//
// Main thread only.

#include <memory>
#include <string>

#include "platform/core/Value.h"
#include "screens/account/VerificationCodeImage.h"
#include "service/User.h"
#include "ui/Button.h"
#include "ui/Label.h"
#include "ui/ScrollView.h"
#include "ui/TextField.h"
#include "ui/ViewController.h"

class FindPassWord3ViewController : public ui::ViewController,
                                   public UserDelegate,
                                   public ui::TextFieldDelegate,
                                   public ui::ScrollViewDelegate {
 public:
  static constexpr const char* kSMSMissingOnLeave = "请输入获取的短信验证码";
  static constexpr const char* kSMSMissing = "请输入短信验证码";
  static constexpr const char* kPasswordRule = "请输入6-20位数字、字母或常用符号";
  static constexpr const char* kRepeatMissing = "请再次输入密码";
  static constexpr const char* kRepeatDiffers = "两次输入的密码不一致";
  static constexpr const char* kCheckCodeWrong = "验证码不正确，请重新输入";
  static constexpr const char* kResetDone = "密码重置成功，请重新登录";
  static constexpr const char* kCloseButton = "关闭";

  std::string className() const override { return "FindPassWord3ViewController"; }

  // The password rules: 6 to 20 UTF-16 units, each character a Chinese character, letter or digit.
  static bool isAcceptablePassword(const std::string& password);

  void loadView() override;
  void viewDidLoad() override;

  void motifyPassword();  // the reset button
  void changeCode();      // a new image code in Codeimage
  void backToLogin();     // "返回": a new login screen
  void showAlertView(const std::string& message);

  void didMotifyPassword(bool ok, const core::Value& json) override;
  void didCheckSMSCode(bool ok, const core::Value& json) override;

  bool textFieldShouldEndEditing(ui::TextField& field) override;
  bool shouldChangeCharactersInRange(ui::TextField& field, ui::Range16 range,
                                     const std::string& replacement) override;
  bool textFieldShouldReturn(ui::TextField& field) override;
  void scrollViewWillBeginDragging(ui::ScrollView& scrollView) override;

  const std::string& changeString() const { return changeString_; }
  bool isSMS() const { return isSMS_; }
  ui::ScrollView* scrollview() const { return scrollview_.get(); }
  ui::TextField* txtSMS() const { return txtSMS_.get(); }
  ui::TextField* txtPassword() const { return txtPassword_.get(); }
  ui::TextField* txtPassword2() const { return txtPassword2_.get(); }
  ui::TextField* txtCode() const { return txtCode_.get(); }
  ui::TextField* txtCodeChang() const { return txtCodeChang_.get(); }
  ui::Label* lbSMS() const { return lbSMS_.get(); }
  ui::Label* lbPassword() const { return lbPassword_.get(); }
  ui::Label* lbPassword2() const { return lbPassword2_.get(); }
  ui::Label* lbchangcode() const { return lbchangcode_.get(); }
  ui::Button* resetButton() const { return resetButton_.get(); }
  ui::WebView* Codeimage() const { return codeImage_ ? codeImage_->webView().get() : nullptr; }

 private:
  static void markField(ui::TextField& field, bool wrong);
  std::shared_ptr<User> newUser();

  bool isSMS_ = false;
  std::string changeString_;
  std::shared_ptr<ui::ScrollView> scrollview_;
  std::shared_ptr<ui::TextField> txtSMS_, txtPassword_, txtPassword2_, txtCode_, txtCodeChang_;
  std::shared_ptr<ui::Label> lbSMS_, lbPassword_, lbPassword2_, lbchangcode_;
  std::shared_ptr<ui::Button> resetButton_, changeCodeButton_;
  std::shared_ptr<VerificationCodeImage> codeImage_;
  std::shared_ptr<User> userBll_;
};
