// The application shell's side of the request layer: the session of the application delegate, the
// traffic counter, and what the forced-logout alert's button does.

#include <memory>

#include "app/AppDelegate.h"
#include "app/ServiceShellUI.h"
#include "app/VDLogHelper.h"
#include "app/VDViewControllerFactory.h"
#include "service/ServiceShell.h"
#include "ui/NavigationController.h"
#include "ui/ViewController.h"
#include "ui/Window.h"

namespace {

// After the forced-logout alert: the "more" menu logs out, the re-login timer stops (it would log the
// replaced session in again), and a login screen marked as stolen becomes the window's root in a new
// navigation controller.
void showLoginAfterForcedLogout() {
  AppDelegate* app = AppDelegate::current();
  if (!app) return;

  app->logOut();
  app->stopAutoLoginTimer();

  auto login = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("login");
  if (!login) return;
  if (auto* stolen = dynamic_cast<ForcedLogoutLoginScreen*>(login.get())) stolen->setIsStolen(true);
  if (ui::Window* window = app->window())
    window->setRootViewController(std::make_shared<ui::NavigationController>(login));
}

}  // namespace

void installApplicationServiceShell() {
  ServiceShell shell;
  shell.isLoggedIn = [] {
    AppDelegate* app = AppDelegate::current();
    return app && app->userSession().contains("userInfo");
  };
  shell.removeUserInfo = [] {
    if (AppDelegate* app = AppDelegate::current()) {
      core::Value session = app->userSession();
      if (session.isDictionary()) session.remove("userInfo");
    }
  };
  shell.countTraffic = [](std::int64_t bytes) { VDLogHelper::appendSize(bytes); };
  shell.forcedLogoutConfirmed = [] { showLoginAfterForcedLogout(); };
  ServiceShellUI::addTo(shell);
  setServiceShell(std::move(shell));
}
