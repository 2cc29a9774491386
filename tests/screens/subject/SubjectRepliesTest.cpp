// Replies of the wrong shape to the subject choice's requests: the catalogue behind the refresh bar,
// a series' subjects, the application information of a chosen subject and the single-series build's
// subjects. Each tap ends in the screen's message and the choice goes on.

#include "tests/screens/subject/SubjectFixture.h"
#include "tests/support/HostileReplies.h"

#include "app/VDViewControllerFactory.h"

#include <map>

namespace subject_test {
namespace {

using testsupport::hostileReplies;
using testsupport::HostileReply;
using testsupport::withPath;

const std::string kFailed = "请求失败，请稍后重试";
const std::string kNoData = "暂无相关数据";
const std::string kMalformed = "服务器数据有误，请稍后重试";
const std::string kNotThere = "服务器数据不存在";

// Which replies cannot be read at all (no reply for the screens).
bool unreadable(const std::string& name) {
  return name == "truncated" || name == "not UTF-8" || name == "HTTP 500" || name == "HTML with 200" ||
         name == "5,000 deep";
}

class SubjectReplies : public SubjectFixture {
 protected:
  void SetUp() override {
    SubjectFixture::SetUp();
    markStarted();
  }
  ui::Button* refreshBar() {
    ui::Button* bar = h().button(SelectSortViewController::kRefreshTitle);
    return bar && !bar->isHidden() ? bar : nullptr;
  }
};

TEST_F(SubjectReplies, ACatalogueOfTheWrongShapeKeepsTheRefreshBar) {
  drop("1.0/json/sys/Quote");
  launch();
  auto* sort = topAs<SelectSortViewController>();
  ASSERT_NE(sort, nullptr) << h().screens();
  for (const HostileReply& r : hostileReplies()) {
    SCOPED_TRACE(r.name);
    ASSERT_NE(refreshBar(), nullptr);
    const std::size_t asked = requests("1.0/json/sys/Quote").size();
    fault(withPath(r.fault, "/api/1.0/json/sys/Quote"));
    ASSERT_TRUE(h().tap(*refreshBar()));
    settleRequests();
    EXPECT_EQ(requests("1.0/json/sys/Quote").size(), asked + 1);
    EXPECT_NE(refreshBar(), nullptr);
    EXPECT_EQ(h().alert(), nullptr);
    // The category rows stay, and a category still opens (an empty series list).
    EXPECT_EQ(texts(*sort->selectSortTableView()),
              (std::vector<std::string>{"医药考试", "建筑工程考试", "财会经济考试", "职业资格考试"}));
  }
  // A good catalogue takes the bar away and fills the series.
  ASSERT_TRUE(h().tap(*refreshBar()));
  settleRequests();
  EXPECT_EQ(refreshBar(), nullptr);
  ASSERT_TRUE(tapRow(*sort->selectSortTableView(), "财会经济考试"));
  auto* series = topAs<SelectSeriesViewController>();
  ASSERT_NE(series, nullptr);
  EXPECT_EQ(texts(*series->seriesTableView()), std::vector<std::string>{"财会"});
}

TEST_F(SubjectReplies, SubjectsOfTheWrongShapeAlertAndTheSeriesScreenStays) {
  launch();
  auto* sort = topAs<SelectSortViewController>();
  ASSERT_NE(sort, nullptr);
  ASSERT_TRUE(tapRow(*sort->selectSortTableView(), "财会经济考试"));
  auto* series = topAs<SelectSeriesViewController>();
  ASSERT_NE(series, nullptr);
  std::vector<HostileReply> replies = hostileReplies();
  // Groups whose subjects are not a list of records.
  replies.push_back({"subjects not a list",
                     core::Dictionary{{"body", testsupport::replyWithBody(
                                                   R"([{"Province":"无分类","QuoteDetails":"x"}])")}}});
  for (const HostileReply& r : replies) {
    SCOPED_TRACE(r.name);
    fault(withPath(r.fault, "/api/1.0/json/sys/GetQuoteProductByCounts/kjzc"));
    ASSERT_TRUE(tapRow(*series->seriesTableView(), "财会"));
    ASSERT_TRUE(runUntil([this] {
      h().settle(0.2);
      return h().alert() != nullptr;
    })) << "no message; on top: "
        << top();
    EXPECT_EQ(h().alert()->message(), unreadable(r.name) ? kFailed : kNotThere);
    ASSERT_TRUE(h().press("确定"));
    settleRequests();
    EXPECT_EQ(top(), "SelectSeriesViewController");
  }
  ASSERT_TRUE(tapRow(*series->seriesTableView(), "财会"));
  settleRequests();
  EXPECT_EQ(top(), "SelectSubjectViewController");
}

TEST_F(SubjectReplies, SearchHitsOfTheWrongShapeBringTheCategoriesBack) {
  launch();
  auto* sort = topAs<SelectSortViewController>();
  ASSERT_NE(sort, nullptr);
  ui::TextField& field = sort->find_SearchBar()->searchField();
  ASSERT_TRUE(h().type(field, "样例"));
  settleRequests();
  ASSERT_TRUE(sort->isFindSuccess());
  for (const HostileReply& r : hostileReplies()) {
    SCOPED_TRACE(r.name);
    fault(withPath(r.fault, "/api/1.0/json/sys/GetAppENameAndQuoteEName/样例x"));
    ASSERT_TRUE(h().type(field, "x"));
    settleRequests();
    EXPECT_FALSE(sort->isFindSuccess());
    EXPECT_EQ(texts(*sort->selectSortTableView()),
              (std::vector<std::string>{"医药考试", "建筑工程考试", "财会经济考试", "职业资格考试"}));
    // The search goes on.
    ASSERT_EQ(h().backspace(field), 1);
    settleRequests();
    EXPECT_EQ(texts(*sort->selectSortTableView()), std::vector<std::string>{kSampleName});
  }
}

// The single-series build: its catalogue and subjects of the wrong shape keep "刷新" and alert.
TEST_F(SubjectReplies, SingleSeriesSubjectsOfTheWrongShapeAlertAndRefreshStays) {
  useBundleName("zyys");
  drop("1.0/json/sys/Quote");
  launch();
  settleRequests();
  ASSERT_NE(topAs<SelectSubjectViewController>(), nullptr) << h().screens();
  for (const HostileReply& r : hostileReplies()) {
    SCOPED_TRACE(r.name);
    ASSERT_NE(h().barButton("刷新"), nullptr);
    fault(withPath(r.fault, "/api/1.0/json/sys/Quote"));
    fault(withPath(r.fault, "/api/1.0/json/sys/GetQuoteProductByCounts/zyys"));
    ASSERT_TRUE(h().tapBarButton("刷新"));
    ASSERT_TRUE(runUntil([this] {
      h().settle(0.2);
      return h().alert() != nullptr;
    })) << "no message";
    EXPECT_EQ(h().alert()->title(), SelectSubjectViewController::kFailureTitle);
    EXPECT_EQ(h().alert()->message(), SelectSubjectViewController::kFailureMessage);
    ASSERT_TRUE(h().press("OK"));
    settleRequests();
    EXPECT_EQ(topAs<SelectSubjectViewController>()->title(), "");
  }
  ASSERT_TRUE(h().tapBarButton("刷新"));
  settleRequests();
  EXPECT_EQ(h().alert(), nullptr);
  EXPECT_EQ(topAs<SelectSubjectViewController>()->title(), "执业医师");
  EXPECT_EQ(h().barButton("刷新"), nullptr);
}

// A chosen subject whose application information comes of the wrong shape: the main screen opens and
// says what went wrong; the choice, opened again, goes on.
TEST_F(SubjectReplies, AppInformationOfTheWrongShapeIsToldOnTheMainScreen) {
  const std::map<std::string, std::string> messages = {
      {"text for the body", kMalformed},
      {"number for the body", kMalformed},
      {"null body", kNoData},
      {"no body", kMalformed},
      {"object for a list", ""},  // a record, which is what the information is
      {"list of non-records", kMalformed},
      {"wrapped top level", kMalformed},
      {"wrapped in an object", kMalformed},
      {"100,000 entries", kMalformed},
  };
  launch();
  for (const HostileReply& r : hostileReplies()) {
    SCOPED_TRACE(r.name);
    fault(withPath(r.fault, "/api/1.0/json/user/AppInfo/CJKJZC"));
    ASSERT_NE(topAs<SelectSortViewController>(), nullptr) << top();
    ASSERT_TRUE(tapRow(*topAs<SelectSortViewController>()->selectSortTableView(), "财会经济考试"));
    ASSERT_TRUE(tapRow(*topAs<SelectSeriesViewController>()->seriesTableView(), "财会"));
    settleRequests();
    ASSERT_NE(topAs<SelectSubjectViewController>(), nullptr) << top();
    ASSERT_TRUE(tapRow(*topAs<SelectSubjectViewController>()->tableView(), "初级会计职称"));
    ASSERT_TRUE(waitForTop("MainInterfaceViewController1")) << top();
    settleRequests();
    const std::string expected = unreadable(r.name) ? kFailed : messages.at(r.name);
    if (expected.empty()) {
      EXPECT_EQ(h().alert(), nullptr);
    } else {
      ASSERT_NE(h().alert(), nullptr);
      EXPECT_EQ(h().alert()->message(), expected);
      // What came is not kept as the information.
      const core::Value info = app().userSession()["appInfo"];
      EXPECT_TRUE(info.isNil() || info.isDictionary()) << info.describe();
      ASSERT_TRUE(h().press("OK"));
      h().settle();
      EXPECT_EQ(top(), "MainInterfaceViewController1");
    }
    // Back to the category choice.
    h().window().setRootViewController(std::make_shared<ui::NavigationController>(
        VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(
            SelectSortViewController::kIdentifier)));
    settleRequests();
  }
}

}  // namespace
}  // namespace subject_test
