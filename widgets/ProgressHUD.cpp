#include "widgets/ProgressHUD.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/core/NotificationCenter.h"
#include "platform/runloop/DispatchQueue.h"
#include "platform/runloop/RunLoop.h"
#include "platform/runloop/TaskAndReply.h"
#include "platform/runloop/Timer.h"
#include "ui/Application.h"
#include "ui/Canvas.h"
#include "ui/Path.h"
#include "ui/TextMeasurer.h"
#include "ui/Window.h"
#include "widgets/BarProgressView.h"
#include "widgets/HUDActivityIndicator.h"
#include "widgets/RoundProgressView.h"

// ---- class operations ----

std::shared_ptr<ProgressHUD> ProgressHUD::showHUDAddedTo(ui::View& view, bool animated) {
  auto hud = std::make_shared<ProgressHUD>(view);
  view.addSubview(hud);
  hud->show(animated);
  return hud;
}

bool ProgressHUD::hideHUDForView(ui::View& view, bool animated) {
  std::shared_ptr<ProgressHUD> hud = HUDForView(view);
  if (!hud) return false;
  hud->setRemoveFromSuperViewOnHide(true);
  hud->hide(animated);
  return true;
}

int ProgressHUD::hideAllHUDsForView(ui::View& view, bool animated) {
  const auto huds = allHUDsForView(view);
  for (const auto& hud : huds) {
    hud->setRemoveFromSuperViewOnHide(true);
    hud->hide(animated);
  }
  return static_cast<int>(huds.size());
}

std::shared_ptr<ProgressHUD> ProgressHUD::HUDForView(ui::View& view) {
  const auto& subviews = view.subviews();
  for (auto it = subviews.rbegin(); it != subviews.rend(); ++it) {
    if (auto hud = std::dynamic_pointer_cast<ProgressHUD>(*it)) return hud;
  }
  return nullptr;
}

std::vector<std::shared_ptr<ProgressHUD>> ProgressHUD::allHUDsForView(ui::View& view) {
  std::vector<std::shared_ptr<ProgressHUD>> huds;
  for (const auto& v : view.subviews()) {
    if (auto hud = std::dynamic_pointer_cast<ProgressHUD>(v)) huds.push_back(hud);
  }
  return huds;
}

// ---- making ----

ProgressHUD::ProgressHUD(ui::Rect frame) : ui::View(frame) {
  setAutoresizingMask(ui::kAutoresizingFlexibleTopMargin | ui::kAutoresizingFlexibleBottomMargin |
                      ui::kAutoresizingFlexibleLeftMargin | ui::kAutoresizingFlexibleRightMargin);
  setBackgroundColor(ui::Color::clear());
  setAlpha(0);
  setupLabels();
  updateIndicators();
  // The notice may come from any thread; the overlay follows it on the main thread.
  core::NotificationCenter::defaultCenter().addObserver(
      kDeviceOrientationDidChangeNotification,
      [this](const core::Notification&) {
        std::weak_ptr<View> weak = weak_from_this();
        rl::performOnMainThread(
            [weak] {
              if (auto self = std::static_pointer_cast<ProgressHUD>(weak.lock()))
                self->deviceOrientationDidChange();
            },
            false);
      },
      this);
}

ProgressHUD::ProgressHUD(const ui::View& view) : ProgressHUD(view.bounds()) {}

ProgressHUD::~ProgressHUD() {
  core::NotificationCenter::defaultCenter().removeObserver(this);
  if (graceTimer_) graceTimer_->invalidate();
  if (minShowTimer_) minShowTimer_->invalidate();
}

double ProgressHUD::now() { return rl::RunLoop::main().now(); }

void ProgressHUD::setupLabels() {
  const Settings s = snapshot();
  for (auto* slot : {&label_, &detailsLabel_}) {
    auto label = std::make_shared<ui::Label>(bounds());
    label->setAdjustsFontSizeToFitWidth(false);
    label->setTextAlignment(ui::TextAlignment::Center);
    label->setBackgroundColor(ui::Color::clear());
    *slot = label;
  }
  label_->setFont(s.labelFont);
  label_->setTextColor(s.labelColor);
  label_->setText(s.labelText);
  detailsLabel_->setFont(s.detailsLabelFont);
  detailsLabel_->setTextColor(s.detailsLabelColor);
  detailsLabel_->setNumberOfLines(0);
  detailsLabel_->setText(s.detailsLabelText);
  addSubview(label_);
  addSubview(detailsLabel_);
}

void ProgressHUD::updateIndicators() {
  const Settings s = snapshot();
  auto replace = [this](std::shared_ptr<ui::View> next) {
    if (indicator_ && indicator_ != next) indicator_->removeFromSuperview();
    indicator_ = std::move(next);
    if (indicator_) addSubview(indicator_);
  };
  switch (s.mode) {
    case Mode::Indeterminate:
      if (!std::dynamic_pointer_cast<HUDActivityIndicator>(indicator_)) {
        auto spinner = std::make_shared<HUDActivityIndicator>();
        spinner->startAnimating();
        replace(spinner);
      }
      break;
    case Mode::Round:
    case Mode::Annular: {
      auto round = std::dynamic_pointer_cast<RoundProgressView>(indicator_);
      if (!round) {
        round = std::make_shared<RoundProgressView>();
        round->setProgress(s.progress);
        replace(round);
      }
      // The pie and the ring are one view: a change of mode between them changes its look.
      round->setAnnular(s.mode == Mode::Annular);
      break;
    }
    case Mode::Bar: {
      auto bar = std::make_shared<BarProgressView>();
      bar->setProgress(s.progress);
      replace(bar);
      break;
    }
    case Mode::CustomView:
      if (indicator_ != s.customView) replace(s.customView);
      break;
    case Mode::Text:
      replace(nullptr);
      break;
  }
}

// ---- settings ----

ProgressHUD::Settings ProgressHUD::snapshot() const {
  std::lock_guard lock(mutex_);
  return settings_;
}

template <class F>
void ProgressHUD::update(Change change, F&& write) {
  {
    std::lock_guard lock(mutex_);
    write(settings_);
  }
  changed(change);
}

void ProgressHUD::changed(Change change) {
  if (rl::RunLoop::isMainThread()) {
    apply(change);
    return;
  }
  std::weak_ptr<View> weak = weak_from_this();
  rl::performOnMainThread(
      [weak, change] {
        if (auto self = std::static_pointer_cast<ProgressHUD>(weak.lock())) self->apply(change);
      },
      false);
}

void ProgressHUD::apply(Change change) {
  const Settings s = snapshot();
  switch (change) {
    case Change::Indicator:
      updateIndicators();
      break;
    case Change::Label:
      label_->setText(s.labelText);
      label_->setFont(s.labelFont);
      label_->setTextColor(s.labelColor);
      break;
    case Change::Details:
      detailsLabel_->setText(s.detailsLabelText);
      detailsLabel_->setFont(s.detailsLabelFont);
      detailsLabel_->setTextColor(s.detailsLabelColor);
      break;
    case Change::Progress:
      if (auto round = std::dynamic_pointer_cast<RoundProgressView>(indicator_))
        round->setProgress(s.progress);
      if (auto bar = std::dynamic_pointer_cast<BarProgressView>(indicator_)) bar->setProgress(s.progress);
      return;
    case Change::Layout:
      break;
    case Change::Display:
      setNeedsDisplay();
      return;
  }
  layoutSubviews();
  setNeedsDisplay();
}

#define VD_HUD_PROPERTY(Type, getter, setter, field, change)          \
  Type ProgressHUD::getter() const {                                  \
    std::lock_guard lock(mutex_);                                     \
    return settings_.field;                                           \
  }                                                                   \
  void ProgressHUD::setter(Type value) {                              \
    update(change, [&](Settings& s) { s.field = std::move(value); }); \
  }

VD_HUD_PROPERTY(ProgressHUD::Mode, mode, setMode, mode, Change::Indicator)
VD_HUD_PROPERTY(std::shared_ptr<ui::View>, customView, setCustomView, customView, Change::Indicator)
VD_HUD_PROPERTY(std::string, labelText, setLabelText, labelText, Change::Label)
VD_HUD_PROPERTY(ui::Font, labelFont, setLabelFont, labelFont, Change::Label)
VD_HUD_PROPERTY(ui::Color, labelColor, setLabelColor, labelColor, Change::Label)
VD_HUD_PROPERTY(std::string, detailsLabelText, setDetailsLabelText, detailsLabelText, Change::Details)
VD_HUD_PROPERTY(ui::Font, detailsLabelFont, setDetailsLabelFont, detailsLabelFont, Change::Details)
VD_HUD_PROPERTY(ui::Color, detailsLabelColor, setDetailsLabelColor, detailsLabelColor, Change::Details)
VD_HUD_PROPERTY(double, progress, setProgress, progress, Change::Progress)
VD_HUD_PROPERTY(double, xOffset, setXOffset, xOffset, Change::Layout)
VD_HUD_PROPERTY(double, yOffset, setYOffset, yOffset, Change::Layout)
VD_HUD_PROPERTY(double, margin, setMargin, margin, Change::Layout)
VD_HUD_PROPERTY(ui::Size, minSize, setMinSize, minSize, Change::Layout)
VD_HUD_PROPERTY(bool, isSquare, setSquare, square, Change::Layout)
VD_HUD_PROPERTY(double, opacity, setOpacity, opacity, Change::Display)
VD_HUD_PROPERTY(std::optional<ui::Color>, color, setColor, color, Change::Display)
VD_HUD_PROPERTY(double, cornerRadius, setCornerRadius, cornerRadius, Change::Display)
VD_HUD_PROPERTY(bool, dimBackground, setDimBackground, dimBackground, Change::Display)

#undef VD_HUD_PROPERTY

#define VD_HUD_PLAIN_PROPERTY(Type, getter, setter, field) \
  Type ProgressHUD::getter() const {                       \
    std::lock_guard lock(mutex_);                          \
    return settings_.field;                                \
  }                                                        \
  void ProgressHUD::setter(Type value) {                   \
    std::lock_guard lock(mutex_);                          \
    settings_.field = std::move(value);                    \
  }

VD_HUD_PLAIN_PROPERTY(ProgressHUD::AnimationType, animationType, setAnimationType, animationType)
VD_HUD_PLAIN_PROPERTY(double, graceTime, setGraceTime, graceTime)
VD_HUD_PLAIN_PROPERTY(double, minShowTime, setMinShowTime, minShowTime)
VD_HUD_PLAIN_PROPERTY(bool, removeFromSuperViewOnHide, setRemoveFromSuperViewOnHide,
                      removeFromSuperViewOnHide)
VD_HUD_PLAIN_PROPERTY(std::function<void()>, completionBlock, setCompletionBlock, completionBlock)

#undef VD_HUD_PLAIN_PROPERTY

std::shared_ptr<ProgressHUDDelegate> ProgressHUD::delegate() const {
  std::lock_guard lock(mutex_);
  return settings_.delegate.lock();
}

void ProgressHUD::setDelegate(std::weak_ptr<ProgressHUDDelegate> delegate) {
  std::lock_guard lock(mutex_);
  settings_.delegate = std::move(delegate);
}

// ---- layout and drawing ----

void ProgressHUD::layoutSubviews() {
  if (layingOut_) return;  // taking the superview's bounds below lays out again
  layingOut_ = true;
  if (View* parent = superview()) {
    // The overlay covers its host. Turned for the interface orientation (on a window), it keeps the
    // bounds that orientation gave it and only follows the host's centre.
    const ui::Rect host = parent->bounds();
    if (transform().isIdentity()) {
      setFrame(host);
    } else {
      setCenter({host.midX(), host.midY()});
    }
  }
  const Settings s = snapshot();
  const double W = bounds().width();
  const double H = bounds().height();
  const double maxWidth = std::max(0.0, W - 4 * s.margin);
  // A measuring extent must be positive (the measurer reads <= 0 as unlimited).
  const double measureWidth = std::max(maxWidth, 1.0);

  ui::Rect indicatorF = indicator_ ? indicator_->bounds() : ui::Rect();
  indicatorF.size.width = std::min(indicatorF.width(), maxWidth);
  double totalW = indicatorF.width();
  double totalH = indicatorF.height();

  ui::Size labelSize = label_->text().empty() ? ui::Size{} : ui::sizeWithFont(label_->text(), label_->font());
  labelSize.width = std::min(labelSize.width, maxWidth);
  totalW = std::max(totalW, labelSize.width);
  totalH += labelSize.height;
  if (labelSize.height > 0 && indicatorF.height() > 0) totalH += kPadding;

  const double remainingHeight = std::max(H - totalH - kPadding - 4 * s.margin, 1.0);
  ui::Size detailsSize =
      detailsLabel_->text().empty()
          ? ui::Size{}
          : ui::sizeWithFont(detailsLabel_->text(), detailsLabel_->font(), {measureWidth, remainingHeight},
                             detailsLabel_->lineBreakMode());
  detailsSize.width = std::min(detailsSize.width, maxWidth);
  totalW = std::max(totalW, detailsSize.width);
  totalH += detailsSize.height;
  if (detailsSize.height > 0 && (indicatorF.height() > 0 || labelSize.height > 0)) totalH += kPadding;

  totalW += 2 * s.margin;
  totalH += 2 * s.margin;

  double y = std::round((H - totalH) / 2) + s.margin + s.yOffset;
  const double xPos = s.xOffset;
  indicatorF.origin = {std::round((W - indicatorF.width()) / 2) + xPos, y};
  if (indicator_) indicator_->setFrame(indicatorF);
  y += indicatorF.height();
  if (labelSize.height > 0 && indicatorF.height() > 0) y += kPadding;
  label_->setFrame({std::round((W - labelSize.width) / 2) + xPos, y, labelSize.width, labelSize.height});
  y += labelSize.height;
  if (detailsSize.height > 0 && (indicatorF.height() > 0 || labelSize.height > 0)) y += kPadding;
  detailsLabel_->setFrame(
      {std::round((W - detailsSize.width) / 2) + xPos, y, detailsSize.width, detailsSize.height});

  if (s.square) {
    const double m = std::max(totalW, totalH);
    if (m <= W - 2 * s.margin) totalW = m;
    if (m <= H - 2 * s.margin) totalH = m;
  }
  totalW = std::max(totalW, s.minSize.width);
  totalH = std::max(totalH, s.minSize.height);
  size_ = {totalW, totalH};
  layingOut_ = false;
}

ui::Rect ProgressHUD::boxRect() const {
  const Settings s = snapshot();
  const ui::Rect all = bounds();
  return {std::round((all.width() - size_.width) / 2) + s.xOffset,
          std::round((all.height() - size_.height) / 2) + s.yOffset, size_.width, size_.height};
}

void ProgressHUD::draw(ui::Canvas& canvas, ui::Rect) {
  const Settings s = snapshot();
  const ui::Rect all = bounds();
  if (s.dimBackground) {
    canvas.drawRadialGradient({all.midX(), all.midY()}, 0, std::min(all.width(), all.height()),
                              {{0, ui::Color::black().withAlpha(0)}, {1, ui::Color::black().withAlpha(0.75)}},
                              true);
  }
  canvas.setFillColor(s.color ? *s.color : ui::Color::black().withAlpha(s.opacity));
  canvas.fillPath(ui::Path::roundedRect(boxRect(), s.cornerRadius));
}

// ---- showing and hiding ----

void ProgressHUD::show(bool animated) {
  useAnimation_ = animated;
  const double grace = graceTime();
  if (grace > 0) {
    if (graceTimer_) graceTimer_->invalidate();
    std::weak_ptr<View> weak = weak_from_this();
    graceTimer_ = rl::Timer::scheduled(grace, false, [weak](rl::Timer&) {
      if (auto self = std::static_pointer_cast<ProgressHUD>(weak.lock())) self->handleGraceTimer();
    });
    return;
  }
  setNeedsDisplay();
  showUsingAnimation(useAnimation_);
}

void ProgressHUD::handleGraceTimer() {
  if (!taskInProgress_) return;
  setNeedsDisplay();
  showUsingAnimation(useAnimation_);
}

void ProgressHUD::showUsingAnimation(bool animated) {
  const AnimationType type = animationType();
  layoutSubviews();
  if (animated && type == AnimationType::ZoomOut) {
    setTransform(rotationTransform_.concat(ui::Transform::scale(1.5, 1.5)));
  } else if (animated && type == AnimationType::ZoomIn) {
    setTransform(rotationTransform_.concat(ui::Transform::scale(0.5, 0.5)));
  }
  showStarted_ = now();
  if (animated) {
    ui::View::animate(kAnimationDuration, [this, type] {
      setAlpha(1.0);
      if (type != AnimationType::Fade) setTransform(rotationTransform_);
    });
  } else {
    setAlpha(1.0);
  }
}

void ProgressHUD::hide(bool animated) {
  useAnimation_ = animated;
  const double least = minShowTime();
  if (least > 0 && showStarted_) {
    const double shown = now() - *showStarted_;
    if (shown < least) {
      if (minShowTimer_) minShowTimer_->invalidate();
      std::weak_ptr<View> weak = weak_from_this();
      minShowTimer_ = rl::Timer::scheduled(least - shown, false, [weak](rl::Timer&) {
        if (auto self = std::static_pointer_cast<ProgressHUD>(weak.lock())) self->handleMinShowTimer();
      });
      return;
    }
  }
  hideUsingAnimation(useAnimation_);
}

void ProgressHUD::hide(bool animated, double delay) {
  auto self = std::static_pointer_cast<ProgressHUD>(weak_from_this().lock());
  if (!self) return;  // not a shared overlay: nothing could keep it until then
  auto schedule = [self, animated, delay] {
    rl::performAfterDelay(delay, [self, animated] { self->hide(animated); });
  };
  // Hiding is main-thread work: a worker's request is scheduled on the main run loop.
  if (rl::RunLoop::isMainThread()) {
    schedule();
  } else {
    rl::performOnMainThread(schedule, false);
  }
}

void ProgressHUD::handleMinShowTimer() { hideUsingAnimation(useAnimation_); }

void ProgressHUD::hideUsingAnimation(bool animated) {
  auto self = std::static_pointer_cast<ProgressHUD>(weak_from_this().lock());
  if (animated && showStarted_ && self) {
    const AnimationType type = animationType();
    ui::View::animate(
        kAnimationDuration,
        [this, type] {
          if (type == AnimationType::ZoomOut) {
            setTransform(rotationTransform_.concat(ui::Transform::scale(0.5, 0.5)));
          } else if (type == AnimationType::ZoomIn) {
            setTransform(rotationTransform_.concat(ui::Transform::scale(1.5, 1.5)));
          }
          setAlpha(kHidingAlpha);
        },
        [self](bool) { self->done(); });
  } else {
    setAlpha(0);
    done();
  }
  showStarted_.reset();
}

void ProgressHUD::done() {
  isFinished_ = true;
  setAlpha(0);
  if (removeFromSuperViewOnHide()) removeFromSuperview();
  std::function<void()> completion;
  std::shared_ptr<ProgressHUDDelegate> d;
  {
    std::lock_guard lock(mutex_);
    completion = std::move(settings_.completionBlock);
    settings_.completionBlock = nullptr;
    d = settings_.delegate.lock();
  }
  if (completion) completion();
  if (d) d->hudWasHidden(*this);
}

// ---- running a task ----

void ProgressHUD::showWhileExecuting(std::function<void()> method, bool animated) {
  if (!runTask(std::move(method), rl::DispatchQueue::global())) return;
  show(animated);
}

void ProgressHUD::showAnimated(bool animated, std::function<void()> block) {
  showAnimated(animated, std::move(block), rl::DispatchQueue::global(), nullptr);
}

void ProgressHUD::showAnimated(bool animated, std::function<void()> block, std::function<void()> completion) {
  showAnimated(animated, std::move(block), rl::DispatchQueue::global(), std::move(completion));
}

void ProgressHUD::showAnimated(bool animated, std::function<void()> block, rl::DispatchQueue& queue) {
  showAnimated(animated, std::move(block), queue, nullptr);
}

void ProgressHUD::showAnimated(bool animated, std::function<void()> block, rl::DispatchQueue& queue,
                               std::function<void()> completion) {
  if (weak_from_this().expired()) return;  // not a shared overlay: nothing could keep it while the task runs
  setCompletionBlock(std::move(completion));
  runTask(std::move(block), queue);
  show(animated);
}

bool ProgressHUD::runTask(std::function<void()> task, rl::DispatchQueue& queue) {
  auto self = std::static_pointer_cast<ProgressHUD>(weak_from_this().lock());
  if (!self) return false;  // not a shared overlay: nothing could keep it while the task runs
  // The overlay holds itself (on this thread) until the task's end is back here: the worker never
  // holds a view (platform/runloop/TaskAndReply.h).
  taskInProgress_ = true;
  ++tasksRunning_;
  keepAlive_ = self;
  rl::postTaskAndReply(
      queue, std::weak_ptr<ProgressHUD>(self), [task = std::move(task)] {
        if (task) task();
      },
      [](ProgressHUD& hud) {
        hud.cleanUp();
        if (--hud.tasksRunning_ == 0) hud.keepAlive_.reset();
      });
  return true;
}

void ProgressHUD::cleanUp() {
  taskInProgress_ = false;
  hide(useAnimation_);
}

// ---- orientation ----

void ProgressHUD::didMoveToWindow() {
  if (!window()) return;
  if (dynamic_cast<ui::Window*>(superview())) {
    setTransformForCurrentOrientation(false);
  } else {
    layoutSubviews();
  }
}

void ProgressHUD::deviceOrientationDidChange() {
  View* parent = superview();
  if (!parent) return;
  if (dynamic_cast<ui::Window*>(parent)) {
    setTransformForCurrentOrientation(true);
  } else {
    setFrame(parent->bounds());
    setNeedsDisplay();
  }
}

void ProgressHUD::setTransformForCurrentOrientation(bool animated) {
  View* parent = superview();
  if (!parent) return;
  ui::Rect b = parent->bounds();
  const ui::Application* app = ui::Application::current();
  const auto orientation = app ? app->statusBarOrientation() : ui::InterfaceOrientation::Portrait;
  double radians = 0;
  switch (orientation) {
    case ui::InterfaceOrientation::Portrait:
      radians = 0;
      break;
    case ui::InterfaceOrientation::PortraitUpsideDown:
      radians = std::numbers::pi;
      break;
    case ui::InterfaceOrientation::LandscapeLeft:
      radians = std::numbers::pi / 2;
      std::swap(b.size.width, b.size.height);
      break;
    case ui::InterfaceOrientation::LandscapeRight:
      radians = -std::numbers::pi / 2;
      std::swap(b.size.width, b.size.height);
      break;
  }
  // The turn first: laid out while turned, the overlay keeps the bounds given here.
  rotationTransform_ = ui::Transform::rotation(radians);
  if (animated) {
    ui::View::animate(kAnimationDuration, [this] { setTransform(rotationTransform_); });
  } else {
    setTransform(rotationTransform_);
  }
  setBounds({0, 0, b.width(), b.height()});
  setNeedsDisplay();
}
