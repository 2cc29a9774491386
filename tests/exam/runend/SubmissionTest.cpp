// The answering screen ends a run as a person drives it: the page's submit command with its checks and
// alerts, the result screen over the window and its two ways out, the reply log at the loopback server
// (a finished exam, one wrong practice answer), and the learning history and run in progress on disk.
#include <filesystem>
#include <string>
#include <vector>

#include "exam/TestResultViewController.h"
#include "exam/sets/ChapterResultFile.h"
#include "platform/core/DateFormatter.h"
#include "tests/exam/runend/RunEndFixture.h"
#include "widgets/UIAlertViewBlock.h"

namespace runend_test {
namespace {

using answering_test::question;

class Submission : public RunEnd {
 protected:
  // Three choice questions (answer A) and one short answer.
  static QuestionsArray fourQuestions() {
    QuestionsArray tests{question(0), question(1), question(2), question(3)};
    tests[3]->type = "JDTEST";
    tests[3]->Answer = "要点";
    tests[3]->ChoiceItems = core::Value();
    return tests;
  }
  static void answer(Questions& q, AnswerState state, const std::string& reply) {
    q.state = state;
    q.reply = reply;
  }
  // The web view of the page on show.
  ui::WebView& currentPage() {
    for (int i = 1; i <= 3; ++i) {
      auto page = screen().basetestVC(i);
      if (page && page->currentTest() == screen().testPager()->currentTest()) return *screen().pageWebView(i);
    }
    ADD_FAILURE() << "no page shows the current question";
    return *screen().pageWebView(1);
  }
  // The page follows one of its command links.
  void command(const std::string& path) {
    h().web(currentPage()).navigate("vdprotocol://" + path);
    run(0.1);
  }
  bool resultOnShow() {
    auto result = screen().testResultVC();
    return result && result->isViewLoaded() && result->view().superview() == &h().window();
  }
};

TEST_F(Submission, AFinishedExamShowsTheResultAndPostsOnlyMarkedAnswers) {
  loginAs("user01");
  QuestionsArray tests = fourQuestions();
  answer(*tests[1], AnswerState::Wrong, "B");
  answer(*tests[2], AnswerState::Right, "A");
  answer(*tests[3], AnswerState::FreeText, "季风");
  open(tests, 0, AnsweringMode::Exam);
  screen().setIsChapterTest(true);
  command("replyclickOK/A");  // the last question answered: the run in progress is stored
  ASSERT_EQ(tests[0]->state, AnswerState::Right);
  ASSERT_TRUE(onDisk(lastPath("user01")));

  command("markClick/");
  EXPECT_EQ(h().alert(), nullptr) << "everything answered: no question asked";
  ASSERT_TRUE(resultOnShow());
  EXPECT_EQ(screen().testResultVC()->lblPercent()->text(), "正确率 : 50%") << "2 right of 4 answered";
  EXPECT_FALSE(onDisk(lastPath("user01"))) << "a submitted run is no run in progress";

  const auto logs = replyLogs();
  ASSERT_EQ(logs.size(), 1u);
  const core::Value log = logs[0];
  EXPECT_EQ(log["TestNum"].toString(), "4");
  EXPECT_EQ(log["Score"].toString(), "4");
  EXPECT_EQ(log["RightTestNum"].toString(), "2");
  EXPECT_EQ(log["UserScore"].toString(), "2");
  EXPECT_EQ(log["CptID"].toString(), "-1");
  EXPECT_EQ(log["TestType"].toString(), "3");
  EXPECT_EQ(log["TestKind"].toInt(), 10000);
  const std::string minute = core::DateFormatter("yyyy-MM-dd HH:mm").format(VDHelper::now());
  EXPECT_EQ(log["Caption"].toString().rfind("第一章[", 0), 0u) << log["Caption"].toString();
  EXPECT_EQ(log["Caption"].toString().size(), std::string("第一章[]").size() + minute.size());
  std::vector<std::string> logged;
  for (const core::Value& e : log["ReplyLogArr"].array())
    logged.push_back(e["AllTestID"].toString() + e["IsRight"].toString());
  EXPECT_EQ(logged, (std::vector<std::string>{"1000True", "1001False", "1002True"}))
      << "the free-text answer has no entry";
}

TEST_F(Submission, SubmittingAsksAboutUnansweredQuestions) {
  loginAs("user01");
  // Nothing answered: an alert, nothing else.
  open(fourQuestions(), 0, AnsweringMode::Exam);
  command("markClick/");
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->message(), ExammingViewController::kNothingAnswered);
  EXPECT_EQ(h().alert()->numberOfButtons(), 1);
  ASSERT_TRUE(h().press("确定"));
  EXPECT_FALSE(resultOnShow());
  // The screen's own bottom button submits the same way in exam mode.
  ASSERT_TRUE(h().tap(*screen().btnMark()));
  h().settle();
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->message(), ExammingViewController::kNothingAnswered);
  ASSERT_TRUE(h().press("确定"));
  nav_->popViewController(false);
  h().settle();

  // Two unanswered: "取消" goes back to the run, "确定" stores it and submits.
  QuestionsArray tests = fourQuestions();
  answer(*tests[0], AnswerState::Wrong, "B");
  answer(*tests[3], AnswerState::FreeText, "季风");
  open(tests, 0, AnsweringMode::Exam);
  screen().setIsAllow(true);
  command("replyclickOK/B");
  ASSERT_TRUE(onDisk(lastPath("user01")));
  command("markClick/");
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->title(), ExammingViewController::kConfirmTitle);
  EXPECT_EQ(h().alert()->message(), "您还有2题未作答，请在题卡中查看这些题目，强制交卷请按确定");
  ASSERT_TRUE(h().press("取消"));
  EXPECT_FALSE(resultOnShow());
  EXPECT_FALSE(onDisk(historyPath("user01")));
  command("markClick/");
  ASSERT_TRUE(h().press("确定"));
  h().settle();
  EXPECT_TRUE(resultOnShow());
  EXPECT_TRUE(screen().isMoreViewHidden());
  EXPECT_FALSE(onDisk(lastPath("user01")));
  const core::Value records = LearningRecordFile(historyPath("user01")).records("GKSample");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["ReplyRecord"]["TestsRecord"][3]["Reply"].toString(), "季风");
  EXPECT_EQ(replyLogs().size(), 1u);
}

TEST_F(Submission, PracticeLogsAWrongAnswerAtOnceAndSubmitsNothing) {
  loginAs("user01");
  open(fourQuestions(), 0, AnsweringMode::Practice);
  command("replyclickOK/A");  // right: nothing sent
  EXPECT_TRUE(replyLogs().empty());
  ASSERT_TRUE(tapMove(screen().nextButton()));
  command("replyclickOK/B");  // wrong: logged at once, alone
  auto logs = replyLogs();
  ASSERT_EQ(logs.size(), 1u);
  ASSERT_EQ(logs[0]["ReplyLogArr"].size(), 1u);
  EXPECT_EQ(logs[0]["ReplyLogArr"][0]["AllTestID"].toString(), "1001");
  EXPECT_EQ(logs[0]["ReplyLogArr"][0]["IsRight"].toString(), "False");
  EXPECT_EQ(logs[0]["TestType"].toString(), "1");
  EXPECT_FALSE(screen().testResultVC()) << "no result screen for one answer";

  command("markClick/");
  ASSERT_NE(h().alert(), nullptr);
  ASSERT_TRUE(h().press("确定"));
  h().settle();
  EXPECT_TRUE(resultOnShow());
  EXPECT_EQ(replyLogs().size(), 1u) << "a practice submission sends no log";
}

TEST_F(Submission, AGuestGetsTheResultButNothingIsSentOrStored) {
  QuestionsArray tests = fourQuestions();
  for (int i = 1; i < 4; ++i) answer(*tests[i], AnswerState::Wrong, "B");
  open(tests, 0, AnsweringMode::Exam);
  screen().setIsAllow(true);
  command("replyclickOK/B");
  command("markClick/");
  EXPECT_TRUE(resultOnShow());
  EXPECT_TRUE(replyLogs().empty());
  screen().backClick();
  EXPECT_TRUE(std::filesystem::is_empty(VDHelper::learningRecordSavePath()));
  EXPECT_TRUE(std::filesystem::is_empty(VDHelper::lastLearningRecordSavePath()));
}

TEST_F(Submission, TheResultLeadsToReviewOrOut) {
  loginAs("user01");
  QuestionsArray tests{question(0), question(1)};
  answer(*tests[0], AnswerState::Wrong, "B");
  open(tests, 1, AnsweringMode::Exam);
  command("replyclickOK/A");
  command("markClick/");
  ASSERT_TRUE(resultOnShow());
  ASSERT_TRUE(h().tap(*screen().testResultVC()->browseButton()));
  run(0.5);
  EXPECT_FALSE(resultOnShow());
  EXPECT_EQ(screen().currentMode(), AnsweringMode::Reading);
  EXPECT_EQ(current(), 0) << "the review starts at the first question";
  EXPECT_EQ(tests[1]->reply, "A") << "the answers stay for the review";
  EXPECT_EQ(tests[0]->state, AnswerState::Wrong);

  command("markClick/");  // from the review, a second result over it
  EXPECT_EQ(h().alert(), nullptr);
  ASSERT_TRUE(resultOnShow());
  ASSERT_TRUE(h().tap(*screen().testResultVC()->exitButton()));
  run(0.5);
  EXPECT_FALSE(resultOnShow());
  EXPECT_TRUE(screen().isAllow());
  EXPECT_NE(nav_->topViewController(), &screen()) << "leaving the result leaves the run";
}

TEST_F(Submission, LeavingAndMovingStoreTheRun) {
  loginAs("user01");
  app().setCurrentModule(7);
  struct Case {
    const char* name;
    AnsweringMode mode;
    bool unSaveRecord;
    bool answered;
    bool history, last;
  };
  const std::vector<Case> cases = {
      {"practice with a reply", AnsweringMode::Practice, false, true, true, true},
      {"no reply given", AnsweringMode::Exam, false, false, false, true},
      {"reading mode", AnsweringMode::Reading, false, true, false, false},
      {"random practice", AnsweringMode::Practice, true, true, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    onDisk(lastPath("user01"));  // nothing of the last case still on its way
    std::filesystem::remove(historyPath("user01"));
    std::filesystem::remove(lastPath("user01"));
    QuestionsArray tests = fourQuestions();
    if (c.answered) answer(*tests[3], AnswerState::FreeText, "季风");
    open(tests, 0, c.mode);
    screen().setIsAllow(true);
    screen().setUnSaveRecord(c.unSaveRecord);
    // A page move stores the run in progress (reading mode moves by the page's command only).
    if (c.mode == AnsweringMode::Reading)
      command("pageLoaded/");
    else
      ASSERT_TRUE(tapMove(screen().nextButton()));
    EXPECT_EQ(onDisk(lastPath("user01")), c.last);
    if (c.last) {
      const core::Value element = LastLearningRecordFile(lastPath("user01")).read();
      EXPECT_TRUE(LastLearningRecordFile::matches(element, "GKSample", 7));
      EXPECT_EQ(element["LearningRecordArr"]["ReplyRecord"]["CurrentID"].toString(), "1001");
    }
    screen().backClick();
    run(0.5);
    EXPECT_EQ(onDisk(historyPath("user01")), c.history);
    if (c.history) {
      const core::Value records = LearningRecordFile(historyPath("user01")).records("GKSample");
      ASSERT_EQ(records.size(), 1u);
      EXPECT_EQ(records[0]["ReplyRecord"]["CurrentID"].toString(), "1001");
      EXPECT_EQ(records[0]["ReplyRecord"]["ExamingMode"].toInt(), static_cast<int>(c.mode));
      EXPECT_EQ(screen().chapterCurrentID(), "1001");
    }
  }
}

}  // namespace
}  // namespace runend_test
