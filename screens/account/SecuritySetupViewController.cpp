#include "screens/account/SecuritySetupViewController.h"

#include "app/VDAppStatistics.h"
#include "app/VDViewControllerFactory.h"
#include "librarys/json/JsonWriter.h"
#include "screens/account/AccountShared.h"
#include "ui/BarButtonItem.h"
#include "ui/NavigationController.h"
#include "ui/NavigationItem.h"
#include "ui/TableViewCell.h"
#include "util/VDValidateHelper.h"

void SecuritySetupViewController::loadView() {
  tableView_ = std::make_shared<ui::TableView>(defaultViewFrame(), ui::TableViewStyle::Grouped);
  tableView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  auto caption = [](const std::string& text) { return makeAccountLabel(ui::Rect(10, 10, 86, 30), text, 15); };
  auto value = [] { return makeAccountLabel(ui::Rect(96, 10, 150, 30), "", 14, ui::Color::gray(0.3)); };
  auto button = [this](void (SecuritySetupViewController::*action)()) {
    auto b = std::make_shared<ui::Button>(ui::Rect(250, 10, 50, 30));
    b->setTitle("修改");
    b->setTitleColor(accountAccentColor());
    b->setTitleColor(ui::Color::lightGray(), ui::kControlStateDisabled);
    if (action)
      b->addTarget(ui::ControlEvent::TouchUpInside, [a = screenAction(*this, action)](ui::Control&) { a(); });
    return b;
  };
  lab_account_ = caption("登录帐号:");
  labemail_ = value();
  btnEmail_ = button(nullptr);
  imageV1_ = std::make_shared<ui::ImageView>(ui::Rect(302, 20, 10, 10));
  lab_tel_ = caption(kPhoneCaption);
  lab_phone_ = value();
  btnPhone_ = button(&SecuritySetupViewController::modifyPhoneNumber);
  imageV2_ = std::make_shared<ui::ImageView>(ui::Rect(302, 20, 10, 10));
  lab_password_ = caption("登录密码:");
  btn_pwd_ = button(&SecuritySetupViewController::pwdSettingClick);
  tableView_->setDataSource(weakAs<ui::TableViewDataSource>());
  tableView_->setDelegate(weakAs<ui::TableViewDelegate>());
  setView(tableView_);
}

void SecuritySetupViewController::viewDidLoad() {
  setTitle("安全设置");
  navigationItem().setBackBarButtonItem(ui::BarButtonItem::withTitle("返回", ui::BarButtonItem::Style::Plain, {}));
  setInformation();
  tableView_->reloadData();
  userBll_ = std::make_shared<User>();
  userBll_->delegate = weakAs<UserDelegate>();
  userBll_->GetPrimary();
}

void SecuritySetupViewController::viewWillAppear(bool) { VDAppStatistics::pageviewStartWithViewController(*this); }

void SecuritySetupViewController::viewWillDisappear(bool) { VDAppStatistics::pageviewEndWithViewController(*this); }

std::shared_ptr<ui::TableViewCell> SecuritySetupViewController::cellForRowAtIndexPath(ui::TableView&,
                                                                                      ui::IndexPath ip) {
  auto cell = std::make_shared<ui::TableViewCell>();
  cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
  ui::View& content = cell->contentView();
  if (ip.row == 0) {
    for (const auto& v : {std::shared_ptr<ui::View>(lab_account_), std::shared_ptr<ui::View>(labemail_),
                          std::shared_ptr<ui::View>(btnEmail_), std::shared_ptr<ui::View>(imageV1_)})
      content.addSubview(v);
  } else if (ip.row == 1) {
    for (const auto& v : {std::shared_ptr<ui::View>(lab_tel_), std::shared_ptr<ui::View>(lab_phone_),
                          std::shared_ptr<ui::View>(btnPhone_), std::shared_ptr<ui::View>(imageV2_)})
      content.addSubview(v);
  } else if (ip.row == 2) {
    content.addSubview(lab_password_);
    content.addSubview(btn_pwd_);
  }
  return cell;
}

void SecuritySetupViewController::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath ip) {
  tableView.deselectRowAtIndexPath(ip, false);
}

void SecuritySetupViewController::setInformation() {
  const core::Value info = accountUserInfo();
  const std::string tel = info["Tel"].toString();
  const std::string email = info["Email"].toString();
  lab_phone_->setText(isMobileNumber(tel) ? tel : kPhoneUnbound);
  labemail_->setText(isValidateEmail(email) ? email : kEmailUnbound);
}

void SecuritySetupViewController::didGetPrimary(bool, const core::Value& json) {
  imageV1_->setImage(ui::Image::create("center_up"));
  btnEmail_->setEnabled(false);
  if (json["Message"].toString() != "tel") return;
  isTel_ = true;
  const core::Value info = accountUserInfo();
  lab_tel_->setText(kEmailCaption);
  labemail_->setText(info["Tel"].toString());
  const std::string email = info["Email"].toString();
  lab_phone_->setText(email.empty() ? kEmailUnbound : email);
}

void SecuritySetupViewController::pwdSettingClick() {
  auto screen = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("password");
  if (screen && navigationController()) navigationController()->pushViewController(screen, true);
}

void SecuritySetupViewController::modifyPhoneNumber() {
  if (isTel_) {
    modifyEmail();
    return;
  }
  auto screen = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("phonebind");
  if (screen && navigationController()) navigationController()->pushViewController(screen, true);
}

std::string SecuritySetupViewController::shownEmail() const {
  return isTel_ ? lab_phone_->text() : labemail_->text();
}

void SecuritySetupViewController::modifyEmail() {
  auto alert = std::make_shared<ui::AlertView>(kEmailAlertTitle, "", weakAs<ui::AlertViewDelegate>(),
                                               std::optional<std::string>("取消"), std::vector<std::string>{"修改"});
  alert->setAlertViewStyle(ui::AlertView::Style::PlainTextInput);
  if (ui::TextField* field = alert->textFieldAtIndex(0)) {
    field->setKeyboardType(ui::KeyboardType::Default);
    field->setText(shownEmail());
  }
  alert->show();
}

void SecuritySetupViewController::clickedButtonAtIndex(ui::AlertView& alert, int index) {
  if (index != 1) return;
  ui::TextField* field = alert.textFieldAtIndex(0);
  const std::string text = field ? field->text() : std::string();
  if (text == shownEmail()) return;
  if (!isValidateEmail(text)) {
    showAlertView(kEmailInvalid);
    return;
  }
  strEmail_ = text;
  core::Value details = core::Value::dictionary();
  details.set("Email", text);
  const auto body = JSONRepresentation(details);
  if (!body) return;
  centerBll_ = std::make_shared<Center>();
  centerBll_->delegate = weakAs<CenterDelegate>();
  centerBll_->setPersonalDetails(*body);
}

void SecuritySetupViewController::didSetPersonalDetails(bool ok, const core::Value& json) {
  if (!ok) {
    showAlertView(replyMessage(json));
    return;
  }
  showAlertView(json["Message"].toString());
  core::Value info = accountUserInfo();
  if (info.isDictionary()) info.set("Email", strEmail_);
  lab_phone_->setText(strEmail_);
}

void SecuritySetupViewController::showAlertView(const std::string& message) { showAccountAlert(message); }
