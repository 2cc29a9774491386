// A stored run brought back (replies, marks, the question it was left at), the reply log posted at the
// loopback server, and the result screen (figures, pass line, the stored chapter result, its buttons).
#include <string>
#include <vector>

#include "exam/ExammingViewController.h"
#include "exam/TestResultViewController.h"
#include "exam/sets/ChapterResultFile.h"
#include "exam/sets/ReplyLogRequest.h"
#include "exam/sets/RestoredRun.h"
#include "service/SimulationExam.h"
#include "tests/exam/runend/RunEndFixture.h"
#include "util/MD5Digest.h"

namespace runend_test {
namespace {

// A stored learning record over sample questions 1001-1003 (answers C, B, C), the short answer 1020
// and the fill-in 1019.
core::Value storedRun(core::Value testsRecord, const std::string& currentID) {
  core::Value sessions = core::Array{core::Dictionary{{"Type", "ATEST"}, {"ATestid", "1001,1002,1003"}},
                                     core::Dictionary{{"Type", "JDTEST"}, {"JDTestid", "1020"}},
                                     core::Dictionary{{"Type", "TKTEST"}, {"TKTestid", "1019"}}};
  core::Value body = core::Dictionary{{"ID", 7}, {"Name", "第一章"}, {"Sessions", sessions}};
  core::Value reply = core::Dictionary{
      {"ExamingMode", 0}, {"ChapterName", "第一章"}, {"TestsRecord", testsRecord}, {"CurrentID", currentID}};
  return core::Dictionary{{"ReplyRecord", reply},
                          {"TestsJSON", JSONRepresentation(core::Dictionary{{"Body", body}}).value_or("")}};
}

core::Value entry(const char* id, const char* reply) {
  return core::Dictionary{{"AllTestID", id}, {"Reply", reply}};
}

TEST_F(RunEnd, AStoredRunComesBackWithItsRepliesAndPlace) {
  installSampleBank();
  struct Case {
    const char* name;
    core::Value testsRecord;
    std::string currentID;
    std::vector<AnswerState> states;
    std::string current;
  };
  const std::vector<Case> cases = {
      {"free text is kept, never marked",
       core::Array{entry("1001", "C"), entry("1002", "C"), entry("1003", ""), entry("1020", "季风"),
                   entry("1019", "黑龙江")},
       "1020",
       {AnswerState::Right, AnswerState::Wrong, AnswerState::NotAnswered, AnswerState::FreeText,
        AnswerState::FreeText},
       "1020"},
      {"a current id of no question opens at the first",
       core::Array{entry("1001", "B")},
       "9999",
       {AnswerState::Wrong, AnswerState::NotAnswered, AnswerState::NotAnswered, AnswerState::NotAnswered,
        AnswerState::NotAnswered},
       "1001"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const RestoredRun run = restoreLearningRecord(storedRun(c.testsRecord, c.currentID));
    ASSERT_EQ(run.tests.size(), c.states.size());
    for (std::size_t i = 0; i < c.states.size(); ++i) EXPECT_EQ(run.tests[i]->state, c.states[i]) << i;
    ASSERT_NE(run.currentTest, nullptr);
    EXPECT_EQ(run.currentTest->AllTestID, c.current);
  }
  // Opened on the answering screen: the pager at that question, the stored mode, redo in exam mode.
  const RestoredRun run = restoreLearningRecord(storedRun(cases[0].testsRecord, "1002"));
  auto screen = std::make_shared<ExammingViewController>();
  ASSERT_TRUE(run.applyTo(*screen));
  EXPECT_EQ(screen->testPager()->currentTest(), run.tests[1]);
  EXPECT_EQ(screen->testPager()->testArray()[3]->reply, "季风");
  EXPECT_EQ(screen->originalMode(), AnsweringMode::Practice);
  EXPECT_EQ(screen->redoMode(), AnsweringMode::Exam);
  EXPECT_EQ(screen->chapterName(), "第一章");
  EXPECT_EQ(screen->testsJSON()["Body"]["ID"].toInt(), 7);
  // Nothing to open for a record without questions.
  EXPECT_FALSE(restoreLearningRecord(core::Value("text")).applyTo(*screen));
  EXPECT_EQ(restoreLearningRecord(core::Dictionary{{"TestsJSON", "{"}}).currentTest, nullptr);
}

TEST_F(RunEnd, TheReplyLogReachesTheServerFromAWorker) {
  QuestionsArray tests{answering_test::question(1), answering_test::question(2)};
  tests[0]->state = AnswerState::Wrong;
  tests[0]->reply = "B";
  ReplyLogRequest::Run facts;
  facts.caption = "第一章";
  auto request = std::make_shared<ReplyLogRequest>(tests, tests[0], facts);
  tests[0]->reply = "A";  // the run goes on: the log keeps what was copied
  request->send(std::make_shared<SimulationExam>());
  request.reset();
  const auto logs = replyLogs();
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_EQ(requests("/replylog")[0]["path"].toString(), "/api/1.0/json/exam/GKSample/replylog");
  ASSERT_EQ(logs[0]["ReplyLogArr"].size(), 1u);
  EXPECT_EQ(logs[0]["ReplyLogArr"][0]["Answer"].toString(), "B");
  EXPECT_EQ(logs[0]["ReplyLogArr"][0]["IsRight"].toString(), "False");
}

// The answering screen's part: the questions, and what the buttons asked for.
struct ResultOwner : TestResultViewDelegate {
  std::shared_ptr<TestPager> pager;
  std::vector<std::string> calls;
  std::shared_ptr<TestPager> testPager() const override { return pager; }
  void resultBrowseClick() override { calls.push_back("browse"); }
  void resultViewExitClick() override { calls.push_back("exit"); }
};

// A run of `total` questions of which `answered` are answered and the first `right` of them right.
std::shared_ptr<TestPager> pagerOf(int total, int answered, int right) {
  QuestionsArray tests;
  for (int i = 0; i < total; ++i) {
    auto q = answering_test::question(i);
    if (i < answered) q->state = i < right ? AnswerState::Right : AnswerState::Wrong;
    tests.push_back(q);
  }
  return std::make_shared<TestPager>(tests);
}

TEST_F(RunEnd, TheResultScreenShowsAndStoresTheFigures) {
  struct Case {
    const char* name;
    int total, answered, right;
    bool loggedIn;
    std::string chapterID;
    std::string percent, image;
  };
  const std::vector<Case> cases = {
      {"nothing answered", 4, 0, 0, true, "7", "0%", "testnopass"},
      {"two of three", 5, 3, 2, true, "7", "67%", "testpass"},
      {"exactly the pass line", 5, 5, 3, true, "8", "60%", "testpass"},
      {"below the pass line", 5, 5, 2, false, "8", "40%", "testnopass"},
      {"no chapter", 1, 1, 1, true, "", "100%", "testpass"},
  };
  const std::string path = ChapterResultFile::pathFor(VDHelper::recordSavePath(), true);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.loggedIn ? loginAs("user01") : logout();
    auto owner = std::make_shared<ResultOwner>();
    owner->pager = pagerOf(c.total, c.answered, c.right);
    auto vc = std::dynamic_pointer_cast<TestResultViewController>(
        VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("testResult"));
    ASSERT_NE(vc, nullptr);
    vc->setDelegate(owner);
    vc->setCurrentMode(AnsweringMode::Exam);
    vc->setChapterID(c.chapterID);
    vc->setIsChapterTest(true);
    const std::size_t before = ChapterResultFile(path).read().size();
    h().window().addFrontView(vc->view().shared_from_this());
    h().settle();
    EXPECT_EQ(vc->lblYIDACount()->text(), "本次答题数量 : " + std::to_string(c.answered) + "题");
    EXPECT_EQ(vc->lblDADUICount()->text(), "答对 : " + std::to_string(c.right) + "题");
    EXPECT_EQ(vc->lblPercent()->text(), "正确率 : " + c.percent);
    EXPECT_EQ(vc->lblTotalCount()->text(), "总题数 : " + std::to_string(c.total) + "题");
    EXPECT_EQ(vc->imageView()->image()->name(), c.image);

    const core::Value stored = ChapterResultFile(path).read();
    if (c.chapterID.empty()) {
      EXPECT_EQ(stored.size(), before) << "a result without a chapter is not stored";
    } else {
      EXPECT_EQ(stored[0]["ID"].toString(), c.chapterID);
      EXPECT_EQ(stored[0]["percent"].toString(), c.percent);
      EXPECT_EQ(stored[0]["UserName"].toString(), c.loggedIn ? *stringFromMD5("user01") : "");
      EXPECT_EQ(stored[0]["EName"].toString(), "GKSample");
    }
    ASSERT_TRUE(h().tap(*vc->browseButton()));
    ASSERT_TRUE(h().tap(*vc->exitButton()));
    EXPECT_EQ(owner->calls, (std::vector<std::string>{"browse", "exit"}));
    vc->view().removeFromSuperview();
  }
  // One entry per chapter, user and bank: chapter 7 twice for user01, chapter 8 for user01 and a guest.
  EXPECT_EQ(ChapterResultFile(path).read().size(), 3u);

  // Outside exam mode, browsing leaves as exit does.
  auto owner = std::make_shared<ResultOwner>();
  owner->pager = pagerOf(1, 1, 0);
  auto vc = std::make_shared<TestResultViewController>();
  vc->setDelegate(owner);
  vc->setCurrentMode(AnsweringMode::Practice);
  h().window().addFrontView(vc->view().shared_from_this());
  h().settle();
  ASSERT_TRUE(h().tap(*vc->browseButton()));
  EXPECT_EQ(owner->calls, std::vector<std::string>{"exit"});
  vc->view().removeFromSuperview();
}

}  // namespace
}  // namespace runend_test
