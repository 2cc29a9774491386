// The rules the review lists share, as tables: page counts, what the page jump makes of typed text,
// the rows of the wrong-answer groupings and the search request.

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <limits>

#include "librarys/json/JsonParser.h"
#include "screens/common/QuestionListPaging.h"
#include "screens/review/ErrorRedoViewController.h"
#include "screens/review/FindTestViewController.h"

namespace {

using Jump = QuestionListPaging::Jump;

TEST(PagingRules, PagesOfTwentyRoundedUp) {
  // The total comes from the server: any int64, the page count stops at the largest int.
  const std::pair<std::int64_t, int> cases[] = {{0, 0},
                                                {-3, 0},
                                                {1, 1},
                                                {20, 1},
                                                {21, 2},
                                                {40, 2},
                                                {41, 3},
                                                {-1, 0},
                                                {std::numeric_limits<std::int64_t>::min(), 0},
                                                {std::numeric_limits<std::int64_t>::max(), INT_MAX},
                                                {42949672960, INT_MAX},
                                                {42949672920, 2147483646}};
  for (const auto& [total, pages] : cases) {
    SCOPED_TRACE(total);
    EXPECT_EQ(QuestionListPaging::pageCountFor(total), pages);
  }
  EXPECT_EQ(QuestionListPaging::clampPage(3, 2), 2);
  EXPECT_EQ(QuestionListPaging::clampPage(0, 2), 1);
  EXPECT_EQ(QuestionListPaging::clampPage(0, 0), 1) << "never page 0, even without pages";
  EXPECT_EQ(QuestionListPaging::pageButtonTitle(2, 3), "2/3页");
  EXPECT_EQ(QuestionListPaging::rangeMessage(3), "请输入1~3之间的数字！");
}

TEST(PagingRules, TheJumpReadsAWholeNumberLeniently) {
  struct Case {
    const char* typed;
    Jump outcome;
    int page;
  };
  // On page 2 of 3.
  const Case cases[] = {{"0", Jump::OutOfRange, 0},   {"-1", Jump::OutOfRange, -1},
                        {"abc", Jump::OutOfRange, 0}, {"", Jump::OutOfRange, 0},
                        {"4", Jump::OutOfRange, 4},   {"2", Jump::SamePage, 2},
                        {"3", Jump::OtherPage, 3},    {" 1", Jump::OtherPage, 1},
                        {"3页", Jump::OtherPage, 3},  {"99999999999", Jump::OutOfRange, 2147483647}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    const auto r = QuestionListPaging::jump(c.typed, 2, 3);
    EXPECT_EQ(r.outcome, c.outcome);
    EXPECT_EQ(r.page, c.page);
  }
}

TEST(PagingRules, WrongAnswerGroupingsMapTheirKeysToClassNumbers) {
  struct Case {
    ErrorRedoViewController::Grouping grouping;
    const char* body;
    const char* rows;
  };
  const Case cases[] = {
      {ErrorRedoViewController::BySubject, R"([{"Sbjid":12,"Subject1":"地理常识","TestNum":3}])",
       R"([{"ID":12,"Title":"地理常识","TestsCount":3}])"},
      {ErrorRedoViewController::ByTime,
       R"([{"Key":"当天","Value":2},{"Key":"三天内","Value":0},{"Key":"一周内","Value":1},{"Key":"更久的","Value":5},{"Key":"明天","Value":1}])",
       R"([{"ID":1,"Title":"当天","TestsCount":2},{"ID":2,"Title":"三天内","TestsCount":0},{"ID":3,"Title":"一周内","TestsCount":1},{"ID":4,"Title":"更久的","TestsCount":5},{"ID":0,"Title":"明天","TestsCount":1}])"},
      {ErrorRedoViewController::ByNumber,
       R"([{"Key":"错三次或以上","Value":1},{"Key":"错两次","Value":0},{"Key":"错一次","Value":4},{"Key":"当天","Value":1}])",
       R"([{"ID":1,"Title":"错三次或以上","TestsCount":1},{"ID":2,"Title":"错两次","TestsCount":0},{"ID":3,"Title":"错一次","TestsCount":4},{"ID":0,"Title":"当天","TestsCount":1}])"},
      {ErrorRedoViewController::ByTime, "null", "[]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    EXPECT_EQ(ErrorRedoViewController::groupingRows(c.grouping, JSONValue(c.body)), JSONValue(c.rows));
  }
}

TEST(PagingRules, TheSearchAndFavouriteRequestsAreObjectsOfTexts) {
  EXPECT_EQ(
      JSONValue(FindTestViewController::searchJson("GKSample", "医院 临床", 3)),
      JSONValue(R"({"AppEName":"GKSample","SbjIDs":"","Word":"医院 临床","PageIndex":"3","PageSize":"20"})"));
  EXPECT_EQ(JSONValue(FindTestViewController::favouriteJson("GKSample", "1002")),
            JSONValue(R"({"AppEName":"GKSample","AllTestID":"1002","StarNum":"3","FavTypeID":"1"})"));
}

}  // namespace
