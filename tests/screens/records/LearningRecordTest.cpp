// The learning records read from a history file written as the answering screen writes it: the rows of
// the chosen bank only, with their mode names and dates; a row reopens its run with its replies at its
// question (the first one when that question is gone); a run whose questions left the bank gives the
// alert and stays listed; no records show the empty view. The three-tab screen over the same records,
// the favourites and the wrong-answer views.

#include "screens/records/LearningRecordViewController.h"
#include "screens/records/MainLearningRecordViewController.h"
#include "screens/review/MyFavoritesDetailViewController.h"
#include "tests/screens/records/RecordsFixture.h"
#include "tests/support/BuildGate.h"

namespace records_test {
namespace {

std::string nodata() { return core::Bundle::main().localizedString("nodataMessage"); }

// Arithmetic: 1301 (answer A), 1302 (B), 1303 (C), true/false 1339 (A), the text question 1216.
core::Value arithmeticSet() {
  return questionSet("四则运算", {{"ATEST", idRange(1301, 1303)}, {"PDTEST", "1339"}, {"JDTEST", "1216"}});
}

class LearningRecords : public RecordsFixture {
 public:
  // user01's history: another bank first, then GKSample's records in reading, practice, exam and an
  // unknown mode, the last one over questions the bank does not hold.
  void writeSampleHistory() {
    const core::Value other = core::Dictionary{
        {"SoftEName", "OtherBank"},
        {"LearningRecordArr",
         core::Array{record(0, "别的题库", "2013-07-01 08:00:00", arithmeticSet(), {}, "1301")}}};
    const core::Value mine = core::Dictionary{
        {"SoftEName", kSubject},
        {"LearningRecordArr",
         core::Array{
             record(2, "四则运算", "2013-07-08 12:30:00", arithmeticSet(),
                    {{"1301", "A"}, {"1302", "A"}, {"1303", ""}, {"1339", "B"}, {"1216", "多看远处"}}, "1303"),
             record(0, "前两题", "2013-07-07 09:05:10", questionSet("前两题", {{"ATEST", "1301,1302"}}),
                    {{"1301", "A"}}, "1999"),
             record(1, "测验", "2013-07-06 10:00:00", questionSet("测验", {{"ATEST", "1302"}}), {}, "1302"),
             record(7, "不在题库", "2013-07-05 11:00:00", questionSet("不在题库", {{"ATEST", "99998"}}), {},
                    "99998")}}};
    writeHistory("user01", core::Array{other, mine});
  }

  std::vector<std::string> rowsShown(ui::TableView& table) {
    std::vector<std::string> out;
    for (int row = 0; row < table.numberOfRowsInSection(0); ++row) {
      table.scrollToRowAtIndexPath({0, row}, ui::TableViewScrollPosition::None, false);
      ui::TableViewCell* cell = table.cellForRowAtIndexPath({0, row});
      out.push_back(cell ? cell->textLabel()->text() + "|" + cell->detailTextLabel()->text() : "(no cell)");
    }
    return out;
  }

  std::vector<std::string> states() {
    std::vector<std::string> out;
    for (const auto& q : answering()->pager()->testArray())
      out.push_back(q->AllTestID + ":" + std::to_string(static_cast<int>(q->state)) + ":" + q->reply);
    return out;
  }
};

TEST_F(LearningRecords, TheListShowsTheChosenBanksRecordsWithModeAndDate) {
  writeSampleHistory();
  auto* list = open<LearningRecordViewController>("learningRecord");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->title(), "学习记录");
  EXPECT_TRUE(list->nullRecordView()->isHidden());
  EXPECT_EQ(rowsShown(*list->learningRecordTableView()),
            (std::vector<std::string>{"【阅读模式】 四则运算|2013年07月08日 12:30:00",
                                      "【练习模式】 前两题|2013年07月07日 09:05:10",
                                      "【测验模式】 测验|2013年07月06日 10:00:00",
                                      "【】 不在题库|2013年07月05日 11:00:00"}));
}

TEST_F(LearningRecords, ARowReopensItsRunWithItsRepliesAtItsQuestion) {
  writeSampleHistory();
  auto* list = open<LearningRecordViewController>("learningRecord");
  ASSERT_TRUE(tapRow(*list->learningRecordTableView(), 0));
  ASSERT_NE(answering(), nullptr);
  // Reading mode, reopened as an exam redo, with the set it was built from; nothing else set.
  EXPECT_EQ(answering()->calls, (std::vector<std::string>{"setTestPager:", "setOriginalMode:2", "setRedoMode:1",
                                                          "setChapterName:四则运算", "setTestsJSON:"}));
  EXPECT_EQ(answering()->testsJSON["Body"]["Name"].toString(), "四则运算");
  // A right and a wrong choice; the empty reply stays unanswered; the text answer is never marked wrong.
  EXPECT_EQ(states(), (std::vector<std::string>{"1301:2:A", "1302:3:A", "1303:0:", "1339:3:B", "1216:1:多看远处"}));
  EXPECT_EQ(answering()->pager()->currentTest()->AllTestID, "1303");
}

TEST_F(LearningRecords, ARunLeftAtAQuestionNoLongerInItOpensAtTheFirstQuestion) {
  writeSampleHistory();
  auto* list = open<LearningRecordViewController>("learningRecord");
  ASSERT_TRUE(tapRow(*list->learningRecordTableView(), 1));
  ASSERT_NE(answering(), nullptr);
  EXPECT_EQ(states(), (std::vector<std::string>{"1301:2:A", "1302:0:"}));
  const auto& pager = *answering()->pager();
  EXPECT_EQ(pager.currentTest(), pager.testArray().front());
  EXPECT_EQ(answering()->calls[1], "setOriginalMode:0");
}

// The run is restored on a worker: a second tap while it is on its way opens nothing more.
TEST_F(LearningRecords, ASecondTapWhileARunIsRestoredOpensItOnce) {
  writeSampleHistory();
  auto* list = open<LearningRecordViewController>("learningRecord");
  ASSERT_NE(list, nullptr);
  {
    testsupport::BuildGate gate;
    ASSERT_TRUE(h().tapRow(*list->learningRecordTableView(), {0, 0}));
    ASSERT_TRUE(gate.awaitHeld());
    ASSERT_TRUE(h().tapRow(*list->learningRecordTableView(), {0, 1}));
    h().settle();
    EXPECT_EQ(h().topScreen(), list);
    gate.openAndFinish();
    h().settle();
    EXPECT_EQ(gate.builds(), 1);
  }
  ASSERT_NE(answering(), nullptr);
  EXPECT_EQ(answering()->calls[3], "setChapterName:四则运算") << "the first tap's run";
  EXPECT_EQ(list->navigationController()->viewControllers().size(), 3u) << "one answering screen";
}

TEST_F(LearningRecords, ARunWhoseQuestionsLeftTheBankShowsTheAlertAndStays) {
  writeSampleHistory();
  auto* list = open<LearningRecordViewController>("learningRecord");
  ASSERT_TRUE(tapRow(*list->learningRecordTableView(), 3));
  EXPECT_EQ(answering(), nullptr);
  EXPECT_EQ(alertText(), "学习记录|" + nodata());
  ASSERT_TRUE(press("OK"));
  EXPECT_EQ(h().topScreen(), list);
  EXPECT_EQ(list->learningRecordTableView()->numberOfRowsInSection(0), 4);
  EXPECT_EQ(LearningRecordFile(historyPath("user01")).records(kSubject).size(), 4u);
}

TEST_F(LearningRecords, WithoutRecordsOfTheBankTheEmptyViewShows) {
  struct Case {
    const char* name;
    std::function<void(LearningRecords&)> arrange;
  };
  const Case cases[] = {
      {"no history file", [](LearningRecords&) {}},
      {"another bank only",
       [](LearningRecords&) {
         writeHistory("user01", core::Array{core::Dictionary{
                                    {"SoftEName", "OtherBank"},
                                    {"LearningRecordArr", core::Array{record(0, "别的", "2013-07-01 08:00:00",
                                                                             arithmeticSet(), {}, "")}}}});
       }},
      {"an unreadable file",
       [](LearningRecords&) { std::ofstream(historyPath("user01")) << "<plist><array><dict>"; }},
      {"nobody logged in",
       [](LearningRecords& t) {
         t.writeSampleHistory();
         t.app().userSession().remove("userInfo");
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(historyPath("user01"));
    c.arrange(*this);
    auto* list = open<LearningRecordViewController>("learningRecord");
    ASSERT_NE(list, nullptr);
    EXPECT_FALSE(list->nullRecordView()->isHidden());
    EXPECT_NE(h().label(LearningRecordViewController::kNoRecords), nullptr);
    EXPECT_EQ(list->learningRecordTableView()->numberOfRowsInSection(0), 0);
    list->navigationController()->popViewController(false);
    h().settle();
  }
}

TEST_F(LearningRecords, TheTabScreenShowsWrongAnswerViewsFavouritesAndRecords) {
  writeSampleHistory();
  seed(core::Dictionary{{"favourites", core::Value(core::Array{review_test::aidsOf(11)[0],
                                                               review_test::aidsOf(11)[1],
                                                               review_test::aidsOf(12)[0]})}});
  auto tabs = std::make_shared<MainLearningRecordViewController>();
  h().topScreen()->navigationController()->pushViewController(tabs, true);
  settleRequests();
  auto texts = [&] {
    std::vector<std::string> out;
    for (ui::TableViewCell* cell : tabs->recordTableView()->visibleCells())
      out.push_back(cell->textLabel()->text() + "|" + cell->detailTextLabel()->text());
    return out;
  };

  // The wrong-answer book's three views first, its button chosen.
  EXPECT_EQ(texts(), (std::vector<std::string>{"按科目显示|", "遗忘曲线|", "出错频率|"}));
  EXPECT_FALSE(tabs->redoBtn()->isUserInteractionEnabled());
  EXPECT_TRUE(tabs->myFavBtn()->isUserInteractionEnabled());
  EXPECT_TRUE(tabs->nilLabel()->isHidden());
  // A view asks the server for its grouping; nothing opens.
  clearJournal();
  ASSERT_TRUE(tapRow(*tabs->recordTableView(), 1));
  EXPECT_EQ(paths("GetListToTime"), std::vector<std::string>{"exam/errortest/GetListToTime/GKSample"});
  EXPECT_EQ(tabs->selectType(), "遗忘曲线");
  EXPECT_EQ(h().topScreen(), tabs.get());

  // The favourites of the reply, counted per subject.
  ASSERT_TRUE(h().tap(*tabs->myFavBtn()));
  settleRequests();
  EXPECT_EQ(tabs->currentRecordType(), 2);
  EXPECT_FALSE(tabs->myFavBtn()->isUserInteractionEnabled());
  ASSERT_EQ(tabs->recordArray().size(), 2u);
  EXPECT_EQ(texts()[0], tabs->recordArray()[0]["Subject1"].toString() + "|共2题");
  ASSERT_TRUE(tapRow(*tabs->recordTableView(), 0));
  auto* detail = topAs<MyFavoritesDetailViewController>();
  ASSERT_NE(detail, nullptr);
  EXPECT_EQ(detail->chaptName(), tabs->recordArray()[0]["Subject1"].toString());
  tabs->navigationController()->popViewController(false);
  settleRequests();

  // The records, as the record list shows them; a row reopens its run, a run gone from the bank toasts.
  ASSERT_TRUE(h().tap(*tabs->learnRecoBtn()));
  settleRequests();
  EXPECT_EQ(texts()[0], "【阅读模式】 四则运算|2013年07月08日 12:30:00");
  ASSERT_TRUE(tapRow(*tabs->recordTableView(), 3));
  EXPECT_EQ(h().topScreen(), tabs.get());
  EXPECT_NE(h().label(nodata()), nullptr);
  h().advance(1.5);  // the toast goes
  EXPECT_EQ(h().label(nodata()), nullptr);
  ASSERT_TRUE(tapRow(*tabs->recordTableView(), 0));
  ASSERT_NE(answering(), nullptr);
  EXPECT_EQ(answering()->pager()->currentTest()->AllTestID, "1303");

  // "WrongRedo" for the first showing; the favourites tab shown twice (on its way out and back).
  EXPECT_EQ(events(), (std::vector<std::string>{"WrongRedo", "MyFavorites", "MyFavorites", "LearnRecord"}));
}

}  // namespace
}  // namespace records_test
