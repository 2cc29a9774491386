#include "app/VDAppStatistics.h"

#include "app/SubjectChoice.h"
#include "app/VDHelper.h"
#include "platform/core/Bundle.h"
#include "platform/core/NotificationCenter.h"
#include "statistics/UsageStats.h"
#include "ui/NavigationItem.h"
#include "ui/ViewController.h"
#include "widgets/UIAlertViewBlock.h"

namespace {
// Groups the facade's observer of the online-configuration notice.
const char kObserverOwner = 0;
}  // namespace

void VDAppStatistics::installUpdateAlertHooks() {
  UsageStats::setUpdateAlertPresenter(
      [](const UsageStats::UpdateAlert& a, std::function<void(int buttonIndex)> clicked) {
        auto alert = std::make_shared<UIAlertViewBlock>(
            a.title, a.message, [clicked](bool, int index) { clicked(index); }, a.cancelButtonTitle,
            std::vector<std::string>{a.otherButtonTitle});
        alert->show();
      });
  UsageStats::setURLOpener([](const std::string& url) { return VDHelper::openURL(url); });
}

void VDAppStatistics::startStatsTrack() { startStatsTrack(StatsServices{}); }

void VDAppStatistics::startStatsTrack(const StatsServices& services) {
  StatsServices::install(services);
  core::Bundle& bundle = core::Bundle::main();
  installUpdateAlertHooks();
  UsageStats::setCrashReportEnabled(false);
  UsageStats::setAppVersion(bundle.shortVersion());
  UsageStats::setLogSendInterval(kLogSendInterval);
  UsageStats::startWithAppkey(kAppKey, kReportPolicy,
                              bundle.objectForInfoDictionaryKey("CFBundleDisplayName").toString());
  UsageStats::updateOnlineConfig();
  auto& center = core::NotificationCenter::defaultCenter();
  center.removeObserver(UsageStats::kOnlineConfigDidFinishedNotification, &kObserverOwner);
  center.addObserver(UsageStats::kOnlineConfigDidFinishedNotification, &VDAppStatistics::onlineConfigCallBack,
                     &kObserverOwner);
}

void VDAppStatistics::logEvent(const std::string& eventId) { UsageStats::event(eventId); }

void VDAppStatistics::logEvent(const std::string& eventId, const std::string& eventName) {
  UsageStats::event(eventId, eventName);
}

void VDAppStatistics::logEvent(const std::string& eventId, const std::optional<std::string>& eventName,
                               const std::string& vcName) {
  UsageStats::event(eventId, vcName + "-" + eventName.value_or(kUndefinedEventName));
}

std::string VDAppStatistics::pageName(ui::ViewController& vc) {
  std::string title = vc.navigationItem().title();
  if (title.empty()) title = vc.className();
  return SubjectChoice::subjectEName() + "-" + title;
}

void VDAppStatistics::pageviewStartWithViewController(ui::ViewController& vc) {
  UsageStats::beginLogPageView(pageName(vc));
}

void VDAppStatistics::pageviewEndWithViewController(ui::ViewController& vc) {
  if (ui::View* view = vc.viewIfLoaded()) view->endEditing(true);
  UsageStats::endLogPageView(pageName(vc));
}

void VDAppStatistics::onlineConfigCallBack(const core::Notification&) {}
