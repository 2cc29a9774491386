#pragma once
// SidePanelController: the root container of the main screen once a subject is chosen. It holds a
// centre panel and a left panel (both child controllers); the centre panel fills the container and
// is what the user sees, the left panel lies beneath it and is shown by moving the centre aside by
// the left panel's visible width (80 % of the container).
//
// This container switches between the two states at once. Dragging the centre panel, the tap strip
// over an uncovered centre, the slide and bounce animations and the background update check that
// starts when the view loads are not part of it yet.

#include <memory>

#include "ui/ViewController.h"

class SidePanelController : public ui::ViewController {
 public:
  enum State { kNone = 0, kCenterVisible = 1, kLeftVisible = 2 };

  std::string className() const override { return "SidePanelController"; }

  std::shared_ptr<ui::ViewController> centerPanel() const { return centerPanel_; }
  std::shared_ptr<ui::ViewController> leftPanel() const { return leftPanel_; }
  // Replaces the panel (the old one leaves as a child) and places the new one in its container.
  void setCenterPanel(std::shared_ptr<ui::ViewController> panel);
  void setLeftPanel(std::shared_ptr<ui::ViewController> panel);

  int state() const { return state_; }
  double leftGapPercentage() const { return 0.8; }
  double leftVisibleWidth() const;

  void showCenterPanelAnimated(bool animated);
  void showLeftPanelAnimated(bool animated);

  ui::View* centerPanelContainer() const { return centerPanelContainer_.get(); }
  ui::View* leftPanelContainer() const { return leftPanelContainer_.get(); }

  void viewDidLoad() override;
  ui::ViewController* visibleChildViewController() const override;

 private:
  void placeCenterPanel();
  void placeLeftPanel();
  void layoutContainers();

  std::shared_ptr<ui::ViewController> centerPanel_;
  std::shared_ptr<ui::ViewController> leftPanel_;
  std::shared_ptr<ui::View> centerPanelContainer_;
  std::shared_ptr<ui::View> leftPanelContainer_;
  int state_ = kNone;
};
