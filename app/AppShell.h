#pragma once
// AppShell: what the screens ask of the application shell, without knowing the application delegate
// (AppDelegate implements it): the window, the network state and its one alert, the main screen's
// root controllers and menu, the answering module in use, logging out, the automatic re-login and the
// exit. The screens read the user, subject and bank-check state through Session. Main thread.

#include <memory>
#include <string>

namespace ui {
class NavigationItem;
class ViewController;
class Window;
}  // namespace ui
struct AppServices;

class AppShell {
 public:
  virtual ~AppShell() = default;

  virtual ui::Window* window() const = 0;
  virtual const AppServices& services() const = 0;

  // ---- network ----
  // The reachability status the delegate watches (0: not reachable).
  virtual int isReachable() const = 0;
  // The network alert "断网提示" with the message; nothing while one is open.
  virtual void networkAlert(const std::string& message) = 0;

  // ---- the main screen ----
  virtual void setViewController(std::shared_ptr<ui::ViewController> vc) = 0;
  virtual std::shared_ptr<ui::ViewController> mainInterfaceVC() const = 0;
  virtual std::shared_ptr<ui::ViewController> evenMoreVC() const = 0;
  virtual void setMainNavigationItem(std::shared_ptr<ui::NavigationItem> item) = 0;
  virtual bool isFirstOpenMain() const = 0;
  virtual void setIsFirstOpenMain(bool v) = 0;
  virtual bool isfirstLogin() const = 0;
  virtual void setIsfirstLogin(bool v) = 0;
  virtual int currentModule() const = 0;
  virtual void setCurrentModule(int module) = 0;

  // ---- the user's session ----
  virtual void logOut() = 0;          // the one logout rule
  virtual void endUserSession() = 0;  // its session side
  virtual void fireAutoLoginTimer() = 0;
  virtual void stopAutoLoginTimer() = 0;

  // The exit animation at once; the process ends after it.
  virtual void exitSoft() = 0;

  // The running application's shell; nullptr when no application runs or its delegate is none.
  static AppShell* current();
};
