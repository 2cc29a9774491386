// The application shell's side of the request layer: the session of the application delegate, the
// traffic counter, and what the forced-logout alert's button does.

#include <memory>

#include "app/AppDelegate.h"
#include "app/ServiceShellUI.h"
#include "app/VDLogHelper.h"
#include "app/VDViewControllerFactory.h"
#include "platform/runloop/RunLoop.h"
#include "app/VDNetworkHelper.h"
#include "service/MyNote.h"
#include "service/User.h"
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

  if (auto* menu = dynamic_cast<ForcedLogoutMoreMenu*>(app->evenMoreVC().get())) {
    menu->userLogout();
  } else {
    // No menu to do it (not made yet): the session side of its logout.
    core::Value session = app->userSession();
    if (session.isDictionary()) {
      session.remove("userInfo");
      session.set("isUserLogout", true);
    }
  }
  app->stopAutoLoginTimer();

  auto login = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("login");
  if (!login) return;
  if (auto* stolen = dynamic_cast<ForcedLogoutLoginScreen*>(login.get())) stolen->setIsStolen(true);
  if (ui::Window* window = app->window())
    window->setRootViewController(std::make_shared<ui::NavigationController>(login));
}

// The application-information request of VDNetworkHelper, sent by the account client.
class UserAppInfoClient : public VDAppInfoClient, public UserDelegate,
                          public std::enable_shared_from_this<UserAppInfoClient> {
 public:
  void appInfo(const std::string& bankShortName, Reply reply) override {
    reply_ = std::move(reply);
    self_ = shared_from_this();  // kept until the reply arrives
    user_ = std::make_shared<User>();
    user_->delegate = std::static_pointer_cast<UserDelegate>(shared_from_this());
    user_->appInfo(bankShortName);
  }
  void didAppInfo(bool ok, const core::Value& json) override {
    if (auto reply = std::move(reply_)) reply(ok, json);
    reply_ = nullptr;
    // The client is still inside its own callback: let go of it on the next turn of the loop.
    rl::RunLoop::main().post([keep = std::move(self_)] {});
  }

 private:
  Reply reply_;
  std::shared_ptr<User> user_;
  std::shared_ptr<UserAppInfoClient> self_;
};

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

  VDNetworkHelper::setAppInfoClientFactory([] { return std::make_shared<UserAppInfoClient>(); });

  // The notes client reads "appInfo" and "ALLTESTID" from the session, possibly from a worker thread:
  // the session belongs to the main thread, so the copy is made there.
  MyNote::setSessionReader([](const std::string& key) {
    core::Value value;
    rl::performOnMainThread(
        [&] {
          if (AppDelegate* app = AppDelegate::current()) value = app->userSession()[key].deepCopy();
        },
        true);
    return value;
  });
}
