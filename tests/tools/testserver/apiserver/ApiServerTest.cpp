// The C++ launcher of the loopback API server: start, the three bases, the hooks the app's tests use
// (reset, journal, fault, scenario), file requests, stop by process id.
#include "tools/testserver/apiserver/ApiServer.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <cerrno>

using testserver::ApiServer;

namespace {

class ApiServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.start()) << server.failure();
    ASSERT_TRUE(server.reset());
  }
  ApiServer server;
};

TEST_F(ApiServerTest, BasesAnswerTheirOperations) {
  const std::string p = std::to_string(server.port());
  EXPECT_EQ(server.mainBase(), "http://127.0.0.1:" + p + "/api/");
  EXPECT_EQ(server.updateBase(), "http://127.0.0.1:" + p + "/uc/api/");
  EXPECT_EQ(server.codeBase(), "http://127.0.0.1:" + p + "/vc/");

  auto quote = server.request("GET", "/api/1.0/json/sys/Quote", "", {{"Client-Type", "iphone"}});
  ASSERT_TRUE(quote);
  EXPECT_EQ(quote->status, 200);
  EXPECT_EQ(quote->header("content-type"), "application/json; charset=utf-8");
  EXPECT_NE(quote->body.find("\"Key\":\"执业医师\""), std::string::npos) << quote->body;
  EXPECT_NE(quote->body.find("\"LoginState\":0"), std::string::npos);

  auto guid = server.request("GET", "/vc/VerificationCode/CreateGuid");
  ASSERT_TRUE(guid);
  EXPECT_NE(guid->body.find("\"success\":\"true\""), std::string::npos) << guid->body;

  auto login = server.request("POST", "/api/1.0/json/User/login", R"({"UserName":"user01","Pwd":"secret1"})",
                              {{"Content-Type", "application/json"}});
  ASSERT_TRUE(login);
  EXPECT_EQ(login->header("Set-Cookie").rfind("VDSID=", 0), 0u) << login->header("Set-Cookie");

  ASSERT_TRUE(server.scenario(R"({"update":"type8"})"));
  auto query = server.request("POST", "/uc/api/1.0/json/query",
                              R"({"app_ename":"GKSample","app_version":10,"client_type":3,"max_batchid":2})");
  ASSERT_TRUE(query);
  EXPECT_NE(query->body.find("\"packe_type\":8"), std::string::npos) << query->body;
  EXPECT_NE(query->body.find("\"packege_url\":\"" + server.origin() + "/packets/GKSample_dbimg_3.zip\""),
            std::string::npos)
      << query->body;
}

TEST_F(ApiServerTest, JournalRecordsRequestsAndFaultsReplaceReplies) {
  ASSERT_TRUE(server.request("GET", "/api/1.0/json/user/AppInfo/GKSample", "", {{"Client-Type", "iphone"}}));
  auto journal = server.journal();
  ASSERT_TRUE(journal);
  EXPECT_NE(journal->find("\"path\": \"/api/1.0/json/user/AppInfo/GKSample\""), std::string::npos)
      << *journal;
  EXPECT_NE(journal->find("[\"Client-Type\", \"iphone\"]"), std::string::npos) << *journal;

  ASSERT_TRUE(server.fault(R"({"path":"/api/1.0/json/sys/Quote","status":503,"body":"busy"})"));
  auto busy = server.request("GET", "/api/1.0/json/sys/Quote");
  ASSERT_TRUE(busy);
  EXPECT_EQ(busy->status, 503);
  EXPECT_EQ(busy->body, "busy");
  ASSERT_TRUE(server.fault(R"({"path":"/api/1.0/json/sys/Quote","drop":true})"));
  EXPECT_FALSE(server.request("GET", "/api/1.0/json/sys/Quote"));
  auto again = server.request("GET", "/api/1.0/json/sys/Quote");
  ASSERT_TRUE(again);
  EXPECT_EQ(again->status, 200);

  ASSERT_TRUE(server.clearJournal());
  journal = server.journal();
  ASSERT_TRUE(journal);
  EXPECT_EQ(journal->find("\"seq\""), std::string::npos) << *journal;
  EXPECT_FALSE(server.fault(R"({"status":500})"));  // a fault needs a path
}

TEST_F(ApiServerTest, PacketsAnswerHeadAndRange) {
  auto head = server.request("HEAD", "/packets/GKSample.zip");
  ASSERT_TRUE(head);
  EXPECT_EQ(head->status, 200);
  const long total = std::stol(head->header("Content-Length"));
  EXPECT_GT(total, 100);
  EXPECT_TRUE(head->body.empty());
  auto part = server.request("GET", "/packets/GKSample.zip", "", {{"Range", "bytes=100-"}});
  ASSERT_TRUE(part);
  EXPECT_EQ(part->status, 206);
  EXPECT_EQ(part->header("Content-Range"),
            "bytes 100-" + std::to_string(total - 1) + "/" + std::to_string(total));
  EXPECT_EQ(static_cast<long>(part->body.size()), total - 100);
}

TEST(ApiServerLifetime, StopEndsTheProcessAndAMissingBankIsReported) {
  ApiServer server;
  ASSERT_TRUE(server.start()) << server.failure();
  pid_t pid = server.pid();
  server.stop();
  EXPECT_EQ(::kill(pid, 0), -1);
  EXPECT_EQ(errno, ESRCH);
  EXPECT_EQ(server.port(), 0);
  server.stop();  // twice is harmless

  testserver::ApiServerOptions options;
  options.sampleDir = "/nonexistent/sample";
  EXPECT_FALSE(server.start(options));
  EXPECT_NE(server.failure().find("vd_sample_bank"), std::string::npos) << server.failure();
}

}  // namespace
