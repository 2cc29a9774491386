// The wrong-answer book client (WrongRedo) against the loopback API server: every operation's request
// and callback, the value-sum rule of the synchronous counts against body-non-empty of their
// asynchronous twins, the ranking that fails on a null "Body", and the id list without repeats.
#include <memory>
#include <string>
#include <vector>

#include "platform/core/Bundle.h"
#include "service/User.h"
#include "service/WrongRedo.h"
#include "tests/service/ClientTestSupport.h"

namespace apiclient_test {
namespace {

struct WrongRedoRecorder : WrongRedoDelegate, Recorder {
  VD_RECORD(didSubjectInfoList)
  VD_RECORD(didGetListToTime)
  VD_RECORD(didGetListToErrorCount)
  VD_RECORD(didGetTests)
  VD_RECORD(didRemoveToAllTestIDs)
  VD_RECORD(didErrorTestRank)
};

const std::string kSubjects = R"({"Body":[{"Sbjid":11,"Subject1":"人文常识","TestNum":4}]})";
const std::string kZeroClasses = R"({"Body":[{"Key":"当天","Value":0},{"Key":"三天内","Value":"0"}]})";
const std::string kSomeClasses = R"({"Body":[{"Key":"当天","Value":"0"},{"Key":"三天内","Value":2}]})";

class WrongRedoClient : public ClientSuite {
 protected:
  void SetUp() override {
    ClientSuite::SetUp();
    rec = recorder<WrongRedoRecorder>();
    book = std::make_shared<WrongRedo>();
    book->delegate = rec;
  }
  std::shared_ptr<WrongRedoRecorder> rec;
  std::shared_ptr<WrongRedo> book;
};

TEST_F(WrongRedoClient, EveryOperationSendsItsRequestAndReportsByItsRule) {
  using C = OpCase<WrongRedo>;
  const std::string e = "/api/1.0/json/exam/errortest/";
  std::string noData = R"({"Body":null,"Message":"x"})";
  {
    core::Value reply = JSONValue(noData);
    reply.set("Message", core::Bundle::main().localizedString("nodataMessage"));
    noData = JSONRepresentation(reply).value_or("");
  }
  const std::vector<C> cases = {
      {"subjectInfoListForSynchronous", [](WrongRedo& w) { w.subjectInfoListForSynchronous("GKSample"); },
       "GET", e + "subjectinfolist/GKSample", std::nullopt, "iphone", false, true, kSubjects,
       "didSubjectInfoList", true},
      {"getListToTimeForSynchronous: values add up",
       [](WrongRedo& w) { w.getListToTimeForSynchronous("GKSample"); }, "GET", e + "GetListToTime/GKSample",
       std::nullopt, "iphone", false, true, kSomeClasses, "didGetListToTime", true},
      {"getListToTimeForSynchronous: all zero",
       [](WrongRedo& w) { w.getListToTimeForSynchronous("GKSample"); }, "GET", e + "GetListToTime/GKSample",
       std::nullopt, "iphone", false, true, kZeroClasses, "didGetListToTime", false},
      {"getListToErrorCountForSynchronous: null Body",
       [](WrongRedo& w) { w.getListToErrorCountForSynchronous("GKSample"); }, "GET",
       e + "GetListToErrorCount/GKSample", std::nullopt, "iphone", false, true, R"({"Body":null})",
       "didGetListToErrorCount", false},
      {"subjectInfoListInBackground", [](WrongRedo& w) { w.subjectInfoListInBackground("GKSample"); }, "GET",
       e + "subjectinfolist/GKSample", std::nullopt, "iphone", false, false, kSubjects, "didSubjectInfoList",
       true},
      {"getListToTimeInBackground: all zero", [](WrongRedo& w) { w.getListToTimeInBackground("GKSample"); },
       "GET", e + "GetListToTime/GKSample", std::nullopt, "iphone", false, false, kZeroClasses,
       "didGetListToTime", false},
      {"getListToErrorCountInBackground: values add up",
       [](WrongRedo& w) { w.getListToErrorCountInBackground("GKSample"); }, "GET",
       e + "GetListToErrorCount/GKSample", std::nullopt, "iphone", false, false, kSomeClasses,
       "didGetListToErrorCount", true},
      {"subjectInfoList", [](WrongRedo& w) { w.subjectInfoList("GKSample"); }, "GET",
       e + "subjectinfolist/GKSample", std::nullopt, "iphone", true, false, R"({"Body":[]})",
       "didSubjectInfoList", false},
      {"getListToTime: all zero is still a list", [](WrongRedo& w) { w.getListToTime("GKSample"); }, "GET",
       e + "GetListToTime/GKSample", std::nullopt, "iphone", true, false, kZeroClasses, "didGetListToTime",
       true},
      {"getListToErrorCount", [](WrongRedo& w) { w.getListToErrorCount("GKSample"); }, "GET",
       e + "GetListToErrorCount/GKSample", std::nullopt, "iphone", true, false, kSomeClasses,
       "didGetListToErrorCount", true},
      {"testToSbjIds", [](WrongRedo& w) { w.testToSbjIds("GKSample", "20", "1", "11"); }, "GET",
       e + "TestToSbjIds/GKSample/20/1/11", std::nullopt, "iphone", true, false,
       R"({"Body":{"Name":"x","Sessions":[]}})", "didGetTests", true},
      {"testToTime with an empty list", [](WrongRedo& w) { w.testToTime("GKSample", "20", "1", "2"); }, "GET",
       e + "TestToTime/GKSample/20/1/2", std::nullopt, "iphone", true, false, R"({"Body":[]})", "didGetTests",
       true},
      {"testToErrorCount with a null Body",
       [](WrongRedo& w) { w.testToErrorCount("GKSample", "20", "2", "3"); }, "GET",
       e + "TestToErrorCount/GKSample/20/2/3", std::nullopt, "iphone", true, false, R"({"Body":null})",
       "didGetTests", false},
      {"removeToAllTestIDs",
       [](WrongRedo& w) { w.removeToAllTestIDs("GKSample", JSONValue("[1001, 1001]")); }, "GET",
       e + "RemoveToAllTestIDs/GKSample/1001", std::nullopt, "iphone", true, false, R"({"Body":true})",
       "didRemoveToAllTestIDs", true},
      {"errorTestRank", [](WrongRedo& w) { w.errorTestRank("GKSample"); }, "GET",
       "/api/1.0/json/exam/GetErrorTestRank/GKSample", std::nullopt, "iphone", true, false,
       R"({"Body":{"Name":"错题排行","Sessions":[]}})", "didErrorTestRank", true},
      {"errorTestRank with a null Body fails with the no-data text",
       [](WrongRedo& w) { w.errorTestRank("GKSample"); }, "GET",
       "/api/1.0/json/exam/GetErrorTestRank/GKSample", std::nullopt, "iphone", true, false,
       R"({"Body":null,"Message":"x"})", "didErrorTestRank", false, noData},
  };
  runCases(cases, *book, *rec);
}

TEST_F(WrongRedoClient, RemovedIdsGoOnceEach) {
  book->removeToAllTestIDs("GKSample", JSONValue(R"([1003, "1001", 1003, 1001])"));
  ASSERT_TRUE(awaitCalls(*rec, 1));
  auto sent = requests();
  ASSERT_EQ(sent.size(), 1u);
  const std::string path = sent[0]["path"].toString();
  EXPECT_TRUE(path == "/api/1.0/json/exam/errortest/RemoveToAllTestIDs/GKSample/1003,1001" ||
              path == "/api/1.0/json/exam/errortest/RemoveToAllTestIDs/GKSample/1001,1003")
      << path;
}

// Against the real book of a logged-in user without wrong answers: the synchronous count adds up to 0
// (false) while its asynchronous twin sees a non-empty list of classes (true).
TEST_F(WrongRedoClient, SynchronousCountsAndTheirTwinsDisagreeOnAnEmptyBook) {
  struct LoginRecorder : UserDelegate, Recorder {
    VD_RECORD(didLogin)
  };
  auto loginRec = recorder<LoginRecorder>();
  auto user = std::make_shared<User>();
  user->delegate = loginRec;
  user->login(
      R"({"UserName":"user01","Pwd":"secret1","AppEName":"","Group":0,"ID":0,"LoginCheckCode":"","LoginCount":0})");
  ASSERT_TRUE(awaitCalls(*loginRec, 1));
  ASSERT_TRUE(loginRec->calls[0].ok);
  shell_->loggedIn = true;

  book->getListToTimeForSynchronous("GKSample");
  ASSERT_EQ(rec->calls.size(), 1u);
  book->getListToTime("GKSample");
  ASSERT_TRUE(awaitCalls(*rec, 2));
  ASSERT_TRUE(rec->calls[0].json["Body"].isArray()) << rec->calls[0].json.describe();
  EXPECT_FALSE(rec->calls[0].json["Body"].array().empty());
  EXPECT_FALSE(rec->calls[0].ok) << rec->calls[0].json.describe();
  EXPECT_TRUE(rec->calls[1].ok) << rec->calls[1].json.describe();
  EXPECT_EQ(rec->calls[0].json, rec->calls[1].json);
}

// The counts may be anything an int64 holds: the sum stops at the ends of the range instead of
// overflowing, so a book of huge counts still adds up to something.
TEST(WrongRedoCounts, TheValueSumStopsAtTheEndsOfTheRange) {
  struct Case {
    const char* values;
    bool addsUp;
  };
  const Case cases[] = {
      {"9223372036854775807,9223372036854775807", true},
      {"9223372036854775807,1", true},
      {"-9223372036854775808,-9223372036854775808", true},
      {"-9223372036854775808,-1", true},
      {"-1,1", false},
      {"0,0", false},
      {"\"99999999999999999999999\",\"99999999999999999999999\"", true},
      {"\"-99999999999999999999999\",0", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.values);
    core::Value body = core::Value::newArray();
    core::Value values = JSONValue(std::string("[") + c.values + "]");
    ASSERT_TRUE(values.isArray());
    for (const core::Value& v : values.array())
      body.push_back(core::Dictionary{{"Key", "当天"}, {"Value", v}});
    EXPECT_EQ(WrongRedo::valuesAddUp(core::Dictionary{{"Body", body}}), c.addsUp);
  }
}

}  // namespace
}  // namespace apiclient_test
