// The exam, search and random-test clients (SimulationExam, SearchTest, RandomTest) against the
// loopback API server: their requests and answers, the reply log posted from a worker thread that
// reports nothing even when it fails, and what happens with no subject chosen.
#include <memory>
#include <string>
#include <vector>

#include "platform/runloop/DispatchQueue.h"
#include "service/RandomTest.h"
#include "service/ApiClientSupport.h"
#include "service/SearchTest.h"
#include "service/SimulationExam.h"
#include "tests/service/ClientTestSupport.h"

namespace apiclient_test {
namespace {

struct ExamRecorder : SimulationExamDelegate, Recorder {
  VD_RECORD(didGetSbjsStyle)
};
struct RandomRecorder : RandomTestDelegate, Recorder {
  VD_RECORD(didGetRandomTest)
};

const std::string kSearch =
    R"({"AppEName":"GKSample","SbjIDs":"","Word":"长城","PageIndex":"1","PageSize":"20"})";
const std::string kReplyLog =
    R"({"Caption":"地理常识","CptID":"111","GUID":"","ReplyDate":"2024-01-02 10:00:00","ReplyEndTime":"2024-01-02 10:05:00","ReplyStartTime":"2024-01-02 10:00:00","RightTestNum":"1","Score":"1","TestKind":1,"TestNum":"1","TestType":"3","UserScore":"1","ReplyLogArr":[{"UserScore":"1","ChildTableName":"ATEST","Score":"1","Answer":"A","IsRight":"True","ChildTableID":"1001","AllTestID":"1001"}]})";

class ExamSearchRandomClient : public ClientSuite {
 protected:
  // Drives the main loop until the HTTP client has nothing left in flight.
  static bool awaitQuiet() {
    return runUntil([] { return HTTPRequest::sharedQueue().operationCount() == 0; });
  }
};

TEST_F(ExamSearchRandomClient, EveryOperationSendsItsRequestAndReportsByItsRule) {
  auto examRec = recorder<ExamRecorder>();
  auto exam = std::make_shared<SimulationExam>();
  exam->delegate = examRec;
  using EC = OpCase<SimulationExam>;
  const std::vector<EC> examCases = {
      {"getSbjsStyle", [](SimulationExam& e) { e.getSbjsStyle("11,12"); }, "GET",
       "/api/1.0/json/exam/SbjsStyle/GKSample/11,12", std::nullopt, "iphone", true, false,
       R"({"Body":[{"StyleID":1,"Style1":"单项选择题","Style":"ATEST","TestCount":5}]})", "didGetSbjsStyle",
       true},
      {"getSbjsStyle with no styles", [](SimulationExam& e) { e.getSbjsStyle("99"); }, "GET",
       "/api/1.0/json/exam/SbjsStyle/GKSample/99", std::nullopt, "iphone", true, false, R"({"Body":[]})",
       "didGetSbjsStyle", false},
  };
  runCases(examCases, *exam, *examRec);

  // The search answers through the block given with the call.
  auto searchRec = std::make_shared<Recorder>();
  searchRec->overlayProbe = recorder<ExamRecorder>()->overlayProbe;
  auto search = std::make_shared<SearchTest>();
  auto find = [searchRec](SearchTest& s) {
    s.findTest(kSearch,
               [searchRec](bool ok, const core::Value& json) { searchRec->note("block", ok, json); });
  };
  std::string pastTheLimit = R"({"Body":[)";
  for (std::size_t i = 0; i <= apiclient::kMaxListEntries; ++i) pastTheLimit += i ? ",{}" : "{}";
  pastTheLimit += R"(],"Message":"1"})";
  using SC = OpCase<SearchTest>;
  const std::vector<SC> searchCases = {
      {"findTest with a list past the clients' limit", find, "POST", "/api/1.0/json/exam/findTest", kSearch,
       "iphone", true, false, pastTheLimit, "block", false},
      {"findTest with an empty page", find, "POST", "/api/1.0/json/exam/findTest", kSearch, "iphone", true,
       false, R"({"Body":[],"Message":""})", "block", true},
      {"findTest with a null Body", find, "POST", "/api/1.0/json/exam/findTest", kSearch, "iphone", true,
       false, R"({"Body":null,"Message":"0"})", "block", false},
  };
  runCases(searchCases, *search, *searchRec);

  auto randomRec = recorder<RandomRecorder>();
  auto random = std::make_shared<RandomTest>();
  random->delegate = randomRec;
  using RC = OpCase<RandomTest>;
  const std::vector<RC> randomCases = {
      {"getRandomTest", [](RandomTest& r) { r.getRandomTest("GKSample", "20"); }, "GET",
       "/api/1.0/json/exam/GetRandomTest/GKSample/20", std::nullopt, "iphone", true, false,
       R"({"Body":{"ID":0,"Name":"随机测试","Sessions":[]}})", "didGetRandomTest", true},
  };
  runCases(randomCases, *random, *randomRec);
}

TEST_F(ExamSearchRandomClient, RealSearchAndRandomTest) {
  auto randomRec = recorder<RandomRecorder>();
  auto random = std::make_shared<RandomTest>();
  random->delegate = randomRec;
  random->getRandomTest("GKSample", "20");

  bool called = false;
  core::Value found;
  bool foundOk = false;
  SearchTest search;
  search.findTest(kSearch, [&](bool ok, const core::Value& json) {
    called = true;
    foundOk = ok;
    found = json;
  });
  ASSERT_TRUE(awaitCalls(*randomRec, 1));
  ASSERT_TRUE(runUntil([&] { return called; }));
  EXPECT_TRUE(randomRec->calls[0].ok);
  EXPECT_TRUE(randomRec->calls[0].json["Body"]["Sessions"].isArray()) << randomRec->calls[0].json.describe();
  EXPECT_TRUE(foundOk) << found.describe();
  EXPECT_TRUE(found["Message"].isString()) << found.describe();
}

TEST_F(ExamSearchRandomClient, NoReplyAndNoBlock) {
  drop("/api/1.0/json/exam/findTest");
  bool called = false;
  bool ok = true;
  core::Value json = JSONValue("{}");
  SearchTest search;
  search.findTest(kSearch, [&](bool o, const core::Value& j) {
    called = true;
    ok = o;
    json = j;
  });
  ASSERT_TRUE(runUntil([&] { return called; }));
  EXPECT_FALSE(ok);
  EXPECT_TRUE(json.isNil());

  // Without a block the search still goes out; nothing is called.
  ASSERT_TRUE(server().reset());
  search.findTest(kSearch, nullptr);
  ASSERT_TRUE(awaitQuiet());
  EXPECT_EQ(requests().size(), 1u);
}

// The reply log is posted from a worker of the global queue, without an overlay, and reports nothing to
// anybody, also when the post fails.
TEST_F(ExamSearchRandomClient, TheReplyLogReportsNothing) {
  auto examRec = recorder<ExamRecorder>();
  auto exam = std::make_shared<SimulationExam>();
  exam->delegate = examRec;
  // The server holds the answer back a moment, so the request is seen in flight.
  ASSERT_TRUE(server().fault(R"({"path":"/api/1.0/json/exam/GKSample/replylog","delay":0.3})"));
  rl::DispatchQueue::global().async([exam] { exam->replylog(kReplyLog); });
  ASSERT_TRUE(runUntil([&] { return requests().size() == 1; }));
  rl::RunLoop::main().runUntilIdle();
  EXPECT_FALSE(examRec->overlayProbe()) << "no overlay while the log is posted";
  ASSERT_TRUE(awaitQuiet());
  auto sent = requests();
  EXPECT_EQ(sent[0]["method"].toString(), "POST");
  EXPECT_EQ(sent[0]["path"].toString(), "/api/1.0/json/exam/GKSample/replylog");
  EXPECT_EQ(sent[0]["body"].toString(), kReplyLog);
  EXPECT_EQ(headerValues(sent[0], "Client-Type"), std::vector<std::string>{"iphone"});

  drop("/api/1.0/json/exam/GKSample/replylog");
  exam->replylog(kReplyLog);
  ASSERT_TRUE(runUntil([&] { return requests().size() >= 2; }));
  ASSERT_TRUE(awaitQuiet());
  h().settle();
  EXPECT_TRUE(examRec->calls.empty());
  EXPECT_EQ(h().alert(), nullptr);
}

TEST_F(ExamSearchRandomClient, NoSubjectChosenSendsNothing) {
  setSubject("");
  auto examRec = recorder<ExamRecorder>();
  auto exam = std::make_shared<SimulationExam>();
  exam->delegate = examRec;
  exam->getSbjsStyle("11");
  exam->replylog(kReplyLog);
  EXPECT_TRUE(examRec->calls.empty());
  ASSERT_TRUE(awaitCalls(*examRec, 1));
  EXPECT_FALSE(examRec->calls[0].ok);
  EXPECT_TRUE(examRec->calls[0].json.isNil());
  ASSERT_TRUE(awaitQuiet());
  EXPECT_TRUE(requests().empty());
}

}  // namespace
}  // namespace apiclient_test
