#include "ui/Application.h"

#include <cstdio>
#include <cstdlib>

#include "platform/core/NotificationCenter.h"
#include "platform/runloop/BlockingCall.h"
#include "ui/AlertLayer.h"
#include "ui/Notifications.h"
#include "ui/ViewController.h"
#include "ui/Window.h"
#include "ui/detail/Appearance.h"

namespace ui {

namespace {
Application* gCurrent = nullptr;
void post(const char* name) { core::NotificationCenter::defaultCenter().post(name); }
std::unique_ptr<Application>& defaultApplication() {
  static std::unique_ptr<Application> app;
  return app;
}
}  // namespace

Application::Application(Size screen) : screen_(screen) {
  if (gCurrent) {
    std::fprintf(stderr, "ui: a second Application replaces the current one\n");
  }
  gCurrent = this;
  window_ = std::make_shared<Window>(Rect({0, 0}, screen));
}

Application::~Application() {
  noBlocking_.reset();
  detail::Transition::finishAll();
  if (window_) {
    window_->setRootViewController(nullptr);
    // Overlays, alerts and anything else on the window go with it.
    for (auto& v : std::vector<std::shared_ptr<View>>(window_->subviews())) {
      if (v.get() != &window_->alertLayer()) v->removeFromSuperview();
    }
    while (!window_->alertLayer().isEmpty()) {
      window_->alertLayer().remove(*window_->alertLayer().panels().back());
    }
  }
  detail::releasePending();
  if (delegate_) delegate_->window.reset();
  delegate_.reset();
  window_.reset();
  detail::releasePending();
  if (gCurrent == this) gCurrent = nullptr;
}

Application& Application::shared() {
  if (gCurrent) return *gCurrent;
  defaultApplication() = std::make_unique<Application>();
  return *gCurrent;
}

Application* Application::current() { return gCurrent; }

bool Application::launch() {
  detail::assertMainThread("Application::launch");
  if (!delegate_) return false;
  if (!noBlocking_) noBlocking_ = std::make_unique<rl::ScopedDisallowBlocking>();
  rl::ScopedAllowBlocking startUp;  // reading and writing what the start needs may wait
  auto d = delegate_;
  d->window = window_;
  const bool ok = d->didFinishLaunching(*this);
  post(kApplicationDidFinishLaunchingNotification);
  becomeActive();
  return ok;
}

void Application::resignActive() {
  if (!active_) return;
  active_ = false;
  if (auto d = delegate_) d->willResignActive(*this);
  post(kApplicationWillResignActiveNotification);
}

void Application::enterBackground() {
  resignActive();
  if (auto d = delegate_) d->didEnterBackground(*this);
  post(kApplicationDidEnterBackgroundNotification);
}

void Application::enterForeground() {
  if (auto d = delegate_) d->willEnterForeground(*this);
  post(kApplicationWillEnterForegroundNotification);
}

void Application::becomeActive() {
  if (active_) return;
  active_ = true;
  if (auto d = delegate_) d->didBecomeActive(*this);
  post(kApplicationDidBecomeActiveNotification);
}

void Application::terminate(int status) {
  rl::ScopedAllowBlocking exiting;  // what is left to write is written before the process ends
  if (auto d = delegate_) d->willTerminate(*this);
  post(kApplicationWillTerminateNotification);
  if (terminateHandler_) {
    auto handler = terminateHandler_;
    handler(status);
    return;
  }
  std::exit(status);
}

void Application::setIdleTimerDisabled(bool disabled) {
  if (idleTimerDisabled_ == disabled) return;
  idleTimerDisabled_ = disabled;
  if (idleInhibitHook_) idleInhibitHook_(disabled);
}

void Application::setIdleInhibitHook(std::function<void(bool inhibit)> hook) {
  idleInhibitHook_ = std::move(hook);
  if (idleInhibitHook_) idleInhibitHook_(idleTimerDisabled_);
}

bool Application::isStatusBarHidden() const { return window_->isStatusBarHidden(); }

void Application::setStatusBarHidden(bool hidden, bool animated) { window_->setStatusBarHidden(hidden); }

Rect Application::statusBarFrame() const {
  if (isStatusBarHidden()) return {};
  return {0, 0, screen_.width, Window::kStatusBarHeight};
}

Rect Application::applicationFrame() const { return window_->contentFrame(); }

}  // namespace ui
