#include "screens/records/ExamInterfaceViewController.h"

#include "ui/NavigationController.h"

void ExamInterfaceViewController::loadView() {
  auto root = std::make_shared<ui::View>(defaultViewFrame());
  root->setBackgroundColor(ui::Color::white());
  root->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
  // The bar starts where a status strip would leave it; viewDidLoad puts it in its place.
  auto bar = std::make_shared<ui::View>(ui::Rect(0, 20, root->bounds().width(), kTopBarHeight));
  bar->setTag(kTopBarTag);
  bar->setBackgroundColor(ui::Color::rgb255(40, 40, 40));
  root->addSubview(bar);
  setView(root);
}

void ExamInterfaceViewController::viewDidLoad() {
  if (auto* nav = navigationController(); nav && !nav->isNavigationBarHidden()) {
    nav->setNavigationBarHidden(true);
    hidBar_ = true;
  }
  if (ui::View* bar = view().viewWithTag(kTopBarTag)) bar->setFrame({0, 0, kTopBarWidth, kTopBarHeight});
}

void ExamInterfaceViewController::viewWillDisappear(bool animated) {
  // The screen below keeps its own bar (and its way back).
  if (auto* nav = navigationController(); nav && hidBar_) nav->setNavigationBarHidden(false, animated);
  hidBar_ = false;
}
