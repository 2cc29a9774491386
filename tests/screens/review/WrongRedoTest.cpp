// The wrong-answer book against the loopback API server: the three groupings with their rows, the
// hint of a grouping that failed (the other groupings still reachable), the toast of an empty row,
// the page request of each grouping, the grouping kept over a return, and what the wrong-answer list
// does differently from the favourites.

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

#include "screens/review/ErrorRedoDetailViewController.h"
#include "screens/review/ErrorRedoViewController.h"
#include "tests/screens/review/ReviewFixture.h"
#include "widgets/ProgressHUD.h"

namespace review_test {
namespace {

class WrongRedoBook : public ReviewFixture {
 protected:
  // Three wrong answers of subject 12: two today (one of them missed three times), one eight days ago;
  // one of subject 11, missed twice, two days ago.
  void seedBook() {
    const auto geo = aidsOf(12, "ATEST");
    const auto other = aidsOf(11, "ATEST");
    seed(core::Dictionary{{"wrong", core::Value(core::Array{
                                        core::Dictionary{{"aid", geo[0]}, {"count", 3}, {"days_ago", 0}},
                                        core::Dictionary{{"aid", geo[1]}, {"count", 1}, {"days_ago", 0}},
                                        core::Dictionary{{"aid", geo[2]}, {"count", 1}, {"days_ago", 8}},
                                        core::Dictionary{{"aid", other[0]}, {"count", 2}, {"days_ago", 2}},
                                    })}});
  }
  struct Row {
    std::string title;
    std::string detail;
    friend bool operator==(const Row&, const Row&) = default;
    friend void PrintTo(const Row& r, std::ostream* os) { *os << r.title << " / " << r.detail; }
  };
  static std::vector<Row> rows(ErrorRedoViewController& overview) {
    std::vector<Row> out;
    ui::TableView& table = *overview.redoTableView();
    for (int r = 0; r < table.numberOfRowsInSection(0); ++r) {
      ui::TableViewCell* cell = table.cellForRowAtIndexPath({0, r});
      out.push_back({cell->textLabel()->text(), cell->detailTextLabel()->text()});
    }
    return out;
  }
  bool chooseSegment(ErrorRedoViewController& overview, int index) {
    const bool took = h().selectSegment(*overview.segmentedControl(), index);
    settleRequests();
    return took;
  }
};

TEST_F(WrongRedoBook, TheThreeGroupingsCountTheBook) {
  seedBook();
  auto* overview = open<ErrorRedoViewController>("errorRedoList");
  ASSERT_NE(overview, nullptr);
  // The three counts are asked at once: each once, in whatever order they reach the server.
  std::vector<std::string> asked = paths("errortest/");
  std::sort(asked.begin(), asked.end());
  EXPECT_EQ(asked, (std::vector<std::string>{"exam/errortest/GetListToErrorCount/GKSample",
                                             "exam/errortest/GetListToTime/GKSample",
                                             "exam/errortest/subjectinfolist/GKSample"}));
  EXPECT_EQ(overview->segmentedControl()->selectedSegmentIndex(), 0);
  ASSERT_EQ(rows(*overview).size(), 2u);
  EXPECT_EQ(rows(*overview)[1].detail, "共3题");
  EXPECT_EQ(ProgressHUD::HUDForView(overview->view()), nullptr)
      << "the waiting overlay went with the requests";

  ASSERT_TRUE(chooseSegment(*overview, 1));
  EXPECT_EQ(overview->redoCategory(), "遗忘曲线");
  EXPECT_EQ(
      rows(*overview),
      (std::vector<Row>{{"当天", "共2题"}, {"三天内", "共1题"}, {"一周内", "共0题"}, {"更久的", "共1题"}}));
  ASSERT_TRUE(chooseSegment(*overview, 2));
  EXPECT_EQ(rows(*overview),
            (std::vector<Row>{{"错三次或以上", "共1题"}, {"错两次", "共1题"}, {"错一次", "共2题"}}));
  EXPECT_EQ(overview->redoArray()[0]["ID"].toInt(), 1);
}

TEST_F(WrongRedoBook, AnEmptyBookShowsTheHintWithTheGroupingsStillReachable) {
  auto* overview = open<ErrorRedoViewController>("errorRedoList");
  ASSERT_NE(overview, nullptr);
  EXPECT_FALSE(overview->hideLabel()->isHidden());
  EXPECT_TRUE(overview->redoTableView()->isHidden());
  EXPECT_FALSE(overview->segmentedControl()->isHidden()) << "the way to the other groupings stays";

  // The age counts exist but add up to 0: that grouping fails too and is asked for again.
  seedBook();
  clearJournal();
  ASSERT_TRUE(chooseSegment(*overview, 1));
  EXPECT_EQ(paths("errortest/"), std::vector<std::string>{"exam/errortest/GetListToTime/GKSample"});
  EXPECT_TRUE(overview->hideLabel()->isHidden());
  EXPECT_FALSE(overview->redoTableView()->isHidden());
  EXPECT_EQ(rows(*overview).size(), 4u);
}

TEST_F(WrongRedoBook, ARowWithoutWrongAnswersOnlyShowsTheToast) {
  seedBook();
  auto* overview = open<ErrorRedoViewController>("errorRedoList");
  ASSERT_TRUE(chooseSegment(*overview, 1));
  clearJournal();
  ASSERT_TRUE(h().tapRow(*overview->redoTableView(), {0, 2}));  // 一周内, 0
  auto toast = ProgressHUD::HUDForView(overview->view());
  ASSERT_NE(toast, nullptr);
  EXPECT_EQ(toast->labelText(), "一周内错题数为0");
  EXPECT_EQ(toast->mode(), ProgressHUD::Mode::Text);
  EXPECT_EQ(toast->yOffset(), 40);
  h().advance(1.2);
  EXPECT_NE(ProgressHUD::HUDForView(overview->view()), nullptr);
  h().advance(0.5);  // 1.3 s, then the fade
  EXPECT_EQ(ProgressHUD::HUDForView(overview->view()), nullptr);
  EXPECT_EQ(topAs<ErrorRedoViewController>(), overview);
  EXPECT_TRUE(requests("errortest/Test").empty());
}

TEST_F(WrongRedoBook, EachGroupingAsksForItsPagesAndIsKeptOverAReturn) {
  seedBook();
  auto* overview = open<ErrorRedoViewController>("errorRedoList");
  ASSERT_NE(overview, nullptr);
  struct Case {
    int segment;
    int row;
    std::string request;
    std::string title;
    std::size_t questions;
  };
  const Case cases[] = {{0, 1, "exam/errortest/TestToSbjIds/GKSample/20/1/12", "", 3},
                        {1, 0, "exam/errortest/TestToTime/GKSample/20/1/1", "当天", 2},
                        {2, 2, "exam/errortest/TestToErrorCount/GKSample/20/1/3", "错一次", 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.request);
    ASSERT_TRUE(chooseSegment(*overview, c.segment) || c.segment == 0);
    clearJournal();
    const std::string rowTitle = rows(*overview)[static_cast<std::size_t>(c.row)].title;
    tapRow(*overview->redoTableView(), c.row);
    auto* detail = topAs<ErrorRedoDetailViewController>();
    ASSERT_NE(detail, nullptr) << h().screens();
    EXPECT_EQ(paths("errortest/Test"), std::vector<std::string>{c.request});
    EXPECT_EQ(detail->title(), c.title.empty() ? rowTitle : c.title);
    EXPECT_EQ(detail->rows().size(), c.questions);
    EXPECT_EQ(detail->pageButton()->title(), "1/1页");

    // Back: the groupings are asked for again and the one chosen still shows.
    detail->navigationController()->popViewController(false);
    settleRequests();
    EXPECT_EQ(overview->segmentedControl()->selectedSegmentIndex(), c.segment);
    EXPECT_EQ(overview->redoCategory(), ErrorRedoViewController::groupingTitle(
                                            static_cast<ErrorRedoViewController::Grouping>(c.segment)));
  }
}

TEST_F(WrongRedoBook, TheListRemovesFromTheBookAndOpensTheRedo) {
  seedBook();
  auto* overview = open<ErrorRedoViewController>("errorRedoList");
  tapRow(*overview->redoTableView(), 1);  // subject 12, three questions
  auto* detail = topAs<ErrorRedoDetailViewController>();
  ASSERT_NE(detail, nullptr);

  tapRow(*detail->tableView(), 0);
  ASSERT_NE(answering(), nullptr);
  EXPECT_EQ(
      answering()->calls,
      (std::vector<std::string>{"setTestPager:", "setOriginalMode:2", "setRedoMode:0", "setFunctionState:7",
                                "setChapterName:错题重做", "setTestsJSON:", "setIsAllow:NO"}));
  detail->navigationController()->popViewController(false);
  settleRequests();

  const std::string aid = detail->rows()[0].AID;
  clearJournal();
  ASSERT_TRUE(h().swipeToDelete(*detail->tableView(), {0, 0}));
  ASSERT_TRUE(h().confirmDelete(*detail->tableView()));
  settleRequests();
  EXPECT_EQ(paths("RemoveToAllTestIDs"),
            std::vector<std::string>{"exam/errortest/RemoveToAllTestIDs/GKSample/" + aid});
  EXPECT_EQ(alertText(), "移除错题|操作成功");
  press("确定");
  EXPECT_EQ(paths("errortest/Test"),
            std::vector<std::string>{"exam/errortest/TestToSbjIds/GKSample/20/1/12"});
  EXPECT_EQ(detail->rows().size(), 2u);
}

TEST_F(WrongRedoBook, AFailedPageIsTitledByTheRowAndStopsBrowsing) {
  seedBook();
  auto* overview = open<ErrorRedoViewController>("errorRedoList");
  ASSERT_TRUE(chooseSegment(*overview, 1));
  drop("1.0/json/exam/errortest/TestToTime/*");
  tapRow(*overview->redoTableView(), 0);
  auto* detail = topAs<ErrorRedoDetailViewController>();
  ASSERT_NE(detail, nullptr);
  EXPECT_EQ(alertText(), "当天|" + core::Bundle::main().localizedString("requestFaile"));
  EXPECT_EQ(detail->pageIndex(), 1);
  EXPECT_FALSE(detail->browseButton()->isEnabled());
}

// The counts of the forgetting-curve grouping come from the server and may be anything an int64 holds:
// the rows show them as given, the values' sum never overflows, and a row's pages stop at the largest
// int.
TEST_F(WrongRedoBook, CountsAtTheEndsOfTheRangeShowAsGivenAndPageSafely) {
  seedBook();
  const std::string max = std::to_string(std::numeric_limits<std::int64_t>::max());
  const std::string min = std::to_string(std::numeric_limits<std::int64_t>::min());
  struct Case {
    std::string values;  // of 当天, 三天内
    std::vector<std::string> details;
    std::string firstRowPages;  // after a tap on the first row; "" for none
  };
  const Case cases[] = {
      {max + "," + max, {"共" + max + "题", "共" + max + "题"}, "1/2147483647页"},
      {max + ",1", {"共" + max + "题", "共1题"}, "1/2147483647页"},
      {min + ",-1", {"共" + min + "题", "共-1题"}, ""},
      {"\"99999999999999999999999\",0", {"共99999999999999999999999题", "共0题"}, "1/2147483647页"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.values);
    const auto comma = c.values.find(',');
    answer("1.0/json/exam/errortest/GetListToTime/GKSample",
           R"({"Body":[{"Key":"当天","Value":)" + c.values.substr(0, comma) +
               R"(},{"Key":"三天内","Value":)" + c.values.substr(comma + 1) + "}]}");
    auto* overview = open<ErrorRedoViewController>("errorRedoList");
    ASSERT_NE(overview, nullptr);
    ASSERT_TRUE(chooseSegment(*overview, 1));
    const std::vector<Row> shown = rows(*overview);
    ASSERT_EQ(shown.size(), c.details.size());
    for (std::size_t i = 0; i < shown.size(); ++i) EXPECT_EQ(shown[i].detail, c.details[i]);
    if (!c.firstRowPages.empty()) {
      tapRow(*overview->redoTableView(), 0);
      auto* detail = topAs<ErrorRedoDetailViewController>();
      ASSERT_NE(detail, nullptr);
      EXPECT_EQ(detail->pageButton()->title(), c.firstRowPages);
      detail->navigationController()->popViewController(false);
      settleRequests();
    }
    overview->navigationController()->popViewController(false);
    settleRequests();
  }
}

}  // namespace
}  // namespace review_test
