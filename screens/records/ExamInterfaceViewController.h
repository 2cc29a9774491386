#pragma once
// ExamInterfaceViewController ("examInterface"): a plain container that draws its own top bar instead of
// the navigation bar. When its view loads it hides the navigation bar and puts its bar (the subview
// tagged kTopBarTag) at the top, 320 by 44 points; the bar comes back for the screen below when this one
// goes. No screen of the application opens it.
//
// Main thread only.

#include <memory>
#include <string>

#include "ui/View.h"
#include "ui/ViewController.h"

class ExamInterfaceViewController : public ui::ViewController {
 public:
  static constexpr const char* kIdentifier = "examInterface";
  static constexpr int kTopBarTag = 12;
  static constexpr double kTopBarWidth = 320;
  static constexpr double kTopBarHeight = 44;

  std::string className() const override { return "ExamInterfaceViewController"; }

  void loadView() override;
  void viewDidLoad() override;
  void viewWillDisappear(bool animated) override;

 private:
  bool hidBar_ = false;  // this screen hid a navigation bar that was showing
};
