#pragma once
// SecuritySetupViewController: the security settings of the logged-in user ("safeSetup"), pushed by my
// centre and after a phone binding. Three rows: the login account, a second row with the bound phone
// (or, for an account registered by phone, the e-mail address) and the password. The server says which
// kind of account the user logged in with ("GetPrimary": "Message" "tel" or "email"). The second row's
// button opens phone binding ("phonebind") for an e-mail account and the e-mail change for a phone
// account; the password row opens the password change ("password"). The e-mail change asks for the new
// address in an alert and stores it on the server; only a confirmed change updates the session.
//
// Main thread only.

#include <memory>
#include <string>

#include "platform/core/Value.h"
#include "service/Center.h"
#include "service/User.h"
#include "ui/AlertView.h"
#include "ui/Button.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

class SecuritySetupViewController : public ui::ViewController,
                                    public UserDelegate,
                                    public CenterDelegate,
                                    public ui::AlertViewDelegate,
                                    public ui::TableViewDataSource,
                                    public ui::TableViewDelegate {
 public:
  static constexpr const char* kIdentifier = "safeSetup";
  static constexpr const char* kPhoneUnbound = "未绑定";
  static constexpr const char* kEmailUnbound = "安全邮箱未绑定";
  static constexpr const char* kEmailCaption = "邮      箱:";
  static constexpr const char* kPhoneCaption = "手机号码:";
  static constexpr const char* kEmailInvalid = "请输入正确的安全邮箱地址";
  static constexpr const char* kEmailAlertTitle = "修改邮箱";

  std::string className() const override { return "SecuritySetupViewController"; }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  // The phone text a screen that opens this one passes on (the phone binding passes "" after an
  // unbind); the labels show what the session holds.
  void setLbphone(std::string text) { lbphone_ = std::move(text); }
  const std::string& lbphone() const { return lbphone_; }

  void setInformation();
  void pwdSettingClick();
  void modifyPhoneNumber();
  void modifyEmail();
  void showAlertView(const std::string& message);

  void didGetPrimary(bool ok, const core::Value& json) override;
  void didSetPersonalDetails(bool ok, const core::Value& json) override;
  void clickedButtonAtIndex(ui::AlertView& alert, int index) override;

  int numberOfRowsInSection(ui::TableView& tableView, int section) override { return 3; }
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                           ui::IndexPath indexPath) override;
  double heightForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override { return 50; }
  void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;

  bool isTel() const { return isTel_; }
  const std::string& strEmail() const { return strEmail_; }
  ui::Label* labemail() const { return labemail_.get(); }
  ui::Label* lab_phone() const { return lab_phone_.get(); }
  ui::Label* lab_tel() const { return lab_tel_.get(); }
  ui::Label* lab_password() const { return lab_password_.get(); }
  ui::Button* btnEmail() const { return btnEmail_.get(); }
  ui::Button* btnPhone() const { return btnPhone_.get(); }
  ui::Button* btn_pwd() const { return btn_pwd_.get(); }
  ui::ImageView* imageV1() const { return imageV1_.get(); }
  ui::TableView* tableView() const { return tableView_.get(); }

 private:
  std::string shownEmail() const;

  bool isTel_ = false;
  std::string strEmail_;
  std::string lbphone_;
  std::shared_ptr<ui::TableView> tableView_;
  std::shared_ptr<ui::Label> labemail_, lab_phone_, lab_tel_, lab_password_, lab_account_;
  std::shared_ptr<ui::Button> btn_pwd_, btnEmail_, btnPhone_;
  std::shared_ptr<ui::ImageView> imageV1_, imageV2_;
  std::shared_ptr<User> userBll_;
  std::shared_ptr<Center> centerBll_;
};
