// The update-centre check through the bank, against the loopback update centre: the bank's largest batch
// id goes with the query (-1 without a bank), and the answer comes back typed, or not at all when the
// centre said nothing usable.

#include <gtest/gtest.h>
#include <stdlib.h>

#include "librarys/json/JsonParser.h"
#include "librarys/json/JsonWriter.h"
#include "service/ServerConfig.h"
#include "service/ServiceShell.h"
#include "tests/bank/BankFixture.h"
#include "tools/testserver/apiserver/ApiServer.h"

namespace banktest {
namespace {

testserver::ApiServer& server() {
  static testserver::ApiServer s;
  return s;
}

class QuestionBankCheckTest : public BankFixture {
 protected:
  void SetUp() override {
    BankFixture::SetUp();
    if (server().port() == 0) {
      ASSERT_TRUE(server().start()) << server().failure();
    }
    ASSERT_TRUE(server().reset());
    ::setenv(ServerConfig::kMainAPIBaseEnv, server().mainBase().c_str(), 1);
    ::setenv(ServerConfig::kUpdateCentreBaseEnv, server().updateBase().c_str(), 1);
    ServerConfig::reload();
    setServiceShell({});
  }

  // The update centre's next answer to a query, as it is.
  static void answerQuery(const std::string& body) {
    core::Value fault = core::Value::newDictionary();
    fault.set("path", "/uc/api/1.0/json/query");
    fault.set("body", body);
    ASSERT_TRUE(server().fault(JSONRepresentation(fault).value_or("")));
  }
  static std::vector<core::Value> queries() {
    std::vector<core::Value> out;
    const core::Value doc = JSONValue(server().journal().value_or("{}"));
    for (const core::Value& e : doc["requests"].array())
      if (e["base"].toString() == "uc") out.push_back(JSONValue(e["body"].toString()));
    return out;
  }
};

TEST_F(QuestionBankCheckTest, TheCheckSendsTheBanksBatchAndAnswersTyped) {
  struct Case {
    const char* name;
    bool bank;
    const char* answer;  // "" the centre's own
    std::int64_t batch;  // sent
    bool typed;
  } cases[] = {
      {"a bank", true, "", 2, true},
      {"no bank", false, "", -1, true},
      {"a reply of the wrong shape", true, R"({"status":0,"update_list":[{"packe_type":"6"}]})", 2, false},
      {"no JSON", true, "<html>服务器错误</html>", 2, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(server().reset());
    fs::remove(bankPath());
    if (c.bank) installSampleBank();
    if (*c.answer) answerQuery(c.answer);

    auto bank = QuestionBank::make(paths());
    bool answered = false;
    std::optional<UpdateCentreReply> reply;
    bank->checkUpdate([&](std::optional<UpdateCentreReply> r) {
      answered = true;
      reply = std::move(r);
    });
    settle();
    ASSERT_TRUE(answered);
    EXPECT_EQ(reply.has_value(), c.typed);
    const auto sent = queries();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0]["app_ename"].toString(), kSubject);
    EXPECT_EQ(sent[0]["max_batchid"].toInt(-99), c.batch);
    if (reply) {
      EXPECT_EQ(reply->status, 0);
      for (const UpdatePacket& p : reply->updateList)
        EXPECT_NE(p.packegeUrl.find("/packets/"), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace banktest
