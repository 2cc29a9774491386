#pragma once
// ProgressHUD: the overlay every screen uses to show that work is under way or to show a short message:
// a rounded, translucent dark box centred over a host view (a screen's view or the key window), holding
// an indicator, a one-line main label and a details label of any number of lines. The overlay covers
// its host entirely (and takes the touches meant for it while shown), draws the box itself (and, when
// asked, a dimmed background) and fades or zooms in and out.
//
// Two uses:
//   the toast:        auto hud = ProgressHUD::showHUDAddedTo(window, true); hud->setMode(Mode::Text);
//                     hud->setLabelText("..."); hud->setMargin(10); hud->setYOffset(150);
//                     hud->setRemoveFromSuperViewOnHide(true); hud->hide(true, 1.0);
//   the busy overlay: auto hud = std::make_shared<ProgressHUD>(view); view.addSubview(hud);
//                     hud->setLabelText("..."); hud->show(true); ... hud->hide(true);
//
// Layout (4 points between stacked parts; W, H the host's size; maxWidth = W - 4 x margin): the box is as
// wide as the widest of the indicator, the main label (one line, cut to maxWidth) and the details label
// (wrapped within maxWidth), as high as the three stacked, plus the margin on every side; the contents
// sit centred, offset by xOffset and yOffset. With `square` the box becomes square where it fits; it is
// never smaller than minSize. boxRect() is where the box is drawn.
//
// Timing (on the main run loop's clock): with a grace time, show() waits that long and shows only if a
// task is still running then; with a minimum show time, a hide() that comes earlier waits for the rest
// of it. Showing and hiding animate over 0.30 s; the end step marks the overlay finished, removes it
// from its host when so set, runs the completion block once and tells the delegate.
//
// Every property may be set from any thread (each is one whole value under a lock). Changes that affect
// what shows (mode, custom view, texts, fonts, colours, progress, geometry) reach the views on the main
// thread: at once when set there, else handed to it. Because the model lays out at once rather than on
// the next pass, every setting that moves the box lays it out again. Showing, hiding, layout and
// drawing are main-thread work.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ui/Color.h"
#include "ui/Font.h"
#include "ui/Label.h"
#include "ui/View.h"

namespace rl {
class DispatchQueue;
class Timer;
}  // namespace rl

class ProgressHUD;

// Told when an overlay has finished hiding. Optional.
struct ProgressHUDDelegate {
  virtual ~ProgressHUDDelegate() = default;
  virtual void hudWasHidden(ProgressHUD& hud) {}
};

class ProgressHUD : public ui::View {
 public:
  enum class Mode {
    Indeterminate = 0,  // spinning activity indicator
    Round = 1,          // determinate pie
    Bar = 2,            // determinate bar
    Annular = 3,        // determinate ring
    CustomView = 4,     // the custom view as indicator
    Text = 5,           // labels only
  };
  enum class AnimationType {
    Fade = 0,
    ZoomOut = 1,  // shows shrinking from 1.5x, hides shrinking to 0.5x
    ZoomIn = 2,   // shows growing from 0.5x, hides growing to 1.5x
  };

  static constexpr double kPadding = 4;
  static constexpr double kAnimationDuration = 0.30;
  static constexpr double kHidingAlpha = 0.02;
  // The platform's device-orientation notice, which the overlay follows.
  static constexpr const char* kDeviceOrientationDidChangeNotification =
      "UIDeviceOrientationDidChangeNotification";

  // ---- class operations ----
  // A new overlay over `view`, added as its top subview and shown.
  static std::shared_ptr<ProgressHUD> showHUDAddedTo(ui::View& view, bool animated);
  // Hides (and removes once hidden) the overlay HUDForView finds; false when there is none.
  static bool hideHUDForView(ui::View& view, bool animated);
  // Hides (and removes once hidden) every overlay of the view; returns how many.
  static int hideAllHUDsForView(ui::View& view, bool animated);
  // The overlay added last among the view's subviews; nullptr when none.
  static std::shared_ptr<ProgressHUD> HUDForView(ui::View& view);
  // Every overlay among the view's subviews, in subview order.
  static std::vector<std::shared_ptr<ProgressHUD>> allHUDsForView(ui::View& view);

  // ---- making ----
  // Hidden (alpha 0), clear, covering `frame`. Make with std::make_shared.
  explicit ProgressHUD(ui::Rect frame);
  // Covering the view's (or window's) bounds; the caller adds it to the view.
  explicit ProgressHUD(const ui::View& view);
  ~ProgressHUD() override;
  std::string className() const override { return "ProgressHUD"; }

  // ---- showing and hiding (main thread) ----
  void show(bool animated);
  void hide(bool animated);
  // hide(animated) after `delay` seconds on the main run loop.
  void hide(bool animated, double delay);
  // Runs `method` on a worker of the global queue while the overlay shows; hides when it has returned.
  // Tasks go through rl::postTaskAndReply (platform/runloop/TaskAndReply.h): they must not touch views;
  // the overlay keeps itself alive until the end of each is back on the calling thread.
  void showWhileExecuting(std::function<void()> method, bool animated);
  // Runs `block` on `queue` (the global queue when not given) while the overlay shows; hides when it
  // has run, then runs `completion` (which becomes the completion block).
  void showAnimated(bool animated, std::function<void()> block);
  void showAnimated(bool animated, std::function<void()> block, std::function<void()> completion);
  void showAnimated(bool animated, std::function<void()> block, rl::DispatchQueue& queue);
  void showAnimated(bool animated, std::function<void()> block, rl::DispatchQueue& queue,
                    std::function<void()> completion);

  // ---- settings (any thread) ----
  Mode mode() const;
  void setMode(Mode mode);
  AnimationType animationType() const;
  void setAnimationType(AnimationType type);
  std::string labelText() const;
  void setLabelText(std::string text);
  std::string detailsLabelText() const;
  void setDetailsLabelText(std::string text);
  ui::Font labelFont() const;
  void setLabelFont(ui::Font font);
  ui::Font detailsLabelFont() const;
  void setDetailsLabelFont(ui::Font font);
  ui::Color labelColor() const;
  void setLabelColor(ui::Color color);
  ui::Color detailsLabelColor() const;
  void setDetailsLabelColor(ui::Color color);
  double opacity() const;
  void setOpacity(double opacity);
  std::optional<ui::Color> color() const;  // nullopt: black at `opacity`
  void setColor(std::optional<ui::Color> color);
  double xOffset() const;
  void setXOffset(double offset);
  double yOffset() const;
  void setYOffset(double offset);
  double margin() const;
  void setMargin(double margin);
  double cornerRadius() const;
  void setCornerRadius(double radius);
  bool dimBackground() const;
  void setDimBackground(bool dim);
  double graceTime() const;
  void setGraceTime(double seconds);
  double minShowTime() const;
  void setMinShowTime(double seconds);
  bool removeFromSuperViewOnHide() const;
  void setRemoveFromSuperViewOnHide(bool remove);
  ui::Size minSize() const;
  void setMinSize(ui::Size size);
  bool isSquare() const;
  void setSquare(bool square);
  std::shared_ptr<ui::View> customView() const;
  void setCustomView(std::shared_ptr<ui::View> view);
  double progress() const;
  void setProgress(double progress);
  std::function<void()> completionBlock() const;
  void setCompletionBlock(std::function<void()> block);
  std::shared_ptr<ProgressHUDDelegate> delegate() const;
  void setDelegate(std::weak_ptr<ProgressHUDDelegate> delegate);

  // ---- working state (main thread) ----
  ui::View* indicator() const { return indicator_.get(); }
  ui::Label& label() const { return *label_; }
  ui::Label& detailsLabel() const { return *detailsLabel_; }
  ui::Size size() const { return size_; }  // the box size of the last layout
  ui::Rect boxRect() const;                // where the box is drawn, in the overlay's coordinates
  std::optional<double> showStarted() const { return showStarted_; }  // clock time; nullopt when hidden
  bool taskInProgress() const { return taskInProgress_; }
  bool isFinished() const { return isFinished_; }
  ui::Transform rotationTransform() const { return rotationTransform_; }

  void draw(ui::Canvas& canvas, ui::Rect dirty) override;

 protected:
  void layoutSubviews() override;
  void didMoveToWindow() override;

 private:
  enum class Change { Indicator, Label, Details, Progress, Layout, Display };
  struct Settings {
    Mode mode = Mode::Indeterminate;
    AnimationType animationType = AnimationType::Fade;
    std::string labelText;
    std::string detailsLabelText;
    ui::Font labelFont = ui::Font::boldSystem(16);
    ui::Font detailsLabelFont = ui::Font::boldSystem(12);
    ui::Color labelColor = ui::Color::white();
    ui::Color detailsLabelColor = ui::Color::white();
    double opacity = 0.8;
    std::optional<ui::Color> color;
    double xOffset = 0;
    double yOffset = 0;
    double margin = 20;
    double cornerRadius = 10;
    bool dimBackground = false;
    double graceTime = 0;
    double minShowTime = 0;
    bool removeFromSuperViewOnHide = false;
    ui::Size minSize;
    bool square = false;
    std::shared_ptr<ui::View> customView;
    double progress = 0;
    std::function<void()> completionBlock;
    std::weak_ptr<ProgressHUDDelegate> delegate;
  };
  template <class F>
  void update(Change change, F&& write);
  Settings snapshot() const;
  void changed(Change change);
  void apply(Change change);

  void setupLabels();
  void updateIndicators();
  void showUsingAnimation(bool animated);
  void hideUsingAnimation(bool animated);
  void handleGraceTimer();
  void handleMinShowTimer();
  void done();
  void cleanUp();
  // Sends a task to the queue and counts it until its end is back; false when the overlay is not shared.
  bool runTask(std::function<void()> task, rl::DispatchQueue& queue);
  void startTask();
  void deviceOrientationDidChange();
  void setTransformForCurrentOrientation(bool animated);
  static double now();

  mutable std::mutex mutex_;  // guards settings_
  Settings settings_;

  std::shared_ptr<ui::View> indicator_;
  std::shared_ptr<ui::Label> label_;
  std::shared_ptr<ui::Label> detailsLabel_;
  ui::Size size_;
  std::optional<double> showStarted_;
  std::atomic<bool> taskInProgress_{false};
  // Tasks out on a worker, and the overlay's hold on itself while there are any (calling thread only).
  int tasksRunning_ = 0;
  std::shared_ptr<ProgressHUD> keepAlive_;
  std::shared_ptr<rl::Timer> graceTimer_;
  std::shared_ptr<rl::Timer> minShowTimer_;
  bool useAnimation_ = false;
  ui::Transform rotationTransform_;
  bool isFinished_ = false;
  bool layingOut_ = false;
};
