// The application's statistics facade (VDAppStatistics) over the real component: what the start-up
// sets and asks, the page views and events of screens, and a whole life of the application under its
// send-on-launch policy, as the loopback API server's statistics host receives it.

#include <gmock/gmock.h>
#include <signal.h>

#include <exception>
#include <memory>
#include <string>

#include "app/AppDelegate.h"
#include "app/AppServices.h"
#include "app/VDAppStatistics.h"
#include "app/VDHelper.h"
#include "app/VDViewControllerFactory.h"
#include "platform/core/Bundle.h"
#include "screens/AllScreens.h"
#include "tests/statistics/SessionTestSupport.h"
#include "tests/support/FixedReachability.h"
#include "tests/support/StandInScreens.h"
#include "ui/NavigationController.h"
#include "ui/NavigationItem.h"
#include "ui/TextField.h"
#include "ui/test/Harness.h"

namespace stats_test {
namespace {

// A screen that reports its page view as every screen does: begun when it appears, ended when it goes.
class ReportingScreen : public ui::ViewController {
 public:
  ReportingScreen(std::string className, std::string title) : className_(std::move(className)) {
    if (!title.empty()) setTitle(std::move(title));
  }
  std::string className() const override { return className_; }
  void loadView() override {
    ViewController::loadView();
    field_ = std::make_shared<ui::TextField>(ui::Rect(10, 10, 200, 30));
    field_->setPlaceholder("备注");
    view().addSubview(field_);
  }
  void viewWillAppear(bool) override { VDAppStatistics::pageviewStartWithViewController(*this); }
  void viewWillDisappear(bool) override { VDAppStatistics::pageviewEndWithViewController(*this); }
  ui::TextField& field() { return *field_; }

 private:
  std::string className_;
  std::shared_ptr<ui::TextField> field_;
};

class AppStatistics : public ServerSessionFixture {
 protected:
  void SetUp() override {
    ServerSessionFixture::SetUp();
    core::Bundle::resetMain();
    registerAllScreens();
    testsupport::registerStandInScreensWhereNoneIs();  // the screens of the other areas
    startHarness(0);
  }
  void TearDown() override {
    delegate_.reset();
    harness_.reset();
    ServerSessionFixture::TearDown();
  }

  // A fresh UI whose clock reads `offset` seconds after kNow at its start.
  void startHarness(double offset) {
    harness_ = std::make_unique<ui::test::Harness>();
    // The main loop's clock (the harness's while it lives; screens still end page views as it goes).
    setClock([offset] { return core::Date{kNow + offset + rl::RunLoop::main().now()}; });
  }
  ui::test::Harness& h() { return *harness_; }

  // Launches the application with its statistics start-up, and lets the component's work end.
  void launch() {
    AppServices s;
    s.statistics = std::make_shared<VDAppStatisticsTracker>(services());
    s.reachabilityForInternetConnection = [] { return std::make_shared<testsupport::FixedReachability>(2); };
    delegate_ = std::make_shared<AppDelegate>(std::move(s));
    ASSERT_TRUE(h().launch(delegate_));
    finishWork();
  }

  // The component's page views of the session that ended last (the job file's last termination).
  static core::Value lastActivities() {
    const core::Array ends = terminatesInFile();
    return ends.empty() ? core::Value() : ends[ends.size() - 1]["activities"];
  }

  static std::string displayName() {
    return core::Bundle::main().objectForInfoDictionaryKey("CFBundleDisplayName").toString();
  }

  std::unique_ptr<ui::test::Harness> harness_;
  std::shared_ptr<AppDelegate> delegate_;
};

TEST_F(AppStatistics, StartStatsTrackConfiguresTheComponentAndAsksForTheOnlineConfiguration) {
  const std::string version = core::Bundle::main().shortVersion();
  ASSERT_FALSE(version.empty());
  ASSERT_FALSE(displayName().empty());
  const std::terminate_handler terminateBefore = std::get_terminate();
  struct sigaction segvBefore {};
  ::sigaction(SIGSEGV, nullptr, &segvBefore);
  auto& center = core::NotificationCenter::defaultCenter();
  int notices = 0;
  auto token = center.addObserver(UsageStats::kOnlineConfigDidFinishedNotification,
                                  [&](const core::Notification&) { ++notices; });

  VDAppStatistics::startStatsTrack(services());
  const std::size_t observers = center.observerCount();
  h().advance(1.5);
  finishWork();

  // The component's own crash catcher stays off: nothing was installed.
  EXPECT_FALSE(UsageStats::crashReportEnabled());
  EXPECT_FALSE(UsageStats::uncaughtExceptionHandlerInstalled());
  EXPECT_EQ(std::get_terminate(), terminateBefore);
  struct sigaction segvAfter {};
  ::sigaction(SIGSEGV, nullptr, &segvAfter);
  EXPECT_EQ(segvAfter.sa_handler, segvBefore.sa_handler);

  EXPECT_EQ(UsageStats::appVersion(), version);
  EXPECT_EQ(internal()->sendInterval(), 10);  // 1 second asked, the least is 10
  EXPECT_EQ(internal()->appKey(), VDAppStatistics::kAppKey);
  EXPECT_EQ(UsageStats::reportPolicy(), 1);  // policy 0: once per session, at launch
  EXPECT_EQ(internal()->channelId(), displayName());
  const auto asked = requests("/check_config_update");
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0]["decoded"]["appkey"].str(), VDAppStatistics::kAppKey);
  EXPECT_EQ(asked[0]["decoded"]["channel"].str(), displayName());
  // No activation came: the first session started a second after the start, and went out.
  ASSERT_EQ(uploads().size(), 1u);
  EXPECT_EQ(uploads()[0]["decoded"]["header"]["app_version"].str(), version);

  // A second start observes the finish notice no more often; each fetch posts it once, on the main loop.
  VDAppStatistics::startStatsTrack(services());
  EXPECT_EQ(center.observerCount(), observers);
  finishWork();
  EXPECT_EQ(notices, 2);
  center.removeObserver(token);
}

TEST_F(AppStatistics, ScreensCountTheirPageViewsUnderSubjectAndTitleOrClassName) {
  launch();
  ASSERT_TRUE(VDHelper::saveQuoteProduct(core::Dictionary{{"Key", "科目"}, {"Value", "zyys"}}));
  auto practice = std::make_shared<ReportingScreen>("ChapterListViewController", "章节练习");
  auto untitled = std::make_shared<ReportingScreen>("FindTestViewController", "");
  auto nav = std::make_shared<ui::NavigationController>(practice);
  h().setRoot(nav);
  h().advance(4);

  ASSERT_TRUE(nav->pushViewController(untitled, true));
  h().settle();
  h().advance(2.5);
  nav->popViewController(true);
  h().settle();
  h().app().terminate(0);
  finishWork();

  // The practice screen shows again and is never ended: it is not reported.
  EXPECT_EQ(lastActivities(), core::Value(core::Array{core::Array{"zyys-章节练习", 4},
                                                      core::Array{"zyys-FindTestViewController", 2}}));
}

TEST_F(AppStatistics, EndingAPageViewPutsTheKeyboardAway) {
  launch();
  auto screen = std::make_shared<ReportingScreen>("FeedbackViewController", "意见反馈");
  h().setRoot(screen);
  h().advance(1);
  ASSERT_TRUE(h().type(screen->field(), "慢"));
  ASSERT_TRUE(screen->field().isFirstResponder());

  VDAppStatistics::pageviewEndWithViewController(*screen);

  EXPECT_FALSE(screen->field().isFirstResponder());
  h().app().terminate(0);
  finishWork();
  EXPECT_EQ(lastActivities(), core::Value(core::Array{core::Array{"-意见反馈", 1}}));  // no subject yet
}

TEST_F(AppStatistics, EventsReachTheComponentWithTheirLabels) {
  launch();
  VDAppStatistics::logEvent(VDAppStatistics::kChapterCategory);
  VDAppStatistics::logEvent(VDAppStatistics::kFindTestEvent, VDAppStatistics::kFindTestLabel);
  VDAppStatistics::logEvent(VDAppStatistics::kSegSwitchEvent, std::optional<std::string>("周排行"),
                            VDAppStatistics::kRankingScreenName);
  VDAppStatistics::logEvent(VDAppStatistics::kSegSwitchEvent, std::nullopt,
                            VDAppStatistics::kRankingScreenName);

  const auto events = internal()->snapshot().events;
  ASSERT_EQ(events.size(), 4u);
  const std::pair<const char*, const char*> expected[] = {{"ChapterCategory", "ChapterCategory"},
                                                          {"findTest", "查找试题"},
                                                          {"segSwitch1", "排行-周排行"},
                                                          {"segSwitch1", "排行-未定义点击事件的名称"}};
  for (std::size_t i = 0; i < events.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(events[i]["tag"].str(), expected[i].first);
    EXPECT_EQ(events[i]["label"].str(), expected[i].second);
    EXPECT_EQ(events[i]["acc"].toInt(), 1);
  }
}

TEST_F(AppStatistics, ResigningAndBecomingActiveAgainEndsOneSessionAndStartsTheNext) {
  launch();
  ASSERT_EQ(uploads().size(), 1u);
  const std::string session1 = uploads()[0]["decoded"]["body"]["launch"][0]["session_id"].str();
  h().advance(20);
  h().app().resignActive();  // as the window does when it stops being the active one
  finishWork();
  ASSERT_EQ(terminatesInFile().size(), 1u);
  EXPECT_EQ(terminatesInFile()[0]["duration"].toInt(), 20);

  h().advance(3);
  h().app().becomeActive();
  finishWork();
  const auto sent = uploads();
  ASSERT_EQ(sent.size(), 2u);
  const core::Value body = sent[1]["decoded"]["body"];
  EXPECT_EQ(body["terminate"][0]["session_id"].str(), session1);
  ASSERT_EQ(body["launch"].size(), 1u);
  EXPECT_NE(body["launch"][0]["session_id"].str(), session1);
}

TEST_F(AppStatistics, TheFirstLaunchSendsItsLaunchTheEndSavesTheSessionAndTheNextLaunchSendsIt) {
  // First run: the launch record goes out at once.
  launch();
  auto sent = uploads();
  ASSERT_EQ(sent.size(), 1u);
  const core::Value first = sent[0]["decoded"];
  EXPECT_EQ(first["body"].dict().keys(), std::vector<std::string>{"launch"});
  const std::string session1 = first["body"]["launch"][0]["session_id"].str();
  EXPECT_EQ(session1.size(), 32u);
  EXPECT_EQ(first["header"]["appkey"].str(), VDAppStatistics::kAppKey);
  EXPECT_EQ(first["header"]["channel"].str(), displayName());
  EXPECT_TRUE(internal()->snapshot().launches.empty());  // confirmed: it left memory

  // The session: events and a page view; nothing more is sent meanwhile.
  VDAppStatistics::logEvent(VDAppStatistics::kSetting);
  VDAppStatistics::logEvent(VDAppStatistics::kFindTestEvent, VDAppStatistics::kFindTestLabel);
  auto screen = std::make_shared<ReportingScreen>("SettingViewController", "设置");
  auto nav = std::make_shared<ui::NavigationController>(std::make_shared<ReportingScreen>("Root", ""));
  h().setRoot(nav);
  ASSERT_TRUE(nav->pushViewController(screen, false));
  h().advance(7);
  nav->popViewController(false);
  h().advance(50);
  finishWork();
  EXPECT_EQ(uploads().size(), 1u);

  // The end: the session is saved in the job file, not sent.
  h().app().terminate(0);
  finishWork();
  EXPECT_EQ(h().terminatedWith(), 0);
  EXPECT_EQ(uploads().size(), 1u);
  const core::Value saved = jobFile()["body"];
  EXPECT_EQ(saved.dict().keys(), (std::vector<std::string>{"terminate", "event"}));
  EXPECT_EQ(saved["terminate"][0]["session_id"].str(), session1);
  EXPECT_TRUE(internal()->snapshot().events.empty());

  // The next run of the application (a new process): its launch uploads the first session with it.
  delegate_.reset();
  harness_.reset();
  UsageStats::reset();
  useServer();
  startHarness(3600);
  launch();
  sent = uploads();
  ASSERT_EQ(sent.size(), 2u);
  const core::Value body = sent[1]["decoded"]["body"];
  EXPECT_EQ(body.dict().keys(), (std::vector<std::string>{"launch", "terminate", "event"}));
  ASSERT_EQ(body["launch"].size(), 1u);
  EXPECT_NE(body["launch"][0]["session_id"].str(), session1);
  ASSERT_EQ(body["terminate"].size(), 1u);
  const core::Value end = body["terminate"][0];
  EXPECT_EQ(end["session_id"].str(), session1);
  EXPECT_EQ(end["duration"].toInt(), 57);
  EXPECT_THAT(end["activities"].array().items(), ::testing::Contains(core::Value(core::Array{"-设置", 7})));
  ASSERT_EQ(body["event"].size(), 2u);
  EXPECT_EQ(body["event"][0]["tag"].str(), "Setting");
  EXPECT_EQ(body["event"][1]["label"].str(), "查找试题");
  EXPECT_EQ(body["event"][1]["session_id"].str(), session1);

  EXPECT_FALSE(core::Paths::fileExists(UsageStatsInternal::jobFilePath()));
  const auto lists = internal()->snapshot();
  EXPECT_TRUE(lists.launches.empty());
  EXPECT_TRUE(lists.terminates.empty());
  EXPECT_TRUE(lists.events.empty());
}

}  // namespace
}  // namespace stats_test
