// The component's public side without a network: start and policy, sessions from the life-cycle
// notifications, events and their limits, timed events, attribute events, page views and location, as
// they end up in memory and in the job file.

#include <gtest/gtest.h>

#include <string>

#include "platform/core/UserDefaults.h"
#include "statistics/StatsEvent.h"
#include "tests/statistics/SessionTestSupport.h"

namespace stats_test {
namespace {

using Session = SessionFixture;

std::vector<std::string> tags(const core::Array& events) {
  std::vector<std::string> out;
  for (const auto& e : events) out.push_back(e["tag"].str());
  return out;
}

std::string repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

TEST_F(Session, StartKeepsKeyChannelPolicyAndASessionIdOfItsStart) {
  UsageStats::startWithAppkey(kKey, 0, "瓦朵题库");
  EXPECT_EQ(UsageStats::sharedInstance().appKey(), kKey);
  EXPECT_EQ(UsageStats::sharedInstance().channelId(), "瓦朵题库");
  EXPECT_EQ(UsageStats::reportPolicy(), 1);  // the public 0
  EXPECT_EQ(UsageStats::sessionID(),
            StatsUtil::md5Value(std::to_string(static_cast<long long>(kNow)) + kKey));
  EXPECT_EQ(UsageStats::sessionID().size(), 32u);

  // A start without a channel keeps the one stored; with none at all the channel is "App Store".
  UsageStats::startWithAppkey(kKey);
  EXPECT_EQ(UsageStats::sharedInstance().channelId(), "瓦朵题库");
  UsageStats::reset();
  UsageStats::startWithAppkey(kKey);
  EXPECT_EQ(UsageStats::sharedInstance().channelId(), "App Store");
}

TEST_F(Session, PublicPolicyBecomesTheInternalOneAndAStoredPolicyWins) {
  const std::pair<int, int> table[] = {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 3},
                                       {5, 1}, {6, 6}, {7, 2}, {8, 1}, {-1, 1}};
  for (const auto& [given, internalValue] : table) {
    SCOPED_TRACE(given);
    UsageStats::setReportPolicy(given);
    EXPECT_EQ(UsageStats::reportPolicy(), internalValue);
  }
  defaults().setObject("report_policy", 6);
  UsageStats::startWithAppkey(kKey, 0, "");
  EXPECT_EQ(UsageStats::reportPolicy(), 6);
}

TEST_F(Session, SendIntervalOutsideTenToADayIsTen) {
  const std::pair<double, double> table[] = {{1, 10},        {9.99, 10},  {10, 10}, {600, 600},
                                             {86400, 86400}, {86401, 10}, {-5, 10}};
  for (const auto& [given, kept] : table) {
    SCOPED_TRACE(given);
    UsageStats::setLogSendInterval(given);
    EXPECT_EQ(internal()->sendInterval(), kept);
  }
}

TEST_F(Session, TheFirstSessionStartsOnActivationOrOneSecondAfterStartNeverTwice) {
  // Without an activation, one second after the start.
  UsageStats::startWithAppkey(kKey, 0, "");
  advance(0.9);
  finishWork();
  EXPECT_TRUE(internal()->snapshot().launches.empty());
  EXPECT_FALSE(internal()->launched());
  advance(0.1);
  finishWork();
  ASSERT_EQ(internal()->snapshot().launches.size(), 1u);
  EXPECT_TRUE(internal()->launched());
  becomeActive();  // already in a session: no second launch
  EXPECT_EQ(internal()->snapshot().launches.size(), 1u);

  // With an activation first, the delayed start finds the session running.
  UsageStats::reset();
  setFacts(offlineFacts());
  UsageStats::startWithAppkey(kKey, 0, "");
  const std::string session = UsageStats::sessionID();  // made by the start
  becomeActive();
  advance(2);
  finishWork();
  const auto launches = internal()->snapshot().launches;
  ASSERT_EQ(launches.size(), 1u);
  EXPECT_EQ(launches[0]["session_id"].str(), session);
}

TEST_F(Session, ASessionReportsItsLengthAndOverTwoHoursCountsAsOneMinute) {
  const std::pair<double, double> table[] = {{125.7, 125}, {7200, 7200}, {7201, 60}, {3 * 3600, 60}};
  UsageStats::startWithAppkey(kKey, 0, "");
  for (const auto& [length, reported] : table) {
    SCOPED_TRACE(length);
    becomeActive();
    const std::string session = UsageStats::sessionID();
    advance(length);
    terminate();
    const auto ends = terminatesInFile();
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0]["duration"].toDouble(), reported);
    EXPECT_EQ(ends[0]["session_id"].str(), session);
    EXPECT_TRUE(internal()->snapshot().terminates.empty());  // saved, memory emptied
    internal()->loadJobDataFromFile();                       // the next session starts from nothing
  }
}

TEST_F(Session, ResignAndTerminateEndOneSessionOnceAndTheNextActivationStartsANewOne) {
  UsageStats::startWithAppkey(kKey, 0, "");
  becomeActive();
  const std::string first = UsageStats::sessionID();
  advance(30);
  post(UsageStats::kWillResignActiveNotification);
  terminate();  // the session already ended
  ASSERT_EQ(terminatesInFile().size(), 1u);

  advance(5);
  becomeActive();  // loads the file back into memory, with a launch of a new session
  const auto lists = internal()->snapshot();
  ASSERT_EQ(lists.launches.size(), 2u);  // nothing was sent: the first session's launch came back too
  ASSERT_EQ(lists.terminates.size(), 1u);
  EXPECT_EQ(lists.launches[0]["session_id"].str(), first);
  EXPECT_EQ(lists.terminates[0]["session_id"].str(), first);
  EXPECT_NE(lists.launches[1]["session_id"].str(), first);
  EXPECT_FALSE(core::Paths::fileExists(UsageStatsInternal::jobFilePath()));
}

struct EventIdCase {
  std::string id;
  bool recorded;
};

TEST_F(Session, EventIdsAreLimitedTo128Bytes) {
  UsageStats::startWithAppkey(kKey, 0, "");
  const EventIdCase cases[] = {
      {std::string(128, 'a'), true},
      {std::string(129, 'a'), false},
      {repeat("章", 42), true},   // 126 bytes
      {repeat("章", 43), false},  // 129 bytes
      {"   ", false},
      {"", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    internal()->clearInstanceData();
    const std::size_t linesBefore = log().size();
    UsageStats::event(c.id);
    EXPECT_EQ(internal()->snapshot().events.size(), c.recorded ? 1u : 0u);
    if (!c.recorded) {
      ASSERT_EQ(log().size(), linesBefore + 1);
      EXPECT_EQ(log().back(), "(Warning) Stats event_id (" + c.id + ") max bytes length > 128");
    }
  }
}

TEST_F(Session, EventsBeforeStartAreDroppedAndEachFormRecordsItsLabelAccAndDuration) {
  UsageStats::event("early");
  EXPECT_TRUE(internal()->snapshot().events.empty());
  EXPECT_EQ(log().back(), std::string("Stats: ") + UsageStats::kNoAppKeyMessage);

  UsageStats::startWithAppkey(kKey, 0, "");
  becomeActive();
  const std::string session = UsageStats::sessionID();
  UsageStats::event("Setting");
  UsageStats::event("findTest", "查找试题");
  UsageStats::eventAcc("count", 3);
  UsageStats::event("both", "标签", 2);
  UsageStats::eventDurations("timed", 1500);
  const auto events = internal()->snapshot().events;
  ASSERT_EQ(events.size(), 5u);
  struct Expected {
    const char* tag;
    const char* label;  // nullptr: no label sent
    int acc, du;
  };
  const Expected expected[] = {{"Setting", "Setting", 1, 0},
                               {"findTest", "查找试题", 1, 0},
                               {"count", nullptr, 3, 0},
                               {"both", "标签", 2, 0},
                               {"timed", "timed", 1, 1500}};
  for (std::size_t i = 0; i < events.size(); ++i) {
    SCOPED_TRACE(expected[i].tag);
    EXPECT_EQ(events[i]["tag"].str(), expected[i].tag);
    if (expected[i].label) {
      EXPECT_EQ(events[i]["label"].str(), expected[i].label);
    } else {
      EXPECT_FALSE(events[i].contains("label"));
    }
    EXPECT_EQ(events[i]["acc"].toInt(), expected[i].acc);
    EXPECT_EQ(events[i]["du"].toInt(), expected[i].du);
    EXPECT_EQ(events[i]["session_id"].str(), session);
  }
}

TEST_F(Session, TimedEventsCloseTheNewestAndOverSixHoursRecordNothing) {
  UsageStats::startWithAppkey(kKey, 0, "");
  UsageStats::beginEvent("read", "第一章");
  advance(5);
  UsageStats::beginEvent("read", "第一章");
  advance(2);
  UsageStats::endEvent("read", "第一章");  // the one begun last: 2 s
  advance(3);
  UsageStats::endEvent("read", "第一章");  // then the first: 10 s
  UsageStats::endEvent("read", "第一章");  // nothing left
  auto events = internal()->snapshot().events;
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0]["du"].toInt(), 2000);
  EXPECT_EQ(events[1]["du"].toInt(), 10000);
  EXPECT_EQ(events[0]["label"].str(), "第一章");
  EXPECT_FALSE(events[0].contains("acc"));  // a timed event is not counted

  internal()->clearInstanceData();
  UsageStats::beginEvent("long");
  advance(6 * 3600 - 1);
  UsageStats::beginEvent("long");
  advance(1.5);                  // the first one is now 6 hours and half a second old
  UsageStats::endEvent("long");  // the newest: recorded
  UsageStats::endEvent("long");  // too long: nothing, but it is gone
  UsageStats::beginEvent("long");
  advance(1);
  UsageStats::endEvent("long");
  events = internal()->snapshot().events;
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0]["du"].toInt(), 1500);
  EXPECT_EQ(events[1]["du"].toInt(), 1000);
}

TEST_F(Session, AttributeEventsGoOutGroupedUnderTheirSession) {
  UsageStats::startWithAppkey(kKey, 0, "");
  becomeActive();
  const std::string session = UsageStats::sessionID();
  UsageStats::eventAttributes("share", core::Dictionary{{"to", "微信"}});
  UsageStats::eventAttributes("share", core::Dictionary{});  // no attributes: dropped
  UsageStats::beginEventPrimarykey("play", "k1", core::Dictionary{{"chapter", "3"}});
  advance(4);
  UsageStats::endEventPrimarykey("play", "k1");
  UsageStats::endEventPrimarykey("play", "k1");  // nothing begun any more
  terminate();

  const core::Array ekv = jobFile()["body"]["ekv"].array();
  ASSERT_EQ(ekv.size(), 1u);
  const core::Array list = ekv[0][session].array();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0]["id"].str(), "share");
  EXPECT_EQ(list[0]["to"].str(), "微信");
  EXPECT_EQ(list[1]["id"].str(), "play");
  EXPECT_EQ(list[1]["chapter"].str(), "3");
  EXPECT_EQ(list[1]["du"].toInt(), 4000);

  // The next session keeps its own list; what was filed stays as it was.
  becomeActive();
  UsageStats::eventAttributes("share", core::Dictionary{{"to", "QQ"}});
  terminate();
  const core::Array again = jobFile()["body"]["ekv"].array();
  ASSERT_EQ(again.size(), 2u);
  EXPECT_EQ(again[0][session].array().size(), 2u);
  EXPECT_FALSE(again[1].contains(session));
  EXPECT_EQ(again[1].dict().size(), 1u);
}

TEST_F(Session, PageViewsAndLocationGoWithTheTerminationRecord) {
  UsageStats::startWithAppkey(kKey, 0, "");
  becomeActive();
  UsageStats::endLogPageView("never-begun");  // nothing without a start
  UsageStats::beginLogPageView("");           // an empty name is ignored
  UsageStats::beginLogPageView("short");
  advance(0.5);
  UsageStats::endLogPageView("short");  // 0 whole seconds: dropped
  advance(0.5);
  UsageStats::beginLogPageView("章节练习");
  advance(4.2);
  UsageStats::endLogPageView("章节练习");
  UsageStats::endLogPageView("章节练习");  // forgotten after the first end
  UsageStats::beginLogPageView("open");    // never ended: never reported
  UsageStats::setLatitude(0, 116.4);       // one coordinate 0: ignored
  EXPECT_EQ(log().back(), "Stats: Latitude or longitude may be wrong.");
  UsageStats::setLocation(std::pair<double, double>{39.9, 116.4});
  advance(1);
  terminate();

  core::Array ends = terminatesInFile();
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0]["activities"], core::Value(core::Array{core::Array{"章节练习", 4}}));
  EXPECT_EQ(ends[0]["lat"].toDouble(), 39.9);
  EXPECT_EQ(ends[0]["lng"].toDouble(), 116.4);
  EXPECT_EQ(ends[0]["gps_time"].toInt(), static_cast<std::int64_t>((kNow + 5.2) * 1000));

  // The location and the page views are reported once.
  becomeActive();
  terminate();
  ends = terminatesInFile();
  ASSERT_EQ(ends.size(), 2u);
  EXPECT_FALSE(ends[1].contains("activities"));
  EXPECT_FALSE(ends[1].contains("lat"));
  EXPECT_FALSE(ends[1].contains("gps_time"));
}

// A delegate that answers some of the optional facts.
struct FactsDelegate : UsageStatsDelegate {
  std::optional<core::Value> appKey() override { return core::Value("delegate-key"); }
  std::optional<core::Value> channelId() override { return core::Value(""); }
  std::optional<std::int64_t> gender() override { return 3; }
  std::optional<std::int64_t> age() override { return 30; }
  std::optional<core::Value> user_id() override { return core::Value(42); }
};

TEST_F(Session, ADelegateFillsWhatWasNotSet) {
  auto delegate = std::make_shared<FactsDelegate>();
  UsageStats::setDelegate(delegate);
  const UsageStats& stats = UsageStats::sharedInstance();
  EXPECT_EQ(stats.appKey(), "delegate-key");
  EXPECT_EQ(stats.channelId(), "App Store");  // an empty channel does not count
  EXPECT_EQ(stats.gender(), 0);               // outside 0..2
  EXPECT_EQ(stats.age(), 30);
  EXPECT_EQ(stats.user_id(), "42");
  UsageStats::event("counted");  // the delegate's key lets events count
  EXPECT_EQ(tags(internal()->snapshot().events), std::vector<std::string>{"counted"});
  EXPECT_EQ(internal()->header()["appkey"].str(), "delegate-key");

  UsageStats::startWithAppkey(kKey, 0, "渠道");
  EXPECT_EQ(stats.appKey(), kKey);  // a stored key wins
  EXPECT_EQ(stats.channelId(), "渠道");
}

}  // namespace
}  // namespace stats_test
