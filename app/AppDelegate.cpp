#include "app/AppDelegate.h"

#include <cmath>
#include <cstdlib>

#include "app/AppAlerts.h"
#include "app/AppPaths.h"
#include "app/SidePanelContainer.h"
#include "app/SubjectChoice.h"
#include "app/VDViewControllerFactory.h"
#include "platform/core/Bundle.h"
#include "platform/core/PropertyList.h"
#include "platform/core/UserDefaults.h"
#include "platform/runloop/RunLoop.h"
#include "platform/runloop/Timer.h"
#include "platform/system/Device.h"
#include "service/ServiceShell.h"
#include "ui/NavigationBar.h"
#include "ui/NavigationController.h"
#include "ui/NavigationItem.h"
#include "ui/Window.h"
#include "util/DeviceIdentifier.h"
#include "util/KeychainItemStore.h"
#include "util/SystemVersion.h"
#include "widgets/UIAlertViewBlock.h"

namespace {

// The one re-login timer of the process, and the delegate that started it.
struct AutoLoginSlot {
  std::shared_ptr<rl::Timer> timer;
  const AppDelegate* owner = nullptr;
};

AutoLoginSlot& autoLoginSlot() {
  static AutoLoginSlot slot;
  return slot;
}

std::string localized(const char* key) { return core::Bundle::main().localizedString(key); }

}  // namespace

AppDelegate::AppDelegate(AppServices services) : services_(std::move(services)) { clock_ = services_.clock; }

AppDelegate::~AppDelegate() {
  if (reachabilityObserver_) core::NotificationCenter::defaultCenter().removeObserver(reachabilityObserver_);
  AutoLoginSlot& slot = autoLoginSlot();
  if (slot.owner == this) stopAutoLoginTimer();
}

AppDelegate* AppDelegate::current() {
  ui::Application* app = ui::Application::current();
  if (!app) return nullptr;
  return dynamic_cast<AppDelegate*>(app->delegate().get());
}

// ---- start-up ----

core::Value AppDelegate::sessionValue(const std::string& key) { return Session::copiedEntry(key); }

bool AppDelegate::didFinishLaunching(ui::Application& app) {
  if (services_.connectShell) services_.connectShell();

  // 1. Class-wide switches of the HTTP client.
  if (services_.httpRequest) {
    services_.httpRequest->setShouldUpdateNetworkActivityIndicator(false);
    services_.httpRequest->setShouldThrottleBandwidthForWWAN(true);
  }
  // 2. Usage statistics.
  if (services_.statistics) services_.statistics->startStatsTrack();
  // 3. Crash catcher.
  if (services_.crashCatcher) services_.crashCatcher->installUncaughtExceptionHandler();
  // 4. Bar appearance.
  ui::NavigationBar::setAppearanceBarStyle(ui::BarStyle::Black);
  if (systemMajorVersionNumber() >= 7) app.setStatusBarStyle(ui::StatusBarStyle::LightContent, false);
  // 5. Reachability.
  std::weak_ptr<AppDelegate> weak = weak_from_this();
  if (reachabilityObserver_) core::NotificationCenter::defaultCenter().removeObserver(reachabilityObserver_);
  reachabilityObserver_ = core::NotificationCenter::defaultCenter().addObserver(
      ReachabilityWatcher::kReachabilityChangedNotification,
      [weak](const core::Notification& n) {
        if (auto self = weak.lock()) self->reachabilityChanged(n);
      },
      this);
  if (services_.reachabilityForInternetConnection) hostReach_ = services_.reachabilityForInternetConnection();
  if (hostReach_) hostReach_->startNotifier();
  isReachable_ = hostReach_ && hostReach_->isReachable() ? 1 : 0;
  if (!isReachable_) networkAlert(localized("alertNetwork"));
  // 6. The home screen has not loaded yet.
  isFirstOpenMain_ = true;
  // 7. Sessions.
  userSession_ = core::Value::dictionary();
  downSession_ = core::Value::dictionary();
  // 8. First-start defaults.
  seedFirstStartDefaults();
  // 9. The chosen subject (a choice that cannot name files counts as none).
  const core::Value saved = core::UserDefaults::standard().objectForKey("saveAppName");
  appNameKeyValue_ = SubjectChoice::isUsableQuoteProduct(saved) ? saved : core::Value();
  // 10. Root screen.
  chooseRootScreen();
  return true;
}

void AppDelegate::seedFirstStartDefaults() {
  auto& defaults = core::UserDefaults::standard();
  if (defaults.boolForKey("isFirstOpen")) return;

  // Only keys the user defaults do not hold yet: a launch before the exam-category screen's start
  // button must not undo what the user changed.
  if (const auto path = AppPaths::configPath()) {
    const core::Value config = core::PropertyList::readFile(*path);
    for (const auto& [key, value] : config.dict())
      if (defaults.objectForKey(key).isNil()) defaults.setObject(key, value);
  }
  const bool firstLaunch = !defaults.boolForKey(kSeededDefault);
  if (firstLaunch) defaults.setBool(kSeededDefault, true);
  defaults.synchronize();

  // The saved login is cleared once, for a new installation; later launches keep it.
  if (firstLaunch) KeychainItemStore(kKeychainIdentifier).resetKeychainItem();
}

void AppDelegate::chooseRootScreen() {
  if (!appNameKeyValue_.isNil()) {
    showMainVC();
  } else {
    showSubjectChoice();
  }
}

void AppDelegate::showSubjectChoice() {
  if (core::Bundle::main().bundleName() == "vardo") {
    auto sort = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("selectSort");
    if (sort && window()) window()->setRootViewController(std::make_shared<ui::NavigationController>(sort));
  } else {
    showSelectSeriesVC();
  }
}

// ---- root screens ----

void AppDelegate::showMainVC() {
  if (!window()) return;
  SidePanelContainer::BankCheck check;
  check.bankFile = [] {
    const std::string subject = SubjectChoice::subjectEName();
    return subject.empty() ? std::string() : AppPaths::dbSavePath() + "/" + subject + ".db";
  };
  std::weak_ptr<AppDelegate> weak = weak_from_this();
  check.finished = [weak](bool exists) {
    if (auto self = weak.lock()) self->bankCheckFinished(exists);
  };
  const SidePanelContainer::Made sidePanel = SidePanelContainer::make(std::move(check));
  if (!sidePanel.screen || !sidePanel.container) return;
  setSidePanelVC(sidePanel.screen);

  auto& factory = VDViewControllerFactory::shareFactory();
  auto home = factory.instantiateViewControllerWithIdentifier("sidebar");
  auto more = factory.instantiateViewControllerWithIdentifier("evenmore");
  setMainInterfaceVC(home);
  setEvenMoreVC(more);

  if (home) sidePanel.container->setCenterPanel(std::make_shared<ui::NavigationController>(home));
  if (more) sidePanel.container->setLeftPanel(more);
  window()->setRootViewController(sidePanel.screen);
}

void AppDelegate::showSelectSeriesVC() {
  if (!window()) return;
  auto subject =
      VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("selectSubject");
  if (!subject) return;
  window()->setRootViewController(std::make_shared<ui::NavigationController>(subject));
}

void AppDelegate::bankCheckFinished(bool databaseExists) {
  DownloadState state = downloadState();
  state.isUpdateDB = false;
  state.isHavefileName = databaseExists;
  state.main = true;
  setDownloadState(state);
  if (services_.libraryCheck) services_.libraryCheck();
}

void AppDelegate::logOut() {
  if (auto* menu = dynamic_cast<ForcedLogoutMoreMenu*>(evenMoreVC().get())) {
    menu->userLogout();
  } else {
    endUserSession();
  }
}

void AppDelegate::endUserSession() {
  core::Value session = userSession();
  if (!session.isDictionary()) return;
  session.remove(SessionUser::kSessionKey);
  session.set("isUserLogout", true);
}

void AppDelegate::willTerminate(ui::Application& app) {
  if (reachabilityObserver_) core::NotificationCenter::defaultCenter().removeObserver(reachabilityObserver_);
  reachabilityObserver_ = {};
}

// ---- network ----

void AppDelegate::reachabilityChanged(const core::Notification& notification) {
  // The notice carries the watcher that changed; the status read is the internet connection's.
  if (!hostReach_) return;
  status_ = static_cast<unsigned>(hostReach_->currentReachabilityStatus());
  if (status_ != 0) {
    isReachable_ = 1;
    return;
  }
  std::weak_ptr<AppDelegate> weak = weak_from_this();
  rl::performAfterDelay(kNetworkAlertDelay, [weak] {
    if (auto self = weak.lock()) self->networkAlert(localized("alertNetwork"));
  });
  isReachable_ = 0;
}

void AppDelegate::networkAlert(const std::string& message) {
  if (isAlertOpen_) return;
  isAlertOpen_ = true;
  std::weak_ptr<AppDelegate> weak = weak_from_this();
  auto alert = std::make_shared<UIAlertViewBlock>(
      "断网提示", message,
      [weak](bool cancelled, int) {
        auto self = weak.lock();
        if (!self) return;
        self->isAlertOpen_ = false;
        if (cancelled) return;
        if (self->status_ != 0)
          AppAlerts::createAlert("提示", "网络连接成功！", "OK");
        else
          self->networkAlert(localized("alertNetwork"));
      },
      "取消", std::vector<std::string>{"重试"});
  alert->show();
}

// ---- exit ----

void AppDelegate::exitSoft(const std::string& message) {
  if (isAlertOpen_) return;
  isAlertOpen_ = true;
  std::weak_ptr<AppDelegate> weak = weak_from_this();
  auto alert = std::make_shared<UIAlertViewBlock>(
      localized("alertTitle"), message,
      [weak](bool cancelled, int) {
        auto self = weak.lock();
        if (!self) return;
        self->isAlertOpen_ = false;
        if (!cancelled) self->exitSoft();
      },
      "取消", std::vector<std::string>{"关闭程序"});
  alert->show();
}

void AppDelegate::exitSoft() {
  // The window shrinks to a point over 0.3 s; the end of the animation ends the process.
  std::weak_ptr<AppDelegate> weak = weak_from_this();
  ui::View::beginAnimations(kExitAnimationID);
  ui::View::setAnimationDuration(kExitAnimationDuration);
  ui::View::setAnimationDidStop([weak](const std::string& animationID, bool finished) {
    if (auto self = weak.lock()) self->animationFinished(animationID, finished);
  });
  if (window()) window()->setTransform(ui::Transform::scale(0.001, 0.0011).concat(transformForOrientation()));
  ui::View::commitAnimations();
}

void AppDelegate::animationFinished(const std::string& animationID, bool finished) {
  if (animationID != kExitAnimationID) return;
  if (ui::Application* app = ui::Application::current()) app->terminate(0);
}

ui::Transform AppDelegate::transformForOrientation() const {
  ui::Application* app = ui::Application::current();
  if (!app) return ui::Transform::identity();
  switch (app->statusBarOrientation()) {
    case ui::InterfaceOrientation::PortraitUpsideDown:
      return ui::Transform::rotation(-M_PI);
    case ui::InterfaceOrientation::LandscapeRight:  // 3
      return ui::Transform::rotation(M_PI / 2);
    case ui::InterfaceOrientation::LandscapeLeft:  // 4
      return ui::Transform::rotation(3 * M_PI / 2);
    default:
      return ui::Transform::identity();
  }
}

// ---- automatic re-login ----

void AppDelegate::fireAutoLoginTimer() {
  // One timer at a time: a new login replaces the running timer instead of leaving it behind.
  stopAutoLoginTimer();
  std::weak_ptr<AppDelegate> weak = weak_from_this();
  auto timer = rl::Timer::scheduled(kAutoLoginInterval, true, [weak](rl::Timer&) {
    if (auto self = weak.lock()) self->timing();
  });
  timer->setFireDate(rl::RunLoop::current().now() + kAutoLoginInterval);
  AutoLoginSlot& slot = autoLoginSlot();
  slot.timer = timer;
  slot.owner = this;
}

void AppDelegate::timing() {
  const std::optional<SessionUser> account = user();
  if (!account) {
    // Nobody is logged in (a logout that did not stop the timer): nothing to renew, and the timer
    // has no further use; the next login starts a new one.
    stopAutoLoginTimer();
    return;
  }
  core::Value request = core::Value::dictionary();
  request.set("AppEName", "");
  request.set("Group", 0);
  request.set("ID", 0);
  request.set("LoginCheckCode", macaddress().value_or(""));
  request.set("LoginCount", 0);
  request.set("Pwd", account->pwd);
  request.set("UserName", account->userName);
  if (!services_.newUser) return;
  if (auto user = services_.newUser()) user->login(request);
}

void AppDelegate::stopAutoLoginTimer() {
  AutoLoginSlot& slot = autoLoginSlot();
  if (slot.timer) slot.timer->invalidate();
  slot.timer.reset();
  slot.owner = nullptr;
}

bool AppDelegate::isAutoLoginTimerRunning() {
  const AutoLoginSlot& slot = autoLoginSlot();
  return slot.timer && slot.timer->isValid();
}

bool AppDelegate::isSingleTask() const {
  const std::string version = sys::Device::systemVersion();
  const double number = std::strtod(version.c_str(), nullptr);
  const std::string machine = sys::Device::machine();
  return number < 4 || machine.find("iPod1,1") != std::string::npos ||
         machine.find("iPod2,1") != std::string::npos;
}
