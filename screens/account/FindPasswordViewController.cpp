#include "screens/account/FindPasswordViewController.h"

#include "app/VDAppStatistics.h"
#include "platform/core/Regex.h"
#include "screens/account/AccountShared.h"
#include "ui/BarButtonItem.h"
#include "ui/NavigationController.h"
#include "ui/NavigationItem.h"

bool FindPasswordViewController::isValidateEmail(const std::string& text) {
  // (*UCP): \w takes letters and digits of every script, as the platform's pattern matching did.
  return core::matchesWholeText(R"((*UCP)\w+([-+.]\w+)*@\w+([-.]\w+)*\.\w+([-.]\w+)*)", text);
}

void FindPasswordViewController::loadView() {
  auto root = std::make_shared<ui::View>(defaultViewFrame());
  root->setBackgroundColor(ui::Color::gray(0.95));
  btnHide_ = std::make_shared<ui::Button>(root->bounds());
  btnHide_->addTarget(ui::ControlEvent::TouchUpInside,
                      [a = screenAction(*this, &FindPasswordViewController::closeKeyboard)](ui::Control&) { a(); });
  root->addSubview(btnHide_);
  root->addSubview(makeAccountLabel(ui::Rect(20, 20, 280, 24), "请输入注册时使用的邮箱地址", 14));
  emailField_ = makeAccountField(ui::Rect(20, 50, 280, 36), "邮箱地址");
  root->addSubview(emailField_);
  findButton_ = makeAccountButton(ui::Rect(20, 100, 280, 40), "找回密码",
                                  screenAction(*this, &FindPasswordViewController::findPasswordClick));
  root->addSubview(findButton_);
  setView(root);
}

void FindPasswordViewController::viewDidLoad() {
  setTitle("找回密码");
  navigationItem().setLeftBarButtonItem(ui::BarButtonItem::withTitle(
      "返回", ui::BarButtonItem::Style::Bordered,
      [a = screenAction(*this, &FindPasswordViewController::backClick)](ui::BarButtonItem&) { a(); }));
  emailField_->setDelegate(weakAs<ui::TextFieldDelegate>());
}

void FindPasswordViewController::viewWillAppear(bool) {
  emailField_->setKeyboardType(ui::KeyboardType::EmailAddress);
  VDAppStatistics::pageviewStartWithViewController(*this);
}

void FindPasswordViewController::viewWillDisappear(bool) { VDAppStatistics::pageviewEndWithViewController(*this); }

void FindPasswordViewController::closeKeyboard() {
  // Asks the field to end, so leaving it runs its checks as a tap on the next field would.
  if (ui::View* root = viewIfLoaded()) root->endEditing(false);
}

bool FindPasswordViewController::textFieldShouldReturn(ui::TextField& field) {
  field.resignFirstResponder();
  return true;
}

void FindPasswordViewController::backClick() {
  ui::NavigationController* nav = navigationController();
  if (nav && nav->viewControllers().size() > 1 && nav->viewControllers().back().get() == this)
    nav->popViewController(true);
}

void FindPasswordViewController::showAlertView(const std::string& message) { showAccountAlert(message); }

void FindPasswordViewController::findPasswordClick() {
  const std::string email = emailField_->text();
  if (email.empty()) {
    showAlertView(kEmailEmpty);
    return;
  }
  if (!isValidateEmail(email)) {
    showAlertView(kEmailInvalid);
    return;
  }
  userBll_ = std::make_shared<User>();
  userBll_->delegate = weakAs<UserDelegate>();
  userBll_->findPassword(email);
}

void FindPasswordViewController::didFindPassword(bool ok, const core::Value& json) {
  showAlertView(replyMessage(json));
  if (ok) backClick();
}
