// The question ranks: the wrong-answer rank as the server sends it paged 20 to a page ("     1/3" for
// 41 questions), the window of page tables over a long rank (made and dropped five at a time as the
// user pages along), the page jump with its refusals, each rank asked for once per screen, a touched
// question opened in reading mode among its page, and the alerts of an empty, unknown or failed rank.

#include "screens/records/TestsRankViewController.h"
#include "tests/screens/records/RecordsFixture.h"

namespace records_test {
namespace {

constexpr const char* kErrorRankPath = "1.0/json/exam/GetErrorTestRank/GKSample";
constexpr const char* kFavourRankPath = "1.0/json/favour/GetFavourRank/GKSample";

std::string localized(const char* key) { return core::Bundle::main().localizedString(key); }

// 41 ranked questions: the 38 single-choice and the first three true/false questions of arithmetic.
core::Value rankOf41(const char* name) {
  return questionSet(name, {{"ATEST", idRange(1301, 1338)}, {"PDTEST", idRange(1339, 1341)}});
}

class Ranks : public RecordsFixture {
 protected:
  TestsRankViewController* openRanks() {
    rank_ = open<TestsRankViewController>("testsRank");
    return rank_;
  }
  // A finger throws the pages one page to the left (the next page) or right (the previous one).
  void page(int pages) {
    for (int i = 0; i < std::abs(pages); ++i) {
      const double dx = pages > 0 ? -200 : 200;
      ASSERT_TRUE(h().drag(*rank_->rankScrollView(), {dx, 0}, true, {dx * 4, 0}));
      h().settle();
    }
  }
  void jump(const std::string& typed) {
    ASSERT_TRUE(h().tap(*rank_->pageButton()));
    h().settle();
    ASSERT_EQ(alertText(), "快速翻页|请输入您要跳转的页码：");
    EXPECT_EQ(h().alert()->textFieldAtIndex(0)->keyboardType(), ui::KeyboardType::NumberPad);
    ASSERT_TRUE(h().typeInAlert(typed));
    ASSERT_TRUE(press("跳转"));
  }
  // A rank of `pages` full pages of made-up questions, shown as a reply would show it.
  void showSyntheticRank(int pages) {
    std::vector<QuestionListRow> rows;
    QuestionsArray questions;
    for (int i = 0; i < pages * TestsRankViewController::kPageSize; ++i) {
      auto q = std::make_shared<Questions>();
      q->AllTestID = std::to_string(5000 + i);
      questions.push_back(q);
      rows.push_back({q->AllTestID, "第" + std::to_string(i + 1) + "题", "A"});
    }
    rank_->intRankView(rows, questions);
    h().settle();
  }
  std::vector<int> range(int from, int to) {
    std::vector<int> out;
    for (int p = from; p <= to; ++p) out.push_back(p);
    return out;
  }
  int shownPage() { return static_cast<int>(rank_->rankScrollView()->contentOffset().x / 320); }

  TestsRankViewController* rank_ = nullptr;
};

TEST_F(Ranks, FortyOneRankedQuestionsMakeThreePages) {
  answer(kErrorRankPath, replyText(rankOf41("错题排行")));
  ASSERT_NE(openRanks(), nullptr);
  EXPECT_EQ(paths("GetErrorTestRank"), std::vector<std::string>{"exam/GetErrorTestRank/GKSample"});
  EXPECT_EQ(rank_->pageButton()->currentTitle(), "     1/3");
  EXPECT_EQ(rank_->pagesWithTables(), range(0, 2));
  auto rowsOf = [&](int p) {
    return static_cast<ui::TableView*>(rank_->rankScrollView()->viewWithTag(p + 1))->numberOfRowsInSection(0);
  };
  EXPECT_EQ(std::vector<int>({rowsOf(0), rowsOf(1), rowsOf(2)}), std::vector<int>({20, 20, 1}));
  // Each row: the question over its answer written out.
  auto* first = static_cast<ui::TableView*>(rank_->rankScrollView()->viewWithTag(1));
  ui::TableViewCell* cell = first->cellForRowAtIndexPath({0, 0});
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(cell->textLabel()->text(), "计算：12＋3＝（　）。");
  EXPECT_EQ(cell->detailTextLabel()->text(), "答案：15");
  page(2);
  EXPECT_EQ(rank_->pageButton()->currentTitle(), "     3/3");
}

TEST_F(Ranks, ALongRankKeepsAWindowOfPageTablesAsTheUserPages) {
  answer(kErrorRankPath, replyText(rankOf41("错题排行")));
  ASSERT_NE(openRanks(), nullptr);
  showSyntheticRank(25);
  EXPECT_EQ(rank_->pagesWithTables(), range(0, 9));
  EXPECT_EQ(rank_->endIndex(), 9);
  page(6);
  EXPECT_EQ(rank_->pagesWithTables(), range(0, 9));
  // Reaching page 7 (the eighth) makes pages 10 to 14 and drops 0 to 4.
  page(1);
  EXPECT_EQ(shownPage(), 7);
  EXPECT_EQ(rank_->pagesWithTables(), range(5, 14));
  EXPECT_EQ(rank_->pageButton()->currentTitle(), "     8/25");
  // Back towards the start: within three pages of the window's start, five earlier pages come back
  // and the last five go.
  page(-1);
  EXPECT_EQ(rank_->pagesWithTables(), range(0, 9));
  EXPECT_EQ(rank_->pageButton()->currentTitle(), "     7/25");
}

TEST_F(Ranks, TheJumpGoesToATypedPageAndRefusesTheRest) {
  answer(kErrorRankPath, replyText(rankOf41("错题排行")));
  ASSERT_NE(openRanks(), nullptr);
  showSyntheticRank(25);
  jump("20");
  EXPECT_EQ(shownPage(), 19);
  EXPECT_EQ(rank_->pagesWithTables(), range(15, 24));
  EXPECT_EQ(rank_->pageButton()->currentTitle(), "     20/25");
  // The page shown: nothing moves, nothing is laid out again.
  ui::View* table = rank_->rankScrollView()->viewWithTag(20);
  jump("20");
  EXPECT_EQ(rank_->rankScrollView()->viewWithTag(20), table);
  EXPECT_EQ(alertText(), "");
  for (const char* typed : {"0", "x", "-3", "26", ""}) {
    SCOPED_TRACE(typed);
    jump(typed);
    EXPECT_EQ(alertText(), localized("alertTitle") + "|请输入1~25之间的数字！");
    ASSERT_TRUE(press("OK"));
    EXPECT_EQ(shownPage(), 19);
  }
  jump("1");
  EXPECT_EQ(rank_->rankScrollView()->contentOffset().x, 0);
  EXPECT_EQ(rank_->pagesWithTables(), range(0, 9));
  EXPECT_EQ(rank_->pageButton()->currentTitle(), "     1/25");
}

TEST_F(Ranks, AJumpOnAShortRankNeverEmptiesThePageShown) {
  answer(kErrorRankPath, replyText(rankOf41("错题排行")));
  ASSERT_NE(openRanks(), nullptr);
  showSyntheticRank(9);
  jump("9");
  EXPECT_EQ(rank_->pagesWithTables(), range(4, 8));
  // Paging back makes the earlier pages; the pages around the one shown keep their tables.
  for (int expected : {7, 6, 5, 4, 3}) {
    page(-1);
    ASSERT_EQ(shownPage(), expected);
    for (int p = std::max(0, expected - 1); p <= expected + 1; ++p) {
      SCOPED_TRACE(p);
      EXPECT_NE(rank_->rankScrollView()->viewWithTag(p + 1), nullptr);
    }
  }
}

TEST_F(Ranks, EachRankIsAskedForOnceAndTheSwitchStartsAtPageOne) {
  answer(kErrorRankPath, replyText(rankOf41("错题排行")));
  answer(kFavourRankPath, replyText(questionSet("收藏排行", {{"ATEST", "1301,1302"}})));
  ASSERT_NE(openRanks(), nullptr);
  page(1);
  EXPECT_EQ(rank_->pageButton()->currentTitle(), "     2/3");
  ASSERT_TRUE(h().selectSegment(*rank_->segmentedControl(), 1));
  settleRequests();
  EXPECT_EQ(rank_->pageButton()->currentTitle(), "     1/1");
  EXPECT_EQ(rank_->testsJSON()["Body"]["Name"].toString(), "收藏排行");
  ASSERT_TRUE(h().selectSegment(*rank_->segmentedControl(), 0));
  settleRequests();
  EXPECT_EQ(rank_->pageButton()->currentTitle(), "     1/3");
  EXPECT_EQ(rank_->rankScrollView()->contentOffset().x, 0);
  EXPECT_EQ(rank_->testsJSON()["Body"]["Name"].toString(), "错题排行");
  EXPECT_EQ(paths("Rank/"), (std::vector<std::string>{"exam/GetErrorTestRank/GKSample",
                                                     "favour/GetFavourRank/GKSample"}));
  EXPECT_EQ(events(), (std::vector<std::string>{"segSwitch1|排行-收藏排行", "segSwitch1|排行-错题排行"}));
}

TEST_F(Ranks, ATouchedQuestionOpensInReadingModeAmongItsPage) {
  answer(kErrorRankPath, replyText(rankOf41("错题排行")));
  ASSERT_NE(openRanks(), nullptr);
  page(1);
  auto* second = static_cast<ui::TableView*>(rank_->rankScrollView()->viewWithTag(2));
  ASSERT_TRUE(tapRow(*second, 3));
  ASSERT_NE(answering(), nullptr);
  EXPECT_EQ(answering()->calls, (std::vector<std::string>{"setTestPager:", "setOriginalMode:2", "setRedoMode:1",
                                                          "setChapterName:试题排行", "setTestsJSON:",
                                                          "setIsAllow:NO"}));
  const auto& pager = *answering()->pager();
  ASSERT_EQ(pager.testArray().size(), 20u);
  EXPECT_EQ(pager.testArray().front()->AllTestID, "1321");
  EXPECT_EQ(pager.currentTest()->AllTestID, "1324");
  EXPECT_EQ(answering()->testsJSON["Body"]["Name"].toString(), "错题排行");
}

TEST_F(Ranks, AnUnusableRankGivesOneAlertAndKeepsThePagesShown) {
  answer(kErrorRankPath, replyText(rankOf41("错题排行")));
  ASSERT_NE(openRanks(), nullptr);
  struct Case {
    const char* name;
    std::function<void()> arrange;
    std::string message;
  };
  const Case cases[] = {
      {"questions the bank does not hold",
       [] { answer(kFavourRankPath, replyText(questionSet("收藏排行", {{"ATEST", "99991,99992"}}))); },
       localized("nodataMessage")},
      {"a null body", [] { answer(kFavourRankPath, R"({"Body":null,"Message":"暂无数据"})"); },
       localized("nodataMessage")},
      {"no reply", [] { drop(kFavourRankPath); }, localized("requestFaile")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    c.arrange();
    ASSERT_TRUE(h().selectSegment(*rank_->segmentedControl(), 1));
    settleRequests();
    EXPECT_EQ(alertText(), localized("alertTitle") + "|" + c.message);
    ASSERT_TRUE(press("OK"));
    EXPECT_EQ(h().alert(), nullptr);
    EXPECT_EQ(rank_->pagesWithTables(), range(0, 2));
    ASSERT_TRUE(h().selectSegment(*rank_->segmentedControl(), 0));
    settleRequests();
  }
}

class RanksOffline : public Ranks {
  int reachability() const override { return 0; }
};

TEST_F(RanksOffline, WithoutNetworkNothingIsAskedFor) {
  ASSERT_NE(openRanks(), nullptr);
  EXPECT_EQ(alertText(), "断网提示|" + localized("alertNetwork"));
  EXPECT_TRUE(paths("Rank").empty());
  EXPECT_TRUE(rank_->pagesWithTables().empty());
  EXPECT_TRUE(rank_->pageButton()->isHidden());
}

}  // namespace
}  // namespace records_test
