// Fast learning as a user reads it: the chapter levels, a chapter's questions 20 a page with the paging
// alerts and the page jump, an empty chapter, and a question opened in reading mode.
#include "platform/core/Bundle.h"
#include "screens/practice/FastLearnDetailViewController.h"
#include "screens/practice/FastLearnViewController.h"
#include "tests/screens/practice/PracticeFixture.h"

namespace practice_test {
namespace {

class FastLearn : public PracticeFixture {
 protected:
  // From the top level through the named rows; the screen on top after the last tap.
  void walk(const std::vector<std::string>& names) {
    auto* level = push<FastLearnViewController>(FastLearnViewController::kIdentifier);
    ASSERT_NE(level, nullptr);
    EXPECT_EQ(level->title(), "快速学习");
    for (const auto& name : names) {
      level = topAs<FastLearnViewController>();
      ASSERT_NE(level, nullptr) << name;
      ASSERT_TRUE(tapRowNamed(*level->fastLearnTableView(), name))
          << name << " hidden " << level->fastLearnTableView()->isHidden() << " frame "
          << level->fastLearnTableView()->frame().height() << " view " << level->view().frame().height();
    }
  }
  FastLearnDetailViewController* openArithmetic() {
    walk({"常识综合", "科技常识", "数学常识", "四则运算"});
    return topAs<FastLearnDetailViewController>();
  }
  std::string pageTitle(FastLearnDetailViewController& s) { return s.pageButton()->title(); }
  // The page jump with the typed text; the alert it leads to ("" when none).
  std::string jump(FastLearnDetailViewController& s, const std::string& typed) {
    if (!tapBar(pageTitle(s))) return "no page button";
    if (!h().alert() || h().alert()->title() != "快速翻页") return "no jump dialog";
    h().typeInAlert(typed);
    h().press("跳转");
    h().settle();
    std::string shown = alertText();
    if (h().alert()) h().press("OK"), h().settle();
    return shown;
  }
};

TEST_F(FastLearn, LevelsLeadToTheChaptersQuestions) {
  walk({"常识综合", "科技常识"});
  auto* level = topAs<FastLearnViewController>();
  ASSERT_NE(level, nullptr);
  EXPECT_EQ(level->title(), "科技常识");
  EXPECT_EQ(rows(*level->fastLearnTableView()), (std::vector<std::string>{"科学常识|共18题", "数学常识|共45题"}));
  ASSERT_TRUE(tapRowNamed(*level->fastLearnTableView(), "科学常识"));
  auto* detail = topAs<FastLearnDetailViewController>();
  ASSERT_NE(detail, nullptr);
  EXPECT_EQ(detail->title(), "科学常识");
  EXPECT_EQ(paths("/Chapter/Test/"), (std::vector<std::string>{"exam/GKSample/Chapter/Test/121"}));
  EXPECT_FALSE(detail->fastLearnTableView()->isHidden());
  EXPECT_EQ(detail->displayArray().size(), 18u);
  EXPECT_EQ(pageTitle(*detail), "1/1页");
}

TEST_F(FastLearn, FortyFiveQuestionsMakeThreePages) {
  FastLearnDetailViewController* s = openArithmetic();
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->pageCount(), 3);
  struct Page {
    std::size_t rows;
    std::string title;
  };
  const Page pages[] = {{20, "1/3页"}, {20, "2/3页"}, {5, "3/3页"}};
  std::string firstOnPage;
  for (std::size_t p = 0; p < 3; ++p) {
    SCOPED_TRACE(p + 1);
    if (p > 0) {
      ASSERT_TRUE(tapBar("下一页"));
    }
    EXPECT_EQ(s->displayArray().size(), pages[p].rows);
    EXPECT_EQ(s->currentPageTestsArray().size(), pages[p].rows);
    EXPECT_EQ(rows(*s->fastLearnTableView()).size(), pages[p].rows);
    EXPECT_EQ(pageTitle(*s), pages[p].title);
    EXPECT_NE(s->displayArray().front().AID, firstOnPage) << "each page starts further on";
    firstOnPage = s->displayArray().front().AID;
    EXPECT_EQ(s->currentPageTestsArray().front()->AllTestID, firstOnPage);
  }
  ASSERT_TRUE(tapBar("下一页"));
  EXPECT_EQ(alertText(), "四则运算|已经是最后一页了！");
  ASSERT_TRUE(press("OK"));
  EXPECT_EQ(s->pageIndex(), 3);

  const auto row = rows(*s->fastLearnTableView())[0];
  EXPECT_NE(row.find("|答案："), std::string::npos) << row;

  struct Jump {
    std::string typed;
    std::string alert;
    int page;
  };
  const Jump jumps[] = {
      {"0", "跳转|请输入1~3之间的数字！", 3}, {"4", "跳转|请输入1~3之间的数字！", 3},
      {"-1", "跳转|请输入1~3之间的数字！", 3}, {"3", "跳转|已经跳转到本页", 3},
      {"1", "", 1},
  };
  for (const Jump& j : jumps) {
    SCOPED_TRACE(j.typed);
    EXPECT_EQ(jump(*s, j.typed), j.alert);
    EXPECT_EQ(s->pageIndex(), j.page);
  }
  EXPECT_EQ(pageTitle(*s), "1/3页");
  EXPECT_EQ(s->displayArray().size(), 20u);
  ASSERT_TRUE(tapBar("上一页"));
  EXPECT_EQ(alertText(), "四则运算|已经是第一页了！");
}

TEST_F(FastLearn, AnEmptyChapterShowsNoDataAndKeepsTheListHidden) {
  walk({"常识综合", "科技常识", "数学常识", "数学趣题"});
  auto* s = topAs<FastLearnDetailViewController>();
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(alertText(), "数学趣题|" + core::Bundle::main().localizedString("nodataMessage"));
  EXPECT_TRUE(s->fastLearnTableView()->isHidden());
  EXPECT_TRUE(s->bottomToolBar()->isHidden());
}

TEST_F(FastLearn, AQuestionOpensInReadingModeOverItsPage) {
  FastLearnDetailViewController* s = openArithmetic();
  ASSERT_NE(s, nullptr);
  ASSERT_TRUE(tapBar("下一页"));
  ASSERT_TRUE(tapRow(*s->fastLearnTableView(), 3));
  auto* answering = this->answering();
  ASSERT_NE(answering, nullptr);
  EXPECT_EQ(answering->pager()->testArray(), s->currentPageTestsArray()) << "the questions of page 2";
  EXPECT_EQ(answering->pager()->currentTest(), s->currentPageTestsArray()[3]);
  EXPECT_EQ(answering->calls, (std::vector<std::string>{"setTestPager:", "setOriginalMode:2", "setRedoMode:1",
                                                        "setChapterName:快速学习", "setTestsJSON:", "setIsAllow:NO"}));
  navigation().popViewController(false);
  h().settle();
  ASSERT_TRUE(tapBar("浏览本页"));
  ASSERT_NE(this->answering(), nullptr);
  EXPECT_EQ(this->answering()->pager()->currentTest(), s->currentPageTestsArray().front());
}

}  // namespace
}  // namespace practice_test
