#include "screens/account/RegistViewController1.h"

#include "app/VDAppStatistics.h"
#include "screens/account/AccountShared.h"
#include "ui/TableViewCell.h"

void RegistViewController1::loadView() {
  myTableVIew_ = std::make_shared<ui::TableView>(defaultViewFrame());
  myTableVIew_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  form_ = std::make_shared<ui::View>(ui::Rect(0, 0, 320, 300));
  nav1_ = makeAccountLabel(ui::Rect(4, 8, 112, 20), "1.输入手机号码", 14, accountAccentColor());
  nav2_ = makeAccountLabel(ui::Rect(128, 8, 96, 20), "2.输入验证码", 14);
  nav3_ = makeAccountLabel(ui::Rect(236, 8, 80, 20), "3.设置密码", 14);
  lab_phonemsg_ = makeAccountLabel(ui::Rect(20, 34, 280, 20), "", 14, ui::Color::gray());
  lab_phone_ = makeAccountLabel(ui::Rect(20, 96, 280, 20), "", 14, hintColor());
  userNameField_ = makeAccountField(ui::Rect(20, 56, 280, 36), "请输入你的手机号码");
  lab_codeImage_ = makeAccountLabel(ui::Rect(20, 122, 120, 36), "", 14);
  afreshImg_ = std::make_shared<ui::ImageView>(ui::Rect(20, 175, 16, 16));
  afreshImg_->setImage(ui::Image::create("verificationcode_dowm"));
  btnAfresh_ = std::make_shared<ui::Button>(ui::Rect(40, 168, 200, 30));
  btnAfresh_->setTitle("重新获取验证码");
  btnAfresh_->setTitleColor(ui::Color::gray());
  btnRegister_ = makeAccountButton(ui::Rect(20, 210, 280, 40), "下一步", nullptr);
  for (const auto& v : {std::shared_ptr<ui::View>(nav1_), std::shared_ptr<ui::View>(nav2_),
                        std::shared_ptr<ui::View>(nav3_), std::shared_ptr<ui::View>(lab_phonemsg_),
                        std::shared_ptr<ui::View>(userNameField_), std::shared_ptr<ui::View>(lab_phone_),
                        std::shared_ptr<ui::View>(lab_codeImage_), std::shared_ptr<ui::View>(afreshImg_),
                        std::shared_ptr<ui::View>(btnAfresh_), std::shared_ptr<ui::View>(btnRegister_)})
    form_->addSubview(v);
  myTableVIew_->setDataSource(weakAs<ui::TableViewDataSource>());
  myTableVIew_->setDelegate(weakAs<ui::TableViewDelegate>());
  setView(myTableVIew_);
}

void RegistViewController1::viewDidLoad() {
  userNameField_->setDelegate(weakAs<ui::TextFieldDelegate>());
  myTableVIew_->reloadData();
}

void RegistViewController1::viewWillAppear(bool) { VDAppStatistics::pageviewStartWithViewController(*this); }

void RegistViewController1::viewWillDisappear(bool) { VDAppStatistics::pageviewEndWithViewController(*this); }

void RegistViewController1::hidekeyboard() {
  if (ui::View* root = viewIfLoaded()) root->endEditing(true);
}

std::shared_ptr<ui::TableViewCell> RegistViewController1::cellForRowAtIndexPath(ui::TableView&, ui::IndexPath) {
  auto cell = std::make_shared<ui::TableViewCell>();
  cell->setSelectionStyle(ui::TableViewCellSelectionStyle::None);
  cell->contentView().addSubview(form_);
  return cell;
}

void RegistViewController1::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
  tableView.deselectRowAtIndexPath(indexPath, false);
  hidekeyboard();
}

bool RegistViewController1::textFieldShouldReturn(ui::TextField& field) {
  field.resignFirstResponder();
  return true;
}
