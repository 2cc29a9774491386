// Uploads to the loopback API server's statistics host: the deflated form post and its fields, the exact
// confirmation, the fallback host, and a record that comes while an upload is under way.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <atomic>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <thread>

#include "librarys/json/JsonParser.h"
#include "platform/core/Text.h"
#include "platform/core/URL.h"
#include "statistics/StatsEvent.h"
#include "statistics/StatsLaunch.h"
#include "tests/statistics/StatsTestSupport.h"
#include "tools/testserver/apiserver/ApiServer.h"
#include "util/Base64.h"

namespace stats_test {
namespace {

constexpr const char* kAppKey = "7e3c19d0a4b25f8861c0e9d3";

// A port that accepts connections and never answers, until it is closed.
class SilentPort {
 public:
  SilentPort() {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), len) == 0 && ::listen(fd_, 4) == 0 &&
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) == 0) {
      port_ = ntohs(a.sin_port);
    }
  }
  ~SilentPort() { close(); }
  void close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
  int port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

core::Value event(const std::string& tag) {
  StatsEvent e;
  e.event_id = tag;
  e.label = tag;
  e.acc = 1;
  e.session_id = "S1";
  return e.attributes();
}

class Upload : public StatsFixture {
 protected:
  static void SetUpTestSuite() {
    server_ = new testserver::ApiServer();
    ASSERT_TRUE(server_->start()) << server_->failure();
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }

  void SetUp() override {
    StatsFixture::SetUp();
    ASSERT_TRUE(server_->reset());
    stats_ = makeInternal();
    StatsHosts hosts;
    hosts.setPrimary(server_->statisticsHost());
    hosts.setFallback(server_->statisticsHost());
    stats_->setHosts(hosts);
    stats_->setAppKey(kAppKey);
    stats_->setChannel("瓦朵题库");
    stats_->setAppVersion("2.10");
    stats_->setLaunched(true);
  }

  void finishUploads() { stats_->sendQueue().waitIdle(); }

  // The server's journal entries of the log upload.
  std::vector<core::Value> uploads() {
    std::vector<core::Value> out;
    const auto text = server_->journal();
    if (!text) return out;
    for (const auto& entry : JSONValue(*text)["requests"].array()) {
      if (entry["path"].str() == "/app_logs") out.push_back(entry);
    }
    return out;
  }
  static std::string header(const core::Value& entry, const std::string& name) {
    for (const auto& pair : entry["headers"].array()) {
      if (core::equalsIgnoringCase(pair[0].str(), name)) return pair[1].str();
    }
    return "";
  }
  static std::string inflate(const core::Value& entry) {
    const core::Bytes packed = base64DecodedData(entry["body_base64"].str());
    std::string out(1 << 20, '\0');
    uLongf n = out.size();
    if (uncompress(reinterpret_cast<Bytef*>(out.data()), &n, packed.data(), packed.size()) != Z_OK) return "";
    out.resize(n);
    return out;
  }
  static std::vector<std::string> tags(const core::Value& events) {
    std::vector<std::string> out;
    for (const auto& e : events.array()) out.push_back(e["tag"].str());
    return out;
  }

  static testserver::ApiServer* server_;
  std::shared_ptr<UsageStatsInternal> stats_;
};

testserver::ApiServer* Upload::server_ = nullptr;

TEST_F(Upload, AConfirmedUploadCarriesEveryRecordAndTheyLeaveMemory) {
  StatsLaunch launch;
  launch.session_id = "S1";
  stats_->appendLaunch(launch.attributes());
  stats_->appendEvent(event("考试"));
  stats_->preparePerformJob(UsageStatsInternal::kLaunchJob);
  EXPECT_TRUE(stats_->jobRunning());
  finishUploads();

  const auto posted = uploads();
  ASSERT_EQ(posted.size(), 1u);  // confirmed by the primary host: the fallback is not asked
  const core::Value& entry = posted[0];
  EXPECT_EQ(entry["method"].str(), "POST");
  EXPECT_EQ(header(entry, "Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(header(entry, "Content-encoding"), "deflate");
  EXPECT_EQ(header(entry, "X-Stats-Sdk"), "iOS/2.2.1.SharedUDID " + StatsUtil::urlEncode("瓦朵题库") +
                                              "/2.10 x86_64/12 " + StatsUtil::md5Value(kAppKey));
  EXPECT_EQ(entry["status"], core::Value(200));

  // The body is a zlib stream of "content=" and the URL-encoded JSON document.
  const std::string form = inflate(entry);
  ASSERT_EQ(form.rfind("content=", 0), 0u) << form;
  EXPECT_EQ(form.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~%=", 0),
            std::string::npos);
  const core::Value doc = entry["decoded"];
  EXPECT_EQ(StatsUtil::JSONValue(*core::removingPercentEscapes(form.substr(8))), doc);

  const core::Value h = doc["header"];
  const core::Dictionary expected{{"appkey", kAppKey},
                                  {"channel", "瓦朵题库"},
                                  {"sdk_type", "iOS"},
                                  {"os", "iOS"},
                                  {"os_version", "12"},
                                  {"sdk_version", "2.2.1.SharedUDID"},
                                  {"app_version", "2.10"},
                                  {"sv", "2.10"},
                                  {"device_model", "x86_64"},
                                  {"mc", "02:00:00:AA:BB:CC"},
                                  {"resolution", "480 x 320"},
                                  {"access", "WiFi"},
                                  {"carrier", ""},
                                  {"country", "CN"},
                                  {"timezone", "8"},
                                  {"language", "zh-CN"},
                                  {"package_name", "org.vardo.questionbank"},
                                  {"display_name", "瓦朵题库"}};
  for (const auto& [key, value] : expected) EXPECT_EQ(h[key], value) << key;
  EXPECT_TRUE(std::regex_match(h["device_id"].str(), std::regex("[0-9a-f]{40}")));
  for (const char* absent : {"idfa", "idfv", "wrapper_type", "wrapper_version"})
    EXPECT_FALSE(h.contains(absent));
  EXPECT_EQ(doc["body"].dict().keys(), (std::vector<std::string>{"launch", "event"}));
  EXPECT_EQ(doc["body"]["launch"][0]["session_id"].str(), "S1");
  EXPECT_EQ(tags(doc["body"]["event"]), std::vector<std::string>{"考试"});

  const auto lists = stats_->snapshot();
  EXPECT_TRUE(lists.launches.empty());
  EXPECT_TRUE(lists.events.empty());
  EXPECT_FALSE(stats_->jobRunning());
  EXPECT_FALSE(stats_->jobSnapshot().hasTask());
  EXPECT_EQ(defaults().stringForKey("lastPostDate"), localDay(kNow));
  EXPECT_EQ(defaults().doubleForKey("lastPostInterval"), kNow);
}

TEST_F(Upload, OnlyTheExactSuccessTextConfirms) {
  ASSERT_TRUE(server_->scenario(R"({"stats_reply": "{\"success\":\"ok\"}"})"));
  stats_->appendEvent(event("a"));
  stats_->preparePerformJob(UsageStatsInternal::kLaunchJob);
  finishUploads();

  ASSERT_EQ(uploads().size(), 2u);  // the primary did not confirm: the fallback was asked too
  EXPECT_EQ(uploads()[1]["decoded"]["body"]["event"][0]["tag"].str(), "a");
  EXPECT_EQ(stats_->snapshot().events.size(), 1u);  // kept for a later job
  EXPECT_FALSE(stats_->jobRunning());
  EXPECT_TRUE(defaults().objectForKey("lastPostDate").isNil());

  // The next launch's job sends it again and, confirmed this time, it leaves memory.
  ASSERT_TRUE(server_->scenario(R"({"stats_reply": "{\"success\": \"ok\"}"})"));
  stats_->preparePerformJob(UsageStatsInternal::kLaunchJob);
  finishUploads();
  EXPECT_EQ(uploads().size(), 3u);
  EXPECT_TRUE(stats_->snapshot().events.empty());
}

TEST_F(Upload, ARecordThatComesDuringAnUploadWaitsForTheNextJob) {
  SilentPort primary;
  ASSERT_NE(primary.port(), 0);
  StatsHosts hosts;
  hosts.setPrimary(primary.host());
  hosts.setFallback(server_->statisticsHost());
  stats_->setHosts(hosts);
  stats_->setPolicy(6);

  stats_->appendEvent(event("first"));
  stats_->preparePerformJob(UsageStatsInternal::kEventJob);
  ASSERT_TRUE(stats_->jobRunning());  // the primary host holds the upload
  stats_->appendEvent(event("late"));
  stats_->preparePerformJob(UsageStatsInternal::kEventJob);  // ignored: a job is running
  primary.close();                                           // the primary fails; the fallback host confirms
  finishUploads();

  auto posted = uploads();
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(tags(posted[0]["decoded"]["body"]["event"]), std::vector<std::string>{"first"});
  const auto lists = stats_->snapshot();
  ASSERT_EQ(lists.events.size(), 1u);
  EXPECT_EQ(lists.events[0]["tag"].str(), "late");

  // Within the interval nothing goes; after it, the late record does.
  stats_->preparePerformJob(UsageStatsInternal::kEventJob);
  EXPECT_FALSE(stats_->jobRunning());
  setNow(kNow + 10.5);
  stats_->preparePerformJob(UsageStatsInternal::kEventJob);
  finishUploads();
  posted = uploads();
  ASSERT_EQ(posted.size(), 2u);
  EXPECT_EQ(tags(posted[1]["decoded"]["body"]["event"]), std::vector<std::string>{"late"});
  EXPECT_TRUE(stats_->snapshot().events.empty());
}

TEST_F(Upload, WithNoHostAnsweringTheRecordsStay) {
  SilentPort closed;
  const std::string host = closed.host();
  closed.close();  // nothing listens there any more
  StatsHosts hosts;
  hosts.setPrimary(host);
  hosts.setFallback(host);
  stats_->setHosts(hosts);
  stats_->appendEvent(event("a"));
  stats_->preparePerformJob(UsageStatsInternal::kLaunchJob);
  finishUploads();
  EXPECT_EQ(stats_->snapshot().events.size(), 1u);
  EXPECT_FALSE(stats_->jobRunning());
  EXPECT_TRUE(uploads().empty());

  // Under policy 2 the job file written at termination holds them, so memory lets them go.
  stats_->setPolicy(2);
  stats_->preparePerformJob(UsageStatsInternal::kTerminationJob);
  finishUploads();
  EXPECT_TRUE(stats_->snapshot().events.empty());
}

TEST_F(Upload, RecordsAddedFromSeveralThreadsDuringUploadsAreEachSentOnce) {
  constexpr int kThreads = 4;
  constexpr int kPerThread = 150;
  std::atomic<int> running{kThreads};
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([&, t] {
      for (int i = 0; i < kPerThread; ++i)
        stats_->appendEvent(event(std::to_string(t) + "-" + std::to_string(i)));
      --running;
    });
  }
  // Meanwhile: jobs filled and sent one after the other, and the job file saved without cleaning.
  while (running > 0) {
    stats_->beginPerformJob();
    stats_->internalSaveJobToFileAndClean(false);
  }
  for (auto& w : writers) w.join();
  finishUploads();
  stats_->beginPerformJob();
  finishUploads();

  std::multiset<std::string> sent;
  for (const auto& entry : uploads()) {
    for (const auto& tag : tags(entry["decoded"]["body"]["event"])) sent.insert(tag);
  }
  EXPECT_EQ(sent.size(), static_cast<std::size_t>(kThreads * kPerThread));
  EXPECT_EQ(std::set<std::string>(sent.begin(), sent.end()).size(), sent.size());  // none twice
  EXPECT_TRUE(stats_->snapshot().events.empty());
}

}  // namespace
}  // namespace stats_test
