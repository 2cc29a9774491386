#pragma once
// PhoneBindViewController2: the second screen of phone binding ("phonebind2"). The user types the SMS
// code; a code the server accepts then binds the number (the personal details get {"Tel": number}) or,
// when the user has a bound number, removes it ("CancelTel"). Only what the server confirmed changes the
// session's "Tel"; after either, an alert leads to a new security settings screen. "重新获取" goes back
// to a new first screen.
//
// Main thread only.

#include <memory>
#include <string>

#include "platform/core/Value.h"
#include "service/Center.h"
#include "service/User.h"
#include "ui/Button.h"
#include "ui/Label.h"
#include "ui/TextField.h"
#include "ui/ViewController.h"

class PhoneBindViewController2 : public ui::ViewController,
                                 public UserDelegate,
                                 public CenterDelegate,
                                 public ui::TextFieldDelegate {
 public:
  static constexpr const char* kIdentifier = "phonebind2";
  static constexpr const char* kUnbind = "解除绑定";
  static constexpr const char* kCodeMissing = "请输入验证码";
  static constexpr const char* kSMSWrong = "验证码不正确，请重新输入";
  static constexpr const char* kUnbound = "手机解除绑定成功";
  static constexpr const char* kUnbindFailed = "手机解除绑定不成功";
  static constexpr const char* kBound = "手机号码绑定成功";

  std::string className() const override { return "PhoneBindViewController2"; }

  void loadView() override;
  void viewDidLoad() override;

  void btnphoneBind();  // go on: check the code, then bind or unbind
  void btnAfreshSms();  // a new first screen
  void btnHideKey();
  void showAlertView(const std::string& message);
  bool isUnbindMode() const;

  void didCheckSMSCode(bool ok, const core::Value& json) override;
  void didCancelTel(bool ok, const core::Value& json) override;
  void didSetPersonalDetails(bool ok, const core::Value& json) override;
  bool textFieldShouldReturn(ui::TextField& field) override;

  bool isUsable() const { return isUsable_; }
  ui::TextField* txtCaptcha() const { return txtCaptcha_.get(); }
  ui::Label* lbcaptcha() const { return lbcaptcha_.get(); }
  ui::Label* lbphone() const { return lbphone_.get(); }
  ui::Label* lab_tel() const { return lab_tel_.get(); }
  ui::Label* isBangding() const { return isBangding_.get(); }
  ui::Button* btnCaptcha() const { return btnCaptcha_.get(); }
  ui::Button* btnPhoneBind() const { return btnPhoneBind_.get(); }

 private:
  void showSecuritySetup(bool unbound);

  bool isUsable_ = false;
  std::shared_ptr<ui::TextField> txtCaptcha_;
  std::shared_ptr<ui::Label> lbcaptcha_, lbphone_, lab_tel_, isBangding_;
  std::shared_ptr<ui::Button> btnCaptcha_, btnPhoneBind_, btnHide_;
  std::shared_ptr<User> userBll_;
  std::shared_ptr<Center> centerBll_;
};
