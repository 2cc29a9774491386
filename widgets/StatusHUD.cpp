#include "widgets/StatusHUD.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <mutex>
#include <numbers>

#include "platform/core/Text.h"
#include "platform/runloop/RunLoop.h"
#include "platform/runloop/Timer.h"
#include "ui/Canvas.h"
#include "ui/Path.h"
#include "ui/TextMeasurer.h"
#include "ui/Window.h"
#include "widgets/HUDActivityIndicator.h"

// ---- the ring ----

StatusHUDRing::StatusHUDRing(ui::Point center, ui::Color strokeColor)
    : ui::View(ui::Rect(0, 0, 2 * (kRadius + kLineWidth), 2 * (kRadius + kLineWidth))),
      strokeColor_(std::move(strokeColor)) {
  setCenter(center);
  setBackgroundColor(ui::Color::clear());
  setUserInteractionEnabled(false);
}

void StatusHUDRing::setStrokeEnd(double end) {
  end = std::clamp(end, 0.0, 1.0);
  if (end == strokeEnd_) return;
  strokeEnd_ = end;
  setNeedsDisplay();
}

void StatusHUDRing::draw(ui::Canvas& canvas, ui::Rect) {
  const ui::Rect all = bounds();
  const ui::Point c{all.midX(), all.midY()};
  auto point = [&](int i) {
    const double angle = -std::numbers::pi / 2 + i * 2 * std::numbers::pi / kSegments;
    return ui::Point{c.x + kRadius * std::cos(angle), c.y + kRadius * std::sin(angle)};
  };
  const int segments = static_cast<int>(std::lround(strokeEnd_ * kSegments));
  if (segments <= 0) return;
  ui::Path path;
  path.moveTo(point(0));
  for (int i = 1; i <= segments; ++i) path.lineTo(point(i % kSegments));
  if (segments == kSegments) path.close();
  canvas.setStrokeColor(strokeColor_);
  canvas.setLineWidth(kLineWidth);
  canvas.strokePath(path);
}

// ---- appearance ----

StatusHUD::Appearance& StatusHUD::appearance() {
  static Appearance settings;
  return settings;
}

ui::Color StatusHUD::backgroundColorSetting() const {
  return appearance().hudBackgroundColor.value_or(ui::Color::black().withAlpha(0.8));
}
ui::Color StatusHUD::foregroundColor() const {
  return appearance().hudForegroundColor.value_or(ui::Color::white());
}
ui::Color StatusHUD::shadowColor() const {
  return appearance().hudStatusShadowColor.value_or(ui::Color::black());
}
ui::Font StatusHUD::font() const { return appearance().hudFont.value_or(ui::Font::boldSystem(16)); }

// ---- class operations ----

namespace {

std::mutex sharedLock;
std::shared_ptr<StatusHUD> sharedMade;  // under sharedLock: read by other threads

// The class operations are main-thread work: on the main thread they run at once; from another thread
// they are posted there and the caller goes on without waiting.
void onMainThread(std::function<void()> fn) { rl::performOnMainThread(std::move(fn), false); }

}  // namespace

std::shared_ptr<StatusHUD> StatusHUD::sharedView() {
  // Views are main-thread objects: only the main thread makes the view; another thread gets it once it
  // is made (nullptr before) and never waits for the main thread.
  if (!rl::RunLoop::isMainThread()) {
    std::lock_guard lock(sharedLock);
    return sharedMade;
  }
  static std::once_flag once;
  static std::shared_ptr<StatusHUD> view;
  std::call_once(once, [] {
    // The center outlives the view (statics end in reverse order), which unregisters from it.
    core::NotificationCenter::defaultCenter();
    const ui::Application* app = ui::Application::current();
    const ui::Size screen = app ? app->screenSize() : ui::Size{320, 480};
    view = std::make_shared<StatusHUD>(ui::Rect({0, 0}, screen));
    std::lock_guard lock(sharedLock);
    sharedMade = view;
  });
  return view;
}

void StatusHUD::show() {
  onMainThread([] { sharedView()->showProgressInstance(-1, std::nullopt, MaskType::None); });
}
void StatusHUD::showWithStatus(const std::string& status) {
  onMainThread([status] { sharedView()->showProgressInstance(-1, status, MaskType::None); });
}
void StatusHUD::showWithMaskType(MaskType maskType) {
  onMainThread([maskType] { sharedView()->showProgressInstance(-1, std::nullopt, maskType); });
}
void StatusHUD::showWithStatus(const std::string& status, MaskType maskType) {
  onMainThread([status, maskType] { sharedView()->showProgressInstance(-1, status, maskType); });
}
void StatusHUD::showProgress(double progress) {
  onMainThread([progress] { sharedView()->showProgressInstance(progress, std::nullopt, MaskType::None); });
}
void StatusHUD::showProgress(double progress, const std::string& status) {
  onMainThread([progress, status] { sharedView()->showProgressInstance(progress, status, MaskType::None); });
}
void StatusHUD::showProgress(double progress, const std::optional<std::string>& status, MaskType maskType) {
  onMainThread(
      [progress, status, maskType] { sharedView()->showProgressInstance(progress, status, maskType); });
}
void StatusHUD::showOnlyStatus(const std::string& status, double duration) {
  onMainThread([status, duration] { sharedView()->showImageInstance(nullptr, status, duration); });
}
void StatusHUD::showSuccessWithStatus(const std::string& status) {
  onMainThread([status] {
    auto image = appearance().hudSuccessImage;
    if (!image) image = ui::Image::create("StatusHUD.bundle/success.png", {kImageSize, kImageSize});
    showImage(image, status);
  });
}
void StatusHUD::showErrorWithStatus(const std::string& status) {
  onMainThread([status] {
    auto image = appearance().hudErrorImage;
    if (!image) image = ui::Image::create("StatusHUD.bundle/error.png", {kImageSize, kImageSize});
    showImage(image, status);
  });
}
void StatusHUD::showImage(std::shared_ptr<ui::Image> image, const std::optional<std::string>& status) {
  onMainThread([image = std::move(image), status] {
    sharedView()->showImageInstance(image, status, displayDurationForString(status.value_or("")));
  });
}
void StatusHUD::setStatus(const std::string& status) {
  onMainThread([status] { sharedView()->setStatusInstance(status); });
}
void StatusHUD::popActivity() {
  onMainThread([] { sharedView()->popActivityInstance(); });
}
void StatusHUD::dismiss() {
  onMainThread([] { sharedView()->dismissInstance(); });
}
void StatusHUD::dismissAfterDelay(double seconds) {
  // performAfterDelay schedules on the calling thread's loop: the main thread's.
  onMainThread([seconds] { rl::performAfterDelay(seconds, [] { StatusHUD::dismiss(); }); });
}
bool StatusHUD::isVisible() {
  auto view = sharedView();
  return view && view->alpha() == 1;
}

double StatusHUD::displayDurationForString(const std::string& text) {
  return 0.3 + 0.06 * static_cast<double>(core::utf16Length(text));
}

// ---- the shared view ----

StatusHUD::StatusHUD(ui::Rect frame) : ui::View(frame) {
  setUserInteractionEnabled(false);
  setBackgroundColor(ui::Color::clear());
  setAlpha(0);
  setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
}

StatusHUD::~StatusHUD() {
  core::NotificationCenter::defaultCenter().removeObserver(this);
  if (fadeOutTimer_) fadeOutTimer_->invalidate();
}

bool StatusHUD::hasFadeOutTimer() const { return fadeOutTimer_ && fadeOutTimer_->isValid(); }

void StatusHUD::setFadeOutTimer(std::shared_ptr<rl::Timer> timer) {
  if (fadeOutTimer_) fadeOutTimer_->invalidate();
  fadeOutTimer_ = std::move(timer);
}

void StatusHUD::ensureParts() {
  if (!overlayView_) {
    overlayView_ = std::make_shared<ui::Button>(bounds());
    overlayView_->setAutoresizingMask(ui::kAutoresizingFlexibleWidth | ui::kAutoresizingFlexibleHeight);
    overlayView_->setBackgroundColor(ui::Color::clear());
    overlayView_->setBackgroundImage(nullptr, ui::kControlStateNormal);
    overlayView_->setBackgroundImage(nullptr, ui::kControlStateHighlighted);
    std::weak_ptr<View> weak = weak_from_this();
    overlayView_->addTarget(ui::ControlEvent::TouchDown, [weak](ui::Control&) {
      if (auto self = weak.lock())
        core::NotificationCenter::defaultCenter().post(kDidReceiveTouchEventNotification, self);
    });
  }
  if (!hudView_) {
    hudView_ = std::make_shared<ui::View>(ui::Rect(0, 0, kBoxSize, kBoxSize));
    hudView_->layer().setCornerRadius(10);
    hudView_->setClipsToBounds(true);
    hudView_->setBackgroundColor(backgroundColorSetting());
    hudView_->setAutoresizingMask(ui::kAutoresizingFlexibleLeftMargin | ui::kAutoresizingFlexibleRightMargin |
                                  ui::kAutoresizingFlexibleTopMargin | ui::kAutoresizingFlexibleBottomMargin);
    addSubview(hudView_);

    stringLabel_ = std::make_shared<ui::Label>();
    stringLabel_->setBackgroundColor(ui::Color::clear());
    stringLabel_->setTextAlignment(ui::TextAlignment::Center);
    stringLabel_->setAdjustsFontSizeToFitWidth(true);
    stringLabel_->setNumberOfLines(0);
    stringLabel_->setTextColor(foregroundColor());
    stringLabel_->setFont(font());
    stringLabel_->setShadow(shadowColor(), {0, -1});
    hudView_->addSubview(stringLabel_);

    imageView_ = std::make_shared<ui::ImageView>(ui::Rect(0, 0, kImageSize, kImageSize));
    hudView_->addSubview(imageView_);

    spinnerView_ = std::make_shared<HUDActivityIndicator>();
    spinnerView_->setHidden(true);  // shown only while it spins
    hudView_->addSubview(spinnerView_);
  }
}

void StatusHUD::attachToWindow() {
  ensureParts();
  ui::Application* app = ui::Application::current();
  if (!app) return;
  ui::Window& front = app->keyWindow();
  if (overlayView_->window() != &front) {
    // Not on the window in front (first show, or that window has gone): start over there.
    overlayView_->removeFromSuperview();
    setAlpha(0);
    setFrame(front.bounds());
    overlayView_->setFrame(front.bounds());
    front.addFrontView(overlayView_);
  }
  if (!superview()) overlayView_->addSubview(shared_from_this());
}

void StatusHUD::ensureRings() {
  // Where the image view stands (centred in the box, or above the text).
  const ui::Point c = imageView_->center();
  if (!backgroundRingLayer_) {
    backgroundRingLayer_ = std::make_shared<StatusHUDRing>(c, ui::Color::darkGray());
    hudView_->addSubview(backgroundRingLayer_);
  }
  if (!ringLayer_) {
    ringLayer_ = std::make_shared<StatusHUDRing>(c, ui::Color::white());
    ringLayer_->setStrokeEnd(0);
    hudView_->addSubview(ringLayer_);
  }
}

void StatusHUD::removeRings() {
  if (ringLayer_) ringLayer_->removeFromSuperview();
  if (backgroundRingLayer_) backgroundRingLayer_->removeFromSuperview();
  ringLayer_.reset();
  backgroundRingLayer_.reset();
}

void StatusHUD::applyMaskInteraction(const std::string& label) {
  // With no mask the overlay lets touches through and the box carries the label; otherwise the whole
  // view takes the touches and carries it.
  overlayView_->setUserInteractionEnabled(maskType_ != MaskType::None);
  accessibilityLabel_ = label;
}

void StatusHUD::showProgressInstance(double progress, const std::optional<std::string>& status,
                                     MaskType maskType) {
  attachToWindow();
  if (!overlayView_->window()) return;  // no window to show on

  setFadeOutTimer(nullptr);
  imageView_->setHidden(true);
  maskType_ = maskType;
  progress_ = progress;
  stringLabel_->setText(status.value_or(""));
  updatePosition();

  if (progress >= 0) {
    imageView_->setImage(nullptr);
    imageView_->setHidden(false);
    spinnerView_->stopAnimating();
    spinnerView_->setHidden(true);
    ensureRings();
    ringLayer_->setStrokeEnd(progress);
    if (progress == 0) ++activityCount_;
  } else {
    ++activityCount_;
    removeRings();
    spinnerView_->setHidden(false);
    spinnerView_->startAnimating();
  }

  applyMaskInteraction(stringLabel_->text());
  overlayView_->setHidden(false);
  positionHUD(nullptr);

  if (alpha() != 1) {
    registerNotifications();
    hudView_->setTransform(ui::Transform::rotation(rotation_).concat(ui::Transform::scale(1.3, 1.3)));
    ui::AnimationOptions options;
    options.allowUserInteraction = true;
    options.beginFromCurrentState = true;
    ui::View::animate(kFadeDuration, 0, options, [this] {
      hudView_->setTransform(ui::Transform::rotation(rotation_));
      setAlpha(1);
    });
  }
  setNeedsDisplay();
}

void StatusHUD::showImageInstance(std::shared_ptr<ui::Image> image, const std::optional<std::string>& status,
                                  double duration) {
  progress_ = -1;
  if (hudView_) removeRings();
  if (alpha() != 1 || !overlayView_ || !overlayView_->window()) {
    showProgressInstance(-1, std::nullopt, MaskType::None);
  }
  if (!hudView_ || !overlayView_->window()) return;
  imageView_->setImage(std::move(image));
  imageView_->setHidden(false);
  stringLabel_->setText(status.value_or(""));
  updatePosition();
  spinnerView_->stopAnimating();
  spinnerView_->setHidden(true);
  applyMaskInteraction(stringLabel_->text());

  std::weak_ptr<View> weak = weak_from_this();
  setFadeOutTimer(rl::Timer::scheduled(duration, false, [weak](rl::Timer&) {
    if (auto self = std::static_pointer_cast<StatusHUD>(weak.lock())) self->dismissInstance();
  }));
}

void StatusHUD::setStatusInstance(const std::string& status) {
  if (!stringLabel_) return;
  stringLabel_->setText(status);
  updatePosition();
}

void StatusHUD::popActivityInstance() {
  if (activityCount_ > 0) --activityCount_;
  if (activityCount_ == 0) dismissInstance();
}

void StatusHUD::updatePosition() {
  if (!hudView_) return;
  const std::string& text = stringLabel_->text();
  double width = kBoxSize;
  double height = kBoxSize;
  ui::Rect labelRect;
  if (!text.empty()) {
    const ui::Size size =
        ui::sizeWithFont(text, stringLabel_->font(), {200, 300}, ui::LineBreakMode::WordWrap);
    const bool picture = imageView_->image() != nullptr || imageView_->isHidden();
    height = size.height + (picture ? 80 : 20);
    if (size.width > width) width = std::ceil(size.width / 2) * 2;
    const double labelY = picture ? 66 : 9;
    width += 24;
    labelRect = height > kBoxSize ? ui::Rect(12, labelY, width - 24, size.height)
                                  : ui::Rect(0, labelY, width, size.height);
  }
  hudView_->setBounds({0, 0, width, height});
  stringLabel_->setFrame(labelRect);
  stringLabel_->setHidden(text.empty());
  ui::Point pictureCenter;
  ui::Point spinnerCenter;
  if (!text.empty()) {
    pictureCenter = {width / 2, 36};
    spinnerCenter = {std::ceil(width / 2) + 0.5, 40.5};
  } else {
    pictureCenter = {width / 2, height / 2};
    spinnerCenter = {std::ceil(width / 2) + 0.5, std::ceil(height / 2) + 0.5};
  }
  imageView_->setCenter(pictureCenter);
  if (ringLayer_) ringLayer_->setCenter(pictureCenter);
  if (backgroundRingLayer_) backgroundRingLayer_->setCenter(pictureCenter);
  spinnerView_->setCenter(spinnerCenter);
}

StatusHUD::Placement StatusHUD::placement(ui::Size screen, ui::Size statusBar, double keyboardHeight,
                                          ui::InterfaceOrientation orientation) {
  const bool landscape = orientation == ui::InterfaceOrientation::LandscapeLeft ||
                         orientation == ui::InterfaceOrientation::LandscapeRight;
  if (landscape) std::swap(screen.width, screen.height);
  double usable = screen.height;
  if (keyboardHeight > 0) usable += 2 * statusBar.height;
  usable -= keyboardHeight;
  const double offset = std::floor(0.45 * usable);
  const double half = screen.width / 2;
  switch (orientation) {
    case ui::InterfaceOrientation::PortraitUpsideDown:
      return {{half, screen.height - offset}, std::numbers::pi};
    case ui::InterfaceOrientation::LandscapeLeft:
      return {{offset, half}, -std::numbers::pi / 2};
    case ui::InterfaceOrientation::LandscapeRight:
      return {{screen.height - offset, half}, std::numbers::pi / 2};
    case ui::InterfaceOrientation::Portrait:
      break;
  }
  return {{half, offset}, 0};
}

void StatusHUD::positionHUD(const core::Notification* notification) {
  if (!hudView_) return;
  const ui::Application* app = ui::Application::current();
  const auto orientation = app ? app->statusBarOrientation() : ui::InterfaceOrientation::Portrait;
  const bool landscape = orientation == ui::InterfaceOrientation::LandscapeLeft ||
                         orientation == ui::InterfaceOrientation::LandscapeRight;
  double keyboardHeight = visibleKeyboardHeight_;
  double duration = 0;
  if (notification) {
    keyboardHeight = 0;
    const core::Value info = notification->userInfo;
    if (notification->name == kKeyboardWillShowNotification ||
        notification->name == kKeyboardDidShowNotification) {
      const core::Value frame =
          info.isDictionary() ? info.dict().get(kKeyboardFrameBeginUserInfoKey) : core::Value();
      if (frame.isDictionary()) {
        keyboardHeight = (landscape ? frame.dict().get("width") : frame.dict().get("height")).toDouble();
      }
    }
    if (info.isDictionary()) duration = info.dict().get(kKeyboardAnimationDurationUserInfoKey).toDouble();
    visibleKeyboardHeight_ = keyboardHeight;  // the keyboard now on screen (0 once it has gone)
  }
  const ui::Size screen = app ? app->screenSize() : bounds().size;
  const ui::Size statusBar = app ? app->statusBarFrame().size : ui::Size{};
  const Placement p = placement(screen, statusBar, keyboardHeight, orientation);
  rotation_ = p.rotation;
  auto move = [this, p] {
    hudView_->setTransform(ui::Transform::rotation(p.rotation));
    hudView_->setCenter(p.center);
  };
  if (notification && duration > 0) {
    ui::AnimationOptions options;
    options.allowUserInteraction = true;
    ui::View::animate(duration, 0, options, move);
  } else {
    move();
  }
}

void StatusHUD::registerNotifications() {
  if (observing_) return;
  observing_ = true;
  auto& center = core::NotificationCenter::defaultCenter();
  for (const char* name :
       {kOrientationDidChangeNotification, kKeyboardWillShowNotification, kKeyboardDidShowNotification,
        kKeyboardWillHideNotification, kKeyboardDidHideNotification}) {
    std::weak_ptr<View> weak = weak_from_this();
    center.addObserver(
        name,
        [weak](const core::Notification& n) {
          core::Notification copy = n;
          rl::performOnMainThread(
              [weak, copy] {
                if (auto self = std::static_pointer_cast<StatusHUD>(weak.lock())) self->positionHUD(&copy);
              },
              false);
        },
        this);
  }
}

void StatusHUD::unregisterNotifications() {
  core::NotificationCenter::defaultCenter().removeObserver(this);
  observing_ = false;
}

void StatusHUD::postDisappear(const char* name, const std::string& status) {
  core::Value info;
  if (!status.empty()) {
    info = core::Value::newDictionary();
    info.dict().set(kStatusUserInfoKey, status);
  }
  core::NotificationCenter::defaultCenter().post(name, shared_from_this(), info);
}

void StatusHUD::dismissInstance() {
  const std::string status = stringLabel_ ? stringLabel_->text() : "";
  postDisappear(kWillDisappearNotification, status);
  activityCount_ = 0;
  setFadeOutTimer(nullptr);
  ui::AnimationOptions options;
  options.allowUserInteraction = true;
  std::weak_ptr<View> weak = weak_from_this();
  ui::View::animate(
      kFadeDuration, 0, options,
      [this] {
        if (hudView_)
          hudView_->setTransform(ui::Transform::rotation(rotation_).concat(ui::Transform::scale(0.8, 0.8)));
        setAlpha(0);
      },
      [weak, status](bool) {
        auto self = std::static_pointer_cast<StatusHUD>(weak.lock());
        if (!self || self->alpha() != 0) return;  // shown again meanwhile
        self->unregisterNotifications();
        if (self->hudView_) {
          self->removeRings();
          self->hudView_->removeFromSuperview();
        }
        self->hudView_.reset();
        self->stringLabel_.reset();
        self->imageView_.reset();
        self->spinnerView_.reset();
        self->removeFromSuperview();
        if (self->overlayView_) self->overlayView_->removeFromSuperview();
        self->overlayView_.reset();
        self->postDisappear(kDidDisappearNotification, status);
      });
}

void StatusHUD::draw(ui::Canvas& canvas, ui::Rect) {
  const ui::Rect all = bounds();
  switch (maskType_) {
    case MaskType::Black:
      canvas.setFillColor(ui::Color::black().withAlpha(0.5));
      canvas.fillRect(all);
      break;
    case MaskType::Gradient:
      canvas.drawRadialGradient(
          {all.midX(), all.midY()}, 0, std::min(all.width(), all.height()),
          {{0, ui::Color::black().withAlpha(0)}, {1, ui::Color::black().withAlpha(0.75)}}, true);
      break;
    case MaskType::None:
    case MaskType::Clear:
      break;
  }
}
