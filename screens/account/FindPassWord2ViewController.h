#pragma once
// FindPassWord2ViewController: password recovery ("找回密码"), pushed by the login screen. The account
// text decides the road: a text holding "@" is an e-mail address, which the server mails a reset link
// to (the screen then pops back to the login); any other text is a mobile number, which, when it is
// registered and the image verification code is right, gets an SMS code and leads to the reset screen
// (FindPassWord3ViewController). Leaving the account field looks the account up and says when it is not
// registered; an unregistered number sends nothing. A local check code of 4 random characters (0-9,
// A-Z) is shown beside the image code.
//
// Main thread only.

#include <memory>
#include <string>

#include "platform/core/Value.h"
#include "screens/account/VerificationCodeImage.h"
#include "service/User.h"
#include "ui/Button.h"
#include "ui/Label.h"
#include "ui/TextField.h"
#include "ui/ViewController.h"

class FindPassWord2ViewController : public ui::ViewController, public UserDelegate, public ui::TextFieldDelegate {
 public:
  static constexpr const char* kAccountInvalid = "请输入正确的邮箱地址，手机号码";
  static constexpr const char* kCodeInvalid = "请输入正确的验证码";
  static constexpr const char* kEmailFree = "该邮箱地址尚未注册";
  static constexpr const char* kTelFree = "该手机号码尚未注册";
  static constexpr const char* kSMSSent = "短信发送成功!";
  static constexpr const char* kCloseButton = "关闭";

  std::string className() const override { return "FindPassWord2ViewController"; }

  // "0" to "9" then "A" to "Z" (checkCodeCharacters, shared with the reset screen).
  static const std::string& changeArray();
  // A local check code: `length` characters of changeArray, each drawn uniformly by the system's random
  // source (makeCheckCode).
  static std::string makeChangeString(int length = 4);

  void loadView() override;
  void viewDidLoad() override;
  void viewDidAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  void findPassword();  // the recover button
  void changCode();     // a new image code
  void hideKey();
  void showAlertView(const std::string& message);

  void didCheckNewUsername(bool ok, const core::Value& json) override;
  void didFindPassword(bool ok, const core::Value& json) override;
  void didVerifyCode(bool ok, const core::Value& json) override;

  bool textFieldShouldEndEditing(ui::TextField& field) override;
  bool shouldChangeCharactersInRange(ui::TextField& field, ui::Range16 range,
                                     const std::string& replacement) override;
  bool textFieldShouldReturn(ui::TextField& field) override;

  bool isEmail() const { return isEmail_; }
  bool isTel() const { return isTel_; }
  bool isUsable() const { return isUsable_; }
  const std::string& changeString() const { return changeString_; }

  ui::TextField* txtAccountName() const { return txtAccountName_.get(); }
  ui::TextField* txtSMS() const { return txtSMS_.get(); }
  ui::TextField* txtchangeSMS() const { return txtchangeSMS_.get(); }
  ui::Label* lbAccountName() const { return lbAccountName_.get(); }
  ui::Label* lbSMS() const { return lbSMS_.get(); }
  ui::Button* btnFindpwd() const { return btnFindpwd_.get(); }
  ui::WebView* Codeimage() const { return codeImage_ ? codeImage_->webView().get() : nullptr; }

 private:
  // Sets isEmail / isTel from the text; true when the text is a valid address or number.
  bool detectKind(const std::string& account);
  void lookUp(const std::string& account);
  std::shared_ptr<User> newUser();

  bool isEmail_ = false;
  bool isTel_ = false;
  bool isUsable_ = false;
  std::string changeString_;
  std::shared_ptr<ui::TextField> txtAccountName_, txtSMS_, txtchangeSMS_;
  std::shared_ptr<ui::Label> lbAccountName_, lbSMS_;
  std::shared_ptr<ui::Button> btnFindpwd_, btnChangeCode_, btnHide_;
  std::shared_ptr<VerificationCodeImage> codeImage_;
  std::shared_ptr<User> userBll_;
};
