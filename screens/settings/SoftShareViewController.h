#pragma once
// SoftShareViewController ("softShare", title "软件分享"): three ways to recommend the application, one
// table row each: "通过邮件分享" (the mail composer when one can send, else a "mailto:" address for the
// mail application), "分享到新浪微博" and "分享到腾讯微博" (their web share pages). Addresses are handed to
// the application's URL opener (VDHelper::openURL). After the composer: saved, sent, failed and any
// other outcome but cancelling are told in an alert titled "通过邮件分享".
//
// Main thread only (MailComposer::shared() and the opener are used from here).

#include <memory>
#include <string>

#include "platform/core/Value.h"
#include "screens/settings/MailComposer.h"
#include "ui/TableView.h"
#include "ui/ViewController.h"

class SoftShareViewController : public ui::ViewController,
                                public ui::TableViewDataSource,
                                public ui::TableViewDelegate {
 public:
  static constexpr const char* kIdentifier = "softShare";
  static constexpr const char* kTitle = "软件分享";
  static constexpr const char* kShareText =
      "我正在使用LumetrixVardoiPhone版，非常好用，快去下载体验吧，下载地址：";
  static constexpr const char* kMailSubject = "LumetrixVardoiPhone版";
  static constexpr const char* kMailAlertTitle = "通过邮件分享";

  std::string className() const override { return "SoftShareViewController"; }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  // The three share addresses, percent-escaped as they are opened.
  static std::string sinaShareURL();
  static std::string tencentShareURL();
  static std::string mailtoURL();

  void displayComposerSheet();
  void launchMailAppOnDevice();
  void mailComposeControllerDidFinish(MailComposer::Result result);

  // ---- table ----
  int numberOfRowsInSection(ui::TableView& tableView, int section) override;
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                           ui::IndexPath indexPath) override;
  void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;

  ui::TableView* shareTableView() const { return shareTableView_.get(); }
  const core::Value& softShareArray() const { return softShareArray_; }

 private:
  void insertArrayObject(const std::string& model, int sort);
  void showAlert(const std::string& message);

  std::shared_ptr<ui::TableView> shareTableView_;
  core::Value softShareArray_ = core::Value::newArray();
};
