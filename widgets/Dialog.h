#pragma once
// Dialog: one-line alerts, toasts and a held progress overlay.
//
// Toasts are text overlays (ProgressHUD) that remove themselves 2.0 s after they show: toast(controller,
// text) on the controller's view, toast(text) and toastCenter(text) on the key window, progressToast(text)
// an indeterminate one on the key window; none of them is held. simpleToast and hideSimpleToast go
// through StatusHUD instead.
//
// The held overlay: showProgress(view) (and its twins) shows an indeterminate overlay and holds it as
// HUD() until hideProgress() hides it; when it has hidden (0.30 s later) it leaves its view and is
// forgotten. A new showProgress hides the overlay held before; an overlay that finishes hiding after a
// newer one took its place leaves its view without touching the newer one.
//
// The task routines (myTask, myProgressTask, myMixedTask) run on the worker thread of gradient() /
// progressWithLabel() and change the held overlay from there, which ProgressHUD allows. The connection
// routines follow a download: an unknown announced length (negative, or 0) shows an indeterminate
// overlay instead of a progress, and the progress never passes 1.
//
// Everything but Instance() and the task routines runs on the main thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/core/Error.h"
#include "ui/View.h"
#include "ui/ViewController.h"
#include "widgets/ProgressHUD.h"

class Dialog : public ProgressHUDDelegate, public std::enable_shared_from_this<Dialog> {
 public:
  static constexpr double kToastDuration = 2.0;
  static constexpr const char* kCheckmarkImage = "37x-Checkmark.png";

  // The one shared facade, made on first use.
  static std::shared_ptr<Dialog> Instance();
  // Tests make their own; the application uses Instance().
  Dialog() = default;

  void alert(const std::string& message);
  void alertWithTitle(const std::string& title, const std::string& message);

  void toast(ui::ViewController& controller, const std::string& text);
  void toast(const std::string& text);
  void toastCenter(const std::string& text);
  void progressToast(const std::string& text);
  void simpleToast(const std::string& text);
  void hideSimpleToast();

  void showProgress(ui::View& view);
  void showProgress(ui::View& view, const std::string& label);
  void showCenterProgressWithLabel(const std::string& label);
  void hideProgress();

  // Shows a held overlay on the controller's view while `operation` runs on a worker thread of its own.
  void gradient(ui::ViewController& controller, std::function<void()> operation);
  void progressWithLabel(ui::ViewController& controller, std::function<void()> operation);
  // Task routines for the two operations above.
  void myTask();
  void myProgressTask();
  void myMixedTask();

  // A followed download. expectedContentLength < 0: unknown.
  void connectionDidReceiveResponse(std::int64_t expectedContentLength);
  void connectionDidReceiveData(std::size_t length);
  void connectionDidFinishLoading();
  void connectionDidFailWithError(const core::Error& error);

  void hudWasHidden(ProgressHUD& hud) override;

  // The overlay held now (nullptr when none).
  std::shared_ptr<ProgressHUD> HUD() const;
  std::int64_t expectedLength() const { return expectedLength_; }
  std::int64_t currentLength() const { return currentLength_; }

  // How the task routines wait (seconds); a real sleep unless replaced (tests record instead).
  void setSleeper(std::function<void(double seconds)> sleeper);

 private:
  void hold(ui::View& view, std::shared_ptr<ProgressHUD> hud);
  void sleep(double seconds);
  void progressLoop();
  std::shared_ptr<ProgressHUD> makeToast(ui::View& view, ProgressHUD::Mode mode, const std::string& text,
                                         double yOffset, ProgressHUD::AnimationType type);

  mutable std::mutex mutex_;  // guards HUD_ and sleeper_ (the task routines read them from their thread)
  std::shared_ptr<ProgressHUD> HUD_;
  std::function<void(double)> sleeper_;
  std::int64_t expectedLength_ = 0;
  std::int64_t currentLength_ = 0;
};
