#include "screens/account/PhoneBindViewController2.h"

#include "app/VDViewControllerFactory.h"
#include "librarys/json/JsonWriter.h"
#include "platform/core/UserDefaults.h"
#include "screens/account/AccountShared.h"
#include "screens/account/PhoneBindViewController.h"
#include "screens/account/SecuritySetupViewController.h"
#include "ui/NavigationController.h"
#include "ui/WeakScreen.h"
#include "widgets/UIAlertViewBlock.h"

void PhoneBindViewController2::loadView() {
  auto root = std::make_shared<ui::View>(defaultViewFrame());
  root->setBackgroundColor(ui::Color::gray(0.95));
  btnHide_ = std::make_shared<ui::Button>(root->bounds());
  btnHide_->addTarget(ui::ControlEvent::TouchUpInside,
                      [a = screenAction(*this, &PhoneBindViewController2::btnHideKey)](ui::Control&) { a(); });
  root->addSubview(btnHide_);

  lbphone_ = makeAccountLabel(ui::Rect(10, 20, 70, 36), "短信码:");
  root->addSubview(lbphone_);
  txtCaptcha_ = makeAccountField(ui::Rect(80, 20, 120, 36), "请输入验证码");
  txtCaptcha_->setKeyboardType(ui::KeyboardType::NumberPad);
  root->addSubview(txtCaptcha_);
  btnCaptcha_ = makeAccountButton(ui::Rect(206, 20, 108, 36), "重新获取",
                                  screenAction(*this, &PhoneBindViewController2::btnAfreshSms));
  root->addSubview(btnCaptcha_);
  lbcaptcha_ = makeHintLabel(ui::Rect(80, 56, 230, 18));
  root->addSubview(lbcaptcha_);
  btnPhoneBind_ = makeAccountButton(ui::Rect(20, 90, 280, 40), "绑定",
                                    screenAction(*this, &PhoneBindViewController2::btnphoneBind));
  root->addSubview(btnPhoneBind_);

  lab_tel_ = makeAccountLabel(ui::Rect(0, 0, 1, 1), "");
  lab_tel_->setHidden(true);
  root->addSubview(lab_tel_);
  isBangding_ = makeAccountLabel(ui::Rect(0, 0, 1, 1), "");
  isBangding_->setHidden(true);
  root->addSubview(isBangding_);
  setView(root);
}

void PhoneBindViewController2::viewDidLoad() {
  setTitle("绑定手机");
  txtCaptcha_->setDelegate(weakAs<ui::TextFieldDelegate>());
  btnCaptcha_->setBackgroundColor(PhoneBindViewController::smsButtonColor());
  const std::string tel = accountUserInfo()["Tel"].toString();
  if (tel.empty()) {
    lab_tel_->setText(core::UserDefaults::standard().objectForKey(PhoneBindViewController::kTelInfoDefault)["tel"]
                          .toString());
  } else {
    lab_tel_->setText(tel);
    btnPhoneBind_->setTitle(kUnbind);
    isBangding_->setText(kUnbind);
  }
}

bool PhoneBindViewController2::isUnbindMode() const { return isBangding_->text() == kUnbind; }

void PhoneBindViewController2::btnHideKey() {
  // Asks the field to end, so leaving it runs its checks as a tap on the next field would.
  if (ui::View* root = viewIfLoaded()) root->endEditing(false);
}

bool PhoneBindViewController2::textFieldShouldReturn(ui::TextField& field) {
  field.resignFirstResponder();
  return true;
}

void PhoneBindViewController2::showAlertView(const std::string& message) { showAccountAlert(message); }

void PhoneBindViewController2::btnAfreshSms() {
  auto first = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(
      PhoneBindViewController::kIdentifier);
  if (first && navigationController()) navigationController()->pushViewController(first, true);
}

void PhoneBindViewController2::btnphoneBind() {
  const std::string code = txtCaptcha_->text();
  if (code.empty()) {
    lbcaptcha_->setText(kCodeMissing);
    return;
  }
  userBll_ = std::make_shared<User>();
  userBll_->delegate = weakAs<UserDelegate>();
  userBll_->checkSMSCode(code);
}

void PhoneBindViewController2::didCheckSMSCode(bool ok, const core::Value& json) {
  if (!ok) {
    lbcaptcha_->setText(kSMSWrong);
    return;
  }
  isUsable_ = true;
  PhoneBindViewController::setCurrentPhone(json["Message"].toString());
  lbcaptcha_->setText("");
  if (isUnbindMode()) {
    userBll_ = std::make_shared<User>();
    userBll_->delegate = weakAs<UserDelegate>();
    userBll_->CancelTel();
    return;
  }
  core::Value details = core::Value::dictionary();
  details.set("Tel", lab_tel_->text());
  const auto body = JSONRepresentation(details);
  if (!body) return;
  centerBll_ = std::make_shared<Center>();
  centerBll_->delegate = weakAs<CenterDelegate>();
  centerBll_->setPersonalDetails(*body);
}

void PhoneBindViewController2::didCancelTel(bool, const core::Value& json) {
  // Only the number 0 in "State" says the number was removed (false, "0" or null say nothing).
  if (!json.isDictionary() || !json["State"].isNumber() || json["State"].toInt(-1) != 0) {
    showAlertView(kUnbindFailed);
    return;
  }
  core::Value info = accountUserInfo();
  if (info.isDictionary()) info.set("Tel", "");
  showSecuritySetup(true);
}

void PhoneBindViewController2::didSetPersonalDetails(bool ok, const core::Value& json) {
  if (!ok) {
    showAlertView(replyMessage(json));
    return;
  }
  core::Value info = accountUserInfo();
  if (info.isDictionary()) info.set("Tel", lab_tel_->text());
  showSecuritySetup(false);
}

void PhoneBindViewController2::showSecuritySetup(bool unbound) {
  const auto w = ui::weakScreen(*this);
  auto alert = std::make_shared<UIAlertViewBlock>(
      "Vardo", unbound ? kUnbound : kBound,
      [w, unbound](bool, int) {
        auto self = w.lock();
        if (!self || !self->navigationController()) return;
        auto safe = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(
            SecuritySetupViewController::kIdentifier);
        if (!safe) return;
        if (unbound)
          if (auto* screen = dynamic_cast<SecuritySetupViewController*>(safe.get())) screen->setLbphone("");
        self->navigationController()->pushViewController(safe, true);
      },
      std::optional<std::string>("确定"), std::vector<std::string>{});
  alert->show();
}
