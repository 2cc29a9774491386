#include "app/SidePanelController.h"

namespace {

void dropChild(const std::shared_ptr<ui::ViewController>& panel) {
  if (!panel) return;
  panel->willMoveToParentViewController(nullptr);
  if (panel->isViewLoaded()) panel->view().removeFromSuperview();
  panel->removeFromParentViewController();
}

}  // namespace

double SidePanelController::leftVisibleWidth() const {
  const double width = isViewLoaded() ? viewIfLoaded()->bounds().width() : defaultViewFrame().width();
  return width * leftGapPercentage();
}

void SidePanelController::viewDidLoad() {
  const ui::Rect bounds = view().bounds();
  leftPanelContainer_ = std::make_shared<ui::View>(bounds);
  centerPanelContainer_ = std::make_shared<ui::View>(bounds);
  leftPanelContainer_->setHidden(true);
  view().addSubview(leftPanelContainer_);
  view().addSubview(centerPanelContainer_);
  state_ = kCenterVisible;
  placeCenterPanel();
}

void SidePanelController::setCenterPanel(std::shared_ptr<ui::ViewController> panel) {
  if (panel == centerPanel_) return;
  dropChild(centerPanel_);
  centerPanel_ = std::move(panel);
  if (!centerPanel_) return;
  addChildViewController(centerPanel_);
  if (isViewLoaded()) placeCenterPanel();
  centerPanel_->didMoveToParentViewController(this);
}

void SidePanelController::setLeftPanel(std::shared_ptr<ui::ViewController> panel) {
  if (panel == leftPanel_) return;
  dropChild(leftPanel_);
  leftPanel_ = std::move(panel);
  if (!leftPanel_) return;
  addChildViewController(leftPanel_);
  if (isViewLoaded() && state_ == kLeftVisible) placeLeftPanel();
  leftPanel_->didMoveToParentViewController(this);
}

void SidePanelController::placeCenterPanel() {
  if (!centerPanel_ || !centerPanelContainer_) return;
  ui::View& v = centerPanel_->view();
  v.setFrame(centerPanelContainer_->bounds());
  centerPanelContainer_->addSubview(centerPanel_->sharedView());
}

void SidePanelController::placeLeftPanel() {
  if (!leftPanel_ || !leftPanelContainer_) return;
  ui::View& v = leftPanel_->view();
  if (v.superview() == leftPanelContainer_.get()) return;
  v.setFrame(leftPanelContainer_->bounds());
  leftPanelContainer_->addSubview(leftPanel_->sharedView());
}

void SidePanelController::layoutContainers() {
  if (!centerPanelContainer_) return;
  ui::Rect frame = view().bounds();
  if (state_ == kLeftVisible) frame = frame.offsetBy(leftVisibleWidth(), 0);
  centerPanelContainer_->setFrame(frame);
  leftPanelContainer_->setHidden(state_ != kLeftVisible);
}

void SidePanelController::showLeftPanelAnimated(bool animated) {
  if (!leftPanel_) return;
  view();  // the containers exist once the view is loaded
  state_ = kLeftVisible;
  placeLeftPanel();
  layoutContainers();
}

void SidePanelController::showCenterPanelAnimated(bool animated) {
  view();
  state_ = kCenterVisible;
  layoutContainers();
}

ui::ViewController* SidePanelController::visibleChildViewController() const {
  if (state_ == kLeftVisible && leftPanel_) return leftPanel_.get();
  return centerPanel_.get();
}
