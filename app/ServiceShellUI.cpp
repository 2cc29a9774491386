#include "app/ServiceShellUI.h"

#include <optional>
#include <vector>

#include "platform/runloop/RunLoop.h"
#include "ui/Application.h"
#include "ui/Window.h"
#include "widgets/ProgressHUD.h"
#include "widgets/UIAlertViewBlock.h"

namespace {

// The window the overlay goes on: the application delegate's, else the key window.
ui::Window* overlayWindow() {
  ui::Application* app = ui::Application::current();
  if (!app) return nullptr;
  if (auto delegate = app->delegate(); delegate && delegate->window) return delegate->window.get();
  return &app->keyWindow();
}

}  // namespace

ServiceShellUI::Overlay::~Overlay() {
  // An overlay let go while it shows (its service dropped) goes with it, on the thread of views.
  if (hud_ && rl::RunLoop::isMainThread()) hud_->removeFromSuperview();
}

void ServiceShellUI::Overlay::close() {
  if (hud_) hud_->removeFromSuperview();
}

bool ServiceShellUI::Alert::isOpen() const {
  auto alert = alert_.lock();
  return alert && (alert->isVisible() || alert->isDismissing());
}

void ServiceShellUI::addTo(ServiceShell& shell) {
  shell.showBusyOverlay = &ServiceShellUI::showBusyOverlay;
  shell.showAlert = &ServiceShellUI::showAlert;
}

std::shared_ptr<BusyOverlay> ServiceShellUI::showBusyOverlay(const std::string& label) {
  ui::Window* window = overlayWindow();
  if (!window) return nullptr;
  auto hud = std::make_shared<ProgressHUD>(*window);
  window->addSubview(hud);
  hud->setLabelText(label);
  hud->show(true);
  return std::make_shared<Overlay>(std::move(hud));
}

std::shared_ptr<ShellAlert> ServiceShellUI::showAlert(const std::string& title, const std::string& message,
                                                      const std::string& button,
                                                      std::function<void()> pressed) {
  auto alert = std::make_shared<UIAlertViewBlock>(
      title, message,
      [pressed = std::move(pressed)](bool cancelled, int buttonIndex) {
        if (cancelled || buttonIndex != 0) return;
        if (pressed) pressed();
      },
      std::nullopt, std::vector<std::string>{button});
  alert->show();
  return std::make_shared<Alert>(alert);
}

ProgressHUD* ServiceShellUI::hudOf(const std::shared_ptr<BusyOverlay>& overlay) {
  auto* mine = dynamic_cast<Overlay*>(overlay.get());
  return mine ? mine->hud().get() : nullptr;
}
