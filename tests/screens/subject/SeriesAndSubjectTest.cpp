// The series, province and subject screens of the generic build: where a series leads, the rows of
// each screen, the failures, and the commit of a subject.

#include "tests/screens/subject/SubjectFixture.h"

namespace subject_test {
namespace {

core::Value reply(const core::Value& body) {
  return core::Dictionary{{"Body", body}, {"Message", ""}, {"LoginState", 0}};
}
core::Value subjectEntry(const char* key, const char* value, int count) {
  return core::Dictionary{{"Key", key}, {"Value", value}, {"Count", count}};
}

class SeriesChoice : public SubjectFixture {
 protected:
  void SetUp() override {
    SubjectFixture::SetUp();
    markStarted();
  }
  // From the category screen into a series: the screen the series opens (after its request).
  void openSeries(const std::string& category, const std::string& series) {
    auto* sort = topAs<SelectSortViewController>();
    ASSERT_NE(sort, nullptr) << h().screens();
    ASSERT_TRUE(tapRow(*sort->selectSortTableView(), category));
    auto* list = topAs<SelectSeriesViewController>();
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(tapRow(*list->seriesTableView(), series));
    settleRequests();
  }
  SelectSubjectViewController* subjects() { return topAs<SelectSubjectViewController>(); }
};

// A series without provinces opens its own group's subjects, wherever the group is in the reply.
TEST_F(SeriesChoice, NoProvinceGroupOpensTheSubjectsOfThatGroup) {
  fault(core::Dictionary{
      {"path", "/api/1.0/json/sys/GetQuoteProductByCounts/gkcs"},
      {"body", reply(core::Array{
                   core::Dictionary{{"Province", "北京"},
                                    {"QuoteDetails", core::Array{subjectEntry("北京科目", "BJKM", 7)}},
                                    {"seriesType", 3}},
                   core::Dictionary{{"Province", "无分类"},
                                    {"QuoteDetails", core::Array{subjectEntry(kSampleName, kSample, 1024)}},
                                    {"seriesType", 3}},
               })}});
  launch();
  openSeries("职业资格考试", "常识综合");
  ASSERT_NE(subjects(), nullptr) << top();
  EXPECT_EQ(subjects()->title(), "常识综合");
  EXPECT_EQ(rows(*subjects()->tableView()), (std::vector<Row>{{kSampleName, "category_qita"}}));
  EXPECT_EQ(subjects()->tableView()->cellForRowAtIndexPath({0, 0})->detailTextLabel()->text(), "注册量:1024");
}

// Provinces: the province screen, then the province's subjects under the series' name.
TEST_F(SeriesChoice, ProvincesLeadToTheSubjectsOfOneProvinceUnderTheSeriesName) {
  launch();
  openSeries("建筑工程考试", "一、二级建造师");
  auto* provinces = topAs<SelectProvinceViewController>();
  ASSERT_NE(provinces, nullptr) << top();
  EXPECT_EQ(provinces->title(), "一、二级建造师");
  EXPECT_EQ(rows(*provinces->tableView()),
            (std::vector<Row>{{"北京", "category_jianzhu"}, {"上海", "category_jianzhu"}}));

  ASSERT_TRUE(tapRow(*provinces->tableView(), "上海"));
  ASSERT_NE(subjects(), nullptr) << top();
  EXPECT_EQ(subjects()->title(), "一、二级建造师");
  EXPECT_EQ(rows(*subjects()->tableView()), (std::vector<Row>{{"二级建造师（上海）", "category_jianzhu"}}));
  EXPECT_EQ(subjects()->tableView()->cellForRowAtIndexPath({0, 0})->detailTextLabel()->text(), "注册量:2987");
  EXPECT_EQ(subjects()->tableView()->rowHeight(), 60);
}

TEST_F(SeriesChoice, ProvinceWithoutSeriesTypeCountsAsMedical) {
  fault(core::Dictionary{
      {"path", "/api/1.0/json/sys/GetQuoteProductByCounts/jzs"},
      {"body", reply(core::Array{
                   core::Dictionary{{"Province", "北京"},
                                    {"QuoteDetails", core::Array{subjectEntry("甲", "JIA", 1)}}},
                   core::Dictionary{{"Province", "天津"},
                                    {"QuoteDetails", core::Array{subjectEntry("乙", "YI", 2)}},
                                    {"seriesType", 9}},
               })}});
  launch();
  openSeries("建筑工程考试", "一、二级建造师");
  auto* provinces = topAs<SelectProvinceViewController>();
  ASSERT_NE(provinces, nullptr) << top();
  EXPECT_EQ(rows(*provinces->tableView()), (std::vector<Row>{{"北京", "category_yiyao"}, {"天津", ""}}));
  ASSERT_TRUE(tapRow(*provinces->tableView(), "北京"));
  ASSERT_NE(subjects(), nullptr);
  EXPECT_EQ(subjects()->seriesType(), 0);
  EXPECT_EQ(rows(*subjects()->tableView()), (std::vector<Row>{{"甲", "category_yiyao"}}));
}

TEST_F(SeriesChoice, MissingOrEmptySubjectRepliesAlertAndTheSeriesScreenStays) {
  struct Case {
    const char* name;
    core::Value fault;
    std::string message;
  };
  const Case cases[] = {
      {"no reply", core::Dictionary{{"drop", true}, {"count", 2}},
       core::Bundle::main().localizedString("requestFaile")},
      {"empty body", core::Dictionary{{"body", reply(core::Array{})}}, "服务器数据不存在"},
      {"null body", core::Dictionary{{"body", reply(core::Value::null())}}, "服务器数据不存在"},
  };
  launch();
  auto* sort = topAs<SelectSortViewController>();
  ASSERT_TRUE(tapRow(*sort->selectSortTableView(), "财会经济考试"));
  auto* series = topAs<SelectSeriesViewController>();
  ASSERT_NE(series, nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    core::Value f = c.fault.deepCopy();
    f.set("path", "/api/1.0/json/sys/GetQuoteProductByCounts/kjzc");
    fault(f);
    ASSERT_TRUE(tapRow(*series->seriesTableView(), "财会"));
    settleRequests();
    ASSERT_NE(h().alert(), nullptr);
    EXPECT_EQ(h().alert()->title(), "");
    EXPECT_EQ(h().alert()->message(), c.message);
    ASSERT_TRUE(h().press("确定"));
    h().settle();
    EXPECT_EQ(top(), "SelectSeriesViewController");
  }
}

// ---- committing a subject ----

class SubjectCommit : public SeriesChoice {
 protected:
  // The finance series has one subject, without provinces.
  void chooseFinanceSubject() {
    openSeries("财会经济考试", "财会");
    ASSERT_NE(subjects(), nullptr) << top();
    ASSERT_TRUE(tapRow(*subjects()->tableView(), "初级会计职称"));
  }
};

TEST_F(SubjectCommit, StoresTheSubjectWithAllItsKeysAndTheSeriesAndOpensTheMainScreen) {
  launch();
  chooseFinanceSubject();
  ASSERT_TRUE(waitForTop("MainInterfaceViewController1")) << top();
  settleRequests();
  EXPECT_EQ(savedDefault("saveAppName"), core::Value(subjectEntry("初级会计职称", "CJKJZC", 8650)));
  EXPECT_EQ(savedDefault("saveQuoteName"), core::Value(core::Dictionary{{"Key", "财会"}, {"Value", "kjzc"}}));
  EXPECT_FALSE(app().userSession().contains("saveAppName"));
  EXPECT_EQ(VDHelper::getSubjectEName(), "CJKJZC");
  EXPECT_FALSE(requests("1.0/json/user/AppInfo/CJKJZC").empty());
}

TEST_F(SubjectCommit, OfflineTheChoiceIsStillStoredAndTheMainScreenOpens) {
  launch(/*reachability=*/0);
  ASSERT_TRUE(h().press("取消"));  // the launch's network alert
  h().settle();
  chooseFinanceSubject();
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->title(), "断网提示");
  EXPECT_EQ(VDHelper::getSubjectEName(), "CJKJZC");
  EXPECT_TRUE(requests("AppInfo").empty());
  EXPECT_NE(dynamic_cast<MainInterfaceViewController1*>(app().mainInterfaceVC().get()), nullptr);
}

// A subject whose short name cannot name the bank's files is not taken.
TEST_F(SubjectCommit, SubjectThatCannotNameFilesIsRefused) {
  fault(core::Dictionary{
      {"path", "/api/1.0/json/sys/GetQuoteProductByCounts/kjzc"},
      {"body", reply(core::Array{core::Dictionary{
                   {"Province", "无分类"},
                   {"QuoteDetails", core::Array{subjectEntry("初级会计职称", "../x", 1)}}}})}});
  launch();
  chooseFinanceSubject();
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->message(), "服务器数据不存在");
  EXPECT_TRUE(savedDefault("saveAppName").isNil());
  EXPECT_TRUE(requests("AppInfo").empty());
  ASSERT_TRUE(h().press("确定"));
  h().settle();
  EXPECT_EQ(top(), "SelectSubjectViewController");
}

}  // namespace
}  // namespace subject_test
