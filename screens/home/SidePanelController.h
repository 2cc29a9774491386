#pragma once
// SidePanelController: the root container of the main screen once a subject is chosen. It holds a
// centre panel and optional left and right panels (child controllers) and shows one side panel at a
// time by sliding the centre panel aside. The user opens and closes the side panel by dragging the
// centre panel, by tapping the strip of the centre that stays uncovered, or with the menu bar button
// the container places on the centre's first screen. AppDelegate::showMainVC makes one through
// SidePanelContainer, with the default settings: the home screen in a navigation controller in the
// centre and the "more" menu on the left.
//
// States: 1 centre visible, 2 left panel visible, 3 right panel visible (0 until the view loads).
// Styles: 0 single active (the centre slides over a full-size side panel; a transparent tap view covers
// the centre while a side panel is open), 1 multiple active (the centre shrinks beside the side panel).
//
// Dragging: a pan recogniser on the centre panel's view (and one on the tap view). A drag on the centre
// starts only when the centre shows its first screen, runs more horizontally than vertically and goes
// towards a side that has a panel; one on the tap view always starts. A drag that covers at least
// floor(width x minimumMovePercentage) points (48 on a 320-point screen) changes the state, a shorter
// one springs back. Slides take maximumAnimationDuration x remaining / full distance (linear); a drag
// that opens a side panel ends with a bounce of bouncePercentage of the distance still to slide
// (bounceDuration ease-out out, bounceDuration ease-in back).
//
// Each load of the view starts the background question-bank check (examineExam) that the owner hands
// in (BankCheck): the container knows neither the application delegate nor where banks are stored.
//
// Everything runs on the main thread but the file check of examineExam, which goes to a worker through
// rl::postTaskAndReply (platform/runloop/TaskAndReply.h: the rules for work off the main thread).

#include <functional>
#include <memory>
#include <string>

#include "app/SidePanelContainer.h"
#include "ui/Application.h"
#include "ui/GestureRecognizer.h"
#include "ui/ViewController.h"

namespace ui {
class BarButtonItem;
class Image;
class PanGestureRecognizer;
class View;
}  // namespace ui

class SidePanelController : public ui::ViewController,
                            public SidePanelContainer,
                            public ui::GestureRecognizerDelegate {
 public:
  enum State { kStateNone = 0, kCenterVisible = 1, kLeftVisible = 2, kRightVisible = 3 };
  enum Style { kSingleActive = 0, kMultipleActive = 1 };

  // The background question-bank check, from the owner (see SidePanelContainer).
  using BankCheck = SidePanelContainer::BankCheck;

  explicit SidePanelController(BankCheck bankCheck = {});
  ~SidePanelController() override;
  std::string className() const override { return "SidePanelController"; }

  // ---- panels ----
  std::shared_ptr<ui::ViewController> centerPanel() const { return centerPanel_; }
  std::shared_ptr<ui::ViewController> leftPanel() const { return leftPanel_; }
  std::shared_ptr<ui::ViewController> rightPanel() const { return rightPanel_; }
  // Replacing the centre while a side panel is open slides the old centre off first (0.2 s), swaps it and
  // slides the new one in.
  void setCenterPanel(std::shared_ptr<ui::ViewController> panel) override;
  void setLeftPanel(std::shared_ptr<ui::ViewController> panel) override;
  void setRightPanel(std::shared_ptr<ui::ViewController> panel);
  ui::ViewController* visiblePanel() const { return visiblePanel_.lock().get(); }

  ui::View* centerPanelContainer() const { return centerPanelContainer_.get(); }
  ui::View* leftPanelContainer() const { return leftPanelContainer_.get(); }
  ui::View* rightPanelContainer() const { return rightPanelContainer_.get(); }
  ui::View* tapView() const { return tapView_.get(); }
  ui::Rect centerPanelRestingFrame() const { return centerPanelRestingFrame_; }

  // ---- state and settings ----
  int state() const { return state_; }
  void setState(int state);
  int style() const { return style_; }
  void setStyle(int style);
  double leftGapPercentage() const { return leftGapPercentage_; }
  void setLeftGapPercentage(double v) { leftGapPercentage_ = v; }
  double rightGapPercentage() const { return rightGapPercentage_; }
  void setRightGapPercentage(double v) { rightGapPercentage_ = v; }
  double leftFixedWidth() const { return leftFixedWidth_; }
  void setLeftFixedWidth(double v) { leftFixedWidth_ = v; }
  double rightFixedWidth() const { return rightFixedWidth_; }
  void setRightFixedWidth(double v) { rightFixedWidth_ = v; }
  double minimumMovePercentage() const { return minimumMovePercentage_; }
  void setMinimumMovePercentage(double v) { minimumMovePercentage_ = v; }
  double maximumAnimationDuration() const { return maximumAnimationDuration_; }
  void setMaximumAnimationDuration(double v) { maximumAnimationDuration_ = v; }
  double bounceDuration() const { return bounceDuration_; }
  void setBounceDuration(double v) { bounceDuration_ = v; }
  double bouncePercentage() const { return bouncePercentage_; }
  void setBouncePercentage(double v) { bouncePercentage_ = v; }
  bool panningLimitedToTopViewController() const { return panningLimitedToTopViewController_; }
  void setPanningLimitedToTopViewController(bool v) { panningLimitedToTopViewController_ = v; }
  bool recognizesPanGesture() const { return recognizesPanGesture_; }
  void setRecognizesPanGesture(bool v) { recognizesPanGesture_ = v; }
  bool allowLeftOverpan() const { return allowLeftOverpan_; }
  void setAllowLeftOverpan(bool v) { allowLeftOverpan_ = v; }
  bool allowRightOverpan() const { return allowRightOverpan_; }
  void setAllowRightOverpan(bool v) { allowRightOverpan_ = v; }
  bool allowLeftSwipe() const { return allowLeftSwipe_; }
  void setAllowLeftSwipe(bool v) { allowLeftSwipe_ = v; }
  bool allowRightSwipe() const { return allowRightSwipe_; }
  void setAllowRightSwipe(bool v) { allowRightSwipe_ = v; }
  bool bounceOnSidePanelOpen() const { return bounceOnSidePanelOpen_; }
  void setBounceOnSidePanelOpen(bool v) { bounceOnSidePanelOpen_ = v; }
  bool bounceOnSidePanelClose() const { return bounceOnSidePanelClose_; }
  void setBounceOnSidePanelClose(bool v) { bounceOnSidePanelClose_ = v; }
  bool bounceOnCenterPanelChange() const { return bounceOnCenterPanelChange_; }
  void setBounceOnCenterPanelChange(bool v) { bounceOnCenterPanelChange_ = v; }
  bool shouldDelegateAutorotateToVisiblePanel() const { return shouldDelegateAutorotateToVisiblePanel_; }
  void setShouldDelegateAutorotateToVisiblePanel(bool v) { shouldDelegateAutorotateToVisiblePanel_ = v; }
  bool pushesSidePanels() const { return pushesSidePanels_; }
  void setPushesSidePanels(bool v) { pushesSidePanels_ = v; }
  bool canUnloadLeftPanel() const { return canUnloadLeftPanel_; }
  void setCanUnloadLeftPanel(bool v) { canUnloadLeftPanel_ = v; }
  bool canUnloadRightPanel() const { return canUnloadRightPanel_; }
  void setCanUnloadRightPanel(bool v) { canUnloadRightPanel_ = v; }
  bool shouldResizeLeftPanel() const { return shouldResizeLeftPanel_; }
  void setShouldResizeLeftPanel(bool v) { shouldResizeLeftPanel_ = v; }
  bool shouldResizeRightPanel() const { return shouldResizeRightPanel_; }
  void setShouldResizeRightPanel(bool v) { shouldResizeRightPanel_ = v; }
  bool centerPanelHidden() const { return centerPanelHidden_; }
  // The side panels' visible widths: the full width when the centre is hidden and the panel resizes,
  // else the fixed width when set, else floor(width x gap percentage) (256 on a 320-point screen).
  double leftVisibleWidth() const;
  double rightVisibleWidth() const;

  // ---- showing ----
  void showLeftPanel(bool animated) { showLeftPanelAnimated(animated); }
  void showRightPanel(bool animated) { showRightPanelAnimated(animated); }
  void showCenterPanel(bool animated) { showCenterPanelAnimated(animated); }
  void showLeftPanelAnimated(bool animated);
  void showRightPanelAnimated(bool animated);
  void showCenterPanelAnimated(bool animated);  // first shows a hidden centre again
  void toggleLeftPanel();                       // 2 -> centre, 1 -> left, 3 -> nothing; animated, no bounce
  void toggleRightPanel();                      // 3 -> centre, 1 -> right, 2 -> nothing
  void setCenterPanelHidden(bool hidden) { setCenterPanelHidden(hidden, false, 0); }
  // Pushes the centre fully off screen (or back); nothing in state 1 or when unchanged.
  void setCenterPanelHidden(bool hidden, bool animated, double duration);

  // ---- look ----
  // A new plain bar button with the menu image that toggles the left panel.
  std::shared_ptr<ui::BarButtonItem> leftButtonForCenterPanel();
  // The menu image (20 x 13 points, three black bars 20 x 1 at y 0, 5, 10 and three white bars 20 x 2 at
  // y 1, 6, 11), drawn once for the life of the process.
  static std::shared_ptr<ui::Image> defaultImage();
  // Shadow (black, radius 10, opacity 0.75, path = the bounds) on a container, no clipping; animated: the
  // shadow path's change is animated for `duration`.
  void styleContainer(ui::View& container, bool animate, double duration);
  void stylePanel(ui::View& panel);  // corner radius 6, clipped

  // The background question-bank check: whether the chosen subject's database file exists is looked up
  // on a worker; then, on the main thread, the owner's BankCheck::finished gets the answer (the
  // application delegate writes its DownSession flags and runs the library check).
  void examineExam();

  // Rotation: the screens are portrait only, so delegating to the visible panel allows portrait only.
  bool shouldAutorotateToInterfaceOrientation(ui::InterfaceOrientation orientation) const;
  void willAnimateRotation(double duration);

  // ---- platform overrides ----
  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewDidAppear(bool animated) override;
  ui::ViewController* visibleChildViewController() const override;
  bool shouldBegin(ui::GestureRecognizer& recognizer) override;

 private:
  void configureContainers();
  ui::Rect adjustCenterFrame();
  void layoutSideContainers(bool animate, double duration);
  void layoutSidePanels();
  void loadLeftPanel();
  void loadRightPanel();
  void unloadPanels();
  void swapCenter(std::shared_ptr<ui::ViewController> previous, int previousState,
                  std::shared_ptr<ui::ViewController> next);
  void loadCenterPanelWithPreviousState(int previousState);
  void placeButtonForLeftPanel();
  void observeCenterPanel();
  void stopObservingCenterPanel();
  void centerPanelViewChanged();
  void showLeftPanel(bool animated, bool bounce);
  void showRightPanel(bool animated, bool bounce);
  void showSidePanel(bool left, bool animated, bool bounce);
  void showCenterPanel(bool animated, bool bounce);
  void hideSideContainers();
  void toggleScrollsToTop(bool center, bool left, bool right);
  void setTapView(std::shared_ptr<ui::View> view);
  void addPanGestureToView(ui::View& view, bool forTapView);
  void handlePan(ui::GestureRecognizer& recognizer);
  double correctMovement(double movement) const;
  bool validateThreshold(double delta) const;
  void completePan(double delta);
  void undoPan();
  double calculatedDuration() const;
  void animateCenterPanel(bool shouldBounce, std::function<void(bool finished)> completion);
  void hideCenterPanel();
  void unhideCenterPanel();
  bool isOnTopLevel(const ui::ViewController* vc) const;
  ui::Rect viewBounds() const;

  BankCheck bankCheck_;

  std::shared_ptr<ui::ViewController> centerPanel_;
  std::shared_ptr<ui::ViewController> leftPanel_;
  std::shared_ptr<ui::ViewController> rightPanel_;
  std::weak_ptr<ui::ViewController> visiblePanel_;
  std::shared_ptr<ui::View> centerPanelContainer_;
  std::shared_ptr<ui::View> leftPanelContainer_;
  std::shared_ptr<ui::View> rightPanelContainer_;
  std::shared_ptr<ui::View> tapView_;
  std::weak_ptr<ui::GestureRecognizer> tapViewPan_;
  ui::Rect centerPanelRestingFrame_;
  ui::Point locationBeforePan_;
  int centerViewObserver_ = 0;
  int centerStackObserver_ = 0;
  std::weak_ptr<ui::View> centerPanViewHolder_;  // the view the centre's pan recogniser was added to

  int state_ = kStateNone;
  int style_ = kSingleActive;
  double leftGapPercentage_ = 0.8;
  double rightGapPercentage_ = 0.8;
  double leftFixedWidth_ = 0;
  double rightFixedWidth_ = 0;
  double minimumMovePercentage_ = 0.15;
  double maximumAnimationDuration_ = 0.2;
  double bounceDuration_ = 0.1;
  double bouncePercentage_ = 0.075;
  bool panningLimitedToTopViewController_ = true;
  bool recognizesPanGesture_ = true;
  bool allowLeftOverpan_ = true;
  bool allowRightOverpan_ = true;
  bool allowLeftSwipe_ = true;
  bool allowRightSwipe_ = true;
  bool bounceOnSidePanelOpen_ = true;
  bool bounceOnSidePanelClose_ = false;
  bool bounceOnCenterPanelChange_ = true;
  bool shouldDelegateAutorotateToVisiblePanel_ = true;
  bool pushesSidePanels_ = false;
  bool canUnloadLeftPanel_ = false;
  bool canUnloadRightPanel_ = false;
  bool shouldResizeLeftPanel_ = false;
  bool shouldResizeRightPanel_ = false;
  bool centerPanelHidden_ = false;
};

// The side-panel container that holds `vc`: the first SidePanelController among its parents (nullptr
// when there is none).
SidePanelController* sidePanelController(const ui::ViewController& vc);
