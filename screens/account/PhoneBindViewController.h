#pragma once
// PhoneBindViewController: the first screen of phone binding ("phonebind"), pushed by the security
// settings. The mode follows the logged-in user's "Tel": empty means bind a number, anything else means
// unbind the bound one (the screen then names the bound number, masked). The SMS button checks the
// typed number (in bind mode: free on the server; in unbind mode: the bound number) and asks the server
// for an SMS code, then counts 60 seconds down; the go-on button sends the image verification code with
// the number, and a sent SMS leads to the second screen ("phonebind2"), keeping the number in the user
// default "telInfo" ({"tel": number}).
//
// The number of the binding in progress is one text shared by the two screens (currentPhone()). The
// countdown belongs to the screen and stops with it.
//
// Main thread only.

#include <memory>
#include <string>

#include "platform/core/Value.h"
#include "screens/account/CountdownTimer.h"
#include "screens/account/VerificationCodeImage.h"
#include "service/User.h"
#include "ui/Button.h"
#include "ui/Label.h"
#include "ui/TextField.h"
#include "ui/ViewController.h"

class PhoneBindViewController : public ui::ViewController, public UserDelegate, public ui::TextFieldDelegate {
 public:
  static constexpr const char* kIdentifier = "phonebind";
  static constexpr const char* kBindPlaceholder = "请输入您需要绑定的手机号码";
  static constexpr const char* kUnbindPlaceholder = "请输入您需要解除绑定的手机号码";
  static constexpr const char* kUnbind = "解除绑定";
  static constexpr const char* kBind = "绑定手机";
  static constexpr const char* kPhoneEmpty = "请输入手机号码";
  static constexpr const char* kPhoneInvalid = "请输入正确的手机号码";
  static constexpr const char* kPhoneMismatch = "输入的手机号码与绑定的号码不一致";
  static constexpr const char* kTooManyRequests = "请求次数过多， 请稍后再试";
  static constexpr const char* kSMSWrong = "验证码不正确，请重新输入";
  static constexpr const char* kSMSSent = "短信发送成功!";
  static constexpr const char* kGetCode = "获取验证码";
  static constexpr const char* kResend = "重新获取验证码";
  static constexpr const char* kResendCounting = "重新获取验证码(%d)";
  static constexpr const char* kTelInfoDefault = "telInfo";

  std::string className() const override { return "PhoneBindViewController"; }

  // The SMS button's colour while it can be pressed: 255, 51, 0.
  static ui::Color smsButtonColor();
  // The number of the binding in progress, shared by the two screens.
  static std::string currentPhone();
  static void setCurrentPhone(std::string number);

  void loadView() override;
  void viewDidLoad() override;
  void viewDidAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  // ---- actions ----
  void btngetCaptcha();    // the SMS button
  void postSms();          // the go-on button
  void getCode();          // image code and number to the code service
  void AfrestVerityCode(); // a new image code
  void btnHideKey();
  void saveTElInfo(const std::string& number);
  void showAlertView(const std::string& message);
  // The number checks before an SMS request: false (with the hint) when the number is empty or invalid.
  bool fieldIsEmpty();
  bool isUnbindMode() const;

  // ---- replies ----
  void didCheckNewUsername(bool ok, const core::Value& json) override;
  void didApplyForVerification(bool ok, const core::Value& json) override;
  void didCheckSMSCode(bool ok, const core::Value& json) override;
  void didVerifyCode(bool ok, const core::Value& json) override;

  // ---- text fields ----
  bool textFieldShouldEndEditing(ui::TextField& field) override;
  bool shouldChangeCharactersInRange(ui::TextField& field, ui::Range16 range,
                                     const std::string& replacement) override;
  bool textFieldShouldReturn(ui::TextField& field) override;

  // ---- state and widgets ----
  int second() const { return countdown_ ? countdown_->second() : CountdownTimer::kFullTime; }
  const CountdownTimer* countdown() const { return countdown_.get(); }
  bool isClickSMS() const { return isClickSMS_; }
  bool isUsable() const { return isUsable_; }
  ui::TextField* txtPhone() const { return txtPhone_.get(); }
  ui::TextField* txtverityCode() const { return txtverityCode_.get(); }
  ui::TextField* txtCaptcha() const { return txtCaptcha_.get(); }
  ui::Label* lbphone() const { return lbphone_.get(); }
  ui::Label* lbcaptcha() const { return lbcaptcha_.get(); }
  ui::Label* lbphoneBind_msg() const { return lbphoneBind_msg_.get(); }
  ui::Button* btnCaptcha() const { return btnCaptcha_.get(); }
  ui::Button* btnPhoneBind() const { return btnPhoneBind_.get(); }
  ui::WebView* Codeimage() const { return codeImage_ ? codeImage_->webView().get() : nullptr; }

 private:
  void timeMethod(int secondsLeft);
  void setSMSButtonColoured(bool coloured);
  std::shared_ptr<User> newUser();

  bool isClickSMS_ = true;
  bool isUsable_ = false;
  std::shared_ptr<ui::TextField> txtPhone_, txtverityCode_, txtCaptcha_;
  std::shared_ptr<ui::Label> lbphone_, lbcaptcha_, lbphoneBind_msg_;
  std::shared_ptr<ui::Button> btnCaptcha_, btnPhoneBind_, btnAfreshCode_, btnHide_;
  std::shared_ptr<VerificationCodeImage> codeImage_;
  std::unique_ptr<CountdownTimer> countdown_;
  std::shared_ptr<User> userBll_;
};
