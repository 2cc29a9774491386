#include "screens/home/SidePanelController.h"

#include <cmath>

#include "platform/core/Paths.h"
#include "platform/runloop/DispatchQueue.h"
#include "platform/runloop/RunLoop.h"
#include "platform/runloop/TaskAndReply.h"
#include "ui/BarButtonItem.h"
#include "ui/GestureRecognizer.h"
#include "ui/Image.h"
#include "ui/Layer.h"
#include "ui/NavigationController.h"
#include "ui/NavigationItem.h"
#include "ui/ScrollView.h"
#include "ui/WeakScreen.h"
#include "widgets/MenuIcon.h"

namespace {

constexpr unsigned kFlexibleSize = ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight;
constexpr double kCenterChangeDuration = 0.2;

// The panel leaves the container: told first, then its view goes, then it stops being a child.
void dropChild(const std::shared_ptr<ui::ViewController>& panel) {
  if (!panel) return;
  panel->willMoveToParentViewController(nullptr);
  if (auto* v = panel->viewIfLoaded()) v->removeFromSuperview();
  panel->removeFromParentViewController();
}

ui::ScrollView* firstScrollView(ui::View& root) {
  if (auto* s = dynamic_cast<ui::ScrollView*>(&root)) return s;
  for (auto& child : root.subviews()) {
    if (auto* s = firstScrollView(*child)) return s;
  }
  return nullptr;
}

}  // namespace

SidePanelController::SidePanelController(BankCheck bankCheck) : bankCheck_(std::move(bankCheck)) {}

SidePanelController::~SidePanelController() { stopObservingCenterPanel(); }

// ---- look ----

std::shared_ptr<ui::Image> SidePanelController::defaultImage() { return MenuIcon::image(); }

std::shared_ptr<ui::BarButtonItem> SidePanelController::leftButtonForCenterPanel() {
  const auto weak = ui::weakScreen(*this);
  return ui::BarButtonItem::withImage(defaultImage(), ui::BarButtonItem::Style::Plain,
                                      [weak](ui::BarButtonItem&) {
                                        if (auto self = weak.lock()) self->toggleLeftPanel();
                                      });
}

void SidePanelController::styleContainer(ui::View& container, bool animate, double duration) {
  ui::Layer& layer = container.layer();
  const ui::Path path = ui::Path::roundedRect(container.bounds(), 0);
  if (animate) {
    ui::PropertyAnimation a;
    a.keyPath = "shadowPath";
    a.to = path;
    a.duration = duration;
    layer.addAnimation(a, "shadowPath");
  }
  layer.setShadowPath(path);
  layer.setShadowColor(ui::Color::black());
  layer.setShadowRadius(10);
  layer.setShadowOpacity(0.75);
  container.setClipsToBounds(false);
}

void SidePanelController::stylePanel(ui::View& panel) {
  panel.layer().setCornerRadius(6);
  panel.setClipsToBounds(true);
}

// ---- sizes ----

ui::Rect SidePanelController::viewBounds() const {
  if (auto* v = viewIfLoaded()) return v->bounds();
  return defaultViewFrame();
}

double SidePanelController::leftVisibleWidth() const {
  const double width = viewBounds().width();
  if (centerPanelHidden_ && shouldResizeLeftPanel_) return width;
  if (leftFixedWidth_ != 0) return leftFixedWidth_;
  return std::floor(width * leftGapPercentage_);
}

double SidePanelController::rightVisibleWidth() const {
  const double width = viewBounds().width();
  if (centerPanelHidden_ && shouldResizeRightPanel_) return width;
  if (rightFixedWidth_ != 0) return rightFixedWidth_;
  return std::floor(width * rightGapPercentage_);
}

ui::Rect SidePanelController::adjustCenterFrame() {
  ui::Rect frame = viewBounds();
  const double width = frame.width();
  switch (state_) {
    case kCenterVisible:
      frame.origin.x = 0;
      if (style_ == kMultipleActive) frame.size.width = width;
      break;
    case kLeftVisible:
      frame.origin.x = leftVisibleWidth();
      if (style_ == kMultipleActive) frame.size.width = width - leftVisibleWidth();
      break;
    case kRightVisible:
      frame.origin.x = -rightVisibleWidth();
      if (style_ == kMultipleActive) {
        frame.origin.x = 0;
        frame.size.width = width - rightVisibleWidth();
      }
      break;
    default:
      break;
  }
  centerPanelRestingFrame_ = frame;
  return frame;
}

// ---- view set-up ----

void SidePanelController::viewDidLoad() {
  ui::View& root = view();
  root.setAutoresizingMask(kFlexibleSize);
  centerPanelContainer_ = std::make_shared<ui::View>(root.bounds());
  centerPanelRestingFrame_ = centerPanelContainer_->frame();
  centerPanelHidden_ = false;
  leftPanelContainer_ = std::make_shared<ui::View>(root.bounds());
  leftPanelContainer_->setHidden(true);
  rightPanelContainer_ = std::make_shared<ui::View>(root.bounds());
  rightPanelContainer_->setHidden(true);
  configureContainers();
  root.addSubview(centerPanelContainer_);
  root.addSubview(leftPanelContainer_);
  root.addSubview(rightPanelContainer_);
  setState(kCenterVisible);
  swapCenter(nullptr, kStateNone, centerPanel_);
  root.bringSubviewToFront(*centerPanelContainer_);
  examineExam();
}

void SidePanelController::configureContainers() {
  leftPanelContainer_->setAutoresizingMask(ui::kAutoresizingFlexibleHeight |
                                           ui::kAutoresizingFlexibleRightMargin);
  rightPanelContainer_->setAutoresizingMask(ui::kAutoresizingFlexibleHeight |
                                            ui::kAutoresizingFlexibleLeftMargin);
  centerPanelContainer_->setAutoresizingMask(kFlexibleSize);
  centerPanelContainer_->setFrame(view().bounds());
}

void SidePanelController::viewWillAppear(bool animated) {
  layoutSideContainers(false, 0);
  layoutSidePanels();
  centerPanelContainer_->setFrame(adjustCenterFrame());
  styleContainer(*centerPanelContainer_, false, 0);
}

void SidePanelController::viewDidAppear(bool animated) { adjustCenterFrame(); }

ui::ViewController* SidePanelController::visibleChildViewController() const {
  if (auto visible = visiblePanel_.lock()) return visible.get();
  return centerPanel_.get();
}

bool SidePanelController::shouldAutorotateToInterfaceOrientation(ui::InterfaceOrientation orientation) const {
  if (!shouldDelegateAutorotateToVisiblePanel_) return true;
  return orientation == ui::InterfaceOrientation::Portrait;
}

void SidePanelController::willAnimateRotation(double duration) {
  if (!isViewLoaded()) return;
  centerPanelContainer_->setFrame(adjustCenterFrame());
  layoutSideContainers(true, duration);
  layoutSidePanels();
  styleContainer(*centerPanelContainer_, true, duration);
  if (centerPanelHidden_) {
    ui::Rect frame = centerPanelRestingFrame_;
    frame.origin.x = state_ == kLeftVisible ? frame.width() : -frame.width();
    centerPanelContainer_->setFrame(frame);
  }
}

// ---- side containers and panels ----

void SidePanelController::layoutSideContainers(bool animate, double duration) {
  if (!leftPanelContainer_) return;
  ui::Rect left = view().bounds();
  ui::Rect right = view().bounds();
  const ui::Rect center = centerPanelContainer_->frame();
  if (style_ == kMultipleActive) {
    left.size.width = leftVisibleWidth();
    left.origin.x = center.minX() - left.width();
    right.size.width = rightVisibleWidth();
    right.origin.x = center.maxX();
  } else if (pushesSidePanels_ && !centerPanelHidden_) {
    left.origin.x = center.minX() - leftVisibleWidth();
    right.origin.x = center.maxX();
  }
  leftPanelContainer_->setFrame(left);
  rightPanelContainer_->setFrame(right);
  styleContainer(*leftPanelContainer_, animate, duration);
  styleContainer(*rightPanelContainer_, animate, duration);
}

void SidePanelController::layoutSidePanels() {
  if (leftPanel_ && leftPanel_->isViewLoaded() && leftPanelContainer_) {
    ui::Rect frame = leftPanelContainer_->bounds();
    if (shouldResizeLeftPanel_) frame.size.width = leftVisibleWidth();
    leftPanel_->view().setFrame(frame);
  }
  if (rightPanel_ && rightPanel_->isViewLoaded() && rightPanelContainer_) {
    ui::Rect frame = rightPanelContainer_->bounds();
    if (shouldResizeRightPanel_) {
      if (!pushesSidePanels_) frame.origin.x = rightPanelContainer_->bounds().width() - rightVisibleWidth();
      frame.size.width = rightVisibleWidth();
    }
    rightPanel_->view().setFrame(frame);
  }
}

void SidePanelController::loadLeftPanel() {
  rightPanelContainer_->setHidden(true);
  if (leftPanelContainer_->isHidden() && leftPanel_) {
    ui::View& panel = leftPanel_->view();
    if (!panel.superview()) {
      layoutSidePanels();
      panel.setAutoresizingMask(kFlexibleSize);
      stylePanel(panel);
      leftPanelContainer_->addSubview(leftPanel_->sharedView());
    }
    leftPanelContainer_->setHidden(false);
  }
}

void SidePanelController::loadRightPanel() {
  leftPanelContainer_->setHidden(true);
  if (rightPanelContainer_->isHidden() && rightPanel_) {
    ui::View& panel = rightPanel_->view();
    if (!panel.superview()) {
      layoutSidePanels();
      panel.setAutoresizingMask(kFlexibleSize);
      stylePanel(panel);
      rightPanelContainer_->addSubview(rightPanel_->sharedView());
    }
    rightPanelContainer_->setHidden(false);
  }
}

void SidePanelController::unloadPanels() {
  if (canUnloadLeftPanel_ && leftPanel_ && leftPanel_->isViewLoaded())
    leftPanel_->view().removeFromSuperview();
  if (canUnloadRightPanel_ && rightPanel_ && rightPanel_->isViewLoaded()) {
    rightPanel_->view().removeFromSuperview();
  }
}

void SidePanelController::hideSideContainers() {
  leftPanelContainer_->setHidden(true);
  rightPanelContainer_->setHidden(true);
}

// ---- centre panel ----

void SidePanelController::swapCenter(std::shared_ptr<ui::ViewController> previous, int previousState,
                                     std::shared_ptr<ui::ViewController> next) {
  if (previous != next) dropChild(previous);
  if (!next) return;
  loadCenterPanelWithPreviousState(previousState);
  addChildViewController(next);
  centerPanelContainer_->addSubview(next->sharedView());
  next->didMoveToParentViewController(this);
}

void SidePanelController::loadCenterPanelWithPreviousState(int previousState) {
  placeButtonForLeftPanel();
  if (style_ == kMultipleActive && (previousState == kLeftVisible || previousState == kRightVisible)) {
    ui::Rect frame = centerPanelContainer_->frame();
    frame.size.width = view().bounds().width();
    if (previousState == kRightVisible) frame.origin.x = -rightVisibleWidth();
    centerPanelContainer_->setFrame(frame);
  }
  ui::View& panel = centerPanel_->view();
  panel.setAutoresizingMask(kFlexibleSize);
  panel.setFrame(centerPanelContainer_->bounds());
  stylePanel(panel);
}

void SidePanelController::setCenterPanel(std::shared_ptr<ui::ViewController> panel) {
  auto previous = centerPanel_;
  if (panel == previous) return;
  stopObservingCenterPanel();
  centerPanel_ = panel;
  observeCenterPanel();
  if (state_ == kCenterVisible) visiblePanel_ = centerPanel_;
  if (!isViewLoaded()) return;  // viewDidLoad installs it
  if (state_ == kCenterVisible) {
    swapCenter(previous, kStateNone, panel);
    return;
  }
  const int previousState = state_;
  setState(kCenterVisible);
  const auto weak = ui::weakScreen(*this);
  ui::View::animate(
      kCenterChangeDuration,
      [this, previousState] {
        if (bounceOnCenterPanelChange_) {
          const double width = view().bounds().width();
          centerPanelRestingFrame_.origin.x = previousState == kLeftVisible ? width : -width;
        }
        centerPanelContainer_->setFrame(centerPanelRestingFrame_);
      },
      [weak, previous, previousState, panel](bool) {
        auto self = weak.lock();
        if (!self) return;
        // Another panel may have been set meanwhile: only the one still wanted goes in.
        if (self->centerPanel_ != panel) {
          dropChild(previous);
          return;
        }
        self->swapCenter(previous, previousState, panel);
        self->showCenterPanel(true, false);
      });
}

void SidePanelController::observeCenterPanel() {
  if (!centerPanel_) return;
  const auto weak = ui::weakScreen(*this);
  if (auto* nav = dynamic_cast<ui::NavigationController*>(centerPanel_.get())) {
    centerStackObserver_ = nav->addViewControllersObserver([weak](ui::NavigationController& changed) {
      auto self = weak.lock();
      if (self && self->centerPanel_.get() == &changed) self->placeButtonForLeftPanel();
    });
  }
  centerViewObserver_ = centerPanel_->addViewObserver([weak](ui::ViewController&) {
    if (auto self = weak.lock()) self->centerPanelViewChanged();
  });
  centerPanelViewChanged();  // the current value at once
}

void SidePanelController::stopObservingCenterPanel() {
  if (!centerPanel_) return;
  if (centerViewObserver_) centerPanel_->removeViewObserver(centerViewObserver_);
  if (centerStackObserver_) {
    if (auto* nav = dynamic_cast<ui::NavigationController*>(centerPanel_.get())) {
      nav->removeViewControllersObserver(centerStackObserver_);
    }
  }
  centerViewObserver_ = centerStackObserver_ = 0;
}

void SidePanelController::centerPanelViewChanged() {
  if (!centerPanel_ || !recognizesPanGesture_) return;
  ui::View* v = centerPanel_->viewIfLoaded();
  if (!v) return;
  if (centerPanViewHolder_.lock().get() == v) return;  // this view has its recogniser already
  addPanGestureToView(*v, false);
  centerPanViewHolder_ = v->shared_from_this();
}

void SidePanelController::placeButtonForLeftPanel() {
  if (!leftPanel_) return;
  ui::ViewController* target = centerPanel_.get();
  if (auto* nav = dynamic_cast<ui::NavigationController*>(target); nav && !nav->viewControllers().empty()) {
    target = nav->viewControllers().front().get();
  }
  if (!target) return;
  if (!target->navigationItem().leftBarButtonItem()) {
    target->navigationItem().setLeftBarButtonItem(leftButtonForCenterPanel());
  }
}

// ---- side panels ----

void SidePanelController::setLeftPanel(std::shared_ptr<ui::ViewController> panel) {
  if (panel == leftPanel_) return;
  dropChild(leftPanel_);
  leftPanel_ = std::move(panel);
  if (leftPanel_) {
    addChildViewController(leftPanel_);
    leftPanel_->didMoveToParentViewController(this);
  }
  placeButtonForLeftPanel();
  if (state_ == kLeftVisible) visiblePanel_ = leftPanel_;
}

void SidePanelController::setRightPanel(std::shared_ptr<ui::ViewController> panel) {
  if (panel == rightPanel_) return;
  dropChild(rightPanel_);
  rightPanel_ = std::move(panel);
  if (rightPanel_) {
    addChildViewController(rightPanel_);
    rightPanel_->didMoveToParentViewController(this);
  }
  if (state_ == kRightVisible) visiblePanel_ = rightPanel_;
}

// ---- state ----

void SidePanelController::setState(int state) {
  if (state == state_) return;
  state_ = state;
  switch (state_) {
    case kCenterVisible:
      visiblePanel_ = centerPanel_;
      if (leftPanelContainer_) leftPanelContainer_->setUserInteractionEnabled(false);
      if (rightPanelContainer_) rightPanelContainer_->setUserInteractionEnabled(false);
      break;
    case kLeftVisible:
      visiblePanel_ = leftPanel_;
      if (leftPanelContainer_) leftPanelContainer_->setUserInteractionEnabled(true);
      break;
    case kRightVisible:
      visiblePanel_ = rightPanel_;
      if (rightPanelContainer_) rightPanelContainer_->setUserInteractionEnabled(true);
      break;
    default:
      break;
  }
}

void SidePanelController::setStyle(int style) {
  if (style == style_) return;
  style_ = style;
  if (isViewLoaded()) {
    configureContainers();
    layoutSideContainers(false, 0);
  }
}

// ---- showing ----

void SidePanelController::showLeftPanelAnimated(bool animated) { showLeftPanel(animated, false); }

void SidePanelController::showRightPanelAnimated(bool animated) { showRightPanel(animated, false); }

void SidePanelController::showCenterPanelAnimated(bool animated) {
  if (centerPanelHidden_) {
    centerPanelHidden_ = false;
    unhideCenterPanel();
  }
  showCenterPanel(animated, false);
}

void SidePanelController::toggleLeftPanel() {
  if (state_ == kLeftVisible) {
    showCenterPanel(true, false);
  } else if (state_ == kCenterVisible) {
    showLeftPanel(true, false);
  }
}

void SidePanelController::toggleRightPanel() {
  if (state_ == kRightVisible) {
    showCenterPanel(true, false);
  } else if (state_ == kCenterVisible) {
    showRightPanel(true, false);
  }
}

void SidePanelController::showLeftPanel(bool animated, bool bounce) { showSidePanel(true, animated, bounce); }

void SidePanelController::showRightPanel(bool animated, bool bounce) {
  showSidePanel(false, animated, bounce);
}

void SidePanelController::showSidePanel(bool left, bool animated, bool bounce) {
  view();  // the containers exist once the view is loaded
  setState(left ? kLeftVisible : kRightVisible);
  if (left)
    loadLeftPanel();
  else
    loadRightPanel();
  adjustCenterFrame();
  if (animated) {
    animateCenterPanel(bounce, nullptr);
  } else {
    centerPanelContainer_->setFrame(centerPanelRestingFrame_);
    styleContainer(*centerPanelContainer_, false, 0);
    if (style_ == kMultipleActive || pushesSidePanels_) layoutSideContainers(false, 0);
  }
  if (style_ == kSingleActive) setTapView(std::make_shared<ui::View>());
  toggleScrollsToTop(false, left, !left);
}

void SidePanelController::showCenterPanel(bool animated, bool bounce) {
  view();
  setState(kCenterVisible);
  adjustCenterFrame();
  if (animated) {
    const auto weak = ui::weakScreen(*this);
    animateCenterPanel(bounce, [weak](bool) {
      auto self = weak.lock();
      // A side panel opened again before the slide ended stays visible.
      if (!self || self->state_ != kCenterVisible) return;
      self->hideSideContainers();
      self->unloadPanels();
    });
  } else {
    centerPanelContainer_->setFrame(centerPanelRestingFrame_);
    styleContainer(*centerPanelContainer_, false, 0);
    if (style_ == kMultipleActive || pushesSidePanels_) layoutSideContainers(false, 0);
    hideSideContainers();
    unloadPanels();
  }
  setTapView(nullptr);
  toggleScrollsToTop(true, false, false);
}

void SidePanelController::toggleScrollsToTop(bool center, bool left, bool right) {
  // Phone idiom only; this application runs as a phone application.
  for (auto [container, flag] :
       {std::pair{centerPanelContainer_.get(), center}, std::pair{leftPanelContainer_.get(), left},
        std::pair{rightPanelContainer_.get(), right}}) {
    if (!container) continue;
    if (auto* scroll = firstScrollView(*container)) scroll->setScrollsToTop(flag);
  }
}

void SidePanelController::setTapView(std::shared_ptr<ui::View> tapView) {
  if (tapView == tapView_) return;
  if (tapView_) tapView_->removeFromSuperview();
  tapView_ = std::move(tapView);
  if (!tapView_) return;
  tapView_->setFrame(centerPanelContainer_->bounds());
  tapView_->setAutoresizingMask(kFlexibleSize);
  const auto weak = ui::weakScreen(*this);
  tapView_->addGestureRecognizer(std::make_shared<ui::TapGestureRecognizer>([weak](ui::GestureRecognizer&) {
    if (auto self = weak.lock()) self->showCenterPanel(true, false);
  }));
  if (recognizesPanGesture_) addPanGestureToView(*tapView_, true);
  centerPanelContainer_->addSubview(tapView_);
}

// ---- dragging ----

void SidePanelController::addPanGestureToView(ui::View& target, bool forTapView) {
  const auto weak = ui::weakScreen(*this);
  auto pan = std::make_shared<ui::PanGestureRecognizer>([weak](ui::GestureRecognizer& g) {
    if (auto self = weak.lock()) self->handlePan(g);
  });
  pan->setMinimumNumberOfTouches(1);
  pan->setMaximumNumberOfTouches(1);
  pan->setDelegate(std::weak_ptr<ui::GestureRecognizerDelegate>(ui::weakScreen(*this).lock()));
  if (forTapView) tapViewPan_ = pan;
  target.addGestureRecognizer(pan);
}

bool SidePanelController::isOnTopLevel(const ui::ViewController* vc) const {
  if (!vc) return false;
  if (auto* nav = dynamic_cast<const ui::NavigationController*>(vc))
    return nav->viewControllers().size() == 1;
  return true;
}

bool SidePanelController::shouldBegin(ui::GestureRecognizer& recognizer) {
  if (&recognizer == tapViewPan_.lock().get()) return true;
  if (panningLimitedToTopViewController_ && !isOnTopLevel(centerPanel_.get())) return false;
  auto* pan = dynamic_cast<ui::PanGestureRecognizer*>(&recognizer);
  if (!pan) return false;
  const ui::Point t = pan->translationInView(centerPanelContainer_.get());
  if (t.x < 0 && !allowRightSwipe_) return false;
  if (t.x > 0 && !allowLeftSwipe_) return false;
  return t.x != 0 && std::abs(t.y) / std::abs(t.x) < 1 &&
         ((t.x > 0 && leftPanel_) || (t.x < 0 && rightPanel_));
}

void SidePanelController::handlePan(ui::GestureRecognizer& recognizer) {
  if (!recognizesPanGesture_) return;
  auto* pan = dynamic_cast<ui::PanGestureRecognizer*>(&recognizer);
  if (!pan || !centerPanelContainer_) return;
  const ui::GestureState phase = pan->state();
  if (phase == ui::GestureState::Began) locationBeforePan_ = centerPanelContainer_->frame().origin;
  const ui::Point translation = pan->translationInView(centerPanelContainer_.get());
  ui::Rect frame = centerPanelRestingFrame_;
  frame.origin.x = std::round(centerPanelRestingFrame_.minX() + correctMovement(translation.x));
  if (style_ == kMultipleActive) frame.size.width = view().bounds().width() - frame.minX();
  centerPanelContainer_->setFrame(frame);
  if (state_ == kCenterVisible) {
    if (frame.minX() > 0) {
      loadLeftPanel();
    } else if (frame.minX() < 0) {
      loadRightPanel();
    }
  }
  if (style_ == kMultipleActive || pushesSidePanels_) layoutSideContainers(false, 0);
  if (phase == ui::GestureState::Ended) {
    const double delta = frame.minX() - locationBeforePan_.x;
    if (validateThreshold(delta)) {
      completePan(delta);
    } else {
      undoPan();
    }
  } else if (phase == ui::GestureState::Cancelled) {
    undoPan();
  }
}

double SidePanelController::correctMovement(double movement) const {
  const double position = centerPanelRestingFrame_.minX() + movement;
  if (state_ == kCenterVisible) {
    if ((position > 0 && !leftPanel_) || (position < 0 && !rightPanel_)) return 0;
    if (!allowLeftOverpan_ && position > leftVisibleWidth()) return leftVisibleWidth();
    if (!allowRightOverpan_ && position < -rightVisibleWidth()) return -rightVisibleWidth();
    return movement;
  }
  if (state_ == kRightVisible && !allowRightOverpan_) {
    if (position < -rightVisibleWidth()) return 0;
    if (position > rightPanelContainer_->frame().minX()) {
      return rightPanelContainer_->frame().minX() - centerPanelRestingFrame_.minX();
    }
    return movement;
  }
  if (state_ == kLeftVisible && !allowLeftOverpan_) {
    if (position > leftVisibleWidth()) return 0;
    if ((style_ == kMultipleActive || pushesSidePanels_) && position < 0)
      return -centerPanelRestingFrame_.minX();
    if (position < leftPanelContainer_->frame().minX()) {
      return leftPanelContainer_->frame().minX() - centerPanelRestingFrame_.minX();
    }
    return movement;
  }
  return movement;
}

bool SidePanelController::validateThreshold(double delta) const {
  const double threshold = std::floor(viewBounds().width() * minimumMovePercentage_);
  switch (state_) {
    case kCenterVisible:
      return std::abs(delta) >= threshold;
    case kLeftVisible:
      return delta <= -threshold;
    case kRightVisible:
      return delta >= threshold;
    default:
      return false;
  }
}

void SidePanelController::completePan(double delta) {
  switch (state_) {
    case kLeftVisible:
    case kRightVisible:
      showCenterPanel(true, bounceOnSidePanelClose_);
      break;
    case kCenterVisible:
      if (delta > 0) {
        showLeftPanel(true, bounceOnSidePanelOpen_);
      } else {
        showRightPanel(true, bounceOnSidePanelOpen_);
      }
      break;
    default:
      break;
  }
}

void SidePanelController::undoPan() {
  switch (state_) {
    case kCenterVisible:
      showCenterPanel(true, false);
      break;
    case kLeftVisible:
      showLeftPanel(true, false);
      break;
    case kRightVisible:
      showRightPanel(true, false);
      break;
    default:
      break;
  }
}

// ---- slides ----

double SidePanelController::calculatedDuration() const {
  const double centerX = centerPanelContainer_->frame().minX();
  const double restingX = centerPanelRestingFrame_.minX();
  const double remaining = std::abs(centerX - restingX);
  const double full =
      locationBeforePan_.x == restingX ? remaining : std::abs(locationBeforePan_.x - restingX);
  return full > 0 ? maximumAnimationDuration_ * remaining / full : maximumAnimationDuration_;
}

void SidePanelController::animateCenterPanel(bool shouldBounce,
                                             std::function<void(bool finished)> completion) {
  const double bounceDistance =
      (centerPanelRestingFrame_.minX() - centerPanelContainer_->frame().minX()) * bouncePercentage_;
  if (centerPanelRestingFrame_.width() > centerPanelContainer_->frame().width()) shouldBounce = false;
  const double duration = calculatedDuration();
  ui::AnimationOptions linear;
  linear.curve = ui::AnimationCurve::Linear;
  linear.layoutSubviews = true;
  const auto weak = ui::weakScreen(*this);
  ui::View::animate(
      duration, 0, linear,
      [this, duration] {
        centerPanelContainer_->setFrame(centerPanelRestingFrame_);
        styleContainer(*centerPanelContainer_, true, duration);
        if (style_ == kMultipleActive || pushesSidePanels_) layoutSideContainers(true, duration);
      },
      [weak, shouldBounce, bounceDistance, completion](bool finished) {
        auto self = weak.lock();
        if (!self) return;
        if (!shouldBounce) {
          if (completion) completion(finished);
          return;
        }
        if (self->state_ == kCenterVisible) {
          if (bounceDistance > 0) {
            self->loadLeftPanel();
          } else {
            self->loadRightPanel();
          }
        }
        ui::AnimationOptions out;
        out.curve = ui::AnimationCurve::EaseOut;
        ui::View::animate(
            self->bounceDuration_, 0, out,
            [s = self.get(), bounceDistance] {
              s->centerPanelContainer_->setFrame(s->centerPanelRestingFrame_.offsetBy(bounceDistance, 0));
            },
            [weak, completion](bool) {
              auto self = weak.lock();
              if (!self) return;
              ui::AnimationOptions in;
              in.curve = ui::AnimationCurve::EaseIn;
              ui::View::animate(
                  self->bounceDuration_, 0, in,
                  [s = self.get()] { s->centerPanelContainer_->setFrame(s->centerPanelRestingFrame_); },
                  [completion](bool finished) {
                    if (completion) completion(finished);
                  });
            });
      });
}

// ---- hiding the centre ----

void SidePanelController::setCenterPanelHidden(bool hidden, bool animated, double duration) {
  if (hidden == centerPanelHidden_ || state_ == kCenterVisible) return;
  if (!isViewLoaded()) return;
  centerPanelHidden_ = hidden;
  duration = animated ? duration : 0;
  const auto weak = ui::weakScreen(*this);
  if (hidden) {
    ui::View::animate(
        duration,
        [this] {
          ui::Rect frame = centerPanelContainer_->frame();
          frame.origin.x = state_ == kLeftVisible ? frame.width() : -frame.width();
          centerPanelContainer_->setFrame(frame);
          layoutSideContainers(false, 0);
          if (shouldResizeLeftPanel_ || shouldResizeRightPanel_) layoutSidePanels();
        },
        [weak](bool) {
          auto self = weak.lock();
          if (self && self->centerPanelHidden_) self->hideCenterPanel();
        });
  } else {
    unhideCenterPanel();
    ui::View::animate(duration, [this] {
      if (state_ == kLeftVisible) {
        showLeftPanelAnimated(false);
      } else {
        showRightPanelAnimated(false);
      }
      if (shouldResizeLeftPanel_ || shouldResizeRightPanel_) layoutSidePanels();
    });
  }
}

void SidePanelController::hideCenterPanel() {
  centerPanelContainer_->setHidden(true);
  if (centerPanel_ && centerPanel_->isViewLoaded()) centerPanel_->view().removeFromSuperview();
}

void SidePanelController::unhideCenterPanel() {
  centerPanelContainer_->setHidden(false);
  if (!centerPanel_) return;
  ui::View& panel = centerPanel_->view();
  if (panel.superview()) return;
  panel.setAutoresizingMask(kFlexibleSize);
  panel.setFrame(centerPanelContainer_->bounds());
  stylePanel(panel);
  centerPanelContainer_->insertSubview(centerPanel_->sharedView(), 0);
}

// ---- the background question-bank check ----

void SidePanelController::examineExam() {
  // The path is worked out here, on the main thread (it reads the subject choice); only the file-system
  // look-up goes to a worker. The answer comes back to the owner on this thread.
  if (!bankCheck_.finished) return;
  const std::string path = bankCheck_.bankFile ? bankCheck_.bankFile() : std::string();
  rl::postTaskAndReply(
      rl::DispatchQueue::global(), ui::weakScreen(*this),
      [path] { return !path.empty() && core::Paths::fileExists(path); },
      [](SidePanelController& self, bool exists) {
        if (self.bankCheck_.finished) self.bankCheck_.finished(exists);
      });
}

// ---- finding the container ----

SidePanelController* sidePanelController(const ui::ViewController& vc) {
  for (ui::ViewController* p = vc.parentViewController(); p; p = p->parentViewController()) {
    if (auto* side = dynamic_cast<SidePanelController*>(p)) return side;
    if (p->parentViewController() == p) return nullptr;
  }
  return nullptr;
}
