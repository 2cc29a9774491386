// The learning statistics: per-chapter shares of questions done and answered right, one decimal and a
// percent sign, the total row second; the rows as the screen shows the server's counts; the alert
// "统计分析" for no reply or no counts, the list staying hidden.

#include <cstdint>
#include <limits>
#include <string>

#include "screens/records/StatisticsTableCell.h"
#include "screens/records/StatisticsViewController.h"
#include "tests/screens/records/RecordsFixture.h"

namespace records_test {
namespace {

constexpr const char* kStatisticsPath = "1.0/json/sys/Statistics/GKSample";

core::Value chapter(const char* name, int past, int right, int total) {
  return core::Dictionary{{"Name", name}, {"PastNum", past}, {"RightNum", right}, {"TestNum", total}};
}

// Each row as "name past right sort".
std::vector<std::string> rowsOf(const core::Value& rows) {
  std::vector<std::string> out;
  for (const core::Value& r : rows.array())
    out.push_back(r["Name"].toString() + " " + r["PastPercentage"].toString() + " " +
                  r["RightPercentage"].toString() + " " + r["Sort"].toString());
  return out;
}

TEST(StatisticsAnalysis, ChapterRowsWithTheTotalRowSecond) {
  struct Case {
    const char* name;
    core::Array counts;
    std::vector<std::string> rows;
  };
  const Case cases[] = {
      {"one chapter: the total repeats it",
       {chapter("地理", 8, 6, 20)},
       {"地理 40.0% 75.0% 0", "总进度 40.0% 75.0% 1"}},
      {"three chapters: first, total, second, third",
       {chapter("地理", 8, 6, 20), chapter("历史", 0, 0, 15), chapter("科学", 5, 5, 5)},
       {"地理 40.0% 75.0% 0", "总进度 32.5% 84.6% 3", "历史 0.0% 0.0% 1", "科学 100.0% 100.0% 2"}},
      {"nothing done, whatever the count", {chapter("历史", 0, 0, 0), chapter("数学", 0, 0, 45)},
       {"历史 0.0% 0.0% 0", "总进度 0.0% 0.0% 2", "数学 0.0% 0.0% 1"}},
      {"one third rounds to one decimal", {chapter("数学", 1, 1, 3)}, {"数学 33.3% 100.0% 0", "总进度 33.3% 100.0% 1"}},
      {"counts that do not add up give no infinite share", {chapter("数学", 3, 2, 0)},
       {"数学 0.0% 66.7% 0", "总进度 0.0% 66.7% 1"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(rowsOf(StatisticsViewController::analysis(core::Value(c.counts))), c.rows);
  }
}

// Counts from the server may be anything an int64 holds, or a text of any length: the sums of the total
// row stop at the largest count, and every share stays between 0.0% and 100.0%.
TEST(StatisticsAnalysis, CountsAtTheEndsOfTheRangeGiveSharesBetweenNoneAndAll) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  auto row = [](const char* name, core::Value past, core::Value right, core::Value total) {
    return core::Value(
        core::Dictionary{{"Name", name}, {"PastNum", past}, {"RightNum", right}, {"TestNum", total}});
  };
  const std::string huge = "9" + std::string(400, '9');
  struct Case {
    const char* name;
    core::Array counts;
    std::vector<std::string> rows;
  };
  const Case cases[] = {
      {"the largest counts twice",
       {row("甲", kMax, kMax, kMax), row("乙", kMax, kMax, kMax)},
       {"甲 100.0% 100.0% 0", "总进度 100.0% 100.0% 2", "乙 100.0% 100.0% 1"}},
      {"a huge done count beside small ones",
       {row("甲", kMax, 1, kMax), row("乙", 1, 1, 1)},
       {"甲 100.0% 0.0% 0", "总进度 100.0% 0.0% 2", "乙 100.0% 100.0% 1"}},
      {"the smallest counts", {row("甲", kMin, kMin, kMin)}, {"甲 0.0% 0.0% 0", "总进度 0.0% 0.0% 1"}},
      {"counts below zero count nothing",
       {row("甲", -1, -1, 10), row("乙", 5, 4, 10)},
       {"甲 0.0% 0.0% 0", "总进度 25.0% 80.0% 2", "乙 50.0% 80.0% 1"}},
      {"a part larger than its whole",
       {row("甲", 30, 45, 20)},
       {"甲 100.0% 100.0% 0", "总进度 100.0% 100.0% 1"}},
      {"texts of numbers past the range",
       {row("甲", huge, "-" + huge, huge), row("乙", "12", "x", "")},
       {"甲 100.0% 0.0% 0", "总进度 100.0% 0.0% 2", "乙 0.0% 0.0% 1"}},
      {"zero everywhere", {row("甲", 0, 0, 0)}, {"甲 0.0% 0.0% 0", "总进度 0.0% 0.0% 1"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(rowsOf(StatisticsViewController::analysis(core::Value(c.counts))), c.rows);
  }
}

class Statistics : public RecordsFixture {};

TEST_F(Statistics, TheScreenShowsTheServersCountsAsShares) {
  answer(kStatisticsPath, replyText(core::Array{chapter("地理常识", 8, 6, 20), chapter("历史常识", 2, 1, 10)}));
  auto* screen = open<StatisticsViewController>("statistics");
  ASSERT_NE(screen, nullptr);
  EXPECT_EQ(paths("Statistics"), std::vector<std::string>{"sys/Statistics/GKSample"});
  EXPECT_EQ(screen->title(), "统计分析");
  ASSERT_FALSE(screen->statisticsTableView()->isHidden());
  std::vector<std::string> shown;
  for (ui::TableViewCell* c : screen->statisticsTableView()->visibleCells()) {
    auto* cell = dynamic_cast<StatisticsTableCell*>(c);
    ASSERT_NE(cell, nullptr);
    shown.push_back(cell->labChapter()->text() + " " + cell->labFinished()->text() + " " +
                    cell->labRightPercentage()->text());
  }
  EXPECT_EQ(shown, (std::vector<std::string>{"地理常识 40.0% 75.0%", "总进度 33.3% 70.0%", "历史常识 20.0% 50.0%"}));
}

TEST_F(Statistics, NoReplyOrNoCountsGiveTheAlertAndNoList) {
  struct Case {
    const char* name;
    std::function<void()> arrange;
    const char* key;
  };
  const Case cases[] = {
      {"no reply", [] { drop(kStatisticsPath); }, "requestFaile"},
      {"no chapters", [] { answer(kStatisticsPath, replyText(core::Value::newArray())); }, "nodataMessage"},
      {"a null body", [] { answer(kStatisticsPath, R"({"Body":null,"Message":""})"); }, "nodataMessage"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    c.arrange();
    auto* screen = open<StatisticsViewController>("statistics");
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(alertText(), std::string("统计分析|") + core::Bundle::main().localizedString(c.key));
    ASSERT_TRUE(press("OK"));
    EXPECT_TRUE(screen->statisticsTableView()->isHidden());
    screen->navigationController()->popViewController(false);
    h().settle();
  }
}

}  // namespace
}  // namespace records_test
