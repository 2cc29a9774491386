#include "screens/account/FindPassWord2ViewController.h"

#include "app/VDAppStatistics.h"
#include "screens/account/AccountShared.h"
#include "screens/account/FindPassWord3ViewController.h"
#include "ui/NavigationController.h"
#include "ui/WeakScreen.h"
#include "util/VDValidateHelper.h"
#include "widgets/UIAlertViewBlock.h"

const std::string& FindPassWord2ViewController::changeArray() { return checkCodeCharacters(); }

std::string FindPassWord2ViewController::makeChangeString(int length) { return makeCheckCode(length); }

void FindPassWord2ViewController::loadView() {
  auto root = std::make_shared<ui::View>(defaultViewFrame());
  root->setBackgroundColor(ui::Color::gray(0.95));
  // Behind the form: a tap beside the fields closes the keyboard.
  btnHide_ = std::make_shared<ui::Button>(root->bounds());
  btnHide_->addTarget(ui::ControlEvent::TouchUpInside,
                      [a = screenAction(*this, &FindPassWord2ViewController::hideKey)](ui::Control&) { a(); });
  root->addSubview(btnHide_);

  root->addSubview(makeAccountLabel(ui::Rect(10, 20, 70, 36), "帐号:"));
  txtAccountName_ = makeAccountField(ui::Rect(80, 20, 230, 36), "邮箱地址/手机号码");
  root->addSubview(txtAccountName_);
  lbAccountName_ = makeHintLabel(ui::Rect(80, 56, 230, 18));
  root->addSubview(lbAccountName_);

  root->addSubview(makeAccountLabel(ui::Rect(10, 80, 70, 36), "验证码:"));
  txtSMS_ = makeAccountField(ui::Rect(80, 80, 96, 36), "图片验证码");
  txtSMS_->setClearButtonMode(ui::TextFieldViewMode::Never);
  root->addSubview(txtSMS_);
  codeImage_ = std::make_shared<VerificationCodeImage>(ui::Rect(182, 80, 76, 36));
  root->addSubview(codeImage_->webView());
  btnChangeCode_ = std::make_shared<ui::Button>(ui::Rect(260, 80, 56, 36));
  btnChangeCode_->setTitle("换一张");
  btnChangeCode_->setTitleColor(accountAccentColor());
  btnChangeCode_->addTarget(ui::ControlEvent::TouchUpInside,
                            [a = screenAction(*this, &FindPassWord2ViewController::changCode)](ui::Control&) { a(); });
  root->addSubview(btnChangeCode_);
  lbSMS_ = makeHintLabel(ui::Rect(80, 116, 230, 18));
  root->addSubview(lbSMS_);

  root->addSubview(makeAccountLabel(ui::Rect(10, 140, 70, 36), "校验码:"));
  txtchangeSMS_ = makeAccountField(ui::Rect(80, 140, 96, 36), "");
  txtchangeSMS_->setClearButtonMode(ui::TextFieldViewMode::Never);
  txtchangeSMS_->setEnabled(false);
  root->addSubview(txtchangeSMS_);

  btnFindpwd_ = makeAccountButton(ui::Rect(20, 196, 280, 40), "找回密码",
                                  screenAction(*this, &FindPassWord2ViewController::findPassword));
  root->addSubview(btnFindpwd_);
  setView(root);
}

void FindPassWord2ViewController::viewDidLoad() {
  setTitle("找回密码");
  txtAccountName_->setDelegate(weakAs<ui::TextFieldDelegate>());
  txtSMS_->setDelegate(weakAs<ui::TextFieldDelegate>());
  changeString_ = makeChangeString();
  txtchangeSMS_->setText(changeString_);
  const auto w = ui::weakScreen(*this);
  codeImage_->onRefused = [w](const std::string& message) {
    if (auto self = w.lock()) self->showAlertView(message);
  };
  codeImage_->getGuid();
}

void FindPassWord2ViewController::viewDidAppear(bool) {
  VDAppStatistics::pageviewStartWithViewController(*this);
  hideKey();
}

void FindPassWord2ViewController::viewWillDisappear(bool) { VDAppStatistics::pageviewEndWithViewController(*this); }

void FindPassWord2ViewController::hideKey() {
  // Asks the field to end, so leaving it runs its checks as a tap on the next field would.
  if (ui::View* root = viewIfLoaded()) root->endEditing(false);
}

void FindPassWord2ViewController::changCode() { codeImage_->getGuid(); }

void FindPassWord2ViewController::showAlertView(const std::string& message) {
  showAccountAlert(message, kCloseButton);
}

std::shared_ptr<User> FindPassWord2ViewController::newUser() {
  userBll_ = std::make_shared<User>();
  userBll_->delegate = weakAs<UserDelegate>();
  return userBll_;
}

// ---- the account ----

bool FindPassWord2ViewController::detectKind(const std::string& account) {
  isEmail_ = account.find('@') != std::string::npos;
  isTel_ = !isEmail_;
  return isEmail_ ? isValidateEmail(account) : isMobileNumber(account);
}

void FindPassWord2ViewController::lookUp(const std::string& account) {
  if (!detectKind(account)) {
    lbAccountName_->setText(kAccountInvalid);
    return;
  }
  newUser()->checkNewUsername(account, isEmail_ ? "Email" : "Tel");
}

bool FindPassWord2ViewController::textFieldShouldEndEditing(ui::TextField& field) {
  if (&field == txtAccountName_.get()) lookUp(field.text());
  return true;
}

bool FindPassWord2ViewController::shouldChangeCharactersInRange(ui::TextField& field, ui::Range16 range,
                                                                const std::string& replacement) {
  return &field != txtSMS_.get() || lengthAfterChange(field, range, replacement) <= 4;
}

bool FindPassWord2ViewController::textFieldShouldReturn(ui::TextField& field) {
  field.resignFirstResponder();
  return true;
}

void FindPassWord2ViewController::didCheckNewUsername(bool ok, const core::Value&) {
  // A free name is one nobody registered: nothing to recover.
  isUsable_ = ok;
  if (ok)
    lbAccountName_->setText(isEmail_ ? kEmailFree : kTelFree);
  else
    lbAccountName_->setText("");
}

// ---- recovery ----

void FindPassWord2ViewController::findPassword() {
  const std::string account = txtAccountName_->text();
  if (account.empty()) {
    lbAccountName_->setText(kAccountInvalid);
    return;
  }
  if (txtSMS_->text().empty()) {
    lbSMS_->setText(kCodeInvalid);
    return;
  }
  lbSMS_->setText("");
  const bool registeredBefore = !isUsable_;
  lookUp(account);
  if (!detectKind(account)) return;  // the hint says what is wrong
  if (isTel_) {
    if (registeredBefore) newUser()->postVeritifyCodeGetCode(VerificationCodeImage::guid(), txtSMS_->text(), account);
  } else {
    newUser()->findPassword(account);
  }
}

void FindPassWord2ViewController::didFindPassword(bool ok, const core::Value& json) {
  showAlertView(replyMessage(json));
  if (!ok) return;
  ui::NavigationController* nav = navigationController();
  if (nav && nav->viewControllers().size() > 1 && nav->viewControllers().back().get() == this)
    nav->popViewController(true);
}

void FindPassWord2ViewController::didVerifyCode(bool, const core::Value& json) {
  if (json["msg"].toString() == kSMSSent) {
    if (ui::NavigationController* nav = navigationController())
      nav->pushViewController(std::make_shared<FindPassWord3ViewController>(), true);
    return;
  }
  const std::string message = verificationMessage(json);
  auto again = screenAction(*this, &FindPassWord2ViewController::changCode);
  auto alert = std::make_shared<UIAlertViewBlock>(
      "Vardo", message, [again](bool, int) { again(); }, std::optional<std::string>("确定"),
      std::vector<std::string>{});
  alert->show();
}
