// The two practice roads end to end with the real answering screen, a logged-in user and the loopback
// server: chapter practice from the hub through the nested chapter tree to a result that colours the
// chapter's row, and a simulated exam from its settings to the reply log the server receives.
#include <algorithm>
#include <cstdio>

#include "exam/BaseTestHtmlViewController.h"
#include "exam/ExamScreens.h"
#include "exam/ExammingViewController.h"
#include "exam/TestResultViewController.h"
#include "platform/runloop/DispatchQueue.h"
#include "screens/practice/ChaptListViewController.h"
#include "screens/practice/ExamSetting1ViewController.h"
#include "screens/practice/ExamSetting2ViewController.h"
#include "screens/practice/SimulateExamsViewController.h"
#include "tests/screens/practice/PracticeFixture.h"

namespace practice_test {
namespace {

class Road : public PracticeFixture {
 protected:
  void SetUp() override {
    PracticeFixture::SetUp();
    registerExamScreens();  // the real answering screen in place of the recording one
  }

  bool tapButton(ui::Button* b) {
    if (!b || !h().tap(*b)) return false;
    settleAll();
    return true;
  }
  // Runs the background page builds and the main loop until both are idle.
  void loadPages() {
    for (int i = 0; i < 6; ++i) {
      rl::DispatchQueue::global().waitIdle();
      h().drainMain();
    }
  }
  void run(double seconds) {
    loadPages();
    h().advance(seconds);
    loadPages();
    h().advance(0.05);
    loadPages();
  }
  // The answering screen once it is on top with its pages loaded and the group banner tapped away.
  ExammingViewController* answeringOnTop() {
    auto* exam = topAs<ExammingViewController>();
    if (!exam) return nullptr;
    run(0.5);
    if (exam->styleHud()) h().tap(ui::Point{20, 400});
    run(0.1);
    return exam;
  }
  ui::WebView* currentPage(ExammingViewController& exam) {
    for (int i = 1; i <= 3; ++i) {
      auto page = exam.basetestVC(i);
      if (page && page->currentTest() == exam.testPager()->currentTest()) return exam.pageWebView(i).get();
    }
    return nullptr;
  }
  // The page on show follows one of its command links.
  bool command(ExammingViewController& exam, const std::string& path) {
    ui::WebView* page = currentPage(exam);
    if (!page) return false;
    h().web(*page).navigate("vdprotocol://" + path);
    run(0.1);
    return true;
  }
  bool next(ExammingViewController& exam) {
    if (!exam.nextButton() || !h().tap(*exam.nextButton())) return false;
    run(0.4);
    return true;
  }
  static std::string wrongLetter(const Questions& q) { return q.Answer == "A" ? "B" : "A"; }
  // Submits; "确定" on the question about unanswered ones.
  void submit(ExammingViewController& exam) {
    ASSERT_TRUE(command(exam, "markClick/"));
    if (h().alert()) {
      EXPECT_EQ(h().alert()->title(), "确认");
      ASSERT_TRUE(h().press("确定"));
      h().settle();
      run(0.5);
    }
    auto result = exam.testResultVC();
    ASSERT_TRUE(result && result->isViewLoaded() && result->view().superview() == &h().window());
  }
  std::vector<core::Value> replyLogs() {
    rl::DispatchQueue::global().waitIdle();
    settleRequests();
    std::vector<core::Value> out;
    for (const core::Value& r : requests("/replylog")) out.push_back(JSONValue(r["body"].toString()));
    return out;
  }
};

TEST_F(Road, ChapterPracticeEndsInAResultOnTheChaptersRow) {
  auto* hub = push<SimulateExamsViewController>(SimulateExamsViewController::kIdentifier);
  ASSERT_NE(hub, nullptr);
  ASSERT_TRUE(tapButton(hub->btnChapterPratice()));
  for (const char* name : {"常识综合", "科技常识", "数学常识"}) {
    auto* level = topAs<ChaptListViewController>();
    ASSERT_NE(level, nullptr) << name;
    EXPECT_EQ(level->testMode(), 0);
    ASSERT_TRUE(tapRowNamed(*level->tableView(), name));
  }
  auto* leaves = topAs<ChaptListViewController>();
  ASSERT_NE(leaves, nullptr);
  EXPECT_EQ(leaves->title(), "数学常识");
  EXPECT_EQ(rows(*leaves->tableView())[0], "四则运算|共45题");

  clearJournal();
  ASSERT_TRUE(tapRowNamed(*leaves->tableView(), "四则运算"));
  EXPECT_EQ(paths("/Chapter/Test/"), (std::vector<std::string>{"exam/GKSample/Chapter/Test/1221"}));
  ExammingViewController* exam = answeringOnTop();
  ASSERT_NE(exam, nullptr);
  EXPECT_EQ(exam->currentMode(), AnsweringMode::Practice);
  EXPECT_EQ(exam->chapterID(), "1221");
  ASSERT_EQ(exam->testPager()->testArray().size(), 45u);

  // Right, wrong, right.
  const auto& tests = exam->testPager()->testArray();
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    Questions& q = *exam->testPager()->currentTest();
    ASSERT_EQ(&q, tests[static_cast<std::size_t>(i)].get());
    ASSERT_EQ(q.type, "ATEST");
    ASSERT_TRUE(command(*exam, "replyclick/" + (i == 1 ? wrongLetter(q) : q.Answer)));
    EXPECT_EQ(q.state, i == 1 ? AnswerState::Wrong : AnswerState::Right);
    if (i < 2) {
      ASSERT_TRUE(next(*exam));
    }
  }
  EXPECT_EQ(replyLogs().size(), 1u) << "practice logs the wrong answer at once";

  submit(*exam);
  if (HasFatalFailure()) return;
  EXPECT_EQ(exam->testResultVC()->lblYIDACount()->text(), "本次答题数量 : 3题");
  ASSERT_TRUE(h().tap(*exam->testResultVC()->exitButton()));
  run(0.5);
  settleRequests();

  // Back on the chapter's level, which reads the results again.
  ASSERT_EQ(h().topScreen(), leaves);
  EXPECT_EQ(rows(*leaves->tableView())[0], "四则运算|共45题(答对：2题，正确率：67%)");
  EXPECT_EQ(cell(*leaves->tableView(), 0)->textLabel()->textColor(), ui::Color::orange());
  EXPECT_EQ(cell(*leaves->tableView(), 1)->textLabel()->textColor(), ui::Color::black());
}

TEST_F(Road, ASimulatedExamIsAskedForAnsweredAndLogged) {
  auto* hub = push<SimulateExamsViewController>(SimulateExamsViewController::kIdentifier);
  ASSERT_NE(hub, nullptr);
  ASSERT_TRUE(tapButton(hub->btnExamSetting()));
  auto* subjects = topAs<ExamSetting1ViewController>();
  ASSERT_NE(subjects, nullptr);
  ASSERT_TRUE(tapButton(subjects->btnNext()));
  auto* styles = topAs<ExamSetting2ViewController>();
  ASSERT_NE(styles, nullptr);
  ASSERT_GE(styles->styleList().size(), 2u);
  ui::TableViewCell* first = styles->mytableview()->cellForRowAtIndexPath({0, 0});
  ASSERT_NE(first, nullptr);
  auto* field = dynamic_cast<ui::TextField*>(first->viewWithTag(ExamSetting2ViewController::kCountFieldTag));
  ASSERT_NE(field, nullptr);
  ASSERT_TRUE(h().type(*field, "5"));
  clearJournal();
  ASSERT_TRUE(tapButton(styles->btnStart()));

  const auto asked = requests("VirtualExam");
  ASSERT_EQ(asked.size(), 1u);
  const core::Value body = JSONValue(asked[0]["body"].toString());
  EXPECT_EQ(body["Sbjs"].toString(), "11,12");
  EXPECT_EQ(body["KeyWord"][0]["Value"].toInt(), 5);
  EXPECT_EQ(body["KeyWord"][1]["Value"].toInt(-1), 0);

  ExammingViewController* exam = answeringOnTop();
  ASSERT_NE(exam, nullptr);
  EXPECT_EQ(exam->currentMode(), AnsweringMode::Exam);
  EXPECT_EQ(exam->functionState(), FunctionModule::SimulatedExam);
  ASSERT_EQ(exam->testPager()->testArray().size(), 5u);
  Questions& q = *exam->testPager()->currentTest();
  ASSERT_TRUE(command(*exam, "replyclick/" + q.Answer));
  ASSERT_TRUE(next(*exam));
  Questions& q2 = *exam->testPager()->currentTest();
  ASSERT_TRUE(command(*exam, "replyclick/" + wrongLetter(q2)));
  EXPECT_TRUE(replyLogs().empty()) << "an exam logs nothing before it is submitted";

  submit(*exam);
  if (HasFatalFailure()) return;
  const auto logs = replyLogs();
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_EQ(logs[0]["TestNum"].toString(), "2") << "the answered questions";
  EXPECT_EQ(logs[0]["RightTestNum"].toString(), "1");
  EXPECT_EQ(logs[0]["TestKind"].toInt(), 2);
  EXPECT_EQ(logs[0]["Caption"].toString().rfind("模拟考试[", 0), 0u) << logs[0]["Caption"].toString();
  std::vector<std::string> logged;
  for (const core::Value& e : logs[0]["ReplyLogArr"].array()) logged.push_back(e["IsRight"].toString());
  EXPECT_EQ(logged, (std::vector<std::string>{"True", "False"}));
}

}  // namespace
}  // namespace practice_test
