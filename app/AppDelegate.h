#pragma once
// AppDelegate: the application delegate. It runs the start-up, owns the two session dictionaries for
// the life of the process, watches the network and shows the one network alert, keeps the automatic
// re-login timer, holds the root controllers of the main screen and offers the animated exit.
// It also switches the window's root screen (showMainVC, showSelectSeriesVC). Everything here runs on
// the main thread. The shell's helpers reach it through AppDelegate::current() (VDHelper::getAppdelegate());
// the helpers below it see only its ApplicationState, the screens only its AppShell and Session (the
// typed user, subject and bank-check state over the two dictionaries below).
//
// userSession (never stored): "userInfo" (present exactly while a user is logged in), "appInfo",
// "isUserLogout", "saveAppName", "saveQuoteName", "saveAllSubject", "ALLTESTID", "Inform", "updateNote",
// "noteText".
// downSession (one question-bank check): "cacelBlock", "completeBlock", "stopBlock", "isFirstOpenMain",
// "isEvenMore", "isHavefileName", "Main", "isUpdateDB", "isHaveAppUpdate", "tableView"; the update
// centre's last reply is kept beside it as a typed value (ApplicationState::updateReply).
//
// First start: while the user default "isFirstOpen" is not set, each launch adds the keys of the bundle's
// "vardo-config" that the user defaults do not hold yet (a value the user changed is never overwritten).
// The keychain item "UserNamePwdService" is reset only on the very first launch of the installation,
// which the user default "vardoSeeded" records.

#include <cstdint>
#include <memory>
#include <string>

#include "app/AppServices.h"
#include "app/AppShell.h"
#include "app/ApplicationState.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/Value.h"
#include "ui/Application.h"
#include "ui/Geometry.h"

namespace ui {
class NavigationItem;
class ViewController;
}  // namespace ui

class AppDelegate : public ui::ApplicationDelegate,
                    public ApplicationState,
                    public AppShell,
                    public std::enable_shared_from_this<AppDelegate> {
 public:
  static constexpr double kAutoLoginInterval = 36000;
  static constexpr double kNetworkAlertDelay = 1.0;
  static constexpr double kExitAnimationDuration = 0.3;
  static constexpr const char* kExitAnimationID = "exitApplication";
  static constexpr const char* kSeededDefault = "vardoSeeded";
  static constexpr const char* kKeychainIdentifier = "UserNamePwdService";

  // The executable passes AppServices::standard(); tests pass their doubles.
  explicit AppDelegate(AppServices services);
  ~AppDelegate() override;

  // The delegate of the current application; nullptr when there is none or it is not an AppDelegate.
  static AppDelegate* current();
  // A copy of one value of the current application's userSession, null when there is no application or
  // no such value. Callable from any thread: the copy is made on the main thread (a worker waits for
  // it). The request clients that read the session (MyNote) are made with it.
  static core::Value sessionValue(const std::string& key);

  // ---- life cycle ----
  bool didFinishLaunching(ui::Application& app) override;  // the start-up; answers true
  void willResignActive(ui::Application& app) override {}
  void didEnterBackground(ui::Application& app) override {}
  void willEnterForeground(ui::Application& app) override {}
  void didBecomeActive(ui::Application& app) override {}
  void willTerminate(ui::Application& app) override;  // stops observing the reachability notice

  // ---- sessions and flags ----
  // userSession, downSession, SqlErrorNumber and hostReach: ApplicationState.
  ui::Window* window() const override { return ApplicationDelegate::window.get(); }

  std::shared_ptr<ui::ViewController> viewController() const { return viewController_; }
  void setViewController(std::shared_ptr<ui::ViewController> vc) override { viewController_ = std::move(vc); }
  const core::Value& appNameKeyValue() const { return appNameKeyValue_; }
  void setAppNameKeyValue(core::Value v) { appNameKeyValue_ = std::move(v); }
  int isReachable() const override { return isReachable_; }
  bool isAlertOpen() const { return isAlertOpen_; }
  void setIsAlertOpen(bool open) { isAlertOpen_ = open; }
  bool isFirstOpenMain() const override { return isFirstOpenMain_; }
  void setIsFirstOpenMain(bool v) override { isFirstOpenMain_ = v; }
  bool isEvenMore() const { return isEvenMore_; }
  void setIsEvenMore(bool v) { isEvenMore_ = v; }
  int currentModule() const override { return currentModule_; }
  void setCurrentModule(int module) override { currentModule_ = module; }
  // The side-panel container of the main screen (SidePanelContainer), null before showMainVC.
  std::shared_ptr<ui::ViewController> sidePanelVC() const { return sidePanelVC_; }
  void setSidePanelVC(std::shared_ptr<ui::ViewController> vc) { sidePanelVC_ = std::move(vc); }
  std::shared_ptr<ui::ViewController> evenMoreVC() const override { return evenMoreVC_; }
  void setEvenMoreVC(std::shared_ptr<ui::ViewController> vc) { evenMoreVC_ = std::move(vc); }
  std::shared_ptr<ui::ViewController> mainInterfaceVC() const override { return mainInterfaceVC_; }
  void setMainInterfaceVC(std::shared_ptr<ui::ViewController> vc) { mainInterfaceVC_ = std::move(vc); }
  std::shared_ptr<ui::NavigationItem> mainNavigationItem() const { return mainNavigationItem_; }
  void setMainNavigationItem(std::shared_ptr<ui::NavigationItem> item) override {
    mainNavigationItem_ = std::move(item);
  }
  bool isfirstLogin() const override { return isfirstLogin_; }
  void setIsfirstLogin(bool v) override { isfirstLogin_ = v; }
  // The reachability status of the last change notice (0 until one arrives).
  unsigned status() const { return status_; }

  // ---- root screens ----
  // The side-panel container (SidePanelContainer::make) with the home screen ("sidebar") in a navigation
  // controller as centre panel and the "more" menu ("evenmore") as left panel; this delegate keeps
  // sidePanelVC, mainInterfaceVC and evenMoreVC. The container's background bank check ends in
  // bankCheckFinished.
  void showMainVC();
  // The subject choice ("selectSubject") in a navigation controller.
  void showSelectSeriesVC();
  // The first screen of the subject choice as the window's root, as at a first start without a subject:
  // the catalogue search ("selectSort") for this application's bundle, else showSelectSeriesVC.
  void showSubjectChoice();
  // The end of the main screen's background bank check: the DownSession gets "isUpdateDB" NO,
  // "isHavefileName" = whether the subject's database exists, "Main" YES; then the services' library
  // check runs.
  void bankCheckFinished(bool databaseExists);

  // ---- network ----
  // The network alert "断网提示" with the message; nothing when an alert of this delegate is open.
  void networkAlert(const std::string& message) override;
  void reachabilityChanged(const core::Notification& notification);

  // ---- exit ----
  void exitSoft(const std::string& message);  // asks first ("关闭程序" / "取消")
  void exitSoft() override;                   // the exit animation at once; the process ends after it
  void animationFinished(const std::string& animationID, bool finished);
  ui::Transform transformForOrientation() const;

  // ---- automatic re-login ----
  // Starts the re-login timer (every 36000 s from now); a running timer is stopped first.
  void fireAutoLoginTimer() override;
  // One re-login: sends a LoginRequest with the logged-in user's name and password. Nothing is sent
  // while nobody is logged in.
  void timing();
  void stopAutoLoginTimer() override;
  // Whether the timer runs (for the screens that log out and for tests).
  static bool isAutoLoginTimerRunning();

  bool isSingleTask() const;

  // ---- logging out ----
  // The one logout rule: the "more" menu logs out when it exists (session, headers, menu); otherwise
  // endUserSession does the session side.
  void logOut() override;
  // The session side of a logout: "userInfo" removed and "isUserLogout" YES.
  void endUserSession() override;

  const AppServices& services() const override { return services_; }

 private:
  void seedFirstStartDefaults();
  void chooseRootScreen();

  AppServices services_;
  std::shared_ptr<ui::ViewController> viewController_;
  core::Value appNameKeyValue_;
  int isReachable_ = 0;
  bool isAlertOpen_ = false;
  bool isFirstOpenMain_ = false;
  bool isEvenMore_ = false;
  int currentModule_ = 0;
  std::shared_ptr<ui::ViewController> sidePanelVC_;
  std::shared_ptr<ui::ViewController> evenMoreVC_;
  std::shared_ptr<ui::ViewController> mainInterfaceVC_;
  std::shared_ptr<ui::NavigationItem> mainNavigationItem_;
  bool isfirstLogin_ = false;
  unsigned status_ = 0;
  core::ObserverToken reachabilityObserver_;
};
