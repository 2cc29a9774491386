#pragma once
// RegistViewController1: an earlier form of the phone registration ("register1"). It shows the form
// (the number field, the step labels, the image-code and resend controls and the register button) but
// does nothing with it beyond closing the keyboard on a tap beside the fields and recording its page
// views. No screen of the application opens it.
//
// Main thread only.

#include <memory>
#include <string>

#include "ui/Button.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/TableView.h"
#include "ui/TextField.h"
#include "ui/ViewController.h"

class RegistViewController1 : public ui::ViewController,
                              public ui::TableViewDataSource,
                              public ui::TableViewDelegate,
                              public ui::TextFieldDelegate {
 public:
  static constexpr const char* kIdentifier = "register1";

  std::string className() const override { return "RegistViewController1"; }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;
  void hidekeyboard();

  int numberOfRowsInSection(ui::TableView& tableView, int section) override { return 1; }
  std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& tableView,
                                                           ui::IndexPath indexPath) override;
  double heightForRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override { return 300; }
  void didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) override;
  bool textFieldShouldReturn(ui::TextField& field) override;

  ui::TextField* userNameField() const { return userNameField_.get(); }
  ui::TableView* myTableVIew() const { return myTableVIew_.get(); }
  const std::string& regCode() const { return regCode_; }

 private:
  std::shared_ptr<ui::TableView> myTableVIew_;
  std::shared_ptr<ui::View> form_;
  std::shared_ptr<ui::TextField> userNameField_;
  std::shared_ptr<ui::Label> lab_phone_, nav1_, nav2_, nav3_, lab_phonemsg_, lab_codeImage_;
  std::shared_ptr<ui::ImageView> afreshImg_;
  std::shared_ptr<ui::Button> btnAfresh_, btnRegister_;
  std::string regCode_;
};
