#include "widgets/Dialog.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/runloop/RunLoop.h"
#include "ui/AlertView.h"
#include "ui/Application.h"
#include "ui/Image.h"
#include "ui/ImageView.h"
#include "ui/Window.h"
#include "widgets/StatusHUD.h"

namespace {

ui::View& keyWindow() { return ui::Application::shared().keyWindow(); }

std::shared_ptr<ui::View> checkmarkView() {
  return std::make_shared<ui::ImageView>(ui::Image::create(Dialog::kCheckmarkImage, {37, 37}));
}

}  // namespace

std::shared_ptr<Dialog> Dialog::Instance() {
  static std::mutex lock;
  static std::shared_ptr<Dialog> instance;
  std::lock_guard guard(lock);
  if (!instance) instance = std::make_shared<Dialog>();
  return instance;
}

// ---- alerts ----

void Dialog::alert(const std::string& message) { alertWithTitle("", message); }

void Dialog::alertWithTitle(const std::string& title, const std::string& message) {
  auto alert =
      std::make_shared<ui::AlertView>(title, message, std::weak_ptr<ui::AlertViewDelegate>(), "确定");
  alert->show();
}

// ---- toasts ----

std::shared_ptr<ProgressHUD> Dialog::makeToast(ui::View& view, ProgressHUD::Mode mode,
                                               const std::string& text, double yOffset,
                                               ProgressHUD::AnimationType type) {
  auto hud = std::make_shared<ProgressHUD>(view);
  hud->setMode(mode);
  hud->setAnimationType(type);
  hud->setLabelText(text);
  hud->setMargin(10);
  hud->setYOffset(yOffset);
  hud->setRemoveFromSuperViewOnHide(true);
  view.addSubview(hud);
  hud->show(true);
  hud->hide(true, kToastDuration);
  return hud;
}

void Dialog::toast(ui::ViewController& controller, const std::string& text) {
  makeToast(controller.view(), ProgressHUD::Mode::Text, text, 150, ProgressHUD::AnimationType::Fade);
}

void Dialog::toast(const std::string& text) {
  makeToast(keyWindow(), ProgressHUD::Mode::Text, text, 150, ProgressHUD::AnimationType::ZoomOut);
}

void Dialog::toastCenter(const std::string& text) {
  makeToast(keyWindow(), ProgressHUD::Mode::Text, text, -20, ProgressHUD::AnimationType::ZoomOut);
}

void Dialog::progressToast(const std::string& text) {
  makeToast(keyWindow(), ProgressHUD::Mode::Indeterminate, text, -20, ProgressHUD::AnimationType::Fade);
}

void Dialog::simpleToast(const std::string& text) { StatusHUD::showOnlyStatus(text, kToastDuration); }

void Dialog::hideSimpleToast() { StatusHUD::dismissAfterDelay(kToastDuration); }

// ---- the held overlay ----

std::shared_ptr<ProgressHUD> Dialog::HUD() const {
  std::lock_guard guard(mutex_);
  return HUD_;
}

void Dialog::hold(ui::View& view, std::shared_ptr<ProgressHUD> hud) {
  view.addSubview(hud);
  {
    std::lock_guard guard(mutex_);
    HUD_ = hud;
  }
  hud->setDelegate(weak_from_this());
}

void Dialog::showProgress(ui::View& view) {
  if (auto held = HUD()) held->hide(true);
  auto hud = std::make_shared<ProgressHUD>(view);
  hold(view, hud);
  hud->show(true);
}

void Dialog::showProgress(ui::View& view, const std::string& label) {
  if (auto held = HUD()) held->hide(true);
  auto hud = std::make_shared<ProgressHUD>(view);
  hud->setLabelText(label);
  hold(view, hud);
  hud->show(true);
}

void Dialog::showCenterProgressWithLabel(const std::string& label) {
  // The overlay held before is hidden too: left alone it would stay on the window for good, with nothing
  // left that could hide it.
  showProgress(keyWindow(), label);
}

void Dialog::hideProgress() {
  if (auto held = HUD()) held->hide(true);
}

void Dialog::hudWasHidden(ProgressHUD& hud) {
  // The overlay that hid leaves its view; it is forgotten only when it is still the one held (a newer
  // overlay may have taken its place meanwhile).
  auto keep = std::static_pointer_cast<ProgressHUD>(hud.shared_from_this());
  hud.removeFromSuperview();
  std::lock_guard guard(mutex_);
  if (HUD_.get() == &hud) HUD_.reset();
}

// ---- overlays that run a task ----

void Dialog::gradient(ui::ViewController& controller, std::function<void()> operation) {
  auto hud = std::make_shared<ProgressHUD>(controller.view());
  hold(controller.view(), hud);
  hud->showWhileExecuting(std::move(operation), true);
}

void Dialog::progressWithLabel(ui::ViewController& controller, std::function<void()> operation) {
  gradient(controller, std::move(operation));
}

void Dialog::setSleeper(std::function<void(double)> sleeper) {
  std::lock_guard guard(mutex_);
  sleeper_ = std::move(sleeper);
}

void Dialog::sleep(double seconds) {
  std::function<void(double)> sleeper;
  {
    std::lock_guard guard(mutex_);
    sleeper = sleeper_;
  }
  if (sleeper) {
    sleeper(seconds);
  } else {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  }
}

void Dialog::myTask() { sleep(3); }

void Dialog::progressLoop() {
  // 0.01 more every 50 ms, from 0 until it reaches 1 (counted in whole steps, so it ends exactly at 1).
  for (int step = 1; step <= 100; ++step) {
    if (auto hud = HUD()) hud->setProgress(step / 100.0);
    sleep(0.05);
  }
}

void Dialog::myProgressTask() { progressLoop(); }

void Dialog::myMixedTask() {
  sleep(2);
  if (auto hud = HUD()) {
    hud->setMode(ProgressHUD::Mode::Round);
    hud->setLabelText("Progress");
  }
  progressLoop();
  if (auto hud = HUD()) {
    hud->setMode(ProgressHUD::Mode::Indeterminate);
    hud->setLabelText("Cleaning up");
  }
  sleep(2);
  if (auto hud = HUD()) {
    // The image view is a view: it is made on the main thread, and the change goes there whole. The
    // worker does not wait for it (platform/runloop/TaskAndReply.h).
    auto completed = [hud] {
      hud->setCustomView(checkmarkView());
      hud->setMode(ProgressHUD::Mode::CustomView);
      hud->setLabelText("Completed");
    };
    if (rl::RunLoop::isMainThread()) {
      completed();
    } else {
      rl::RunLoop::main().post(completed);
    }
  }
  sleep(2);
}

// ---- a followed download ----

void Dialog::connectionDidReceiveResponse(std::int64_t expectedContentLength) {
  expectedLength_ = expectedContentLength;
  currentLength_ = 0;
  auto hud = HUD();
  if (!hud) return;
  // Without a known length there is no fraction to show: the overlay spins instead.
  hud->setMode(expectedLength_ > 0 ? ProgressHUD::Mode::Round : ProgressHUD::Mode::Indeterminate);
}

void Dialog::connectionDidReceiveData(std::size_t length) {
  currentLength_ += static_cast<std::int64_t>(length);
  if (expectedLength_ <= 0) return;  // unknown length: no progress to give
  if (auto hud = HUD()) {
    hud->setProgress(
        std::min(1.0, static_cast<double>(currentLength_) / static_cast<double>(expectedLength_)));
  }
}

void Dialog::connectionDidFinishLoading() {
  auto hud = HUD();
  if (!hud) return;
  hud->setCustomView(checkmarkView());
  hud->setMode(ProgressHUD::Mode::CustomView);
  hud->hide(true, kToastDuration);
}

void Dialog::connectionDidFailWithError(const core::Error&) {
  if (auto hud = HUD()) hud->hide(true);
}
