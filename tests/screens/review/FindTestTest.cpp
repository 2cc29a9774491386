// The question search against the loopback API server: the keyword length checks (UTF-16 units, so
// one Chinese character is too short), the request, the title and pages of the hits, paging that
// stays with the search the rows belong to, opening the answering screen, and the long press that
// adds a question to the favourites.

#include "librarys/json/JsonParser.h"
#include "screens/review/FindTestViewController.h"
#include "tests/screens/review/ReviewFixture.h"
#include "ui/ActionSheet.h"

namespace review_test {
namespace {

class FindTest : public ReviewFixture {
 protected:
  void SetUp() override {
    ReviewFixture::SetUp();
    screen_ = open<FindTestViewController>("findTest");
    ASSERT_NE(screen_, nullptr);
  }
  void search(const std::string& words) {
    ui::TextField& field = screen_->findContentField()->searchField();
    field.setText("");
    if (!words.empty()) {
      ASSERT_TRUE(h().type(field, words));
    }
    ASSERT_TRUE(h().focus(field));
    h().pressReturn(field);
    settleRequests();
  }
  std::vector<core::Value> searches() {
    std::vector<core::Value> out;
    for (const core::Value& e : requests("exam/findTest")) out.push_back(JSONValue(e["body"].toString()));
    return out;
  }
  // A reply naming the given questions with `hits` as the total.
  static std::string reply(const std::vector<int>& aids, int hits) {
    std::string ids;
    for (int a : aids) ids += (ids.empty() ? "" : ",") + std::to_string(a);
    return R"({"Body":{"ID":0,"Name":"试题查找","Sessions":[{"Type":"ATEST","StyleID":1,"Style":"单选题","Description":"",)"
           R"("ATestid":")" +
           ids + R"("}]},"Message":")" + std::to_string(hits) + R"("})";
  }

  FindTestViewController* screen_ = nullptr;
};

TEST_F(FindTest, KeywordsShorterThanTwoCharactersAreRefusedWithoutARequest) {
  EXPECT_TRUE(screen_->lblHint()->text().find("例如：“医院 临床”") != std::string::npos);
  struct Case {
    const char* words;
    const char* alert;  // "" when the search is sent
  };
  const Case cases[] = {{"", "提示|请输入关键字"},
                        {"医", "提示|关键字不得少于2个汉字"},
                        {"a", "提示|关键字不得少于2个汉字"},
                        {"ab", ""},
                        {"医院", ""},
                        {"😀", ""}};  // two UTF-16 units
  for (const Case& c : cases) {
    SCOPED_TRACE(c.words);
    clearJournal();
    search(c.words);
    const bool sent = !*c.alert;
    EXPECT_EQ(searches().size(), sent ? 1u : 0u);
    if (!sent) {
      EXPECT_EQ(alertText(), c.alert);
    }
    while (h().alert()) press(h().alert()->buttonTitleAtIndex(0));
  }
}

TEST_F(FindTest, HitsShowTitledWithTheCountInPagesOfTwenty) {
  search("医院 临床");
  ASSERT_EQ(searches().size(), 1u);
  EXPECT_EQ(
      searches()[0],
      JSONValue(R"({"AppEName":"GKSample","SbjIDs":"","Word":"医院 临床","PageIndex":"1","PageSize":"20"})"));
  EXPECT_EQ(alertText(), "查找试题|" + core::Bundle::main().localizedString("unFindTest"));
  press("OK");
  EXPECT_TRUE(screen_->tableView()->isHidden());

  clearJournal();
  search("计算");
  EXPECT_EQ(alertText(), "");
  ASSERT_FALSE(screen_->tableView()->isHidden());
  EXPECT_FALSE(screen_->bottomToolbar()->isHidden());
  EXPECT_EQ(screen_->title(), "“计算”查找到" + std::to_string(screen_->testsCount()) + "题");
  EXPECT_EQ(screen_->testsCount(), 38);
  EXPECT_EQ(screen_->pageButton()->title(), "1/2页");
  EXPECT_GE(screen_->findTestsArray().size(), 20u);

  ASSERT_TRUE(tapBar("下一页"));
  EXPECT_EQ(searches().back()["PageIndex"].toString(), "2");
  EXPECT_EQ(searches().back()["Word"].toString(), "计算");
  EXPECT_EQ(screen_->pageButton()->title(), "2/2页");
  ASSERT_TRUE(tapBar("下一页"));
  EXPECT_EQ(alertText(), "查找试题|已经是最后一页了！");
}

TEST_F(FindTest, OnePageOpensNoJumpTwoPagesDo) {
  const auto aids = aidsOf(12, "ATEST");
  answer("1.0/json/exam/findTest", reply({aids[0], aids[1]}, 20));
  search("大洋");
  EXPECT_EQ(screen_->pageButton()->title(), "1/1页");
  ASSERT_TRUE(tapBar("1/1页"));
  EXPECT_EQ(h().alert(), nullptr);

  answer("1.0/json/exam/findTest", reply({aids[0], aids[1]}, 21));
  search("大洋");
  EXPECT_EQ(screen_->pageButton()->title(), "1/2页");
  ASSERT_TRUE(tapBar("1/2页"));
  EXPECT_EQ(alertText(), "快速翻页|请输入您要跳转的页码：");
  ASSERT_TRUE(h().typeInAlert("3"));
  press("跳转");
  EXPECT_EQ(alertText(), "跳转|请输入1~2之间的数字！");
}

TEST_F(FindTest, ASearchWithoutHitsOrAFailedPageKeepsPagingWithTheRowsShown) {
  search("计算");
  const auto shown = screen_->findTestsArray().size();
  const std::string title = screen_->title();

  search("没有这样的词");
  EXPECT_EQ(alertText(), "查找试题|" + core::Bundle::main().localizedString("unFindTest"));
  press("OK");
  EXPECT_EQ(screen_->findTestsArray().size(), shown);
  EXPECT_EQ(screen_->title(), title);
  EXPECT_EQ(screen_->findContent(), "计算") << "paging goes on with the search the rows belong to";

  clearJournal();
  ASSERT_TRUE(tapBar("下一页"));
  ASSERT_EQ(searches().size(), 1u);
  EXPECT_EQ(searches()[0]["Word"].toString(), "计算");
  EXPECT_EQ(searches()[0]["PageIndex"].toString(), "2");

  // A failed step back keeps page 2 (not 0); the next try asks for page 1 again.
  drop("1.0/json/exam/findTest");
  ASSERT_TRUE(tapBar("上一页"));
  EXPECT_EQ(alertText(), "查找试题|" + core::Bundle::main().localizedString("requestFaile"));
  press("OK");
  EXPECT_EQ(screen_->pageIndex(), 2);
  EXPECT_EQ(screen_->pageButton()->title(), "2/2页");
  clearJournal();
  ASSERT_TRUE(tapBar("上一页"));
  ASSERT_EQ(searches().size(), 1u);
  EXPECT_EQ(searches()[0]["PageIndex"].toString(), "1");
  ASSERT_TRUE(tapBar("上一页"));
  EXPECT_EQ(alertText(), "查找试题|已经是第一页了！");
}

TEST_F(FindTest, ATapOpensTheAnsweringScreenWithoutTheReply) {
  search("计算");
  tapRow(*screen_->tableView(), 3);
  ASSERT_NE(answering(), nullptr);
  EXPECT_EQ(answering()->calls,
            (std::vector<std::string>{"setTestPager:", "setOriginalMode:2", "setRedoMode:0",
                                      "setFunctionState:6", "setChapterName:试题查找", "setIsAllow:NO"}));
  EXPECT_EQ(answering()->pager()->currentTest(), screen_->testsList()[3]);
  EXPECT_EQ(answering()->pager()->testArray().size(), screen_->testsList().size());
}

TEST_F(FindTest, ALongPressOffersToKeepTheQuestionAsAFavourite) {
  search("计算");
  ui::TableViewCell* cell = screen_->tableView()->cellForRowAtIndexPath({0, 1});
  ASSERT_NE(cell, nullptr);
  clearJournal();
  ASSERT_TRUE(h().longPress(*cell, 1.1));
  h().settle();
  ui::ActionSheet* sheet = h().sheet();
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet->title(), "查找试题");
  EXPECT_EQ(sheet->buttonTitleAtIndex(0), "收藏本题");
  EXPECT_EQ(sheet->buttonTitleAtIndex(1), "取消");
  EXPECT_EQ(screen_->longPressRow(), ui::IndexPath::forRow(1, 0));
  EXPECT_EQ(h().topScreen(), screen_) << "the press opened nothing";

  press("收藏本题");
  const auto adds = requests("favour/addfavour");
  ASSERT_EQ(adds.size(), 1u);
  EXPECT_EQ(JSONValue(adds[0]["body"].toString()),
            JSONValue(R"({"AppEName":"GKSample","AllTestID":")" + screen_->findTestsArray()[1].AID +
                      R"(","StarNum":"3","FavTypeID":"1"})"));
  EXPECT_EQ(alertText(), "收藏本题|收藏成功");
  press("OK");

  // The same question again: the server's own answer shows; a refusal shows the "no data" text.
  ASSERT_TRUE(h().longPress(*cell, 1.1));
  h().settle();
  press("收藏本题");
  EXPECT_EQ(alertText(), "收藏本题|该题已在收藏夹中");
  press("OK");
  answer("1.0/json/favour/addfavour", R"({"Body":null,"Message":"试题不存在"})");
  ASSERT_TRUE(h().longPress(*cell, 1.1));
  h().settle();
  press("收藏本题");
  EXPECT_EQ(alertText(), "收藏本题|" + core::Bundle::main().localizedString("nodataMessage"));
}

}  // namespace
}  // namespace review_test
