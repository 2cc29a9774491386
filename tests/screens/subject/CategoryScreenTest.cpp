// The category screen: the grouping of the series catalogue, the refresh bar, the welcome pages of the
// first start and the server search with the commit of a hit.

#include <algorithm>

#include "screens/subject/SeriesTypes.h"
#include "screens/subject/WelcomePages.h"
#include "tests/screens/subject/SubjectFixture.h"
#include "ui/ImageView.h"
#include "ui/Window.h"

namespace subject_test {
namespace {

// ---- the grouping table, on its own ----

TEST(SeriesTypes, EachSeriesLandsInTheGroupOfItsNameInCatalogueOrder) {
  struct Case {
    const char* key;
    int type;
  };
  const Case cases[] = {
      {"执业医师", 0},  {"护士", 0}, {"执业药师", 0}, {"一、二级建造师", 1},
      {"工程", 1},      {"财会", 2}, {"经济师", 2},   {"心理咨询师", 3},
      {"执业医师 ", 3}, {"", 3},     {"金融", 2},     {"注册建筑师", 1},
  };
  core::Value catalogue = core::Value::newArray();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(SeriesTypes::typeOfSeriesName(c.key), c.type);
    catalogue.push_back(core::Dictionary{{"Key", c.key}, {"Value", std::string("v-") + c.key}});
  }
  catalogue.push_back("not an entry");

  const core::Value groups = SeriesTypes::groupCatalogue(catalogue);
  ASSERT_EQ(groups.size(), 4u);
  for (int type = 0; type < 4; ++type) {
    SCOPED_TRACE(type);
    EXPECT_EQ(groups[type]["seriesType"].toInt(), type);
    std::vector<std::string> expected, got;
    for (const Case& c : cases)
      if (c.type == type) expected.push_back(c.key);
    for (const core::Value& e : groups[type]["seriesArr"].array()) got.push_back(e["Key"].str());
    EXPECT_EQ(got, expected);
  }
  EXPECT_EQ(SeriesTypes::typeOfSeriesInGroups(groups, "v-工程"), 1);
  EXPECT_EQ(SeriesTypes::typeOfSeriesInGroups(groups, "nowhere"), std::nullopt);
  EXPECT_EQ(SeriesTypes::groupCatalogue(core::Value()).size(), 4u);
}

// ---- the screen ----

class CategoryScreen : public SubjectFixture {
 protected:
  SelectSortViewController* sort() { return topAs<SelectSortViewController>(); }
  ui::TableView& table() { return *sort()->selectSortTableView(); }
  // The category rows with their icons.
  static std::vector<Row> categoryRows() {
    return {{"医药考试", "category_yiyao"},
            {"建筑工程考试", "category_jianzhu"},
            {"财会经济考试", "category_caikuai"},
            {"职业资格考试", "category_qita"}};
  }
  // Opens a category and returns the series screen's rows, then goes back.
  std::vector<Row> seriesOf(const std::string& category) {
    EXPECT_TRUE(tapRow(table(), category));
    auto* series = topAs<SelectSeriesViewController>();
    if (!series) return {{"<no series screen>", top()}};
    EXPECT_EQ(series->title(), category);
    auto out = rows(*series->seriesTableView());
    EXPECT_TRUE(h().tapBarButton("返回"));
    h().settle();
    return out;
  }
  ui::ScrollView* welcomePages() {
    return h().find<ui::ScrollView>([](const ui::ScrollView& s) { return s.superview() == s.window(); });
  }
  // Swipes the welcome pages left until they show `page` (0 to 3), or until they are gone.
  void swipeToPage(int page) {
    ASSERT_NE(welcomePages(), nullptr);
    while (ui::ScrollView* pages = welcomePages()) {
      if (static_cast<int>(pages->contentOffset().x / 320) >= page) break;
      ASSERT_TRUE(h().drag(*pages, {-200, 0}));
      h().settle();
    }
  }
};

TEST_F(CategoryScreen, LaterStartSortsTheCatalogueIntoTheFourCategories) {
  fault(core::Dictionary{{"path", "/api/1.0/json/sys/Quote"},
                         {"body",
                          core::Dictionary{{"Body",
                                            core::Array{
                                                core::Dictionary{{"Key", "护士"}, {"Value", "hs"}},
                                                core::Dictionary{{"Key", "常识综合"}, {"Value", "gkcs"}},
                                                core::Dictionary{{"Key", "执业医师"}, {"Value", "zyys"}},
                                                core::Dictionary{{"Key", "心理咨询师"}, {"Value", "xl"}},
                                                core::Dictionary{{"Key", "财会"}, {"Value", "kjzc"}},
                                            }},
                                           {"Message", ""},
                                           {"LoginState", 0}}}});
  markStarted();
  launch();
  ASSERT_NE(sort(), nullptr) << h().screens();
  EXPECT_EQ(sort()->title(), "Vardo");
  EXPECT_EQ(requests("1.0/json/sys/Quote").size(), 1u);
  EXPECT_FALSE(core::UserDefaults::standard().boolForKey("isFirstMain"));
  EXPECT_FALSE(core::UserDefaults::standard().boolForKey("isFirstEvenMore"));
  EXPECT_FALSE(core::UserDefaults::standard().boolForKey("isFirstLoginApp"));

  EXPECT_EQ(rows(table()), categoryRows());
  ui::ImageView* icon = table().cellForRowAtIndexPath({0, 0})->imageView();
  EXPECT_EQ(icon->transform().a, 0.3);
  EXPECT_EQ(icon->transform().d, 0.3);

  using R = std::vector<Row>;
  EXPECT_EQ(seriesOf("医药考试"), (R{{"护士", "category_yiyao"}, {"执业医师", "category_yiyao"}}));
  EXPECT_EQ(seriesOf("建筑工程考试"), R{});
  EXPECT_EQ(seriesOf("财会经济考试"), (R{{"财会", "category_caikuai"}}));
  EXPECT_EQ(seriesOf("职业资格考试"), (R{{"常识综合", "category_qita"}, {"心理咨询师", "category_qita"}}));
}

TEST_F(CategoryScreen, MissingCatalogueShowsTheRefreshBarUntilARefreshBringsIt) {
  drop("1.0/json/sys/Quote");
  markStarted();
  launch();
  ASSERT_NE(sort(), nullptr);
  ui::Button* bar = h().button(SelectSortViewController::kRefreshTitle);
  ASSERT_NE(bar, nullptr) << h().screens();
  // The rows stay; each opens an empty series list.
  EXPECT_EQ(rows(table()), categoryRows());
  EXPECT_EQ(seriesOf("医药考试"), std::vector<Row>{});

  ASSERT_TRUE(h().tap(*h().button(SelectSortViewController::kRefreshTitle)));
  settleRequests();
  EXPECT_EQ(h().button(SelectSortViewController::kRefreshTitle), nullptr);
  EXPECT_EQ(seriesOf("医药考试"), (std::vector<Row>{{"执业医师", "category_yiyao"}}));
}

// The first start: the pages end by the start button on the third page or by reaching the fourth.
class WelcomePagesEnd : public CategoryScreen {
 protected:
  void endBy(bool button) {
    launch();
    ASSERT_NE(sort(), nullptr);
    ui::ScrollView* pages = welcomePages();
    ASSERT_NE(pages, nullptr) << h().screens();
    EXPECT_EQ(pages->frame(), h().window().bounds());
    EXPECT_EQ(pages->contentSize().width, 4 * 320);
    std::vector<std::string> images;
    for (const auto& v : pages->subviews())
      if (auto* iv = dynamic_cast<ui::ImageView*>(v.get())) images.push_back(iv->image()->name());
    EXPECT_EQ(images, (std::vector<std::string>{"introduce1.png", "introduce2.png", "introduce3.png"}));
    EXPECT_TRUE(core::UserDefaults::standard().boolForKey("isFirstMain"));
    EXPECT_TRUE(core::UserDefaults::standard().boolForKey("isFirstLoginApp"));
    EXPECT_FALSE(table().isScrollEnabled());
    EXPECT_TRUE(requests("1.0/json/sys").empty());

    swipeToPage(2);
    EXPECT_FALSE(core::UserDefaults::standard().boolForKey("isFirstOpen"));
    if (button) {
      ui::Button* start = sort()->btnOpen();
      ASSERT_NE(start, nullptr);
      EXPECT_EQ(h().visibleRect(*start), SelectSortViewController::kStartButtonFrame);
      ASSERT_TRUE(h().tap(*start));
    } else {
      swipeToPage(3);
    }
    settleRequests();
    EXPECT_TRUE(core::UserDefaults::standard().boolForKey("isFirstOpen"));
    EXPECT_EQ(welcomePages(), nullptr);
    EXPECT_TRUE(table().isScrollEnabled());
    EXPECT_EQ(requests("1.0/json/sys/Quote").size(), 1u);
    EXPECT_EQ(seriesOf("职业资格考试"), (std::vector<Row>{{"常识综合", "category_qita"}}));
  }
};

TEST_F(WelcomePagesEnd, ByTheStartButton) { endBy(true); }
TEST_F(WelcomePagesEnd, ByReachingTheFourthPage) { endBy(false); }

TEST_F(CategoryScreen, OfflineAtTheEndOfTheWelcomePagesShowsTheNetworkAlertAndTheRefreshBar) {
  launch(/*reachability=*/0);
  ASSERT_NE(h().alert(), nullptr);  // the launch's own network alert
  ASSERT_TRUE(h().press("取消"));
  h().settle();
  swipeToPage(3);
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->title(), "断网提示");
  EXPECT_NE(h().button(SelectSortViewController::kRefreshTitle), nullptr);
  EXPECT_TRUE(requests("1.0/json/sys").empty());
}

// ---- search ----

TEST_F(CategoryScreen, SearchShowsHitsWithTheirSeriesIconAndCancelBringsTheCategoriesBack) {
  markStarted();
  launch();
  ui::SearchBar* bar = sort()->find_SearchBar();
  ASSERT_TRUE(h().type(bar->searchField(), "样例"));
  settleRequests();
  // One request per change of the text, reaching the server in any order.
  const auto asked = requests("GetAppENameAndQuoteEName");
  std::vector<std::string> paths;
  for (const core::Value& r : asked) paths.push_back(r["decoded_path"].str());
  std::sort(paths.begin(), paths.end());
  EXPECT_EQ(paths, (std::vector<std::string>{"/api/1.0/json/sys/GetAppENameAndQuoteEName/样",
                                             "/api/1.0/json/sys/GetAppENameAndQuoteEName/样例"}));
  EXPECT_TRUE(sort()->isFindSuccess());
  EXPECT_EQ(rows(table()), (std::vector<Row>{{kSampleName, "category_qita"}}));

  ASSERT_TRUE(h().tap(bar->cancelButton()));
  EXPECT_FALSE(sort()->isFindSuccess());
  EXPECT_EQ(rows(table()), categoryRows());
}

// The answer for an earlier text that comes after the latest one's changes nothing.
TEST_F(CategoryScreen, ALateAnswerForAnEarlierTextIsIgnored) {
  markStarted();
  launch();
  fault(core::Dictionary{
      {"path", "/api/1.0/json/sys/GetAppENameAndQuoteEName/样"},
      {"delay", 0.5},
      {"body",
       core::Dictionary{{"Body", core::Array{core::Dictionary{{"Key", "执业医师"}, {"Value", "zyys"}}}},
                        {"Message", ""}}}});
  ASSERT_TRUE(h().type(sort()->find_SearchBar()->searchField(), "样例"));
  settleRequests();
  EXPECT_EQ(requests("GetAppENameAndQuoteEName").size(), 2u);
  EXPECT_TRUE(sort()->isFindSuccess());
  EXPECT_EQ(rows(table()), (std::vector<Row>{{kSampleName, "category_qita"}}));
}

TEST_F(CategoryScreen, SearchTextIsOnePathSegmentAndBlanksAreRemoved) {
  markStarted();
  launch();
  ui::TextField& field = sort()->find_SearchBar()->searchField();
  ASSERT_TRUE(h().type(field, "a/b?"));
  settleRequests();
  // Each keystroke asks; the answers may reach the server in any order, so the whole text's request
  // is looked for among them.
  auto asked = requests("GetAppENameAndQuoteEName");
  ASSERT_FALSE(asked.empty());
  const auto whole = std::find_if(asked.begin(), asked.end(), [](const core::Value& r) {
    return r["path"].str().find("GetAppENameAndQuoteEName/a%2Fb%3F") != std::string::npos;
  });
  ASSERT_NE(whole, asked.end()) << "no request for the whole text";
  EXPECT_EQ((*whole)["operation"].str(), "1.0/json/sys/GetAppENameAndQuoteEName/{}");

  ASSERT_TRUE(h().tap(sort()->find_SearchBar()->cancelButton()));
  ASSERT_TRUE(h().type(field, "  "));
  settleRequests();
  asked = requests("GetAppENameAndQuoteEName");
  EXPECT_EQ(asked.back()["decoded_path"].str(), "/api/1.0/json/sys/GetAppENameAndQuoteEName/");
  EXPECT_EQ(asked.back()["operation"].str(), "1.0/json/sys/GetAppENameAndQuoteEName/{}");
  // No hits: the categories.
  EXPECT_EQ(rows(table()), categoryRows());
}

// Touching a hit stores it and opens the main screen, from the category screen and from a series.
class SearchHitCommit : public CategoryScreen {
 protected:
  void commitFrom(bool seriesScreen) {
    markStarted();
    launch();
    ui::SearchBar* bar = sort()->find_SearchBar();
    ui::TableView* list = &table();
    if (seriesScreen) {
      ASSERT_TRUE(tapRow(table(), "财会经济考试"));
      auto* series = topAs<SelectSeriesViewController>();
      ASSERT_NE(series, nullptr);
      bar = series->find_SearchBar();
      list = series->seriesTableView();
    }
    ASSERT_TRUE(h().type(bar->searchField(), "样例"));
    settleRequests();
    EXPECT_EQ(texts(*list), std::vector<std::string>{kSampleName});
    ASSERT_TRUE(tapRow(*list, kSampleName));
    ASSERT_TRUE(waitForTop("MainInterfaceViewController1")) << top();
    settleRequests();

    const core::Value hit = app().userSession()["saveAppName"];
    EXPECT_EQ(
        hit,
        core::Value(core::Dictionary{
            {"Key", kSampleName}, {"Value", kSample}, {"QuoteEName", "gkcs"}, {"QuoteName", "常识综合"}}));
    EXPECT_EQ(savedDefault("saveQuoteName"),
              core::Value(core::Dictionary{{"Key", "gkcs"}, {"Value", "常识综合"}}));
    EXPECT_EQ(savedDefault("saveAppName"),
              core::Value(core::Dictionary{{"Value", kSample}, {"Key", kSampleName}}));
    EXPECT_FALSE(requests(std::string("1.0/json/user/AppInfo/") + kSample).empty());
    EXPECT_EQ(app().userSession()["appInfo"]["EName"].toString(), kSample);
  }
};

TEST_F(SearchHitCommit, FromTheCategoryScreen) { commitFrom(false); }
TEST_F(SearchHitCommit, FromASeriesScreen) { commitFrom(true); }

}  // namespace
}  // namespace subject_test
