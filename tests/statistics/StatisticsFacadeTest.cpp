#include <gmock/gmock.h>

#include "app/VDAppStatistics.h"
#include "platform/core/NotificationCenter.h"
#include "tests/shellui/ShellFixture.h"
#include "ui/NavigationController.h"
#include "ui/TextField.h"

using namespace shellui_test;

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

void expectCall(const UsageStats::Call& call, const std::string& operation,
                const std::vector<core::Value>& args) {
  SCOPED_TRACE(operation);
  EXPECT_EQ(call.operation, operation);
  ASSERT_EQ(call.arguments.size(), args.size());
  for (std::size_t i = 0; i < args.size(); ++i) {
    EXPECT_EQ(call.arguments[i].type(), args[i].type()) << "argument " << i;
    EXPECT_EQ(call.arguments[i], args[i]) << "argument " << i << ": " << call.arguments[i].describe();
  }
}

}  // namespace

using StatisticsFacade = ShellFixture;

TEST_F(StatisticsFacade, StartStatsTrackConfiguresAndStartsTheComponentInOrder) {
  const std::string version = core::Bundle::main().shortVersion();
  const std::string channel =
      core::Bundle::main().objectForInfoDictionaryKey("CFBundleDisplayName").toString();
  ASSERT_FALSE(version.empty());
  ASSERT_FALSE(channel.empty());
  auto& center = core::NotificationCenter::defaultCenter();
  const std::size_t observersBefore = center.observerCount();

  VDAppStatistics::startStatsTrack();

  const auto calls = UsageStats::calls();
  ASSERT_EQ(calls.size(), 5u);
  expectCall(calls[0], "setCrashReportEnabled:", {false});
  expectCall(calls[1], "setAppVersion:", {version});
  expectCall(calls[2], "setLogSendInterval:", {1.0});
  expectCall(calls[3], "startWithAppkey:reportPolicy:channelId:", {"7e3c19d0a4b25f8861c0e9d3", 0, channel});
  expectCall(calls[4], "updateOnlineConfig", {});
  const auto settings = UsageStats::settings();
  EXPECT_FALSE(settings.crashReportEnabled);
  EXPECT_EQ(settings.logSendInterval, 10);  // the component's least interval
  EXPECT_TRUE(settings.started);

  // The finish notice of the online configuration is observed once, however often the start runs
  // (an earlier start in this process may have registered the observer already).
  const std::size_t observersAfter = center.observerCount();
  EXPECT_GE(observersAfter, 1u);
  EXPECT_LE(observersAfter, observersBefore + 1);
  VDAppStatistics::startStatsTrack();
  EXPECT_EQ(center.observerCount(), observersAfter);
  int notices = 0;
  auto token = center.addObserver(UsageStats::kOnlineConfigDidFinishedNotification,
                                  [&](const core::Notification&) { ++notices; });
  h().drainMain();
  EXPECT_EQ(notices, 2);  // one per request, delivered from the main loop
  center.removeObserver(token);
}

TEST_F(StatisticsFacade, ScreensCountTheirPageViewsUnderSubjectAndTitleOrClassName) {
  launch();
  chooseSubject("zyys");
  auto practice = std::make_shared<ReportingScreen>("ChapterListViewController", "章节练习");
  auto untitled = std::make_shared<ReportingScreen>("FindTestViewController", "");
  auto nav = std::make_shared<ui::NavigationController>(practice);
  h().setRoot(nav);
  h().advance(4.2);

  ASSERT_TRUE(nav->pushViewController(untitled, true));
  h().settle();
  h().advance(2.5);
  nav->popViewController(true);
  h().settle();

  const auto views = UsageStats::pageViews();
  ASSERT_EQ(views.size(), 2u);
  EXPECT_EQ(views[0].pageName, "zyys-章节练习");
  EXPECT_EQ(views[0].seconds, 4);
  EXPECT_EQ(views[1].pageName, "zyys-FindTestViewController");
  EXPECT_EQ(views[1].seconds, 2);  // 0.35 s of transition + 2.5 s, in whole seconds
  EXPECT_THAT(UsageStats::openPages(), ::testing::ElementsAre("zyys-章节练习"));  // shown again
}

TEST_F(StatisticsFacade, EndingAPageViewPutsTheKeyboardAway) {
  launch();
  auto screen = std::make_shared<ReportingScreen>("FeedbackViewController", "意见反馈");
  h().setRoot(screen);
  ASSERT_TRUE(h().type(screen->field(), "慢"));
  ASSERT_TRUE(screen->field().isFirstResponder());

  VDAppStatistics::pageviewEndWithViewController(*screen);

  EXPECT_FALSE(screen->field().isFirstResponder());
  ASSERT_EQ(UsageStats::pageViews().size(), 1u);
  EXPECT_EQ(UsageStats::pageViews()[0].pageName, "-意见反馈");  // no subject chosen yet
}

TEST_F(StatisticsFacade, EventsReachTheComponentWithTheirLabels) {
  VDAppStatistics::logEvent(VDAppStatistics::kChapterCategory);
  VDAppStatistics::logEvent(VDAppStatistics::kFindTestEvent, VDAppStatistics::kFindTestLabel);
  VDAppStatistics::logEvent(VDAppStatistics::kSegSwitchEvent, std::optional<std::string>("周排行"),
                            VDAppStatistics::kRankingScreenName);
  VDAppStatistics::logEvent(VDAppStatistics::kSegSwitchEvent, std::nullopt,
                            VDAppStatistics::kRankingScreenName);

  const auto events = UsageStats::events();
  ASSERT_EQ(events.size(), 4u);
  struct Expected {
    const char* id;
    std::optional<std::string> label;
  };
  const Expected expected[] = {{"ChapterCategory", std::nullopt},
                               {"findTest", "查找试题"},
                               {"segSwitch1", "排行-周排行"},
                               {"segSwitch1", "排行-未定义点击事件的名称"}};
  for (std::size_t i = 0; i < events.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(events[i].eventId, expected[i].id);
    EXPECT_EQ(events[i].label, expected[i].label);
  }
}

TEST_F(StatisticsFacade, ComponentStandInKeepsThePageViewRules) {
  UsageStats::endLogPageView("never-begun");  // nothing without a start
  UsageStats::beginLogPageView("");           // an empty name is ignored
  UsageStats::endLogPageView("");
  UsageStats::beginLogPageView("p");
  h().advance(0.9);
  UsageStats::endLogPageView("p");
  UsageStats::endLogPageView("p");  // the start is forgotten after the first end
  const auto views = UsageStats::pageViews();
  ASSERT_EQ(views.size(), 1u);
  EXPECT_EQ(views[0].pageName, "p");
  EXPECT_EQ(views[0].seconds, 0);

  const std::pair<double, double> intervals[] = {{1, 10},        {9.99, 10},  {10, 10}, {600, 600},
                                                 {86400, 86400}, {86401, 10}, {-5, 10}};
  for (const auto& [given, kept] : intervals) {
    SCOPED_TRACE(given);
    UsageStats::setLogSendInterval(given);
    EXPECT_EQ(UsageStats::settings().logSendInterval, kept);
  }
}
