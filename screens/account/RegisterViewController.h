#pragma once
// RegisterViewController: registration ("register"), pushed by the login screen and the home screen.
// Two modes behind two tabs:
// - by mobile phone, in three steps on one reused field: the number with an image verification code
//   (the number's availability is checked when the field is left), then the SMS code the server sent
//   (a one-second countdown guards the resend button), then the password; the server gets
//   {"Address", "Birthday", "NickName", "Sex", "UserName": "", "Password", "Tel", "LoginCheckCode": the
//   SMS code}, and a registered number leads to the login screen with that number as its user name;
// - by e-mail address with a password typed twice; the server gets {"Address", "Birthday", "NickName",
//   "Sex", "UserName": "", "Password", "Email"}, and a registered address leads to the e-mail
//   verification screen ("emailVerify").
// Passwords are 6 to 20 characters counted in UTF-16 units, made of Chinese characters, ASCII letters
// and digits only. Field hints are red labels under the fields; refusals are alerts. The step reached
// is kept across mode switches. Every request goes through a new account client.
//
// The image-code id and the SMS code typed in step 1 are kept for the whole process (a later
// registration screen finds them until it replaces them); the countdown belongs to the screen and
// stops with it.
//
// Main thread only.

#include <memory>
#include <string>

#include "platform/core/Value.h"
#include "screens/account/CountdownTimer.h"
#include "screens/account/VerificationCodeImage.h"
#include "service/User.h"
#include "ui/Button.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/TableView.h"
#include "ui/TextField.h"
#include "ui/ViewController.h"

class RegisterViewController : public ui::ViewController,
                               public UserDelegate,
                               public ui::TextFieldDelegate,
                               public ui::TableViewDataSource,
                               public ui::TableViewDelegate {
 public:
  static constexpr const char* kIdentifier = "register";

  // Phone mode.
  static constexpr const char* kPhonePlaceholder = "请输入你的手机号码";
  static constexpr const char* kSMSPlaceholder = "请输入手机获取的短信验证码";
  static constexpr const char* kPasswordPlaceholder = "请设置您的密码";
  static constexpr const char* kPhoneEmpty = "输入的手机号码不能为空！";
  static constexpr const char* kPhoneInvalid = "您输入的手机号码不正确！";
  static constexpr const char* kPhoneMissing = "请输入正确的手机号码";
  static constexpr const char* kCodeMissing = "请输入验证码";
  static constexpr const char* kPasswordMissing = "请输入密码";
  static constexpr const char* kSMSWrong = "验证码不正确，请重新输入";
  static constexpr const char* kSMSSent = "短信发送成功!";
  static constexpr const char* kResend = "重新获取验证码";
  static constexpr const char* kResendCounting = "重新获取验证码(%d)";
  static constexpr const char* kNext = "下一步";
  static constexpr const char* kRegister = "注册";
  static constexpr const char* kRegistered = "注册成功";
  // Passwords (both modes).
  static constexpr const char* kPasswordLength = "密码长度为6-20个字符";
  static constexpr const char* kPasswordIllegal = "密码不能存在非法字符";
  // E-mail mode.
  static constexpr const char* kEmailPlaceholder = "请输入你的邮箱地址";
  static constexpr const char* kEmailEmpty = "输入的有效邮箱不能为空！";
  static constexpr const char* kEmailInvalid = "您输入有效邮箱不正确！";
  static constexpr const char* kPasswordEmpty = "密码不能为空";
  static constexpr const char* kPasswordMismatch = "密码不一致";
  static constexpr const char* kAccountEmpty = "Vardo通行证不能为空！";
  static constexpr const char* kEmailNotUsable = "请输入正确的、没有使用过的邮箱";
  static constexpr const char* kPasswordsEmpty = "密码不能为空！";
  static constexpr const char* kPasswordsDiffer = "密码不一致！";
  // Replies.
  static constexpr const char* kTaken = "已被使用";
  static constexpr const char* kTakenShown = "您注册的Vardo通行证已使用";
  static constexpr const char* kRegistFailed = "注册失败";

  std::string className() const override { return "RegisterViewController"; }

  // The password rules: "" when the text passes, else the hint (length first, then characters).
  static std::string passwordHint(const std::string& password);

  // ---- life cycle ----
  void loadView() override;
  void viewDidLoad() override;
  void viewDidAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  // ---- actions ----
  void CheckCaptcha();   // "下一步" / "注册" of the phone steps
  void registAction();   // the e-mail mode's register button
  void shoujiAction();   // phone tab
  void emailAction();    // e-mail tab
  void getGuid();        // a new image code
  void getGuidAfresh();  // "看不清楚?换一张"
  void ClickAfresh();    // resend the SMS
  void hidekeyboard();
  void showAlertView(const std::string& message);

  // ---- replies ----
  void didVerifyCode(bool ok, const core::Value& json) override;
  void didCheckSMSCode(bool ok, const core::Value& json) override;
  void didApplyForVerification(bool ok, const core::Value& json) override;
  void didCheckNewUsername(bool ok, const core::Value& json) override;
  void didRegist(bool ok, const core::Value& json) override;

  // ---- text fields ----
  bool textFieldShouldReturn(ui::TextField& field) override;
  void textFieldDidBeginEditing(ui::TextField& field) override;
  bool shouldChangeCharactersInRange(ui::TextField& field, ui::Range16 range,
                                     const std::string& replacement) override;
  bool textFieldShouldEndEditing(ui::TextField& field) override;

  // ---- table (one row holds the form) ----
  int numberOfRowsInSection(ui::TableView& tableView, int section) override { return 1; }
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                           ui::IndexPath indexPath) override;
  double heightForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
  void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;

  // ---- state ----
  int registType() const { return registType_; }  // 0 phone, 1 e-mail
  int buttonType() const { return buttonType_; }  // phone step 0, 1, 2
  bool isUsable() const { return isUsable_; }
  int second() const { return countdown_ ? countdown_->second() : CountdownTimer::kFullTime; }
  const CountdownTimer* countdown() const { return countdown_.get(); }
  // The SMS code typed in step 1, kept for the whole process.
  static std::string smsCode();

  // ---- widgets ----
  ui::Button* btnShouji() const { return btnShouji_.get(); }
  ui::Button* btnEmail() const { return btnEmail_.get(); }
  ui::Button* btnEnter(int step) const;  // 1, 2, 3
  ui::Label* lbPhone_msg() const { return lbPhone_msg_.get(); }
  ui::TextField* txtPhone() const { return txtPhone_.get(); }
  ui::Label* lbPhone() const { return lbPhone_.get(); }
  ui::Button* btnPhoneregist() const { return btnPhoneregist_.get(); }
  ui::TextField* txtCodeImage() const { return txtCodeImage_.get(); }
  ui::WebView* Codeimage() const { return codeImage_ ? codeImage_->webView().get() : nullptr; }
  ui::Button* btnAfresh_CodeImage() const { return btnAfresh_CodeImage_.get(); }
  ui::View* codeImageRow() const { return codeImageRow_.get(); }
  ui::Button* btnAfresh() const { return btnAfresh_.get(); }
  ui::ImageView* lbAfresh_img() const { return lbAfresh_img_.get(); }
  ui::Label* hide_tel() const { return hide_tel_.get(); }
  ui::TextField* emailField() const { return emailField_.get(); }
  ui::TextField* passwordField() const { return passwordField_.get(); }
  ui::TextField* password2Field() const { return password2Field_.get(); }
  ui::Label* emailPhone_lab() const { return emailPhone_lab_.get(); }
  ui::Label* password_lab() const { return password_lab_.get(); }
  ui::Label* password2_lab() const { return password2_lab_.get(); }
  ui::Button* btnRegist() const { return btnRegist_.get(); }

 private:
  void enterStep1();
  void enterStep2();
  void phoneRegist();
  void fireGetCaptchTimer();
  void timeMethod(int secondsLeft);
  void showMode(int registType);
  void setNextButtonUsable(bool usable);
  void sendRegist(const core::Value& body);
  std::shared_ptr<User> newUser();
  static core::Value registBody();

  int registType_ = 0;
  int buttonType_ = 0;
  bool isUsable_ = false;
  bool isClickBtn_ = false;
  bool isAfresh_ = false;

  std::shared_ptr<ui::TableView> tableView_;
  std::shared_ptr<ui::View> form_;
  std::shared_ptr<ui::View> phonePanel_;
  std::shared_ptr<ui::View> emailPanel_;
  std::shared_ptr<ui::Button> btnShouji_, btnEmail_;
  std::shared_ptr<ui::Button> btnEnter1_, btnEnter2_, btnEnter3_;
  std::shared_ptr<ui::Label> lbimg1_, lbimg2_;
  std::shared_ptr<ui::Label> lbPhone_msg_, lbPhone_, hide_tel_;
  std::shared_ptr<ui::TextField> txtPhone_, txtCodeImage_;
  std::shared_ptr<ui::Button> btnPhoneregist_, btnAfresh_CodeImage_, btnAfresh_;
  std::shared_ptr<ui::View> codeImageRow_;
  std::shared_ptr<ui::ImageView> lbAfresh_img_;
  std::shared_ptr<VerificationCodeImage> codeImage_;
  std::shared_ptr<ui::TextField> emailField_, passwordField_, password2Field_;
  std::shared_ptr<ui::Label> emailPhone_lab_, password_lab_, password2_lab_;
  std::shared_ptr<ui::Label> confirmPassword_, lbphone1_, lbpwd1_, lbpwd2_;
  std::shared_ptr<ui::Button> btnRegist_;
  std::unique_ptr<CountdownTimer> countdown_;
  std::shared_ptr<User> userBll_;
};
