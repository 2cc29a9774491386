// The online configuration and the update check against the loopback API server's statistics host:
// what a reply changes, the request forms, the fallback host, the finish notification, and the update
// alert shown through the application's hook and answered as a person would.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/VDAppStatistics.h"
#include "app/VDHelper.h"
#include "platform/core/DateFormatter.h"
#include "platform/core/URL.h"
#include "platform/core/UserDefaults.h"
#include "tests/statistics/SessionTestSupport.h"
#include "tests/support/ScopedOverride.h"
#include "ui/test/Harness.h"

namespace stats_test {
namespace {

using OnlineConfig = ServerSessionFixture;

// The finish notifications heard on the main thread.
class NotificationRecorder {
 public:
  NotificationRecorder() {
    token_ = core::NotificationCenter::defaultCenter().addObserver(
        UsageStats::kOnlineConfigDidFinishedNotification, [this](const core::Notification& n) {
          heard.push_back(n.userInfo);
          onMain.push_back(rl::RunLoop::isMainThread());
        });
  }
  ~NotificationRecorder() { core::NotificationCenter::defaultCenter().removeObserver(token_); }
  std::vector<core::Value> heard;
  std::vector<bool> onMain;

 private:
  core::ObserverToken token_;
};

struct ConfigCase {
  const char* reply;
  const char* storedPolicy;    // "report_policy" afterwards ("" = absent)
  int policy;                  // the internal policy afterwards
  const char* storedInterval;  // "stats_report_interval" afterwards ("" = absent)
  double interval;
  bool paramsStored;
};

TEST_F(OnlineConfig, TheReplySetsPolicyIntervalAndOnlyAnExactYesStoresParameters) {
  const ConfigCase cases[] = {
      {R"({"config_update":"No"})", "", 1, "", 10, false},
      {R"({"report_interval":5})", "", 1, "10", 10, false},
      {R"({"report_interval":600})", "", 1, "600", 600, false},
      {R"({"report_interval":90000})", "", 1, "10", 10, false},
      {R"({"report_policy":6})", "6", 6, "", 10, false},
      {R"({"report_policy":4,"report_interval":"30"})", "4", 3, "30", 30, false},
      {R"({"report_policy":null})", "", 1, "", 10, false},
      {R"({"config_update":"YES","last_config_time":"T1","online_params":{"tip":"考前冲刺"}})", "", 1, "", 10,
       false},
      {R"({"config_update":"Yes","last_config_time":"T1","online_params":{"tip":"考前冲刺"}})", "", 1, "", 10,
       true},
  };
  UsageStats::startWithAppkey(kKey, 0, "瓦朵题库");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reply);
    for (const char* key : {"report_policy", "stats_report_interval", "last_config_time", "online_params"})
      defaults().removeObject(key);
    UsageStats::setReportPolicy(0);
    UsageStats::setLogSendInterval(10);
    scenario(std::string(R"({"stats_config":)") + c.reply + "}");

    UsageStats::updateOnlineConfigSync();

    EXPECT_EQ(defaults().objectForKey("report_policy").toString(), c.storedPolicy);
    EXPECT_EQ(UsageStats::reportPolicy(), c.policy);
    EXPECT_EQ(defaults().objectForKey("stats_report_interval").toString(), c.storedInterval);
    EXPECT_EQ(internal()->sendInterval(), c.interval);
    if (c.paramsStored) {
      EXPECT_EQ(UsageStats::getConfigParams("tip"), "考前冲刺");
      EXPECT_EQ(defaults().stringForKey("last_config_time"), "T1");
    } else {
      EXPECT_TRUE(UsageStats::getConfigParams().isNil());
      EXPECT_EQ(UsageStats::getConfigParams("tip"), std::nullopt);
      EXPECT_TRUE(defaults().objectForKey("last_config_time").isNil());
    }
  }
  // A stored policy also decides every later start.
  scenario(R"({"stats_config":{"report_policy":6}})");
  UsageStats::updateOnlineConfigSync();
  UsageStats::startWithAppkey(kKey, 0, "瓦朵题库");
  EXPECT_EQ(UsageStats::reportPolicy(), 6);
}

TEST_F(OnlineConfig, TheRequestIsAPlainFormThatEchoesWhatWasStored) {
  UsageStats::startWithAppkey(kKey, 0, "瓦朵题库");
  advance(75);  // 10:21:45 local time of the component's clock
  scenario(
      R"({"stats_config":{"config_update":"Yes","last_config_time":"2024-03-05 10:00","report_policy":6}})");
  UsageStats::updateOnlineConfigSync();
  UsageStats::updateOnlineConfigSync();

  const auto sent = requests("/check_config_update");
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0]["method"].str(), "POST");
  EXPECT_EQ(header(sent[0], "Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(sent[0]["body"].str().rfind("content=%7B", 0), 0u) << "a form, not compressed";
  const core::Value first = sent[0]["decoded"];
  const core::Dictionary expected{{"package", "org.vardo.questionbank"},
                                  {"sdk_version", "2.2.1.SharedUDID"},
                                  {"appkey", kKey},
                                  {"sdk_type", "iOS"},
                                  {"type", "online_config"},
                                  {"channel", "瓦朵题库"},
                                  {"time", core::DateFormatter("HH:mm:ss").format(core::Date{kNow + 75})}};
  EXPECT_EQ(first, core::Value(expected));
  // The second request carries the stored policy and configuration time.
  EXPECT_EQ(sent[1]["decoded"]["report_policy"].toInt(), 6);
  EXPECT_EQ(sent[1]["decoded"]["last_config_time"].str(), "2024-03-05 10:00");
}

TEST_F(OnlineConfig, TheFallbackAnswersWhenThePrimaryCannotAndTheNoticeComesEitherWay) {
  UsageStats::startWithAppkey(kKey, 0, "");
  NotificationRecorder recorder;

  // The primary answers: the fallback (where nothing listens) is never asked.
  setHosts(server().statisticsHost(), closedHost());
  UsageStats::updateOnlineConfig();
  finishWork();
  EXPECT_EQ(requests("/check_config_update").size(), 1u);

  // The primary cannot be reached: the fallback answers, and its parameters are kept.
  setHosts(closedHost(), server().statisticsHost());
  scenario(R"({"stats_config":{"config_update":"Yes","online_params":{"tip":"早"}}})");
  UsageStats::updateOnlineConfig();
  finishWork();
  EXPECT_EQ(requests("/check_config_update").size(), 2u);

  // Neither can: the notice still comes, with what the last fetch stored.
  setHosts(closedHost(), closedHost());
  UsageStats::updateOnlineConfig();
  finishWork();

  ASSERT_EQ(recorder.heard.size(), 3u);
  EXPECT_TRUE(recorder.heard[0].isNil());
  EXPECT_EQ(recorder.heard[1]["tip"].str(), "早");
  EXPECT_EQ(recorder.heard[2]["tip"].str(), "早");
  EXPECT_EQ(recorder.onMain, (std::vector<bool>{true, true, true}));
}

// ---- the update check ----

// The update check's reply to a request of the test.
std::string updateReply(const std::string& update, const std::string& path) {
  return R"({"path":"/api/check_app_update","body":{"update":")" + update +
         R"(","update_log":"修复了错题本的排序","path":")" + path + R"(","version":"2.1"}})";
}

class UpdateCheck : public ServerSessionFixture {
 protected:
  void SetUp() override {
    ServerSessionFixture::SetUp();
    harness_ = std::make_unique<ui::test::Harness>();  // the main loop now runs on the harness's clock
    setClock([] { return core::Date{kNow + rl::RunLoop::main().now()}; });
    VDAppStatistics::installUpdateAlertHooks();
    // In place of the application's opener (VDHelper::openURL) the hooks installed.
    opener_.emplace(UsageStats::setURLOpener,
                    [this](const std::string& url) {
                      opened.push_back(url);
                      return true;
                    },
                    nullptr);
    UsageStats::startWithAppkey(kKey, 0, "瓦朵题库");
    UsageStats::setAppVersion("2.0");
  }
  void TearDown() override {
    opener_.reset();
    harness_.reset();
    ServerSessionFixture::TearDown();
  }
  ui::test::Harness& h() { return *harness_; }

  std::unique_ptr<ui::test::Harness> harness_;
  std::vector<std::string> opened;
  std::optional<testsupport::ScopedOverride<std::function<bool(const std::string&)>>> opener_;
};

TEST_F(UpdateCheck, ANewerVersionShowsTheAlertAndItsOtherButtonOpensTheAddress) {
  fault(updateReply("YES", "https://vardo.example/download/2.1"));
  UsageStats::checkUpdate();
  finishWork();

  const auto sent = requests("/api/check_app_update");
  ASSERT_EQ(sent.size(), 1u);
  const std::string form = sent[0]["body"].str();
  ASSERT_EQ(form.rfind("content=", 0), 0u);
  const core::Value request = StatsUtil::JSONValue(core::removingPercentEscapes(form.substr(8)).value_or(""));
  EXPECT_EQ(request["type"].str(), "update");
  EXPECT_EQ(request["current_version"].str(), "2.0");
  EXPECT_EQ(request["appkey"].str(), kKey);
  EXPECT_EQ(request["channel"].str(), "瓦朵题库");

  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->title(), "有可用的新版本2.1");
  EXPECT_EQ(h().alert()->message(), "修复了错题本的排序");
  EXPECT_EQ(h().alert()->buttonTitleAtIndex(0), "忽略此版本");
  EXPECT_EQ(h().alert()->buttonTitleAtIndex(1), "访问 Store");
  ASSERT_TRUE(h().press("访问 Store"));
  h().settle();
  EXPECT_EQ(opened, std::vector<std::string>{"https://vardo.example/download/2.1"});

  // Ignoring the version opens nothing.
  fault(updateReply("YES", "https://vardo.example/download/2.1"));
  UsageStats::checkUpdate("新版本", "以后再说", "下载");
  finishWork();
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->title(), "新版本2.1");
  ASSERT_TRUE(h().press("以后再说"));
  h().settle();
  EXPECT_EQ(opened.size(), 1u);
}

TEST_F(UpdateCheck, NoAlertWithoutANewerVersionAndNothingButAWebAddressIsOpened) {
  fault(updateReply("Yes", "https://vardo.example/x"));  // only "YES" means newer
  UsageStats::checkUpdate();
  finishWork();
  EXPECT_EQ(h().alert(), nullptr);

  fault(updateReply("YES", "file:///etc/passwd"));
  UsageStats::checkUpdate();
  finishWork();
  ASSERT_NE(h().alert(), nullptr);
  ASSERT_TRUE(h().press("访问 Store"));
  h().settle();
  EXPECT_TRUE(opened.empty());
}

// A delegate that takes update replies, or not.
struct UpdateDelegate : UsageStatsDelegate {
  bool takes = true;
  std::vector<core::Value> replies;
  bool appUpdate(const core::Value& reply) override {
    replies.push_back(reply);
    return takes;
  }
};

TEST_F(UpdateCheck, TheDelegateComesFirstThenTheCallbackOnTheMainThreadThenTheAlert) {
  auto delegate = std::make_shared<UpdateDelegate>();
  std::vector<core::Value> called;
  std::vector<bool> onMain;
  auto callback = [&](const core::Value& reply) {
    called.push_back(reply);
    onMain.push_back(rl::RunLoop::isMainThread());
  };

  fault(updateReply("YES", "https://vardo.example/x"));
  UsageStats::checkUpdateWithDelegate(delegate, callback);
  finishWork();
  ASSERT_EQ(delegate->replies.size(), 1u);
  EXPECT_EQ(delegate->replies[0]["current_version"].str(), "2.0");
  EXPECT_TRUE(called.empty());
  EXPECT_EQ(h().alert(), nullptr);

  delegate->takes = false;
  fault(updateReply("YES", "https://vardo.example/x"));
  UsageStats::checkUpdate();
  finishWork();
  ASSERT_EQ(called.size(), 1u);
  EXPECT_EQ(called[0]["version"].str(), "2.1");
  EXPECT_EQ(onMain, std::vector<bool>{true});
  EXPECT_EQ(h().alert(), nullptr);
}

TEST_F(UpdateCheck, ThePrimaryWithoutAnswerHandsOverToTheFallback) {
  setHosts(closedHost(), server().statisticsHost());
  fault(updateReply("YES", "https://vardo.example/x"));
  UsageStats::checkUpdate();
  finishWork();
  EXPECT_EQ(requests("/api/check_app_update").size(), 1u);
  EXPECT_NE(h().alert(), nullptr);
}

}  // namespace
}  // namespace stats_test
