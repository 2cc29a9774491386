#pragma once
// VDAppStatistics: the one door through which the screens report to the usage statistics. Class
// methods only, no state.
//
// Page name: "<subject>-<navigation title>", the subject being the chosen subject's short name
// (VDHelper::getSubjectEName) and the title the screen's navigation title, or its class name when it
// has none. Every screen starts its page view when it appears and ends it when it disappears.

#include <optional>
#include <string>
#include <utility>

#include "app/AppServices.h"
#include "statistics/StatsServices.h"

namespace core {
struct Notification;
}
namespace ui {
class ViewController;
}

class VDAppStatistics {
 public:
  static constexpr const char* kAppKey = "7e3c19d0a4b25f8861c0e9d3";
  static constexpr int kReportPolicy = 0;
  static constexpr double kLogSendInterval = 1.0;
  static constexpr const char* kUndefinedEventName = "未定义点击事件的名称";

  // Event identifiers the screens count.
  static constexpr const char* kChapterCategory = "ChapterCategory";
  static constexpr const char* kSimulationExam = "SimulationExam";
  static constexpr const char* kChapterExam = "ChapterExam";
  static constexpr const char* kExamGuide = "ExamGuide";
  static constexpr const char* kRandomExam = "RandomExam";
  static constexpr const char* kChapterQuickExercises = "ChapterQuickExercises";
  static constexpr const char* kMyFavorites = "MyFavorites";
  static constexpr const char* kWrongRedo = "WrongRedo";
  static constexpr const char* kLearnRecord = "LearnRecord";
  static constexpr const char* kTestRanking = "TestRanking";
  static constexpr const char* kStatisticalAnalysis = "StatisticalAnalysis";
  static constexpr const char* kMyNote = "MyNote";
  static constexpr const char* kExamWebSite = "ExamWebSite";
  static constexpr const char* kFeedback = "Feedback";
  static constexpr const char* kSetting = "Setting";
  static constexpr const char* kAbove = "Above";
  static constexpr const char* kNetworkCount = "NetworkCount";
  static constexpr const char* kFindTest = "FindTest";
  static constexpr const char* kChooseSubject = "ChooseSubject";
  static constexpr const char* kCheckUpdate = "CheckUpdate";
  // The home screen's find-test function ("findTest", label "查找试题") and the ranking screen's
  // segment switch ("segSwitch1", screen name "排行").
  static constexpr const char* kFindTestEvent = "findTest";
  static constexpr const char* kFindTestLabel = "查找试题";
  static constexpr const char* kSegSwitchEvent = "segSwitch1";
  static constexpr const char* kRankingScreenName = "排行";

  // Starts the statistics at launch: the component's own crash reports off (crashes belong to the
  // crash catcher), the application version, a send interval of 1 second, the start with the
  // application key, report policy 0 and the bundle's display name as channel, then the online
  // configuration, whose finish notice is observed (once, however often this runs). The component
  // first gets its services (wall clock, log sink): `services`, by default the real ones.
  static void startStatsTrack();
  static void startStatsTrack(const StatsServices& services);
  // Gives the statistics component what it cannot show itself: its update alert (a block alert on the
  // key window) and the opener of the alert's address. startStatsTrack installs them.
  static void installUpdateAlertHooks();

  // Counts an event; with a label; with the label "<screen name>-<name>" (the name missing:
  // "<screen name>-未定义点击事件的名称").
  static void logEvent(const std::string& eventId);
  static void logEvent(const std::string& eventId, const std::string& eventName);
  static void logEvent(const std::string& eventId, const std::optional<std::string>& eventName,
                       const std::string& vcName);

  // Begins the screen's page view; ends the screen's text editing (the keyboard goes away) and ends
  // its page view.
  static void pageviewStartWithViewController(ui::ViewController& vc);
  static void pageviewEndWithViewController(ui::ViewController& vc);

  // The finish notice of the online configuration: nothing to do.
  static void onlineConfigCallBack(const core::Notification& notification);

  // The page name of a screen (see above).
  static std::string pageName(ui::ViewController& vc);
};

// The start-up's statistics collaborator backed by VDAppStatistics (for AppServices), handing the
// component the services it was made with (by default the real ones).
class VDAppStatisticsTracker : public VDAppStatisticsStarter {
 public:
  explicit VDAppStatisticsTracker(StatsServices services = {}) : services_(std::move(services)) {}
  void startStatsTrack() override { VDAppStatistics::startStatsTrack(services_); }

 private:
  StatsServices services_;
};
