#include "screens/account/FindPassWord3ViewController.h"

#include <algorithm>
#include <cctype>

#include "app/VDViewControllerFactory.h"
#include "librarys/json/JsonWriter.h"
#include "platform/core/Text.h"
#include "screens/account/AccountShared.h"
#include "ui/BarButtonItem.h"
#include "ui/NavigationController.h"
#include "ui/NavigationItem.h"
#include "ui/WeakScreen.h"
#include "util/VDValidateHelper.h"
#include "widgets/UIAlertViewBlock.h"

namespace {

std::string lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

}  // namespace

bool FindPassWord3ViewController::isAcceptablePassword(const std::string& password) {
  const std::size_t length = core::utf16Length(password);
  return length >= 6 && length <= 20 && isValidateChar(password);
}

void FindPassWord3ViewController::loadView() {
  scrollview_ = std::make_shared<ui::ScrollView>(defaultViewFrame());
  scrollview_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  scrollview_->setBackgroundColor(ui::Color::gray(0.95));
  scrollview_->setContentSize(ui::Size(320, 1000));
  auto add = [this](std::shared_ptr<ui::View> v) {
    scrollview_->addSubview(v);
    return v;
  };

  add(makeAccountLabel(ui::Rect(10, 20, 80, 36), "短信验证码:", 14));
  txtSMS_ = makeAccountField(ui::Rect(90, 20, 220, 36), "请输入短信验证码");
  txtSMS_->setPlaceholderColor(hintColor());
  txtSMS_->layer().setBorderColor(hintColor());
  txtSMS_->layer().setBorderWidth(1);
  add(txtSMS_);
  lbSMS_ = makeHintLabel(ui::Rect(90, 56, 220, 18));
  add(lbSMS_);

  add(makeAccountLabel(ui::Rect(10, 80, 80, 36), "新密码:", 14));
  txtPassword_ = makeAccountField(ui::Rect(90, 80, 220, 36), "6-20位字母、数字或汉字");
  txtPassword_->setSecureTextEntry(true);
  add(txtPassword_);
  lbPassword_ = makeHintLabel(ui::Rect(90, 116, 220, 18));
  add(lbPassword_);

  add(makeAccountLabel(ui::Rect(10, 140, 80, 36), "确认密码:", 14));
  txtPassword2_ = makeAccountField(ui::Rect(90, 140, 220, 36), "请再次输入新密码");
  txtPassword2_->setSecureTextEntry(true);
  add(txtPassword2_);
  lbPassword2_ = makeHintLabel(ui::Rect(90, 176, 220, 18));
  add(lbPassword2_);

  add(makeAccountLabel(ui::Rect(10, 200, 80, 36), "校验码:", 14));
  txtCode_ = makeAccountField(ui::Rect(90, 200, 110, 36), "请输入右侧校验码");
  txtCode_->setClearButtonMode(ui::TextFieldViewMode::Never);
  add(txtCode_);
  txtCodeChang_ = makeAccountField(ui::Rect(210, 200, 100, 36), "");
  txtCodeChang_->setClearButtonMode(ui::TextFieldViewMode::Never);
  txtCodeChang_->setEnabled(false);
  add(txtCodeChang_);
  lbchangcode_ = makeHintLabel(ui::Rect(90, 236, 220, 18));
  add(lbchangcode_);

  codeImage_ = std::make_shared<VerificationCodeImage>(ui::Rect(90, 258, 90, 36));
  add(codeImage_->webView());
  changeCodeButton_ = std::make_shared<ui::Button>(ui::Rect(190, 258, 120, 36));
  changeCodeButton_->setTitle("看不清楚?换一张");
  changeCodeButton_->setTitleColor(accountAccentColor());
  changeCodeButton_->addTarget(
      ui::ControlEvent::TouchUpInside,
      [a = screenAction(*this, &FindPassWord3ViewController::changeCode)](ui::Control&) { a(); });
  add(changeCodeButton_);

  resetButton_ = makeAccountButton(ui::Rect(20, 310, 280, 40), "重置密码",
                                   screenAction(*this, &FindPassWord3ViewController::motifyPassword));
  add(resetButton_);
  scrollview_->setScrollViewDelegate(weakAs<ui::ScrollViewDelegate>());
  setView(scrollview_);
}

void FindPassWord3ViewController::viewDidLoad() {
  setTitle("重置密码");
  navigationItem().setLeftBarButtonItem(ui::BarButtonItem::withTitle(
      "返回", ui::BarButtonItem::Style::Bordered,
      [a = screenAction(*this, &FindPassWord3ViewController::backToLogin)](ui::BarButtonItem&) { a(); }));
  for (auto* f : {&txtSMS_, &txtPassword_, &txtPassword2_, &txtCode_})
    (*f)->setDelegate(weakAs<ui::TextFieldDelegate>());
  changeString_ = makeCheckCode();
  txtCodeChang_->setText(changeString_);
  const auto w = ui::weakScreen(*this);
  codeImage_->onRefused = [w](const std::string& message) {
    if (auto self = w.lock()) self->showAlertView(message);
  };
}

void FindPassWord3ViewController::scrollViewWillBeginDragging(ui::ScrollView&) {
  // Asks the field to end, so leaving it runs its checks as a tap on the next field would.
  if (ui::View* root = viewIfLoaded()) root->endEditing(false);
}

void FindPassWord3ViewController::changeCode() { codeImage_->getGuid(); }

void FindPassWord3ViewController::backToLogin() {
  auto login = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("login");
  if (login && navigationController()) navigationController()->pushViewController(login, true);
}

void FindPassWord3ViewController::showAlertView(const std::string& message) {
  showAccountAlert(message, kCloseButton);
}

std::shared_ptr<User> FindPassWord3ViewController::newUser() {
  userBll_ = std::make_shared<User>();
  userBll_->delegate = weakAs<UserDelegate>();
  return userBll_;
}

void FindPassWord3ViewController::markField(ui::TextField& field, bool wrong) {
  field.setTextColor(wrong ? hintColor() : ui::Color::black());
}

// ---- fields ----

bool FindPassWord3ViewController::shouldChangeCharactersInRange(ui::TextField& field, ui::Range16 range,
                                                                const std::string& replacement) {
  std::size_t limit = 0;
  if (&field == txtSMS_.get()) limit = 6;
  if (&field == txtCode_.get()) limit = 4;
  return limit == 0 || lengthAfterChange(field, range, replacement) <= limit;
}

bool FindPassWord3ViewController::textFieldShouldReturn(ui::TextField& field) {
  field.resignFirstResponder();
  return true;
}

bool FindPassWord3ViewController::textFieldShouldEndEditing(ui::TextField& field) {
  const std::string text = field.text();
  if (&field == txtSMS_.get()) {
    if (text.empty())
      lbSMS_->setText(kSMSMissingOnLeave);
    else
      newUser()->checkSMSCode(text);
  } else if (&field == txtPassword_.get()) {
    const bool wrong = !isAcceptablePassword(text);
    markField(field, wrong);
    lbPassword_->setText(wrong ? kPasswordRule : "");
  } else if (&field == txtPassword2_.get()) {
    const char* hint = text.empty() ? kRepeatMissing : text != txtPassword_->text() ? kRepeatDiffers : "";
    markField(field, *hint != '\0');
    lbPassword2_->setText(hint);
  } else if (&field == txtCode_.get()) {
    const bool right = lowered(text).find(lowered(changeString_)) != std::string::npos;
    lbchangcode_->setText(right ? "" : kCheckCodeWrong);
  }
  return true;
}

void FindPassWord3ViewController::didCheckSMSCode(bool ok, const core::Value& json) {
  if (ok) {
    isSMS_ = true;
    markField(*txtSMS_, false);
    lbSMS_->setText("");
    return;
  }
  lbSMS_->setText(replyMessage(json));
  markField(*txtSMS_, true);
  txtSMS_->layer().setBorderColor(hintColor());
}

// ---- reset ----

void FindPassWord3ViewController::motifyPassword() {
  const std::string code = txtSMS_->text();
  const std::string password = txtPassword_->text();
  const std::string repeat = txtPassword2_->text();
  if (code.empty()) {
    lbSMS_->setText(kSMSMissing);
    return;
  }
  if (password.empty()) {
    lbPassword_->setText(kPasswordRule);
    return;
  }
  const std::size_t length = core::utf16Length(password);
  if (length < 6 || length > 20) {
    lbPassword_->setText(kPasswordRule);
    markField(*txtPassword_, true);
    txtPassword_->layer().setBorderColor(hintColor());
    txtPassword_->layer().setBorderWidth(1);
    return;
  }
  if (!isValidateChar(password)) {
    lbPassword_->setText(kPasswordRule);
    return;
  }
  // An empty confirmation asks for it rather than calling it different.
  if (repeat.empty()) {
    lbPassword2_->setText(kRepeatMissing);
    return;
  }
  if (repeat != password) {
    lbPassword2_->setText(kRepeatDiffers);
    return;
  }
  lbSMS_->setText("");
  lbPassword_->setText("");
  lbPassword2_->setText("");
  core::Value body = core::Value::dictionary();
  body.set("Key", code);
  body.set("Value", password);
  if (auto json = JSONRepresentation(body)) newUser()->motifyPassword(*json);
}

void FindPassWord3ViewController::didMotifyPassword(bool ok, const core::Value& json) {
  if (!ok) {
    showAlertView(replyMessage(json));
    return;
  }
  auto toLogin = screenAction(*this, &FindPassWord3ViewController::backToLogin);
  auto alert = std::make_shared<UIAlertViewBlock>(
      "Vardo提示您", kResetDone, [toLogin](bool, int) { toLogin(); }, std::optional<std::string>("确定"),
      std::vector<std::string>{});
  alert->show();
}
