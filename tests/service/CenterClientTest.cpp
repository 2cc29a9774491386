// The user-centre client (Center) against the loopback API server: every operation's request and
// callback, the synchronous personal-details read, the error report's Client-Type, and passwords that
// stay inside their path segments.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "service/AbstractService.h"
#include "service/Center.h"
#include "service/User.h"
#include "tests/service/ClientTestSupport.h"

namespace apiclient_test {
namespace {

struct CenterRecorder : CenterDelegate, Recorder {
  VD_RECORD(didSetPersonalDetails)
  VD_RECORD(didResetPassWord)
  VD_RECORD(didErrorfeedback)
  VD_RECORD(didGetSuggestion)
  VD_RECORD(didRemoveSuggestion)
};

const std::string kReport =
    R"({"AppCName":"常识综合（样例）","AppEName":"GKSample","AppVersion":"iPhone版2.10.0","Content":"AllTestId:1001/R/NBatchId:2/R/N错字","StarNum":"试题有错字;","UserName":"user01","phone":""})";

class CenterClient : public ClientSuite {
 protected:
  void SetUp() override {
    ClientSuite::SetUp();
    rec = recorder<CenterRecorder>();
    center = std::make_shared<Center>();
    center->delegate = rec;
  }
  std::shared_ptr<CenterRecorder> rec;
  std::shared_ptr<Center> center;
};

TEST_F(CenterClient, EveryOperationSendsItsRequestAndReportsByItsRule) {
  using C = OpCase<Center>;
  const std::vector<C> cases = {
      {"setPersonalDetails", [](Center& c) { c.setPersonalDetails(R"({"NickName":"小明"})"); }, "POST",
       "/api/1.0/json/user/SetPersonalDetails", R"({"NickName":"小明"})", "iphone", true, false,
       R"({"Body":true,"Message":"修改成功"})", "didSetPersonalDetails", true},
      {"getResetPassWord", [](Center& c) { c.getResetPassWord("secret1", "secret2"); }, "GET",
       "/api/1.0/json/user/ResetPassWord/secret1/secret2", std::nullopt, "iphone", true, false,
       R"({"Body":false,"Message":"原密码错误"})", "didResetPassWord", false},
      {"errorfeedback", [](Center& c) { c.errorfeedback(kReport); }, "POST",
       "/api/1.0/json/user/UserSuggestion", kReport, "Entitled_Revised_Wrong", true, false,
       R"({"Body":true,"Message":"感谢反馈"})", "didErrorfeedback", true},
      {"getSuggestion", [](Center& c) { c.getSuggestion(); }, "GET", "/api/1.0/json/user/GetSuggestion",
       std::nullopt, "iphone", true, false,
       R"({"Body":[[3,"答案有误;","AllTestId:1001/R/N...","GKSample"]]})", "didGetSuggestion", true},
      {"getSuggestion with an empty list", [](Center& c) { c.getSuggestion(); }, "GET",
       "/api/1.0/json/user/GetSuggestion", std::nullopt, "iphone", true, false, R"({"Body":[],"Message":""})",
       "didGetSuggestion", false},
      {"removeSuggestion", [](Center& c) { c.removeSuggestion("GKSample", "3"); }, "GET",
       "/api/1.0/json/user/RemoveSuggestion/GKSample/3", std::nullopt, "iphone", true, false, R"({"Body":1})",
       "didRemoveSuggestion", true},
  };
  runCases(cases, *center, *rec);
}

// The synchronous read returns the whole reply unless its "Body" is null, and null without a reply; it
// calls no delegate and, being synchronous, sends no session cookie.
TEST_F(CenterClient, PersonalDetailsAreReadSynchronously) {
  struct Case {
    const char* name;
    std::string reply;  // "" : the connection is dropped
    bool returned;
  };
  const Case cases[] = {
      {"details",
       R"({"Body":{"NickName":"小明","Sex":1,"Tel":"","Email":"u@x.cn"},"Message":"","LoginState":1})", true},
      {"null Body", R"({"Body":null,"Message":"x"})", false},
      // A reply of another shape would blank the session's details: no answer either.
      {"no Body at all", R"({"Message":"x"})", false},
      {"a list for the Body", R"({"Body":[{"NickName":"小明"}],"Message":""})", false},
      {"a text for the Body", R"({"Body":"小明","Message":""})", false},
      {"a list at the top", R"([{"Body":{"NickName":"小明"}}])", false},
      {"not JSON", "<html>", false},
      {"dropped", "", false},
  };
  shell_->loggedIn = true;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(server().reset());
    if (c.reply.empty())
      drop("/api/1.0/json/user/GetPersonalDetails");
    else
      answer("/api/1.0/json/user/GetPersonalDetails", c.reply);
    core::Value got = center->getPersonalDetails();
    if (c.returned)
      EXPECT_EQ(got, JSONValue(c.reply)) << got.describe();
    else
      EXPECT_TRUE(got.isNil()) << got.describe();
    auto sent = requests();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent[0]["method"].toString(), "GET");
    EXPECT_EQ(sent[0]["path"].toString(), "/api/1.0/json/user/GetPersonalDetails");
    EXPECT_EQ(header(sent[0], "Client-Type").value_or(""), "iphone");
    EXPECT_FALSE(header(sent[0], "cookie"));
  }
  rl::RunLoop::main().runUntilIdle();
  EXPECT_TRUE(rec->calls.empty());
}

// A question-error report and general feedback go to the same path and differ only in Client-Type; the
// report's service is kept by its request, not by the client.
TEST_F(CenterClient, ErrorReportAndFeedbackDifferOnlyInClientType) {
  struct FeedbackRecorder : UserDelegate, Recorder {
    VD_RECORD(didFeedback)
  };
  auto userRec = recorder<FeedbackRecorder>();
  auto user = std::make_shared<User>();
  user->delegate = userRec;

  center->errorfeedback(kReport);
  EXPECT_EQ(center->abstractService(), nullptr);
  user->feedback(kReport);
  ASSERT_TRUE(awaitCalls(*rec, 1));
  ASSERT_TRUE(awaitCalls(*userRec, 1));
  auto sent = requests();
  ASSERT_EQ(sent.size(), 2u);
  // The two requests run side by side and may arrive in either order.
  std::vector<std::string> types;
  for (const core::Value& entry : sent) {
    auto clientTypes = headerValues(entry, "Client-Type");
    ASSERT_EQ(clientTypes.size(), 1u);
    types.push_back(clientTypes[0]);
  }
  std::sort(types.begin(), types.end());
  EXPECT_EQ(types, (std::vector<std::string>{"Entitled_Revised_Wrong", "iphone"}));
  EXPECT_EQ(sent[0]["path"].toString(), sent[1]["path"].toString());
  EXPECT_EQ(sent[0]["method"].toString(), sent[1]["method"].toString());
  EXPECT_EQ(sent[0]["body"].toString(), sent[1]["body"].toString());
  // The server took one as an error report and the other as feedback; both were answered true.
  EXPECT_TRUE(rec->calls[0].ok) << rec->calls[0].json.describe();
  EXPECT_TRUE(userRec->calls[0].ok) << userRec->calls[0].json.describe();
}

TEST_F(CenterClient, PasswordsStayInsideTheirSegments) {
  center->getResetPassWord("a/b?#", "新%&1");
  ASSERT_TRUE(awaitCalls(*rec, 1));
  auto sent = requests();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0]["path"].toString(), "/api/1.0/json/user/ResetPassWord/a%2Fb%3F%23/%E6%96%B0%25%261");
  EXPECT_EQ(sent[0]["operation"].toString(), "1.0/json/user/ResetPassWord/{}/{}");
}

}  // namespace
}  // namespace apiclient_test
