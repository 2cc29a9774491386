// The subject screen as the root of a single-series build (bundle name "zyys", the series 执业医师 of
// the loopback server): its own loading, the welcome pages, the local filter and the refresh.

#include "tests/screens/subject/SubjectFixture.h"
#include "ui/ImageView.h"
#include "ui/NavigationBar.h"
#include "ui/Window.h"

namespace subject_test {
namespace {

constexpr const char* kSeries = "zyys";

core::Value reply(const core::Value& body) {
  return core::Dictionary{{"Body", body}, {"Message", ""}, {"LoginState", 0}};
}

class SingleSeries : public SubjectFixture {
 protected:
  void SetUp() override {
    SubjectFixture::SetUp();
    useBundleName(kSeries);
  }
  SelectSubjectViewController* screen() { return topAs<SelectSubjectViewController>(); }
  std::vector<std::string> productPaths() {
    std::vector<std::string> out;
    for (const core::Value& r : requests("GetQuoteProductByCounts")) out.push_back(r["decoded_path"].str());
    return out;
  }
  ui::ScrollView* welcomePages() {
    return h().find<ui::ScrollView>([](const ui::ScrollView& s) { return s.superview() == s.window(); });
  }
};

TEST_F(SingleSeries, LaterStartLoadsItsOwnSeriesAndStoresItsSubjects) {
  markStarted();
  launch();
  settleRequests();
  ASSERT_NE(screen(), nullptr) << h().screens();
  EXPECT_TRUE(SelectSubjectViewController::isSingleSeriesBuild());
  EXPECT_EQ(requests("1.0/json/sys/Quote").size(), 1u);
  EXPECT_EQ(productPaths(), std::vector<std::string>{"/api/1.0/json/sys/GetQuoteProductByCounts/zyys"});
  EXPECT_EQ(screen()->title(), "执业医师");
  EXPECT_EQ(rows(*screen()->tableView()),
            (std::vector<Row>{{"临床执业医师", "category_yiyao"}, {"口腔执业医师", "category_yiyao"}}));
  EXPECT_EQ(app().userSession()["saveAllSubject"].size(), 2u);
  EXPECT_EQ(app().userSession()["saveAllSubject"][0]["Value"].toString(), "LCZYYS");
  EXPECT_FALSE(core::UserDefaults::standard().boolForKey("isFirstMain"));

  ASSERT_TRUE(tapRow(*screen()->tableView(), "口腔执业医师"));
  ASSERT_TRUE(waitForTop("MainInterfaceViewController1")) << top();
  EXPECT_EQ(VDHelper::getSubjectEName(), "KQZYYS");
  EXPECT_EQ(savedDefault("saveQuoteName"),
            core::Value(core::Dictionary{{"Key", "执业医师"}, {"Value", kSeries}}));
}

TEST_F(SingleSeries, TypingFiltersTheSubjectsLocallyAndClearingBringsThemAllBack) {
  fault(core::Dictionary{
      {"path", "/api/1.0/json/sys/GetQuoteProductByCounts/zyys"},
      {"body",
       reply(core::Array{core::Dictionary{
           {"Province", "无分类"},
           {"QuoteDetails", core::Array{
                                core::Dictionary{{"Key", "临床执业医师"}, {"Value", "A"}, {"Count", 1}},
                                core::Dictionary{{"Key", "护士资格"}, {"Value", "B"}, {"Count", 2}},
                                core::Dictionary{{"Value", "C"}, {"Count", 3}},
                                core::Dictionary{{"Key", "中医执业医师"}, {"Value", "D"}, {"Count", 4}},
                            }}}})}});
  markStarted();
  launch();
  settleRequests();
  ASSERT_NE(screen(), nullptr);
  const std::size_t asked = requestCount();
  ui::TextField& field = screen()->find_SearchBar()->searchField();

  ASSERT_TRUE(h().type(field, "医"));
  EXPECT_EQ(texts(*screen()->tableView()), (std::vector<std::string>{"临床执业医师", "", "中医执业医师"}));
  ASSERT_TRUE(h().type(field, "x"));
  EXPECT_EQ(texts(*screen()->tableView()), (std::vector<std::string>{""}));  // only the entry without a name
  EXPECT_EQ(h().backspace(field, 2), 2);
  EXPECT_EQ(texts(*screen()->tableView()),
            (std::vector<std::string>{"临床执业医师", "护士资格", "", "中医执业医师"}));
  EXPECT_EQ(requestCount(), asked);  // all of it without the server
}

TEST_F(SingleSeries, FirstStartShowsThreeWelcomePagesAndAsksNothingUntilTheFourth) {
  launch();
  ASSERT_NE(screen(), nullptr) << h().screens();
  ui::ScrollView* pages = welcomePages();
  ASSERT_NE(pages, nullptr) << h().screens();
  EXPECT_EQ(h().findAll<ui::ImageView>([&](const ui::ImageView& v) { return v.superview() == pages; }).size(),
            1u)
      << "only the first page shows";
  EXPECT_EQ(h().findAll<ui::Button>([&](const ui::Button& b) { return b.isDescendantOf(*pages); }).size(),
            0u);
  EXPECT_TRUE(core::UserDefaults::standard().boolForKey("isFirstMain"));

  for (int page = 1; page <= 3; ++page) {
    SCOPED_TRACE(page);
    EXPECT_TRUE(requests("1.0/json/sys").empty());
    ASSERT_TRUE(h().drag(*pages, {-200, 0}));
    h().settle();
  }
  settleRequests();
  EXPECT_EQ(welcomePages(), nullptr);
  EXPECT_TRUE(core::UserDefaults::standard().boolForKey("isFirstOpen"));
  EXPECT_EQ(requests("1.0/json/sys/Quote").size(), 1u);
  EXPECT_EQ(productPaths().size(), 1u);
  auto* nav = dynamic_cast<ui::NavigationController*>(h().window().rootViewController());
  ASSERT_NE(nav, nullptr);
  EXPECT_FALSE(nav->isNavigationBarHidden());
  EXPECT_EQ(texts(*screen()->tableView()), (std::vector<std::string>{"临床执业医师", "口腔执业医师"}));
}

// Without the catalogue the subjects still load by the bundle name, and "刷新" asks again by it.
TEST_F(SingleSeries, RefreshAsksByTheBundleNameUntilTheCatalogueNamesTheSeries) {
  drop("1.0/json/sys/Quote");
  markStarted();
  launch();
  settleRequests();
  ASSERT_NE(screen(), nullptr);
  EXPECT_EQ(screen()->title(), "");
  EXPECT_FALSE(app().userSession().contains("saveAllSubject"));
  EXPECT_EQ(texts(*screen()->tableView()).size(), 2u);
  ASSERT_NE(h().barButton("刷新"), nullptr) << h().screens();

  drop("1.0/json/sys/Quote");
  ASSERT_TRUE(h().tapBarButton("刷新"));
  settleRequests();
  EXPECT_EQ(productPaths(), (std::vector<std::string>{"/api/1.0/json/sys/GetQuoteProductByCounts/zyys",
                                                      "/api/1.0/json/sys/GetQuoteProductByCounts/zyys"}));
  ASSERT_NE(h().barButton("刷新"), nullptr);

  ASSERT_TRUE(h().tapBarButton("刷新"));
  settleRequests();
  EXPECT_EQ(screen()->title(), "执业医师");
  EXPECT_EQ(app().userSession()["saveAllSubject"].size(), 2u);
  EXPECT_EQ(h().barButton("刷新"), nullptr);
}

TEST_F(SingleSeries, MissingSubjectsAlertSelectSubject) {
  fault(core::Dictionary{{"path", "/api/1.0/json/sys/GetQuoteProductByCounts/zyys"},
                         {"body", reply(core::Array{})}});
  markStarted();
  launch();
  settleRequests();
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->title(), "选择科目");
  EXPECT_EQ(h().alert()->message(), "获取失败!");
  ASSERT_TRUE(h().press("OK"));
  h().settle();
  ASSERT_NE(screen(), nullptr);
  EXPECT_EQ(screen()->tableView()->numberOfRowsInSection(0), 0);
}

}  // namespace
}  // namespace subject_test
