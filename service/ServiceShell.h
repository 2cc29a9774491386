#pragma once
// ServiceShell: what the request layer needs of the application shell, which sits above it. The shell
// fills these hooks once at start-up (installApplicationServiceShell(), app/ServiceShellInstall.cpp);
// tests fill them with their own. An unset hook does nothing: nobody is logged in, no traffic is
// counted, no overlay or alert is shown, and the forced logout ends at once. The request layer holds no
// UI: the busy overlay and the forced-logout alert are the shell's (ServiceShellUI in app/ draws them).
//
// Hooks are read under a lock and copied, so installing may happen on any thread; the hooks themselves
// run on the main thread, except isLoggedIn, which runs on whatever thread starts an asynchronous GET.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// The busy overlay of a request in flight, as the shell shows it.
class BusyOverlay {
 public:
  virtual ~BusyOverlay() = default;
  virtual void close() = 0;  // takes it off the screen (again: nothing)
};

// An alert the shell shows for the request layer.
class ShellAlert {
 public:
  virtual ~ShellAlert() = default;
  virtual bool isOpen() const = 0;  // on screen, or on its way off
};

struct ServiceShell {
  // Whether a user is logged in (the session holds "userInfo").
  std::function<bool()> isLoggedIn;
  // Removes "userInfo" from the session (a forced logout, at once).
  std::function<void()> removeUserInfo;
  // Adds the bytes of one chunk sent or received by an asynchronous request to the traffic counter.
  std::function<void(std::int64_t bytes)> countTraffic;
  // The forced-logout alert's button was pressed: the "more" menu logs the user out, the re-login timer
  // stops, and a login screen marked as opened after a forced logout becomes the window's root in a new
  // navigation controller.
  std::function<void()> forcedLogoutConfirmed;
  // Shows a request's busy overlay, labelled `label`, on the application's window; null: none shown.
  std::function<std::shared_ptr<BusyOverlay>(const std::string& label)> showBusyOverlay;
  // Shows an alert with one button; `pressed` runs when the button is pressed. Null: none shown.
  std::function<std::shared_ptr<ShellAlert>(const std::string& title, const std::string& message,
                                            const std::string& button, std::function<void()> pressed)>
      showAlert;
};

// Replaces the installed hooks.
void setServiceShell(ServiceShell shell);
// A copy of the installed hooks.
ServiceShell serviceShell();

// Screens that take part in the forced logout implement these; the shell's hook finds them by type.
// The login screen made the window's root after a forced logout: a successful login or closing it then
// shows the main screen instead of dismissing it.
struct ForcedLogoutLoginScreen {
  virtual ~ForcedLogoutLoginScreen() = default;
  virtual void setIsStolen(bool stolen) = 0;
};
// The "more" menu: logs the user out (session, headers, menu).
struct ForcedLogoutMoreMenu {
  virtual ~ForcedLogoutMoreMenu() = default;
  virtual void userLogout() = 0;
};

// Installs the application shell's hooks (session of the application delegate, traffic counter, the
// "more" menu, the screen factory's "login" screen, the re-login timer). Defined by the application
// shell (vd_app, app/ServiceShellInstall.cpp); the application delegate calls it once at launch.
void installApplicationServiceShell();
