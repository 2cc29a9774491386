#pragma once
// InformViewController ("inform"): the server's notices, one after another, in a panel laid over the
// home screen. The notices are the user session's "Inform" (an array of notices, each an array whose
// element 1 is the text). The panel's title reads "通知1", "通知2", ... for the notice on show; the
// next-notice button shows the next one and hides once the last is on show (hidden from the start when
// there is only one); the close button takes the overlay away. Without notices the panel stays empty.

#include <memory>
#include <string>

#include "platform/core/Value.h"
#include "ui/Button.h"
#include "ui/Label.h"
#include "ui/TextView.h"
#include "ui/ViewController.h"

class InformViewController : public ui::ViewController {
 public:
  static constexpr const char* kIdentifier = "inform";
  static constexpr const char* kNextTitle = "下一条";
  static constexpr const char* kCloseTitle = "关闭";

  std::string className() const override { return "InformViewController"; }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  // Shows the next notice (nothing when every notice has been shown).
  void loadInformView();
  // Takes the overlay off the window.
  void removeView();

  const core::Value& informArr() const { return informArr_; }
  int ifmCount() const { return ifmCount_; }
  ui::Button* btn_confirm() const { return btn_confirm_.get(); }
  ui::Button* btn_close() const { return btn_close_.get(); }
  ui::Label* lab_title() const { return lab_title_.get(); }
  ui::TextView* inform_textView() const { return inform_textView_.get(); }
  ui::View* informView() const { return informView_.get(); }

 private:
  core::Value informArr_ = core::Value::newArray();
  int ifmCount_ = 0;
  int tableViewHeight_ = 0;
  core::Value msgViewArr_ = core::Value::newArray();
  std::shared_ptr<ui::Button> btn_confirm_;
  std::shared_ptr<ui::Button> btn_close_;
  std::shared_ptr<ui::Label> lab_title_;
  std::shared_ptr<ui::TextView> inform_textView_;
  std::shared_ptr<ui::View> informView_;
};
