// The chapter lists as a user walks them: the local tree one level per screen, a leaf's set from the
// loopback server opening the answering screen in the list's mode, an empty chapter, the results of
// finished chapters on the rows, and the login check.
#include <filesystem>

#include "platform/core/PropertyList.h"
#include "platform/runloop/BlockingCall.h"
#include "screens/practice/ChaptListViewController.h"
#include "tests/screens/practice/PracticeFixture.h"

namespace practice_test {
namespace {

class ChapterList : public PracticeFixture {
 protected:
  ChaptListViewController* openList(int mode) {
    return push<ChaptListViewController>(ChaptListViewController::kIdentifier, [mode](ChaptListViewController& s) {
      s.setTestMode(mode);
      s.setNavigationItemTitle(mode == 1 ? "章节测试" : "章节练习");
      s.setBackButtonTitle("章节练习");
    });
  }
  ChaptListViewController* top() { return topAs<ChaptListViewController>(); }
  // Walks from the top level through the named rows; the list on top after the last one.
  ChaptListViewController* walk(int mode, const std::vector<std::string>& names) {
    ChaptListViewController* list = openList(mode);
    for (const auto& name : names) {
      if (!list || !tapRowNamed(*list->tableView(), name)) return nullptr;
      list = top();
    }
    return list;
  }
  static void writeResults(bool chapterTestFile, const core::Value& entries) {
    rl::ScopedAllowBlocking setUp;  // the test's own writes, not the application's
    ASSERT_TRUE(core::PropertyList::writeFile(ChapterResultFile::pathFor(VDHelper::recordSavePath(), chapterTestFile),
                                              entries));
  }
  core::Value result(const std::string& chapter, const std::string& user, const std::string& bank, int right,
                     const std::string& percent) {
    return core::Dictionary{{"ID", chapter},      {"UserName", md5(user)},     {"EName", bank},
                            {"yidaResult", "20"}, {"daduiResult", std::to_string(right)}, {"percent", percent}};
  }
};

TEST_F(ChapterList, ALeafOpensItsSetInTheModeOfTheList) {
  struct Case {
    int mode;
    std::vector<std::string> launch;
  };
  const Case cases[] = {
      {0, {"setOriginalMode:0", "setChapterName:地理常识", "setChapterID:111", "setTestsJSON:", "setIsAllow:YES",
           "setIsChapterTest:YES", "setFunctionState:1"}},
      {1, {"setOriginalMode:1", "setChapterName:地理常识", "setChapterID:111", "setTestsJSON:", "setIsAllow:YES",
           "setIsChapterTest:NO", "setFunctionState:9"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    navigation().popToRootViewController(false);
    h().settle();
    ChaptListViewController* list = openList(c.mode);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(rows(*list->tableView()).size(), 1u);
    EXPECT_EQ(rows(*list->tableView())[0].rfind("常识综合|共", 0), 0u);

    ASSERT_TRUE(tapRowNamed(*list->tableView(), "常识综合"));
    ChaptListViewController* nested = top();
    ASSERT_NE(nested, nullptr);
    ASSERT_NE(nested, list) << "a node with sub-chapters opens another level";
    EXPECT_EQ(nested->title(), "常识综合");
    EXPECT_TRUE(nested->isRequest());
    EXPECT_EQ(nested->testMode(), c.mode);
    ASSERT_TRUE(tapRowNamed(*nested->tableView(), "人文常识"));
    ASSERT_NE(top(), nullptr);
    EXPECT_EQ(rows(*top()->tableView()), (std::vector<std::string>{"地理常识|共22题", "历史常识|共20题"}));

    clearJournal();
    ASSERT_TRUE(tapRowNamed(*top()->tableView(), "地理常识"));
    EXPECT_EQ(paths("/Chapter/Test/"), (std::vector<std::string>{"exam/GKSample/Chapter/Test/111"}));
    auto* answering = this->answering();
    ASSERT_NE(answering, nullptr) << "the leaf's set opens the answering screen";
    ASSERT_NE(answering->pager(), nullptr);
    EXPECT_EQ(answering->pager()->testArray().size(), 22u);
    EXPECT_EQ(answering->pager()->currentTest(), answering->pager()->testArray().front());
    std::vector<std::string> launch(answering->calls.begin() + 1, answering->calls.end());
    EXPECT_EQ(launch, c.launch);
    EXPECT_EQ(answering->testsJSON["Body"].isNull(), false);
  }
}

TEST_F(ChapterList, AnEmptyChapterShowsTheServersMessageAndStays) {
  ChaptListViewController* list = walk(0, {"常识综合", "科技常识", "数学常识"});
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(rows(*list->tableView()), (std::vector<std::string>{"四则运算|共45题", "数学趣题|共0题"}));
  ASSERT_TRUE(tapRowNamed(*list->tableView(), "数学趣题"));
  EXPECT_EQ(alertText(), "提示|该章节暂无试题");
  EXPECT_EQ(top(), list) << "nothing opens";
  EXPECT_TRUE(press("确定"));
}

TEST_F(ChapterList, FinishedChaptersShowTheUsersLastResultInThisBankAndMode) {
  // Practice results (the file of chapter tests' runs, as stored) and chapter-test results.
  core::Value practice = core::Value::newArray();
  practice.push_back(result("111", "user02", review_test::kSubject, 9, "41%"));  // another user
  practice.push_back(result("112", "user01", "OtherBank", 8, "40%"));           // another bank
  practice.push_back(result("112", "user01", review_test::kSubject, 7, "35%"));
  practice.push_back(result("112", "user01", review_test::kSubject, 3, "15%"));  // the last match wins
  writeResults(true, practice);
  core::Value tests = core::Value::newArray();
  tests.push_back(result("111", "user01", review_test::kSubject, 20, "91%"));
  writeResults(false, tests);

  struct Case {
    int mode;
    std::vector<std::string> rows;
    std::vector<bool> orange;
  };
  const Case cases[] = {
      {0, {"地理常识|共22题", "历史常识|共20题(答对：3题，正确率：15%)"}, {false, true}},
      {1, {"地理常识|共22题(答对：20题，正确率：91%)", "历史常识|共20题"}, {true, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    navigation().popToRootViewController(false);
    h().settle();
    ChaptListViewController* list = walk(c.mode, {"常识综合", "人文常识"});
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(rows(*list->tableView()), c.rows);
    for (int r = 0; r < 2; ++r) {
      const bool orange = cell(*list->tableView(), r)->textLabel()->textColor() == ui::Color::orange();
      EXPECT_EQ(orange, c.orange[static_cast<std::size_t>(r)]) << r;
    }
  }
  // Nobody logged in: no row is anybody's.
  app().userSession().remove("userInfo");
  navigation().popToRootViewController(false);
  h().settle();
  ChaptListViewController* list = walk(0, {"常识综合", "人文常识"});
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(rows(*list->tableView()), (std::vector<std::string>{"地理常识|共22题", "历史常识|共20题"}));
}

TEST_F(ChapterList, TheLoginCheckAsksAGuestToLogIn) {
  ChaptListViewController* list = openList(0);
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(list->isLoginCheck()) << "user01 is logged in";
  EXPECT_EQ(h().alert(), nullptr);

  app().userSession().remove("userInfo");
  EXPECT_FALSE(list->isLoginCheck());
  EXPECT_EQ(h().alert() ? h().alert()->message() : "", ChaptListViewController::kLoginMessage);
  ASSERT_TRUE(press("取消"));
  EXPECT_EQ(top(), list);
  EXPECT_FALSE(list->isLoginCheck());
  ASSERT_TRUE(press("登录"));
  EXPECT_EQ(topClass(), "LoginViewController");
}

class OfflineChapterList : public ChapterList {
 protected:
  int reachability() const override { return 0; }
};

TEST_F(OfflineChapterList, ALeafOfflineShowsTheNetworkAlertAndOpensNothing) {
  ChaptListViewController* list = walk(0, {"常识综合", "人文常识"});
  ASSERT_NE(list, nullptr);
  while (h().alert()) press(h().alert()->buttonTitleAtIndex(0));
  ASSERT_TRUE(tapRowNamed(*list->tableView(), "地理常识"));
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->title(), "断网提示");
  EXPECT_EQ(top(), list);
}

}  // namespace
}  // namespace practice_test
