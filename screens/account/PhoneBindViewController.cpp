#include "screens/account/PhoneBindViewController.h"

#include <cstdio>

#include "app/VDAppStatistics.h"
#include "app/VDViewControllerFactory.h"
#include "platform/core/UserDefaults.h"
#include "screens/account/AccountShared.h"
#include "ui/NavigationController.h"
#include "ui/WeakScreen.h"
#include "util/VDValidateHelper.h"

namespace {

std::string& sharedPhone() {
  static std::string number;
  return number;
}

}  // namespace

ui::Color PhoneBindViewController::smsButtonColor() { return ui::Color::rgb255(255, 51, 0); }

std::string PhoneBindViewController::currentPhone() { return sharedPhone(); }

void PhoneBindViewController::setCurrentPhone(std::string number) { sharedPhone() = std::move(number); }

void PhoneBindViewController::loadView() {
  auto root = std::make_shared<ui::View>(defaultViewFrame());
  root->setBackgroundColor(ui::Color::gray(0.95));
  btnHide_ = std::make_shared<ui::Button>(root->bounds());
  btnHide_->addTarget(ui::ControlEvent::TouchUpInside,
                      [a = screenAction(*this, &PhoneBindViewController::btnHideKey)](ui::Control&) { a(); });
  root->addSubview(btnHide_);

  lbphoneBind_msg_ = makeAccountLabel(ui::Rect(20, 8, 280, 36), "", 13);
  lbphoneBind_msg_->setNumberOfLines(0);
  root->addSubview(lbphoneBind_msg_);

  root->addSubview(makeAccountLabel(ui::Rect(10, 50, 70, 36), "手机号:"));
  txtPhone_ = makeAccountField(ui::Rect(80, 50, 230, 36), kBindPlaceholder);
  txtPhone_->setKeyboardType(ui::KeyboardType::PhonePad);
  root->addSubview(txtPhone_);
  lbphone_ = makeHintLabel(ui::Rect(80, 86, 230, 18));
  root->addSubview(lbphone_);

  root->addSubview(makeAccountLabel(ui::Rect(10, 108, 70, 36), "验证码:"));
  txtverityCode_ = makeAccountField(ui::Rect(80, 108, 100, 36), "图片验证码");
  txtverityCode_->setClearButtonMode(ui::TextFieldViewMode::Never);
  root->addSubview(txtverityCode_);
  codeImage_ = std::make_shared<VerificationCodeImage>(ui::Rect(186, 108, 76, 36));
  root->addSubview(codeImage_->webView());
  btnAfreshCode_ = std::make_shared<ui::Button>(ui::Rect(262, 108, 54, 36));
  btnAfreshCode_->setTitle("换一张");
  btnAfreshCode_->setTitleColor(accountAccentColor());
  btnAfreshCode_->addTarget(ui::ControlEvent::TouchUpInside,
                            [a = screenAction(*this, &PhoneBindViewController::AfrestVerityCode)](ui::Control&) { a(); });
  root->addSubview(btnAfreshCode_);

  root->addSubview(makeAccountLabel(ui::Rect(10, 156, 70, 36), "短信码:"));
  txtCaptcha_ = makeAccountField(ui::Rect(80, 156, 110, 36), "短信验证码");
  txtCaptcha_->setKeyboardType(ui::KeyboardType::NumberPad);
  root->addSubview(txtCaptcha_);
  btnCaptcha_ = makeAccountButton(ui::Rect(196, 156, 118, 36), kGetCode,
                                  screenAction(*this, &PhoneBindViewController::btngetCaptcha));
  btnCaptcha_->titleLabel().setFont(ui::Font::system(13));
  root->addSubview(btnCaptcha_);
  lbcaptcha_ = makeHintLabel(ui::Rect(80, 192, 230, 18));
  root->addSubview(lbcaptcha_);

  btnPhoneBind_ = makeAccountButton(ui::Rect(20, 222, 280, 40), kBind,
                                    screenAction(*this, &PhoneBindViewController::postSms));
  btnPhoneBind_->setBackgroundImage(ui::Image::create("login_button")->resizable({}), ui::kControlStateNormal);
  root->addSubview(btnPhoneBind_);
  setView(root);
}

void PhoneBindViewController::viewDidLoad() {
  setTitle("绑定手机");
  for (auto* f : {&txtPhone_, &txtverityCode_, &txtCaptcha_}) (*f)->setDelegate(weakAs<ui::TextFieldDelegate>());
  const auto w = ui::weakScreen(*this);
  countdown_ = std::make_unique<CountdownTimer>([w](int left) {
    if (auto self = w.lock()) self->timeMethod(left);
  });
  isClickSMS_ = true;
  setSMSButtonColoured(true);

  const core::Value info = accountUserInfo();
  const std::string tel = info["Tel"].toString();
  setCurrentPhone(tel);
  if (tel.empty()) {
    txtPhone_->setPlaceholder(kBindPlaceholder);
  } else {
    lbphoneBind_msg_->setText(info["UserName"].toString() + "已绑定手机号" + maskedPhoneNumber(tel));
    lbphoneBind_msg_->setTextColor(ui::Color::rgb255(236, 84, 35));
    txtPhone_->setPlaceholder(kUnbindPlaceholder);
    btnPhoneBind_->setTitle(kUnbind);
  }
  codeImage_->onRefused = [w](const std::string& message) {
    if (auto self = w.lock()) self->showAlertView(message);
  };
  codeImage_->getGuid();
}

void PhoneBindViewController::viewDidAppear(bool) { VDAppStatistics::pageviewStartWithViewController(*this); }

void PhoneBindViewController::viewWillDisappear(bool) { VDAppStatistics::pageviewEndWithViewController(*this); }

void PhoneBindViewController::btnHideKey() {
  // Asks the field to end, so leaving it runs its checks as a tap on the next field would.
  if (ui::View* root = viewIfLoaded()) root->endEditing(false);
}

void PhoneBindViewController::AfrestVerityCode() { codeImage_->getGuid(); }

void PhoneBindViewController::showAlertView(const std::string& message) { showAccountAlert(message); }

bool PhoneBindViewController::isUnbindMode() const { return !lbphoneBind_msg_->text().empty(); }

std::shared_ptr<User> PhoneBindViewController::newUser() {
  userBll_ = std::make_shared<User>();
  userBll_->delegate = weakAs<UserDelegate>();
  return userBll_;
}

void PhoneBindViewController::setSMSButtonColoured(bool coloured) {
  btnCaptcha_->setBackgroundColor(coloured ? smsButtonColor() : ui::Color::gray());
}

// ---- the SMS ----

bool PhoneBindViewController::fieldIsEmpty() {
  const std::string& number = txtPhone_->text();
  if (number.empty()) {
    lbphone_->setText(kPhoneEmpty);
    return false;
  }
  if (!isMobileNumber(number)) {
    lbphone_->setText(kPhoneInvalid);
    return false;
  }
  return true;
}

void PhoneBindViewController::btngetCaptcha() {
  if (!fieldIsEmpty()) return;
  isClickSMS_ = true;
  const std::string number = txtPhone_->text();
  if (!isUnbindMode()) {
    setCurrentPhone(number);
    newUser()->checkNewUsername(number, "Tel");
  } else if (number == currentPhone()) {
    newUser()->getApplyForVerification(number);
  } else {
    lbphone_->setText(kPhoneMismatch);
  }
}

void PhoneBindViewController::didCheckNewUsername(bool ok, const core::Value& json) {
  if (ok) {
    lbphone_->setText("");
    if (isClickSMS_) {
      setCurrentPhone(txtPhone_->text());
      newUser()->getApplyForVerification(txtPhone_->text());
    }
    btnPhoneBind_->setEnabled(true);
    btnPhoneBind_->setBackgroundImage(ui::Image::create("login_button")->resizable({}), ui::kControlStateNormal);
    if (!countdown_->isRunning()) setSMSButtonColoured(true);
    return;
  }
  lbphone_->setText(replyMessage(json));
  btnPhoneBind_->setEnabled(false);
  btnPhoneBind_->setBackgroundImage(nullptr, ui::kControlStateNormal);
  btnPhoneBind_->setBackgroundColor(ui::Color::gray());
  setSMSButtonColoured(false);
}

void PhoneBindViewController::didApplyForVerification(bool ok, const core::Value&) {
  if (ok)
    countdown_->start();
  else
    showAlertView(kTooManyRequests);
}

void PhoneBindViewController::timeMethod(int left) {
  if (left > 0) {
    char title[64];
    std::snprintf(title, sizeof title, kResendCounting, left);
    btnCaptcha_->setTitle(title);
    btnCaptcha_->setEnabled(false);
    setSMSButtonColoured(false);
    return;
  }
  btnCaptcha_->setEnabled(true);
  btnCaptcha_->setTitle(kResend);
  setSMSButtonColoured(true);
}

// ---- fields ----

bool PhoneBindViewController::textFieldShouldEndEditing(ui::TextField& field) {
  isClickSMS_ = false;
  if (&field == txtPhone_.get()) {
    const std::string number = field.text();
    if (!isMobileNumber(number)) {
      lbphone_->setText(kPhoneInvalid);
    } else if (!isUnbindMode()) {
      newUser()->checkNewUsername(number, "Tel");
    } else {
      lbphone_->setText("");
    }
  } else if (&field == txtCaptcha_.get() && !field.text().empty()) {
    newUser()->checkSMSCode(field.text());
  }
  return true;
}

bool PhoneBindViewController::shouldChangeCharactersInRange(ui::TextField& field, ui::Range16 range,
                                                            const std::string& replacement) {
  std::size_t limit = 0;
  if (&field == txtPhone_.get()) limit = 11;
  if (&field == txtCaptcha_.get()) limit = 6;
  return limit == 0 || lengthAfterChange(field, range, replacement) <= limit;
}

bool PhoneBindViewController::textFieldShouldReturn(ui::TextField& field) {
  field.resignFirstResponder();
  return true;
}

void PhoneBindViewController::didCheckSMSCode(bool ok, const core::Value& json) {
  if (!ok) {
    lbcaptcha_->setText(kSMSWrong);
    return;
  }
  isUsable_ = true;
  setCurrentPhone(json["Message"].toString());
  lbcaptcha_->setText("");
}

// ---- going on ----

void PhoneBindViewController::postSms() { getCode(); }

void PhoneBindViewController::getCode() {
  newUser()->postVeritifyCodeGetCode(VerificationCodeImage::guid(), txtverityCode_->text(), txtPhone_->text());
}

void PhoneBindViewController::saveTElInfo(const std::string& number) {
  auto& defaults = core::UserDefaults::standard();
  defaults.setObject(kTelInfoDefault, core::Dictionary{{"tel", number}});
  defaults.synchronize();
}

void PhoneBindViewController::didVerifyCode(bool, const core::Value& json) {
  if (json["msg"].toString() != kSMSSent) {
    showAlertView(verificationMessage(json));
    return;
  }
  saveTElInfo(txtPhone_->text());
  auto next = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("phonebind2");
  if (next && navigationController()) navigationController()->pushViewController(next, true);
}
