// Replies of the wrong shape to the requests of the home screen's functions: each tap ends in a message
// and leaves the home screen usable.

#include "tests/screens/home/HomeFixture.h"
#include "tests/support/HostileReplies.h"

#include <map>

namespace home_test {
namespace {

using HomeReplies = HomeFixture;

const std::string kFailed = "请求失败，请稍后重试";
const std::string kNoData = "暂无相关数据";
const std::string kMalformed = "服务器数据有误，请稍后重试";

struct FunctionCase {
  int tag;
  std::string path;
  std::string opens;                            // the screen on top under the alert
  std::map<std::string, std::string> messages;  // by hostile reply
};

TEST_F(HomeReplies, EveryFunctionThatAsksTheServerSaysWhatWentWrong) {
  installSampleBank();
  loginAs("user01");
  openHome();
  const FunctionCase functions[] = {
      {4,
       "/api/1.0/json/exam/GetRandomTest/GKSample/20",
       "MainInterfaceViewController1",
       {{"text for the body", kNoData},
        {"number for the body", kNoData},
        {"null body", kNoData},
        {"no body", kNoData},
        {"object for a list", kNoData},
        {"list of non-records", kNoData},
        {"wrapped top level", kNoData},
        {"wrapped in an object", kNoData},
        {"truncated", kFailed},
        {"not UTF-8", kFailed},
        {"HTTP 500", kFailed},
        {"HTML with 200", kFailed},
        {"100,000 entries", kNoData},
        {"5,000 deep", kFailed}}},
      {13,
       "/api/1.0/json/exam/GetMyNotes/GKSample/1",
       "mainNote",
       {{"text for the body", kMalformed},
        {"number for the body", kMalformed},
        {"null body", kNoData},
        {"no body", kMalformed},
        {"object for a list", kMalformed},
        {"list of non-records", kMalformed},
        {"wrapped top level", kMalformed},
        {"wrapped in an object", kMalformed},
        {"truncated", kFailed},
        {"not UTF-8", kFailed},
        {"HTTP 500", kFailed},
        {"HTML with 200", kFailed},
        {"100,000 entries", kMalformed},
        {"5,000 deep", kFailed}}},
  };
  for (const FunctionCase& f : functions) {
    for (const testsupport::HostileReply& r : testsupport::hostileReplies()) {
      SCOPED_TRACE(std::to_string(f.tag) + ": " + r.name);
      fault(testsupport::withPath(r.fault, f.path));
      ASSERT_TRUE(tapFunction(f.tag));
      ASSERT_TRUE(runUntil([this] {
        h().settle(0.2);
        return h().alert() != nullptr;
      })) << "no message; on top: "
          << top();
      EXPECT_EQ(h().alert()->message(), f.messages.at(r.name));
      EXPECT_EQ(top(), f.opens);
      h().settle();  // the note list comes in under the alert
      ASSERT_TRUE(h().press("OK"));
      settleRequests();
      homeScreen().navigationController()->popToRootViewController(false);
      h().settle();
      ASSERT_EQ(top(), "MainInterfaceViewController1");
    }
  }
  // The functions still work with a good reply.
  fault(core::Dictionary{
      {"path", "/api/1.0/json/exam/GetMyNotes/GKSample/1"},
      {"body", R"({"Body":[{"ID":5,"UserNoteContent":"笔记"}],"Message":"","LoginState":1})"}});
  ASSERT_TRUE(tapFunction(13));
  ASSERT_TRUE(waitForTop("mainNote"));
  EXPECT_EQ(h().alert(), nullptr);
}

// Question sets past the builder's limits: no question, the no-data alert, and the home screen goes on.
TEST_F(HomeReplies, RandomSetsPastTheLimitsSayThereIsNoData) {
  installSampleBank();
  loginAs("user01");
  openHome();
  auto setOf = [](std::size_t sessions, const std::string& ids) {
    std::string text = R"({"Body":{"ID":1,"Name":"随机","Sessions":[)";
    for (std::size_t i = 0; i < sessions; ++i)
      text += (i ? "," : "") + (R"({"Type":"ATEST","ATestid":")" + ids + "\"}");
    return text + R"(]},"Message":"","LoginState":1})";
  };
  std::string manyIds = "1001";
  for (int i = 0; i < 20000; ++i) manyIds += ",1003";
  struct Case {
    const char* name;
    std::string body;
  };
  const Case cases[] = {
      {"100,000 sessions", setOf(100000, "1001")},
      {"20,001 ids in one session", setOf(1, manyIds)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fault(core::Dictionary{{"path", "/api/1.0/json/exam/GetRandomTest/GKSample/20"}, {"body", c.body}});
    ASSERT_TRUE(tapFunction(4));
    ASSERT_TRUE(runUntil([this] {
      h().settle(0.2);
      return h().alert() != nullptr;
    }));
    EXPECT_EQ(h().alert()->message(), kNoData);
    ASSERT_TRUE(h().press("OK"));
    h().settle();
    EXPECT_EQ(top(), "MainInterfaceViewController1");
  }
  // A set within the limits opens.
  fault(core::Dictionary{{"path", "/api/1.0/json/exam/GetRandomTest/GKSample/20"},
                         {"body", setOf(3, "1001,1003")}});
  ASSERT_TRUE(tapFunction(4));
  ASSERT_TRUE(waitForTop("ExammingViewController")) << top();
  EXPECT_EQ(answering_->testPager()->testArray().size(), 6u);
}


// Notices arrive unasked at the first load: a reply of the wrong shape shows no notice screen (before, a
// list of anything but notices showed an empty "通知1") and the home screen's functions go on.
TEST_F(HomeReplies, NoticesOfTheWrongShapeShowNothing) {
  installSampleBank();
  loginAs("user01");
  for (const testsupport::HostileReply& r : testsupport::hostileReplies()) {
    SCOPED_TRACE(r.name);
    fault(testsupport::withPath(r.fault, "/api/1.0/json/sys/GetAnnouncement/2.1/GKSample"));
    MainInterfaceViewController1& home = openHome(/*notices=*/true);
    EXPECT_EQ(home.informVC(), nullptr);
    EXPECT_FALSE(app().userSession().contains("Inform"));
    EXPECT_EQ(top(), "MainInterfaceViewController1");
    EXPECT_EQ(h().alert(), nullptr);
  }
  // Notices whose entries are not [title, text, date] lists.
  for (const char* body : {R"([[1,2,3]])", R"([["标题"]])", R"([["标题","正文"],7])"}) {
    SCOPED_TRACE(body);
    fault(core::Dictionary{{"path", "/api/1.0/json/sys/GetAnnouncement/2.1/GKSample"},
                           {"body", testsupport::replyWithBody(body)}});
    EXPECT_EQ(openHome(/*notices=*/true).informVC(), nullptr);
  }
  ASSERT_TRUE(tapFunction(13));
  ASSERT_TRUE(waitForTop("mainNote")) << top();
}

}  // namespace
}  // namespace home_test
