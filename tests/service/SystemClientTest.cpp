// The system client (System) against the loopback API server: every operation's request and callback,
// the UpdateQuery request and its reply's "update_list", the version numbers, the error log, and the
// synchronous calls that report before they return.
#include <memory>
#include <string>
#include <vector>

#include "service/ApiClientSupport.h"
#include "service/System.h"
#include "tests/service/ClientTestSupport.h"

namespace apiclient_test {
namespace {

struct SystemRecorder : SystemDelegate, Recorder {
  VD_RECORD(didGetQuote)
  VD_RECORD(didGetAppENameAndQuoteEName)
  VD_RECORD(didGetQuoteProduct)
  VD_RECORD(didStatistics)
  VD_RECORD(didServiceAnnouncement)
  VD_RECORD(didGetAppVersion)
  VD_RECORD(didGetTestLibraryVersion)
  VD_RECORD(didQuery)
};

// The bundle's short version is "2.10": its query number is 210.
const std::string kQuery = R"({"app_ename":"GKSample","app_version":210,"client_type":3,"max_batchid":-1})";
const std::string kQueryAt2 = R"({"app_ename":"GKSample","app_version":210,"client_type":3,"max_batchid":2})";

class SystemClient : public ClientSuite {
 protected:
  void SetUp() override {
    ClientSuite::SetUp();
    rec = recorder<SystemRecorder>();
    sys = std::make_shared<System>();
    sys->delegate = rec;
  }
  std::shared_ptr<SystemRecorder> rec;
  std::shared_ptr<System> sys;
};

// A catalogue of `n` series.
std::string catalogueOf(std::size_t n) {
  std::string body = R"({"Body":[)";
  for (std::size_t i = 0; i < n; ++i) body += std::string(i ? "," : "") + R"({"Key":"k","Value":"v"})";
  return body + R"(],"Message":""})";
}

TEST_F(SystemClient, EveryOperationSendsItsRequestAndReportsByItsRule) {
  using C = OpCase<System>;
  const std::vector<C> cases = {
      // Lists at and past the limit every client keeps (asynchronous and synchronous).
      {"getQuoteAsynchronous at the list limit", [](System& s) { s.getQuoteAsynchronous(); }, "GET",
       "/api/1.0/json/sys/Quote", std::nullopt, "iphone", true, false,
       catalogueOf(apiclient::kMaxListEntries), "didGetQuote", true},
      {"getQuoteAsynchronous past the list limit", [](System& s) { s.getQuoteAsynchronous(); }, "GET",
       "/api/1.0/json/sys/Quote", std::nullopt, "iphone", true, false,
       catalogueOf(apiclient::kMaxListEntries + 1), "didGetQuote", false},
      {"getQuote (synchronous) past the list limit", [](System& s) { s.getQuote(); }, "GET",
       "/api/1.0/json/sys/Quote", std::nullopt, "iphone", false, true,
       catalogueOf(apiclient::kMaxListEntries + 1), "didGetQuote", false},
      {"getQuote (synchronous) with an empty list", [](System& s) { s.getQuote(); }, "GET",
       "/api/1.0/json/sys/Quote", std::nullopt, "iphone", false, true, R"({"Body":[],"Message":""})",
       "didGetQuote", false},
      {"getQuoteAsynchronous", [](System& s) { s.getQuoteAsynchronous(); }, "GET", "/api/1.0/json/sys/Quote",
       std::nullopt, "iphone", true, false, R"({"Body":[{"Key":"执业医师","Value":"ZYYS"}]})", "didGetQuote",
       true},
      {"getAppENameAndQuoteEName (synchronous)", [](System& s) { s.getAppENameAndQuoteEName("常识"); }, "GET",
       "/api/1.0/json/sys/GetAppENameAndQuoteEName/%E5%B8%B8%E8%AF%86", std::nullopt, "iphone", false, true,
       R"({"Body":[{"Key":"常识综合（样例）","Value":"GKSample","QuoteEName":"CS","QuoteName":"常识综合"}]})",
       "didGetAppENameAndQuoteEName", true},
      {"getQuoteInBackground", [](System& s) { s.getQuoteInBackground(); }, "GET", "/api/1.0/json/sys/Quote",
       std::nullopt, "iphone", false, false, R"({"Body":[]})", "didGetQuote", false},
      {"getAppENameAndQuoteENameInBackground",
       [](System& s) { s.getAppENameAndQuoteENameInBackground("常识"); }, "GET",
       "/api/1.0/json/sys/GetAppENameAndQuoteEName/%E5%B8%B8%E8%AF%86", std::nullopt, "iphone", false, false,
       R"({"Body":[{"Key":"常识综合（样例）","Value":"GKSample","QuoteEName":"CS","QuoteName":"常识综合"}]})",
       "didGetAppENameAndQuoteEName", true},
      {"getQuoteProduct", [](System& s) { s.getQuoteProduct("CS"); }, "GET",
       "/api/1.0/json/sys/GetQuoteProductByCounts/CS", std::nullopt, "iphone", true, false,
       R"({"Body":{"Province":"无分类"}})", "didGetQuoteProduct", true},
      {"statistics", [](System& s) { s.statistics("GKSample"); }, "GET",
       "/api/1.0/json/sys/Statistics/GKSample", std::nullopt, "iphone", true, false,
       R"({"Body":null,"Message":"请先登录"})", "didStatistics", false},
      {"getServiceAnnouncement with no notices",
       [](System& s) { s.getServiceAnnouncement("2.1", "GKSample"); }, "GET",
       "/api/1.0/json/sys/GetAnnouncement/2.1/GKSample", std::nullopt, "iphone", true, false,
       R"({"Body":[],"Message":""})", "didServiceAnnouncement", true},
      {"getAppVersion (synchronous)", [](System& s) { s.getAppVersion("1"); }, "GET",
       "/api/1.0/json/sys/GetAppVersion_IPhone/1", std::nullopt, "iphone", false, true,
       R"({"Body":{"Version":"2.10","Url":"","Log":""}})", "didGetAppVersion", true},
      {"getTestLibraryVersion (synchronous)", [](System& s) { s.getTestLibraryVersion("GKSample"); }, "GET",
       "/api/1.0/json/sys/GetTestLibraryVersion_Android/GKSample", std::nullopt, "iphone", false, true,
       R"({"Body":null})", "didGetTestLibraryVersion", false},
      {"query without update_list", [](System& s) { s.query("GKSample", -1); }, "POST",
       "/uc/api/1.0/json/query", kQuery, "iphone", true, false, R"({"status":0,"message":""})", "didQuery",
       true, R"({"status":0,"message":"","update_list":[]})"},
      {"query with a null update_list", [](System& s) { s.query("GKSample", 2); }, "POST",
       "/uc/api/1.0/json/query", kQueryAt2, "iphone", true, false,
       R"({"status":1,"message":"x","update_list":null})", "didQuery", true,
       R"({"status":1,"message":"x","update_list":[]})"},
      {"query with packets", [](System& s) { s.query("GKSample", -1); }, "POST", "/uc/api/1.0/json/query",
       kQuery, "iphone", true, false, R"({"status":0,"message":"","update_list":[{"id":7,"packe_type":6}]})",
       "didQuery", true},
  };
  runCases(cases, *sys, *rec);
}

TEST_F(SystemClient, NoReplyIsFalseAndNullForSynchronousAndAsynchronousCalls) {
  drop("/api/1.0/json/sys/Quote");
  sys->getQuote();
  ASSERT_EQ(rec->calls.size(), 1u);
  drop("/uc/api/1.0/json/query");
  sys->query("GKSample", -1);
  ASSERT_TRUE(awaitCalls(*rec, 2));
  for (const Call& c : rec->calls) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(c.ok);
    EXPECT_TRUE(c.json.isNil());
  }
}

TEST_F(SystemClient, TheSynchronousQueryReturnsTheReplyAsParsed) {
  // The real update centre: no bank yet (-1) gets exactly one type-6 packet.
  core::Value reply = sys->querySyn("GKSample", -1);
  ASSERT_TRUE(reply.isDictionary()) << reply.describe();
  EXPECT_EQ(reply["status"].toInt(-1), 0);
  ASSERT_EQ(reply["update_list"].size(), 1u);
  EXPECT_EQ(reply["update_list"][0]["packe_type"].toInt(), 6);
  auto sent = requests();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0]["base"].toString(), "uc");
  EXPECT_EQ(sent[0]["body"].toString(), kQuery);

  // Without "update_list" the synchronous query leaves the reply as it came.
  answer("/uc/api/1.0/json/query", R"({"status":0,"message":""})");
  reply = sys->querySyn("GKSample", 3);
  EXPECT_EQ(reply, JSONValue(R"({"status":0,"message":""})"));
  drop("/uc/api/1.0/json/query");
  EXPECT_TRUE(sys->querySyn("GKSample", 3).isNil());
  rl::RunLoop::main().runUntilIdle();
  EXPECT_TRUE(rec->calls.empty());
}

TEST_F(SystemClient, AppVersionNumberDropsTheDots) {
  struct Case {
    const char* version;
    std::int64_t number;
  };
  const Case cases[] = {{"2.3.1", 231}, {"5", 5}, {"2.10", 210}, {"", 0}, {"1.0b", 10}};
  for (const Case& c : cases) EXPECT_EQ(System::appVersionNumber(c.version), c.number) << c.version;
}

TEST_F(SystemClient, NetworkAndLocalBankVersions) {
  struct Case {
    const char* name;
    std::string reply;  // "" : dropped
    float version;
  };
  const Case cases[] = {
      {"number", R"({"Body":3})", 3.0f},
      {"text", R"({"Body":"2.5"})", 2.5f},
      {"null", R"({"Body":null})", 1.0f},
      {"no Body", R"({"Message":"x"})", 0.0f},
      {"dropped", "", 0.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(server().reset());
    if (c.reply.empty())
      drop("/api/1.0/json/sys/GetTestLibraryVersion_Android/GKSample");
    else
      answer("/api/1.0/json/sys/GetTestLibraryVersion_Android/GKSample", c.reply);
    EXPECT_FLOAT_EQ(sys->getNetDBVersion("GKSample"), c.version);
    auto sent = requests();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent[0]["path"].toString(), "/api/1.0/json/sys/GetTestLibraryVersion_Android/GKSample");
  }

  EXPECT_FLOAT_EQ(sys->getLocalDBVersion(core::Value()), 0.0f) << "no bank yet";
  installSampleBank();
  EXPECT_FLOAT_EQ(sys->getLocalDBVersion(core::Value()), 2.0f) << "the sample bank holds batches 1 and 2";
}

TEST_F(SystemClient, TheErrorLogIsPostedSynchronouslyAndReportsNothing) {
  const std::string report =
      R"({"UserName":"游客","AppEName":"GKSample","AppVersion":"越狱版2.10.0","Content":"trace"})";
  sys->sentErrorLog(report);
  auto sent = requests();
  ASSERT_EQ(sent.size(), 1u) << "sent before it returned";
  EXPECT_EQ(sent[0]["method"].toString(), "POST");
  EXPECT_EQ(sent[0]["path"].toString(), "/api/1.0/json/sys/Log");
  EXPECT_EQ(sent[0]["body"].toString(), report);
  EXPECT_EQ(header(sent[0], "Content-Type").value_or(""), "application/json");
  rl::RunLoop::main().runUntilIdle();
  EXPECT_TRUE(rec->calls.empty());
}

}  // namespace
}  // namespace apiclient_test
