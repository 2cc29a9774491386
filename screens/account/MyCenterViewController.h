#pragma once
// MyCenterViewController: my centre ("myCenter"), opened by the "more" menu in its presented navigation
// controller. It shows who is logged in (the nick name, "vardo" when it is empty; the avatar; the login
// account, "Vardo通行证:" over the phone number or the e-mail address, as the server names the kind of
// account), lists the account pages ("个人资料", "安全设置", "信息通知") and offers logout: confirmed in an
// action sheet, the "more" menu logs the user out and a login screen is pushed.
//
// Main thread only.

#include <memory>
#include <string>

#include "platform/core/Value.h"
#include "service/User.h"
#include "ui/ActionSheet.h"
#include "ui/Button.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

class MyCenterViewController : public ui::ViewController,
                               public UserDelegate,
                               public ui::ActionSheetDelegate,
                               public ui::TableViewDataSource,
                               public ui::TableViewDelegate {
 public:
  static constexpr const char* kIdentifier = "myCenter";
  static constexpr const char* kCellIdentifier = "myCenter";
  static constexpr const char* kEmptyNickName = "vardo";
  static constexpr const char* kLogoutQuestion = "确定要退出登录吗？";
  static constexpr int kLogoutSheetTag = 1;
  static constexpr double kRowHeight = 50;

  std::string className() const override { return "MyCenterViewController"; }

  // The rows: {"ZName": text, "Image": icon name} for 个人资料, 安全设置 and 信息通知.
  static core::Value loadArrayData();

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  void cancelAction();  // the logout button

  void didGetPrimary(bool ok, const core::Value& json) override;
  void clickedButtonAtIndex(ui::ActionSheet& sheet, int index) override;

  int numberOfRowsInSection(ui::TableView& tableView, int section) override;
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                           ui::IndexPath indexPath) override;
  double heightForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override { return kRowHeight; }
  void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;

  const std::string& account() const { return account_; }
  const core::Value& array() const { return array_; }
  ui::Label* userName_Lab() const { return userName_Lab_.get(); }
  ui::Label* account_Lab() const { return account_Lab_.get(); }
  ui::ImageView* imageView() const { return imageView_.get(); }
  ui::TableView* tableView() const { return tableView_.get(); }
  ui::Button* logoutButton() const { return logoutButton_.get(); }

 private:
  void push(const std::string& identifier);

  std::string account_;
  core::Value array_;
  std::shared_ptr<ui::Label> userName_Lab_, account_Lab_;
  std::shared_ptr<ui::ImageView> imageView_;
  std::shared_ptr<ui::TableView> tableView_;
  std::shared_ptr<ui::Button> logoutButton_;
  std::shared_ptr<User> userBll_;
};
