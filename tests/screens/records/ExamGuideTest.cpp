// The exam guide of the sample bank: the top level shows the three-digit ids only (never the stray ids
// of two or four digits); an item's children are its id and exactly three more digits, opened as a
// level of their own; an item without children opens its article, where "''" reads "'"; an article the
// bank lacks gives the alert. The guide's container draws its own bar at the top in place of the
// navigation bar, which comes back for the screen below.

#include "screens/records/ExamGuideContentViewController.h"
#include "screens/records/ExamGuideViewController.h"
#include "screens/records/ExamInterfaceViewController.h"
#include "tests/screens/records/RecordsFixture.h"

namespace records_test {
namespace {

class ExamGuideScreens : public RecordsFixture {
 protected:
  // The guide reads the bank on a worker and answers on the main thread.
  void settleReads() {
    for (int i = 0; i < 3; ++i) {
      rl::DispatchQueue::global().waitIdle();
      h().settle();
    }
  }
  std::vector<std::string> titles(ExamGuideViewController& level) {
    std::vector<std::string> out;
    for (ui::TableViewCell* cell : level.tableView()->visibleCells()) out.push_back(cell->textLabel()->text());
    return out;
  }
  ExamGuideViewController* tapItem(ExamGuideViewController& level, const std::string& title) {
    const auto shown = titles(level);
    const auto at = std::find(shown.begin(), shown.end(), title);
    EXPECT_NE(at, shown.end()) << title;
    if (at == shown.end()) return nullptr;
    tapRow(*level.tableView(), static_cast<int>(at - shown.begin()));
    settleReads();
    return topAs<ExamGuideViewController>();
  }
};

TEST_F(ExamGuideScreens, LevelsFollowTheThreeDigitIds) {
  auto* top = open<ExamGuideViewController>("examGuideList");
  ASSERT_NE(top, nullptr);
  settleReads();
  EXPECT_EQ(top->title(), "考试指南");
  EXPECT_EQ(titles(*top), (std::vector<std::string>{"考试简介", "复习建议", "成绩查询"}));

  auto* intro = tapItem(*top, "考试简介");
  ASSERT_NE(intro, nullptr);
  ASSERT_NE(intro, top);
  EXPECT_EQ(intro->title(), "考试简介");
  EXPECT_TRUE(intro->isRequest());
  EXPECT_EQ(titles(*intro), (std::vector<std::string>{"考试对象", "考试形式"}));

  auto* form = tapItem(*intro, "考试形式");
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(titles(*form), std::vector<std::string>{"题型说明"});

  tapItem(*form, "题型说明");
  auto* article = topAs<ExamGuideContentViewController>();
  ASSERT_NE(article, nullptr);
  EXPECT_EQ(article->title(), "题型说明");
  EXPECT_NE(h().web(*article->contentWebView()).html().find("题型包括单项选择题"), std::string::npos);
  EXPECT_EQ(h().web(*article->contentWebView()).baseURL(), std::nullopt);

  // "首页" goes back to the screen the guide was opened from.
  ASSERT_TRUE(tapBar("返回"));
  ASSERT_TRUE(tapBar("首页"));
  EXPECT_EQ(topAs<ExamGuideViewController>(), nullptr);
}

TEST_F(ExamGuideScreens, TreeFiltersTakeWholeIdsInIndexOrder) {
  const core::Value index = core::Array{
      core::Dictionary{{"InfoID", "002"}, {"Title", "b"}},       core::Dictionary{{"InfoID", "001"}, {"Title", "a"}},
      core::Dictionary{{"InfoID", "001002"}, {"Title", "a2"}},   core::Dictionary{{"InfoID", "0011"}, {"Title", "x4"}},
      core::Dictionary{{"InfoID", "01"}, {"Title", "x2"}},       core::Dictionary{{"InfoID", "001001"}, {"Title", "a1"}},
      core::Dictionary{{"InfoID", "001001001"}, {"Title", "a11"}}, core::Dictionary{{"InfoID", "00100a"}, {"Title", "xa"}},
      core::Dictionary{{"InfoID", "1001"}, {"Title", "y"}},
  };
  auto titlesOf = [](const core::Value& items) {
    std::vector<std::string> out;
    for (const core::Value& i : items.array()) out.push_back(i["Title"].toString());
    return out;
  };
  EXPECT_EQ(titlesOf(ExamGuideViewController::topLevel(index)), (std::vector<std::string>{"b", "a"}));
  EXPECT_EQ(titlesOf(ExamGuideViewController::childrenOf(index[1], index)), (std::vector<std::string>{"a2", "a1"}));
  EXPECT_EQ(titlesOf(ExamGuideViewController::childrenOf(index[5], index)), std::vector<std::string>{"a11"});
  EXPECT_EQ(ExamGuideViewController::childrenOf(index[0], index).size(), 0u);
}

TEST_F(ExamGuideScreens, AnArticleShowsDoubledApostrophesAsOne) {
  auto* top = open<ExamGuideViewController>("examGuideList");
  settleReads();
  tapItem(*top, "复习建议");
  auto* article = topAs<ExamGuideContentViewController>();
  ASSERT_NE(article, nullptr);
  const std::string html = h().web(*article->contentWebView()).html();
  EXPECT_NE(html.find("答题卡上的'姓名'栏"), std::string::npos) << html;
  EXPECT_EQ(html.find("''"), std::string::npos);
  EXPECT_EQ(ExamGuideContentViewController::articleHTML(core::Value("''''a'''")), "''a''");
}

TEST_F(ExamGuideScreens, AnArticleTheBankLacksGivesTheAlert) {
  auto* top = open<ExamGuideViewController>("examGuideList");
  settleReads();
  tapItem(*top, "成绩查询");
  ASSERT_NE(topAs<ExamGuideContentViewController>(), nullptr);
  EXPECT_EQ(alertText(), "考试指南|获取失败！");
}

TEST_F(ExamGuideScreens, TheContainerShowsItsOwnBarAtTheTopInPlaceOfTheNavigationBar) {
  auto* screen = open<ExamInterfaceViewController>("examInterface");
  ASSERT_NE(screen, nullptr);
  EXPECT_EQ(topAs<ExamInterfaceViewController>(), screen);
  ui::NavigationController* nav = screen->navigationController();
  ASSERT_NE(nav, nullptr);
  EXPECT_TRUE(nav->isNavigationBarHidden());
  ui::View* bar = screen->view().viewWithTag(ExamInterfaceViewController::kTopBarTag);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(ui::toString(bar->frame()), ui::toString(ui::Rect(0, 0, 320, 44)));
  // Nothing of the navigation controller stands above it: it is the top of what the controller shows.
  const ui::Rect inWindow = bar->convertRectToView(bar->bounds(), nullptr);
  const ui::Rect navInWindow = nav->view().convertRectToView(nav->view().bounds(), nullptr);
  EXPECT_EQ(inWindow.origin, navInWindow.origin);
  EXPECT_FALSE(h().tapBarButton("返回")) << "no navigation bar shows over it";

  nav->popViewController(false);
  h().settle();
  EXPECT_FALSE(nav->isNavigationBarHidden()) << "the screen below keeps its bar";
}

}  // namespace
}  // namespace records_test
