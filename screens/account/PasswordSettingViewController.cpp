#include "screens/account/PasswordSettingViewController.h"

#include "app/AppShell.h"
#include "app/Session.h"
#include "app/VDAppStatistics.h"
#include "app/VDHelper.h"
#include "app/VDViewControllerFactory.h"
#include "platform/core/Bundle.h"
#include "platform/core/Text.h"
#include "platform/runloop/DispatchQueue.h"
#include "platform/security/Keychain.h"
#include "screens/account/AccountShared.h"
#include "ui/AlertView.h"
#include "ui/BarButtonItem.h"
#include "ui/NavigationController.h"
#include "ui/NavigationItem.h"
#include "ui/TableViewCell.h"
#include "ui/Utf16.h"
#include "ui/WeakScreen.h"
#include "util/KeychainItemStore.h"
#include "util/VDValidateHelper.h"

namespace {

std::string localized(const char* key) { return core::Bundle::main().localizedString(key); }

constexpr double kRowHeight = 64;
constexpr const char* kKeychainIdentifier = "UserNamePwdService";

// The text a field will hold after a change: typing appends, deleting drops the last character.
std::string textAfterChange(const std::string& current, const std::string& replacement) {
  if (!replacement.empty()) return current + replacement;
  return ui::replaceUtf16Range(current, ui::lastCharacterRange(current), "").value_or("");
}

}  // namespace

void PasswordSettingViewController::loadView() {
  tableView_ = std::make_shared<ui::TableView>(defaultViewFrame(), ui::TableViewStyle::Grouped);
  tableView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  auto field = [](const char* placeholder) {
    auto f = std::make_shared<ui::TextField>(ui::Rect(90, 7, 210, 30));
    f->setPlaceholder(placeholder);
    f->setSecureTextEntry(true);
    f->setFont(ui::Font::system(16));
    return f;
  };
  oldPasswordField_ = field("请输入旧密码");
  setPasswordField_ = field("6-20位字母、数字或汉字");
  setPasswordField2_ = field("请再次输入新密码");
  auto hint = [] {
    auto l = std::make_shared<ui::Label>(ui::Rect(90, 40, 220, 20));
    l->setFont(ui::Font::system(12));
    l->setTextColor(ui::Color::rgb255(220, 30, 30));
    l->setHidden(true);
    return l;
  };
  lab_oldPwd_ = hint();
  lab_newPwd_ = hint();
  lab_newPwd2_ = hint();

  auto footer = std::make_shared<ui::View>(ui::Rect(0, 0, 320, 70));
  submitButton_ = std::make_shared<ui::Button>(ui::Rect(20, 15, 280, 40));
  submitButton_->setTitle("提交");
  submitButton_->setTitleColor(ui::Color::white());
  submitButton_->setBackgroundImage(ui::Image::create("login_button")->resizable({}), ui::kControlStateNormal);
  submitButton_->addTarget(ui::ControlEvent::TouchUpInside, [w = ui::weakScreen(*this)](ui::Control&) {
    auto self = w.lock();
    if (self) self->submitClickBtn();
  });
  footer->addSubview(submitButton_);
  tableView_->setTableFooterView(footer);
  tableView_->setDataSource(weakAs<ui::TableViewDataSource>());
  tableView_->setDelegate(weakAs<ui::TableViewDelegate>());
  setView(tableView_);
}

void PasswordSettingViewController::viewDidLoad() {
  setTitle("修改密码");
  navigationItem().setBackBarButtonItem(ui::BarButtonItem::withTitle("返回", ui::BarButtonItem::Style::Plain, {}));
  for (auto* f : {&oldPasswordField_, &setPasswordField_, &setPasswordField2_})
    (*f)->setDelegate(weakAs<ui::TextFieldDelegate>());
  tableView_->reloadData();
}

void PasswordSettingViewController::viewWillAppear(bool) {
  VDAppStatistics::pageviewStartWithViewController(*this);
}

void PasswordSettingViewController::viewWillDisappear(bool) {
  VDAppStatistics::pageviewEndWithViewController(*this);
}

std::shared_ptr<ui::TableViewCell> PasswordSettingViewController::cellForRowAtIndexPath(ui::TableView&,
                                                                                        ui::IndexPath ip) {
  static const char* const kTitles[] = {"旧密码", "新密码", "确认密码"};
  auto cell = std::make_shared<ui::TableViewCell>();
  cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
  if (ip.row < 0 || ip.row > 2) return cell;
  auto title = std::make_shared<ui::Label>(ui::Rect(10, 7, 80, 30), kTitles[ip.row]);
  title->setFont(ui::Font::system(16));
  cell->contentView().addSubview(title);
  const std::shared_ptr<ui::TextField>* fields[] = {&oldPasswordField_, &setPasswordField_, &setPasswordField2_};
  const std::shared_ptr<ui::Label>* hints[] = {&lab_oldPwd_, &lab_newPwd_, &lab_newPwd2_};
  cell->contentView().addSubview(*fields[ip.row]);
  cell->contentView().addSubview(*hints[ip.row]);
  return cell;
}

double PasswordSettingViewController::heightForRowAtIndexPath(ui::TableView&, ui::IndexPath) {
  return kRowHeight;
}

void PasswordSettingViewController::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath ip) {
  tableView.deselectRowAtIndexPath(ip, false);
  hidekeyboard();
}

void PasswordSettingViewController::hidekeyboard() {
  if (ui::View* root = viewIfLoaded()) root->endEditing(true);
}

void PasswordSettingViewController::showHint(ui::Label& label, const std::string& text) {
  label.setText(text);
  label.setHidden(text.empty());
}

std::string PasswordSettingViewController::storedPassword() const {
  const Session* session = Session::current();
  const std::optional<SessionUser> user = session ? session->user() : std::nullopt;
  return user ? user->pwd : std::string();
}

std::string PasswordSettingViewController::newPasswordHint(const std::string& text) const {
  const std::size_t length = core::utf16Length(text);
  if (length < 6 || length > 20) return kLength;
  if (!isValidateChar(text)) return kIllegal;
  if (text == oldPasswordField_->text()) return kSameAsOld;
  return "";
}

bool PasswordSettingViewController::shouldChangeCharactersInRange(ui::TextField& field, ui::Range16,
                                                                   const std::string& replacement) {
  const std::string text = textAfterChange(field.text(), replacement);
  if (&field == oldPasswordField_.get()) {
    showHint(*lab_oldPwd_, text.empty() || text == storedPassword() ? "" : kOldWrong);
  } else if (&field == setPasswordField_.get()) {
    showHint(*lab_newPwd_, newPasswordHint(text));
  } else if (&field == setPasswordField2_.get()) {
    showHint(*lab_newPwd2_, text == setPasswordField_->text() ? "" : kMismatch);
  }
  return true;
}

bool PasswordSettingViewController::textFieldShouldReturn(ui::TextField& field) {
  field.resignFirstResponder();
  return true;
}

bool PasswordSettingViewController::fieldIsEmpty() {
  const std::string& oldText = oldPasswordField_->text();
  if (oldText.empty()) {
    showHint(*lab_oldPwd_, kOldEmpty);
    return false;
  }
  if (oldText != storedPassword()) {
    showHint(*lab_oldPwd_, kOldWrong);
    return false;
  }
  showHint(*lab_oldPwd_, "");
  const std::string hint = newPasswordHint(setPasswordField_->text());
  showHint(*lab_newPwd_, hint);
  if (!hint.empty()) return false;
  if (setPasswordField_->text() != setPasswordField2_->text()) {
    showHint(*lab_newPwd2_, kMismatch);
    return false;
  }
  showHint(*lab_newPwd2_, "");
  return true;
}

void PasswordSettingViewController::submitClickBtn() {
  if (!fieldIsEmpty()) return;
  AppShell* app = AppShell::current();
  if (!app) return;
  if (!app->isReachable()) {
    app->networkAlert(localized("alertNetwork"));
    return;
  }
  sentPassword_ = setPasswordField_->text();
  centerBll_ = std::make_shared<Center>();
  centerBll_->delegate = weakAs<CenterDelegate>();
  centerBll_->getResetPassWord(oldPasswordField_->text(), sentPassword_);
}

void PasswordSettingViewController::showAlertView(const std::string& message) {
  auto alert = std::make_shared<ui::AlertView>(localized("alertTitle"), message,
                                               std::weak_ptr<ui::AlertViewDelegate>(),
                                               std::optional<std::string>(localized("OK")));
  alert->show();
}

void PasswordSettingViewController::didResetPassWord(bool ok, const core::Value& json) {
  if (!ok) {
    showAlertView(replyMessage(json));
    return;
  }
  if (Session* session = Session::current()) session->setEntry(SessionUser::kSessionKey, core::Value());
  // The next automatic login uses the new password, not the one the server no longer takes.
  // On a worker: the keychain waits for the disk or the desktop keyring.
  rl::DispatchQueue::global().async([password = sentPassword_] {
    KeychainItemStore keychain(kKeychainIdentifier);
    if (!keychain.objectForKey(sec::kSecAttrAccount).empty())
      keychain.setObject(password, sec::kSecValueData);
  });
  showAlertView(kChanged);
  auto login = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("login");
  if (login && navigationController()) navigationController()->pushViewController(login, true);
}
