#pragma once
// StatusHUD: a second overlay beside ProgressHUD: one shared full-screen view, laid over the front
// window, that shows an activity spinner, a progress ring or an image, each with an optional status text,
// in a rounded dark box, and fades in and out.
//
// Layout of the box (updatePosition): 100 x 100 without text. With text (measured in the label's font
// within 200 x 300 points) the box is the text height + 80 high when it shows a picture (a spinner, a
// ring or an image) and + 20 when it does not (a text-only notice); it is 100 wide, or the text width
// rounded up to an even number when that is wider, plus 24. The box sits at 45 % of the usable screen
// height (the screen less the on-screen keyboard).
//
// Timing (main run loop's clock): showing fades in over 0.15 s, dismissing fades out over 0.15 s; an
// image or text notice dismisses itself after its duration (showImage: 0.3 s + 0.06 s per character of
// the text, UTF-16 units). Spinner shows count activities; popActivity dismisses at the last one.
//
// Notifications (core::NotificationCenter::defaultCenter(), the shared view as sender):
// kDidReceiveTouchEventNotification when a touch goes down on the overlay; kWillDisappearNotification and
// kDidDisappearNotification around a dismissal, with the status text under kStatusUserInfoKey when there
// is one (no user information otherwise).
//
// The model has no keyboard and no accessibility service: the keyboard height comes from the keyboard
// notices below (userInfo kKeyboardFrameBeginUserInfoKey: a dictionary with "width" and "height", and
// kKeyboardAnimationDurationUserInfoKey) or is 0, and accessibility labels are only kept
// (accessibilityLabel). The view is main-thread only and made once, on the main thread. The class
// operations may be called from any thread: from another one they are posted to the main thread and
// return at once; sharedView() there returns the view once it is made (nullptr before), never waiting.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/core/NotificationCenter.h"
#include "ui/Application.h"
#include "ui/Button.h"
#include "ui/Font.h"
#include "ui/Image.h"
#include "ui/ImageView.h"
#include "ui/Label.h"
#include "ui/View.h"

namespace rl {
class Timer;
}
class HUDActivityIndicator;

// A progress ring: a closed polygon of kSegments segments from -90 degrees round the circle, stroked
// up to strokeEnd (0...1).
class StatusHUDRing : public ui::View {
 public:
  static constexpr int kSegments = 72;
  static constexpr double kRadius = 14;
  static constexpr double kLineWidth = 6;
  StatusHUDRing(ui::Point center, ui::Color strokeColor);
  std::string className() const override { return "StatusHUDRing"; }
  double strokeEnd() const { return strokeEnd_; }
  void setStrokeEnd(double end);
  const ui::Color& strokeColor() const { return strokeColor_; }
  void draw(ui::Canvas& canvas, ui::Rect dirty) override;

 private:
  ui::Color strokeColor_;
  double strokeEnd_ = 1;
};

class StatusHUD : public ui::View {
 public:
  enum class MaskType {
    None = 1,      // touches pass through
    Clear = 2,     // touches blocked
    Black = 3,     // touches blocked, screen dimmed with black at alpha 0.5
    Gradient = 4,  // touches blocked, radial dimming
  };

  static constexpr const char* kDidReceiveTouchEventNotification =
      "StatusHUDDidReceiveTouchEventNotification";
  static constexpr const char* kWillDisappearNotification = "StatusHUDWillDisappearNotification";
  static constexpr const char* kDidDisappearNotification = "StatusHUDDidDisappearNotification";
  static constexpr const char* kStatusUserInfoKey = "StatusHUDStatusUserInfoKey";
  // Keyboard and orientation notices the overlay follows while it shows.
  static constexpr const char* kKeyboardWillShowNotification = "UIKeyboardWillShowNotification";
  static constexpr const char* kKeyboardDidShowNotification = "UIKeyboardDidShowNotification";
  static constexpr const char* kKeyboardWillHideNotification = "UIKeyboardWillHideNotification";
  static constexpr const char* kKeyboardDidHideNotification = "UIKeyboardDidHideNotification";
  static constexpr const char* kOrientationDidChangeNotification =
      "UIApplicationDidChangeStatusBarOrientationNotification";
  static constexpr const char* kKeyboardFrameBeginUserInfoKey = "UIKeyboardFrameBeginUserInfoKey";
  static constexpr const char* kKeyboardAnimationDurationUserInfoKey =
      "UIKeyboardAnimationDurationUserInfoKey";

  static constexpr double kFadeDuration = 0.15;
  static constexpr double kBoxSize = 100;
  static constexpr double kImageSize = 28;

  // Appearance set for the whole class; values left unset take the defaults (black at 0.8, white,
  // black, bold system font 16, "StatusHUD.bundle/success.png", "StatusHUD.bundle/error.png").
  struct Appearance {
    std::optional<ui::Color> hudBackgroundColor;
    std::optional<ui::Color> hudForegroundColor;
    std::optional<ui::Color> hudStatusShadowColor;
    std::optional<ui::Font> hudFont;
    std::shared_ptr<ui::Image> hudSuccessImage;
    std::shared_ptr<ui::Image> hudErrorImage;
  };
  static Appearance& appearance();

  // ---- class operations (any thread: posted to the main thread, see above) ----
  static std::shared_ptr<StatusHUD> sharedView();
  static void show();
  static void showWithStatus(const std::string& status);
  static void showWithMaskType(MaskType maskType);
  static void showWithStatus(const std::string& status, MaskType maskType);
  static void showProgress(double progress);
  static void showProgress(double progress, const std::string& status);
  static void showProgress(double progress, const std::optional<std::string>& status, MaskType maskType);
  static void showOnlyStatus(const std::string& status, double duration);
  static void showSuccessWithStatus(const std::string& status);
  static void showErrorWithStatus(const std::string& status);
  static void showImage(std::shared_ptr<ui::Image> image, const std::optional<std::string>& status);
  static void setStatus(const std::string& status);
  static void popActivity();
  static void dismiss();
  static void dismissAfterDelay(double seconds);
  static bool isVisible();
  // How long an image notice with this text stays: 0.3 s + 0.06 s per character.
  static double displayDurationForString(const std::string& text);

  // ---- the shared view ----
  // Use sharedView(); public for std::make_shared.
  explicit StatusHUD(ui::Rect frame);
  ~StatusHUD() override;
  std::string className() const override { return "StatusHUD"; }

  // The parts (nullptr while the overlay is not on screen).
  ui::Button* overlayView() const { return overlayView_.get(); }
  ui::View* hudView() const { return hudView_.get(); }
  ui::Label* stringLabel() const { return stringLabel_.get(); }
  ui::ImageView* imageView() const { return imageView_.get(); }
  HUDActivityIndicator* spinnerView() const { return spinnerView_.get(); }
  StatusHUDRing* ringLayer() const { return ringLayer_.get(); }
  StatusHUDRing* backgroundRingLayer() const { return backgroundRingLayer_.get(); }
  bool hasFadeOutTimer() const;
  MaskType maskType() const { return maskType_; }
  double progress() const { return progress_; }
  std::uint64_t activityCount() const { return activityCount_; }
  double visibleKeyboardHeight() const { return visibleKeyboardHeight_; }
  const std::string& accessibilityLabel() const { return accessibilityLabel_; }

  // Instance forms of the class operations.
  void showProgressInstance(double progress, const std::optional<std::string>& status, MaskType maskType);
  void showImageInstance(std::shared_ptr<ui::Image> image, const std::optional<std::string>& status,
                         double duration);
  void setStatusInstance(const std::string& status);
  void popActivityInstance();
  void dismissInstance();

  // The box's centre and turn for a screen, status bar, keyboard height and orientation (what
  // positionHUD applies): the box lies at floor(0.45 x usable height) along the screen.
  struct Placement {
    ui::Point center;
    double rotation = 0;
  };
  static Placement placement(ui::Size screen, ui::Size statusBar, double keyboardHeight,
                             ui::InterfaceOrientation orientation);

  void draw(ui::Canvas& canvas, ui::Rect dirty) override;

 private:
  ui::Color backgroundColorSetting() const;
  ui::Color foregroundColor() const;
  ui::Color shadowColor() const;
  ui::Font font() const;

  void ensureParts();
  void attachToWindow();
  void updatePosition();
  void positionHUD(const core::Notification* notification);
  void registerNotifications();
  void unregisterNotifications();
  void removeRings();
  void ensureRings();
  void setFadeOutTimer(std::shared_ptr<rl::Timer> timer);
  void applyMaskInteraction(const std::string& label);
  void postDisappear(const char* name, const std::string& status);

  std::shared_ptr<ui::Button> overlayView_;
  std::shared_ptr<ui::View> hudView_;
  std::shared_ptr<ui::Label> stringLabel_;
  std::shared_ptr<ui::ImageView> imageView_;
  std::shared_ptr<HUDActivityIndicator> spinnerView_;
  std::shared_ptr<StatusHUDRing> ringLayer_;
  std::shared_ptr<StatusHUDRing> backgroundRingLayer_;
  std::shared_ptr<rl::Timer> fadeOutTimer_;
  MaskType maskType_ = MaskType::None;
  double progress_ = -1;
  std::uint64_t activityCount_ = 0;
  double visibleKeyboardHeight_ = 0;
  double rotation_ = 0;
  std::string accessibilityLabel_;
  bool observing_ = false;
};
