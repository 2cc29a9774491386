// The favourites against the loopback API server: the subject list, the paged list of a subject with
// its page count, page jump and page rules, opening the answering screen, and removal by swipe and in
// batch mode (questions of several rows selected together, each sent once), with the page the list
// reloads after a removal.

#include <algorithm>

#include "screens/review/MyFavoriteViewController.h"
#include "screens/review/MyFavoritesDetailViewController.h"
#include "tests/screens/review/ReviewFixture.h"

namespace review_test {
namespace {

constexpr int kGeography = 12;  // the sample bank's larger subject (63 questions)

class Favourites : public ReviewFixture {
 protected:
  // Seeds `count` favourites of the larger subject, opens the subject list and taps the subject.
  MyFavoritesDetailViewController* openSubject(int count) {
    seed(core::Dictionary{{"favourites", core::Dictionary{{"subject", kGeography}, {"count", count}}}});
    return openSeeded();
  }
  MyFavoritesDetailViewController* openSeeded() {
    auto* list = open<MyFavoriteViewController>("myFavorites");
    if (!list || list->myTableView()->isHidden()) return nullptr;
    clearJournal();
    tapRow(*list->myTableView(), 0);
    return topAs<MyFavoritesDetailViewController>();
  }
  std::vector<std::string> pageRequests() { return paths("favour/gettest/"); }
  static std::string pageRequest(int page) {
    return "favour/gettest/GKSample/12/20/" + std::to_string(page) + "/0";
  }
  void typeJump(const std::string& text) {
    ASSERT_TRUE(tapBar(detail_->pageButton()->title()));
    ASSERT_EQ(alertText(), "我的收藏|请输入您要跳转的页码：");
    ASSERT_TRUE(h().typeInAlert(text));
    ASSERT_TRUE(press("跳转"));
  }
  std::vector<std::string> aidsShown() {
    std::vector<std::string> out;
    for (const auto& r : detail_->rows()) out.push_back(r.AID);
    return out;
  }

  MyFavoritesDetailViewController* detail_ = nullptr;
};

TEST_F(Favourites, SubjectRowsCountTheFavouritesAndOpenTheirFirstPage) {
  seed(core::Dictionary{
      {"favourites", core::Value(core::Array{aidsOf(11)[0], aidsOf(11)[1], aidsOf(12)[0]})}});
  auto* list = open<MyFavoriteViewController>("myFavorites");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(paths("favour/FavourInfo"), std::vector<std::string>{"favour/FavourInfo/GKSample"});
  ASSERT_FALSE(list->myTableView()->isHidden());
  EXPECT_TRUE(list->labelHide()->isHidden());
  ASSERT_EQ(list->favArray().size(), 2u);
  ui::TableViewCell* first = list->myTableView()->cellForRowAtIndexPath({0, 0});
  EXPECT_EQ(first->detailTextLabel()->text(), "共2题");

  clearJournal();
  tapRow(*list->myTableView(), 1);
  auto* detail = topAs<MyFavoritesDetailViewController>();
  ASSERT_NE(detail, nullptr);
  EXPECT_EQ(pageRequests(), std::vector<std::string>{pageRequest(1)});
  EXPECT_EQ(detail->title(), list->favArray()[1]["Subject1"].toString());
  EXPECT_EQ(detail->rows().size(), 1u);
  EXPECT_EQ(detail->pageButton()->title(), "1/1页");
  EXPECT_FALSE(detail->pageButton()->isEnabled()) << "one page: no jump";
}

TEST_F(Favourites, WithoutFavouritesTheHintShowsAlone) {
  auto* list = open<MyFavoriteViewController>("myFavorites");
  EXPECT_TRUE(list->myTableView()->isHidden());
  EXPECT_FALSE(list->labelHide()->isHidden());
}

class FavouritesOffline : public ReviewFixture {
  int reachability() const override { return 0; }
};

TEST_F(FavouritesOffline, TheListAsksForNothingAndShowsTheNetworkAlert) {
  auto* list = open<MyFavoriteViewController>("myFavorites");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(alertText(), "断网提示|" + core::Bundle::main().localizedString("alertNetwork"));
  EXPECT_TRUE(requests("favour/").empty());
  EXPECT_TRUE(list->myTableView()->isHidden());
  EXPECT_TRUE(list->labelHide()->isHidden());
}

TEST_F(Favourites, PageCountsFollowTheTotal) {
  struct Case {
    int favourites;
    const char* button;
    bool jumpEnabled;
  };
  for (const Case& c : {Case{40, "1/2页", true}, Case{41, "1/3页", true}}) {
    SCOPED_TRACE(c.favourites);
    detail_ = openSubject(c.favourites);
    ASSERT_NE(detail_, nullptr);
    EXPECT_EQ(detail_->pageCount(), c.favourites == 40 ? 2 : 3);
    EXPECT_EQ(detail_->pageButton()->title(), c.button);
    EXPECT_EQ(detail_->pageButton()->isEnabled(), c.jumpEnabled);
    EXPECT_FALSE(detail_->tableView()->isHidden());
    EXPECT_FALSE(detail_->bottomToolBar()->isHidden());
    // Back to the start for the next case.
    auto* nav = detail_->navigationController();
    nav->popToRootViewController(false);
    h().settle();
  }
}

TEST_F(Favourites, TheLastPageStopsNextAndTheFirstStopsPrevious) {
  detail_ = openSubject(41);
  ASSERT_NE(detail_, nullptr);
  ASSERT_TRUE(tapBar("上一页"));
  EXPECT_EQ(alertText(), "我的收藏|已经是第一页了！");
  press("OK");
  ASSERT_TRUE(tapBar("下一页"));
  ASSERT_TRUE(tapBar("下一页"));
  EXPECT_EQ(detail_->pageButton()->title(), "3/3页");
  EXPECT_EQ(aidsShown().size(), 1u) << "the 41st favourite";
  ASSERT_TRUE(tapBar("下一页"));
  EXPECT_EQ(alertText(), "我的收藏|已经是最后一页了");
  EXPECT_EQ(pageRequests(), (std::vector<std::string>{pageRequest(1), pageRequest(2), pageRequest(3)}));
}

TEST_F(Favourites, TheJumpTakesPagesInRangeAndExplainsTheRange) {
  detail_ = openSubject(41);
  ASSERT_NE(detail_, nullptr);
  struct Case {
    const char* typed;
    const char* alert;  // "" when the page loads
    int page;
  };
  const Case cases[] = {{"0", "跳转|请输入1~3之间的数字！", 1},   {"-1", "跳转|请输入1~3之间的数字！", 1},
                        {"abc", "跳转|请输入1~3之间的数字！", 1}, {"4", "跳转|请输入1~3之间的数字！", 1},
                        {"1", "跳转|已经跳转到本页！", 1},        {"3", "", 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    clearJournal();
    typeJump(c.typed);
    EXPECT_EQ(alertText(), c.alert);
    if (h().alert()) press("OK");
    EXPECT_EQ(detail_->pageIndex(), c.page);
    EXPECT_EQ(pageRequests().size(), *c.alert ? 0u : 1u);
  }
  EXPECT_EQ(pageRequests(), std::vector<std::string>{pageRequest(3)});
}

TEST_F(Favourites, AFailedPageKeepsThePageShown) {
  detail_ = openSubject(41);
  ASSERT_NE(detail_, nullptr);
  const auto shown = aidsShown();
  drop("1.0/json/favour/gettest/GKSample/12/20/3/0");
  typeJump("3");
  EXPECT_EQ(alertText(), "提示|当前列表为空！");
  press("OK");
  EXPECT_EQ(detail_->pageIndex(), 1) << "still the page whose rows show";
  EXPECT_EQ(aidsShown(), shown);
  EXPECT_EQ(detail_->pageButton()->title(), "1/3页");

  // A reply that is not a page (no "Name") is refused the same way, with the "no data" text.
  answer("1.0/json/favour/gettest/GKSample/12/20/2/0",
         R"({"Body":{"Name":null,"Sessions":[]},"Message":"x"})");
  ASSERT_TRUE(tapBar("下一页"));
  EXPECT_EQ(alertText(), "提示|" + core::Bundle::main().localizedString("nodataMessage"));
  press("OK");
  EXPECT_EQ(detail_->pageIndex(), 1);

  clearJournal();
  ASSERT_TRUE(tapBar("下一页"));
  EXPECT_EQ(pageRequests(), std::vector<std::string>{pageRequest(2)});
  EXPECT_EQ(detail_->pageButton()->title(), "2/3页");

  // A failed step back keeps page 2 (not 0).
  drop("1.0/json/favour/gettest/GKSample/12/20/1/0");
  ASSERT_TRUE(tapBar("上一页"));
  press("OK");
  EXPECT_EQ(detail_->pageIndex(), 2);
}

TEST_F(Favourites, AFailedFirstLoadLeavesPageOneNotZero) {
  seed(core::Dictionary{{"favourites", core::Dictionary{{"subject", kGeography}, {"count", 41}}}});
  drop("1.0/json/favour/gettest/*");
  detail_ = openSeeded();
  ASSERT_NE(detail_, nullptr);
  EXPECT_EQ(alertText(), "提示|当前列表为空！");
  EXPECT_EQ(detail_->pageIndex(), 1);
  EXPECT_TRUE(detail_->tableView()->isHidden());
}

TEST_F(Favourites, ARowOpensTheAnsweringScreenInReadingModeOverThePage) {
  detail_ = openSubject(21);
  ASSERT_NE(detail_, nullptr);
  ASSERT_EQ(detail_->rows().size(), detail_->testsList().size());
  tapRow(*detail_->tableView(), 5);
  auto* screen = answering();
  ASSERT_NE(screen, nullptr) << h().screens();
  EXPECT_EQ(screen->calls, (std::vector<std::string>{"setTestPager:", "setOriginalMode:2", "setRedoMode:0",
                                                     "setFunctionState:4", "setChapterName:我的收藏",
                                                     "setTestsJSON:", "setIsAllow:NO"}));
  EXPECT_EQ(screen->pager()->testArray(), detail_->testsList());
  EXPECT_EQ(screen->pager()->currentTest(), detail_->testsList()[5]);
  EXPECT_EQ(screen->testsJSON["Body"]["Name"], detail_->testsJSON()["Body"]["Name"]);

  // Back: the list starts again at page 1; the browse button opens the page's first question.
  detail_->navigationController()->popViewController(false);
  settleRequests();
  ASSERT_TRUE(tapBar("浏览本页"));
  ASSERT_NE(answering(), nullptr);
  EXPECT_EQ(answering()->pager()->currentTest(), detail_->testsList().front());
}

TEST_F(Favourites, ASwipeRemovesAtOnceWithoutAQuestion) {
  detail_ = openSubject(41);
  ASSERT_NE(detail_, nullptr);
  const std::string aid = detail_->rows()[2].AID;
  clearJournal();
  ASSERT_TRUE(h().swipeToDelete(*detail_->tableView(), {0, 2}));
  EXPECT_EQ(detail_->tableView()->cellForRowAtIndexPath({0, 2})->deleteConfirmationButton()->currentTitle(),
            "移除");
  ASSERT_TRUE(h().confirmDelete(*detail_->tableView()));
  settleRequests();
  EXPECT_EQ(paths("favour/CancelToFavIDs"),
            std::vector<std::string>{"favour/CancelToFavIDs/GKSample/" + aid});
  EXPECT_EQ(alertText(), "移除收藏|操作成功") << "the only alert is the result";
  const auto left = aidsShown();
  EXPECT_TRUE(std::find(left.begin(), left.end(), aid) == left.end());
  press("确定");
  EXPECT_EQ(detail_->testsCount(), 40);
  EXPECT_EQ(pageRequests(), std::vector<std::string>{pageRequest(1)});
  EXPECT_EQ(detail_->pageButton()->title(), "1/2页");
}

TEST_F(Favourites, BatchModeSelectsTheRowsOfAQuestionTogetherAndSendsItOnce) {
  // A page with a case question (its sub-questions are rows of one AID) among plain ones.
  const int caseAid = aidsOf(kGeography, "A3TEST")[0];
  const std::vector<int> plain = aidsOf(kGeography, "ATEST");
  seed(core::Dictionary{{"favourites", core::Value(core::Array{plain[0], caseAid, plain[1]})}});
  detail_ = openSeeded();
  ASSERT_NE(detail_, nullptr);
  std::vector<int> caseRows;
  for (std::size_t r = 0; r < detail_->rows().size(); ++r)
    if (detail_->rows()[r].AID == std::to_string(caseAid)) caseRows.push_back(static_cast<int>(r));
  ASSERT_GE(caseRows.size(), 2u) << "the case shows one row per sub-question";
  const std::size_t total = detail_->rows().size();

  ASSERT_TRUE(tapBar("批量移除"));
  EXPECT_TRUE(detail_->isBatchMode());
  EXPECT_EQ(detail_->title(), "批量移除");
  EXPECT_EQ(detail_->btnBatchRemove2()->currentTitle(), "移除(0)");
  ASSERT_TRUE(h().barButton("全选"));

  // One tap on a row of the case selects all its rows; a second clears them all.
  tapRow(*detail_->tableView(), caseRows[1]);
  EXPECT_EQ(detail_->tableView()->indexPathsForSelectedRows().size(), caseRows.size());
  EXPECT_EQ(detail_->btnBatchRemove2()->currentTitle(), "移除(" + std::to_string(caseRows.size()) + ")");
  tapRow(*detail_->tableView(), caseRows[0]);
  EXPECT_TRUE(detail_->tableView()->indexPathsForSelectedRows().empty());
  EXPECT_EQ(detail_->btnBatchRemove2()->currentTitle(), "移除(0)");

  // Select all, clear all.
  ASSERT_TRUE(tapBar("全选"));
  EXPECT_EQ(detail_->tableView()->indexPathsForSelectedRows().size(), total);
  ASSERT_TRUE(h().barButton("取消全选"));
  ASSERT_TRUE(tapBar("取消全选"));
  EXPECT_TRUE(detail_->tableView()->indexPathsForSelectedRows().empty());

  // The case and the first plain question: three or more rows, two questions.
  tapRow(*detail_->tableView(), caseRows[0]);
  tapRow(*detail_->tableView(), 0);
  clearJournal();
  ASSERT_TRUE(h().tap(*detail_->btnBatchRemove2()));
  h().settle();
  EXPECT_EQ(alertText(), "确认|您确定要移除（2）题吗？（移除后将不可恢复）");
  EXPECT_TRUE(requests("CancelToFavIDs").empty()) << "nothing is sent before the answer";

  // "取消" brings every row back and leaves batch mode.
  press("取消");
  EXPECT_FALSE(detail_->isBatchMode());
  EXPECT_EQ(detail_->rows().size(), total);
  EXPECT_FALSE(detail_->tableView()->isEditing());
  EXPECT_TRUE(h().barButton("批量移除"));

  ASSERT_TRUE(tapBar("批量移除"));
  tapRow(*detail_->tableView(), 0);
  tapRow(*detail_->tableView(), caseRows[0]);
  ASSERT_TRUE(h().tap(*detail_->btnBatchRemove2()));
  h().settle();
  press("确定");
  EXPECT_EQ(paths("favour/CancelToFavIDs"),
            std::vector<std::string>{"favour/CancelToFavIDs/GKSample/" + std::to_string(plain[0]) + "," +
                                     std::to_string(caseAid)});
  EXPECT_EQ(alertText(), "移除收藏|操作成功");
  EXPECT_FALSE(detail_->isBatchMode());
  press("确定");
  EXPECT_EQ(detail_->testsCount(), 1);
  EXPECT_EQ(aidsShown(), std::vector<std::string>{std::to_string(plain[1])});
}

TEST_F(Favourites, RemovingEveryQuestionEmptiesTheListAndAsksForNoPage) {
  detail_ = openSubject(3);
  ASSERT_NE(detail_, nullptr);
  ASSERT_TRUE(tapBar("批量移除"));
  ASSERT_TRUE(tapBar("全选"));
  ASSERT_TRUE(h().tap(*detail_->btnBatchRemove2()));
  h().settle();
  press("确定");
  clearJournal();
  press("确定");  // "操作成功"
  EXPECT_TRUE(pageRequests().empty());
  EXPECT_TRUE(detail_->rows().empty());
  EXPECT_EQ(detail_->tableView()->numberOfRowsInSection(0), 0);
  EXPECT_EQ(detail_->testsCount(), 0);
  EXPECT_FALSE(detail_->browseButton()->isEnabled());
}

TEST_F(Favourites, EmptyBatchSelectionJustLeavesBatchMode) {
  detail_ = openSubject(3);
  ASSERT_NE(detail_, nullptr);
  ASSERT_TRUE(tapBar("批量移除"));
  ASSERT_TRUE(h().tap(*detail_->btnBatchRemove2()));
  h().settle();
  EXPECT_EQ(alertText(), "");
  EXPECT_FALSE(detail_->isBatchMode());
  EXPECT_EQ(detail_->rows().size(), 3u);
}

TEST_F(Favourites, AfterARemovalTheListReloadsAPageThatExists) {
  struct Case {
    int favourites;
    int page;          // the page the removal is made on
    int expectedPage;  // the page asked for after it
  };
  // The last page emptied steps back; a last page that keeps questions stays; a single page stays page 1.
  for (const Case& c : {Case{41, 3, 2}, Case{45, 3, 3}, Case{5, 1, 1}}) {
    SCOPED_TRACE(c.favourites);
    detail_ = openSubject(c.favourites);
    ASSERT_NE(detail_, nullptr);
    for (int p = 1; p < c.page; ++p) ASSERT_TRUE(tapBar("下一页"));
    ASSERT_EQ(detail_->pageIndex(), c.page);
    ASSERT_TRUE(h().swipeToDelete(*detail_->tableView(), {0, 0}));
    ASSERT_TRUE(h().confirmDelete(*detail_->tableView()));
    settleRequests();
    clearJournal();
    press("确定");
    EXPECT_EQ(pageRequests(), std::vector<std::string>{pageRequest(c.expectedPage)});
    EXPECT_EQ(detail_->pageIndex(), c.expectedPage);
    EXPECT_FALSE(detail_->rows().empty());
    detail_->navigationController()->popToRootViewController(false);
    h().settle();
  }
}

TEST_F(Favourites, AFailedRemovalRestoresTheRowsAndStopsBrowsing) {
  detail_ = openSubject(5);
  ASSERT_NE(detail_, nullptr);
  const auto before = aidsShown();
  drop("1.0/json/favour/CancelToFavIDs/*");
  ASSERT_TRUE(h().swipeToDelete(*detail_->tableView(), {0, 1}));
  ASSERT_TRUE(h().confirmDelete(*detail_->tableView()));
  settleRequests();
  EXPECT_EQ(alertText(), "移除收藏|" + core::Bundle::main().localizedString("requestFaile"));
  EXPECT_EQ(aidsShown(), before);
  EXPECT_EQ(detail_->tableView()->numberOfRowsInSection(0), static_cast<int>(before.size()));
  EXPECT_FALSE(detail_->browseButton()->isEnabled());
  EXPECT_EQ(detail_->testsCount(), 5);
}

}  // namespace
}  // namespace review_test
