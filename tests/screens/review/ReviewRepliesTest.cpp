// Replies of the wrong shape to every request of the review screens (favourites, the wrong-answer book,
// the question search), each asked from the screen as a person asks it: the screen says what went wrong
// in its own words and stays usable. And the pages those screens read from the bank: built on a worker,
// shown only when the run loop turns, never shown to a screen that is gone, refused past the builder's
// limits with the screen's own error.

#include <functional>
#include <map>
#include <set>

#include "exam/sets/TestBuilder.h"
#include "librarys/json/JsonParser.h"
#include "platform/runloop/DispatchQueue.h"
#include "screens/review/ErrorRedoDetailViewController.h"
#include "screens/review/ErrorRedoViewController.h"
#include "screens/review/FindTestViewController.h"
#include "screens/review/MyFavoriteViewController.h"
#include "screens/review/MyFavoritesDetailViewController.h"
#include "service/ApiClientSupport.h"
#include "tests/screens/review/ReviewFixture.h"
#include "tests/support/HostileReplies.h"
#include "ui/ActionSheet.h"

namespace review_test {
namespace {

const std::string kFailed = "请求失败，请稍后重试";
const std::string kMalformed = "服务器数据有误，请稍后重试";
std::string localized(const char* key) { return core::Bundle::main().localizedString(key); }

// The hostile replies after which the client has no reply at all (not JSON, or not a JSON it parses).
const std::set<std::string> kNoReply = {"truncated", "not UTF-8", "HTTP 500", "HTML with 200", "5,000 deep"};

// One request of a screen: how the person asks it, what they see then, and how they get back to the
// start; what they see for a reply that came, for none, and for the replies the screen tells apart.
struct Request {
  std::string path;
  std::function<void()> ask;
  std::function<std::string()> seen;
  std::function<void()> back;
  std::string came;
  std::string none;
  std::map<std::string, std::string> except;
  int count = 1;  // the requests the fault answers (a grouping that failed is asked again)
  // Whether the list of 100,000 entries is sent whole. Receiving it costs seconds under the sanitizers,
  // and every client refuses a list past its limit before a screen sees it: the other paths get a list of
  // 10,001 empty records, just past the limit.
  bool wholeList = false;

  std::string expected(const std::string& reply) const {
    if (auto it = except.find(reply); it != except.end()) return it->second;
    return kNoReply.count(reply) ? none : came;
  }
};

class ReviewReplies : public ReviewFixture {
 protected:
  void backToRoot() {
    if (ui::ViewController* top = h().topScreen())
      if (ui::NavigationController* nav = top->navigationController()) nav->popToRootViewController(false);
    h().settle();
  }
  void run(const std::vector<Request>& table) {
    const std::vector<testsupport::HostileReply> replies = testsupport::hostileReplies();
    std::string pastTheLimit = "[";
    for (std::size_t i = 0; i <= apiclient::kMaxListEntries; ++i) pastTheLimit += i ? ",{}" : "{}";
    const core::Value shortList = core::Dictionary{{"body", testsupport::replyWithBody(pastTheLimit + "]")}};
    for (const Request& q : table) {
      for (const testsupport::HostileReply& r : replies) {
        SCOPED_TRACE(q.path + ": " + r.name);
        const bool shorten = r.name == "100,000 entries" && !q.wholeList;
        core::Value f = testsupport::withPath(shorten ? shortList : r.fault, q.path);
        f.set("count", q.count);
        fault(f);
        ASSERT_NO_FATAL_FAILURE(q.ask());
        EXPECT_EQ(q.seen(), q.expected(r.name));
        ASSERT_NO_FATAL_FAILURE(q.back());
        ASSERT_EQ(h().alert(), nullptr) << alertText();
      }
    }
  }
  // The top alert's text; the alert is dismissed with its first button.
  std::string alertAndOK() {
    const std::string text = alertText();
    if (ui::AlertView* a = h().alert()) press(a->buttonTitleAtIndex(0));
    return text;
  }
  MyFavoritesDetailViewController* openFavourites() {
    auto* list = open<MyFavoriteViewController>("myFavorites");
    if (!list || list->myTableView()->isHidden()) return nullptr;
    tapRow(*list->myTableView(), 0);
    return topAs<MyFavoritesDetailViewController>();
  }
  ErrorRedoDetailViewController* openWrongAnswers() {
    auto* overview = open<ErrorRedoViewController>("errorRedoList");
    if (!overview || overview->redoTableView()->isHidden()) return nullptr;
    tapRow(*overview->redoTableView(), 0);
    return topAs<ErrorRedoDetailViewController>();
  }
  void seedBook() {
    const auto geo = aidsOf(12, "ATEST");
    seed(core::Dictionary{{"wrong", core::Value(core::Array{
                                        core::Dictionary{{"aid", geo[0]}, {"count", 3}, {"days_ago", 0}},
                                        core::Dictionary{{"aid", geo[1]}, {"count", 1}, {"days_ago", 8}},
                                    })}});
  }
  void search(FindTestViewController& screen, const std::string& words) {
    ui::TextField& field = screen.findContentField()->searchField();
    field.setText("");
    ASSERT_TRUE(h().type(field, words));
    ASSERT_TRUE(h().focus(field));
    h().pressReturn(field);
    settleRequests();
  }
  void swipeAway(ui::TableView& table) {
    ASSERT_TRUE(h().swipeToDelete(table, {0, 0}));
    ASSERT_TRUE(h().confirmDelete(table));
    settleRequests();
  }
};

TEST_F(ReviewReplies, TheFavouritesSayWhatWentWrongAndGoOn) {
  seed(core::Dictionary{{"favourites", core::Dictionary{{"subject", 12}, {"count", 5}}}});
  const std::string noList =
      localized("alertTitle") + "|" + MyFavoritesDetailViewController::kEmptyListMessage;
  const std::vector<Request> table = {
      {"/api/1.0/json/favour/FavourInfo/GKSample",
       [&] { open<MyFavoriteViewController>("myFavorites"); },
       [&] {
         auto* list = topAs<MyFavoriteViewController>();
         EXPECT_TRUE(list->myTableView()->isHidden());
         return list->labelHide()->isHidden() ? "(no text)" : list->labelHide()->text();
       },
       [&] { backToRoot(); },
       kMalformed,
       kFailed,
       {{"null body", MyFavoriteViewController::kHint}},
       1,
       true},
      {"/api/1.0/json/favour/gettest/GKSample/12/20/1/0",
       [&] { openFavourites(); },
       [&] { return alertAndOK(); },
       [&] {
         auto* detail = topAs<MyFavoritesDetailViewController>();
         ASSERT_NE(detail, nullptr);
         EXPECT_TRUE(detail->rows().empty());
         backToRoot();
       },
       localized("alertTitle") + "|" + localized("nodataMessage"),
       noList,
       {{"null body", noList}}},
      {"/api/1.0/json/favour/CancelToFavIDs/*",
       [&] {
         auto* detail = openFavourites();
         ASSERT_NE(detail, nullptr);
         swipeAway(*detail->tableView());
       },
       [&] { return alertAndOK(); },
       [&] {
         auto* detail = topAs<MyFavoritesDetailViewController>();
         ASSERT_NE(detail, nullptr);
         EXPECT_EQ(detail->tableView()->numberOfRowsInSection(0), 5) << "the rows come back";
         backToRoot();
       },
       "移除收藏|" + localized("nodataMessage"),
       "移除收藏|" + localized("requestFaile"),
       // A non-zero number reads as true: the removal counts as done, and the page is asked again.
       {{"number for the body", "移除收藏|操作成功"}}},
  };
  run(table);

  // With good replies again: the subjects, the page and a removal.
  auto* detail = openFavourites();
  ASSERT_NE(detail, nullptr);
  EXPECT_EQ(detail->rows().size(), 5u);
  swipeAway(*detail->tableView());
  EXPECT_EQ(alertText(), "移除收藏|操作成功");
}

TEST_F(ReviewReplies, TheQuestionSearchSaysWhatWentWrongAndGoesOn) {
  auto* screen = open<FindTestViewController>("findTest");
  ASSERT_NE(screen, nullptr);
  const std::string noHits = "查找试题|" + localized("unFindTest");
  const std::string refused = "收藏本题|" + localized("nodataMessage");
  const std::vector<Request> searches = {
      {"/api/1.0/json/exam/findTest",
       [&] { search(*screen, "计算"); },
       [&] { return alertAndOK(); },
       [&] { EXPECT_EQ(h().topScreen(), screen); },
       noHits,
       "查找试题|" + localized("requestFaile"),
       {}},
  };
  run(searches);

  search(*screen, "计算");
  ASSERT_FALSE(screen->findTestsArray().empty());
  const std::vector<Request> favourites = {
      {"/api/1.0/json/favour/addfavour",
       [&] {
         ui::TableViewCell* cell = screen->tableView()->cellForRowAtIndexPath({0, 0});
         ASSERT_NE(cell, nullptr);
         ASSERT_TRUE(h().longPress(*cell, 1.1));
         h().settle();
         ASSERT_TRUE(press("收藏本题"));
       },
       [&] { return alertAndOK(); },
       [&] { EXPECT_EQ(h().topScreen(), screen); },
       refused,
       "收藏本题|" + localized("requestFaile"),
       // A "Body" that is no flag: neither an added favourite nor a refusal.
       {{"text for the body", "收藏本题|" + kMalformed},
        {"object for a list", "收藏本题|" + kMalformed},
        {"list of non-records", "收藏本题|" + kMalformed}}},
  };
  run(favourites);

  // With good replies again: a search and a favourite.
  search(*screen, "计算");
  EXPECT_EQ(h().alert(), nullptr) << alertText();
  ui::TableViewCell* cell = screen->tableView()->cellForRowAtIndexPath({0, 1});
  ASSERT_NE(cell, nullptr);
  ASSERT_TRUE(h().longPress(*cell, 1.1));
  h().settle();
  ASSERT_TRUE(press("收藏本题"));
  EXPECT_EQ(alertText(), "收藏本题|收藏成功");
}

TEST_F(ReviewReplies, TheWrongAnswerBookSaysWhatWentWrongAndGoesOn) {
  seedBook();
  auto hint = [&] {
    auto* overview = topAs<ErrorRedoViewController>();
    EXPECT_FALSE(overview->segmentedControl()->isHidden()) << "the other groupings stay reachable";
    return overview->hideLabel()->isHidden() ? "(no text)" : overview->hideLabel()->text();
  };
  auto choose = [&](ErrorRedoViewController& overview, int index) {
    if (overview.segmentedControl()->selectedSegmentIndex() == index) return;
    ASSERT_TRUE(h().selectSegment(*overview.segmentedControl(), index));
    settleRequests();
  };
  auto chooseGrouping = [&](int index) {
    auto* overview = open<ErrorRedoViewController>("errorRedoList");
    ASSERT_NE(overview, nullptr);
    choose(*overview, index);
  };
  // The first row of each grouping (its title names the wrong-answer list) and the page request it makes.
  struct Grouping {
    int segment;
    const char* path;
    std::string title;
  };
  std::vector<Grouping> groupings = {{0, "/api/1.0/json/exam/errortest/TestToSbjIds/*", ""},
                                     {1, "/api/1.0/json/exam/errortest/TestToTime/*", ""},
                                     {2, "/api/1.0/json/exam/errortest/TestToErrorCount/*", ""}};
  {
    auto* overview = open<ErrorRedoViewController>("errorRedoList");
    ASSERT_NE(overview, nullptr);
    for (Grouping& g : groupings) {
      choose(*overview, g.segment);
      ASSERT_GT(overview->redoArray().size(), 0u);
      ASSERT_GT(overview->redoArray()[0]["TestsCount"].toInt(), 0);
      g.title = overview->redoArray()[0]["Title"].toString();
    }
    backToRoot();
  }
  std::vector<Request> table = {
      {"/api/1.0/json/exam/errortest/subjectinfolist/GKSample",
       [&] { open<ErrorRedoViewController>("errorRedoList"); },
       hint,
       [&] { backToRoot(); },
       kMalformed,
       kFailed,
       {{"null body", ErrorRedoViewController::kHint}}},
      // The age and frequency groupings: asked at the appearance and again when chosen.
      {"/api/1.0/json/exam/errortest/GetListToTime/GKSample",
       [&] { chooseGrouping(1); },
       hint,
       [&] { backToRoot(); },
       kMalformed,
       kFailed,
       {{"null body", ErrorRedoViewController::kHint}},
       2},
      {"/api/1.0/json/exam/errortest/GetListToErrorCount/GKSample",
       [&] { chooseGrouping(2); },
       hint,
       [&] { backToRoot(); },
       kMalformed,
       kFailed,
       {{"null body", ErrorRedoViewController::kHint}},
       2},
      {"/api/1.0/json/exam/errortest/RemoveToAllTestIDs/*",
       [&] {
         auto* detail = openWrongAnswers();
         ASSERT_NE(detail, nullptr);
         swipeAway(*detail->tableView());
       },
       [&] { return alertAndOK(); },
       [&] {
         auto* detail = topAs<ErrorRedoDetailViewController>();
         ASSERT_NE(detail, nullptr);
         EXPECT_EQ(detail->tableView()->numberOfRowsInSection(0), 2) << "the rows come back";
         backToRoot();
       },
       "移除错题|" + localized("nodataMessage"),
       "移除错题|" + localized("requestFaile"),
       {{"number for the body", "移除错题|操作成功"}}},
  };
  // The page of a grouping's first row.
  for (const Grouping& g : groupings) {
    table.push_back({g.path,
                     [&, segment = g.segment] {
                       chooseGrouping(segment);
                       auto* overview = topAs<ErrorRedoViewController>();
                       ASSERT_NE(overview, nullptr);
                       tapRow(*overview->redoTableView(), 0);
                     },
                     [&] { return alertAndOK(); },
                     [&] {
                       auto* detail = topAs<ErrorRedoDetailViewController>();
                       ASSERT_NE(detail, nullptr);
                       EXPECT_TRUE(detail->rows().empty());
                       backToRoot();
                     },
                     // A "Body" that names no question: the list's own title; a refused reply: the row's.
                     "错题重做|" + localized("nodataMessage"),
                     g.title + "|" + localized("requestFaile"),
                     {{"null body", g.title + "|" + localized("nodataMessage")},
                      {"100,000 entries", g.title + "|" + localized("nodataMessage")}}});
  }
  run(table);

  // With good replies again: every grouping shows its rows, and a row its questions.
  auto* overview = open<ErrorRedoViewController>("errorRedoList");
  ASSERT_NE(overview, nullptr);
  for (int segment : {1, 2, 0}) {
    choose(*overview, segment);
    EXPECT_TRUE(overview->hideLabel()->isHidden()) << segment;
    EXPECT_GT(overview->redoArray().size(), 0u) << segment;
  }
  tapRow(*overview->redoTableView(), 0);
  auto* detail = topAs<ErrorRedoDetailViewController>();
  ASSERT_NE(detail, nullptr);
  EXPECT_EQ(detail->rows().size(), 2u);
}

// ---- pages built from the bank ----

using ReviewPages = ReviewReplies;

// A page reply naming `sessions` sessions of the ids `ids`.
std::string pageOf(std::size_t sessions, const std::string& ids) {
  std::string text = R"({"Body":{"ID":1,"Name":"页","Sessions":[)";
  for (std::size_t i = 0; i < sessions; ++i)
    text += (i ? "," : "") + (R"({"Type":"ATEST","ATestid":")" + ids + "\"}");
  return text + R"(]},"Message":"2","LoginState":1})";
}

TEST_F(ReviewPages, APageIsBuiltOffTheMainThreadAndNeverShownToAClosedScreen) {
  seed(core::Dictionary{{"favourites", core::Dictionary{{"subject", 12}, {"count", 5}}}});
  auto* detail = openFavourites();
  ASSERT_NE(detail, nullptr);
  ASSERT_EQ(detail->rows().size(), 5u);
  const auto geo = aidsOf(12, "ATEST");
  const std::string two = std::to_string(geo[0]) + "," + std::to_string(geo[1]);

  // The reply is taken in; its questions are read on a worker and show only when the run loop turns.
  detail->didGetTests(true, JSONValue(pageOf(1, two)));
  EXPECT_EQ(detail->rows().size(), 5u) << "built on the main thread";
  rl::DispatchQueue::global().waitIdle();
  EXPECT_EQ(detail->rows().size(), 5u) << "shown before the run loop turned";
  h().settle();
  ASSERT_EQ(detail->rows().size(), 2u);
  EXPECT_EQ(detail->tableView()->numberOfRowsInSection(0), 2);

  // A reply that comes as the screen closes: its page is still being built when the screen is gone, and
  // nothing reaches it (alive, it would say that a set of 10,001 ids names no question).
  std::string manyIds = std::to_string(geo[0]);
  for (std::size_t i = 0; i < TestBuilder::kMaxQuestionIds; ++i) manyIds += "," + std::to_string(geo[0]);
  std::weak_ptr<ui::ViewController> weak = detail->weak_from_this();
  detail->navigationController()->popViewController(false);  // the back button
  detail->didGetTests(true, JSONValue(pageOf(1, manyIds)));
  h().drainMain();
  ASSERT_TRUE(weak.expired()) << "the closed screen is still held";
  rl::DispatchQueue::global().waitIdle();
  settleRequests();
  EXPECT_EQ(h().alert(), nullptr) << alertText();
  EXPECT_EQ(h().topScreen()->className(), "MyFavoriteViewController") << h().screens();
}

TEST_F(ReviewPages, PagesPastTheBuildersLimitsShowTheScreensError) {
  seed(core::Dictionary{{"favourites", core::Dictionary{{"subject", 12}, {"count", 5}}}});
  seedBook();
  const std::string id = std::to_string(aidsOf(12, "ATEST")[0]);
  std::string manyIds = id;
  for (std::size_t i = 0; i < TestBuilder::kMaxQuestionIds; ++i) manyIds += "," + id;
  const std::pair<const char*, std::string> sets[] = {
      {"1,001 sessions", pageOf(TestBuilder::kMaxSessions + 1, id)},
      {"10,001 ids in one session", pageOf(1, manyIds)},
  };
  struct Screen {
    const char* path;
    std::function<void()> ask;
    std::function<std::string()> alert;  // the error, once the page is refused
  };
  FindTestViewController* find = nullptr;
  const Screen screens[] = {
      {"/api/1.0/json/favour/gettest/*", [&] { openFavourites(); },
       [&] { return "我的收藏|" + localized("nodataMessage"); }},
      {"/api/1.0/json/exam/errortest/TestToSbjIds/*", [&] { openWrongAnswers(); },
       [&] { return "错题重做|" + localized("nodataMessage"); }},
      {"/api/1.0/json/exam/findTest",
       [&] {
         find = open<FindTestViewController>("findTest");
         ASSERT_NE(find, nullptr);
         search(*find, "计算");
       },
       [&] { return "查找试题|" + localized("unFindTest"); }},
  };
  for (const Screen& s : screens) {
    for (const auto& [name, body] : sets) {
      SCOPED_TRACE(std::string(s.path) + ": " + name);
      fault(core::Dictionary{{"path", s.path}, {"body", body}});
      ASSERT_NO_FATAL_FAILURE(s.ask());
      const std::string expected = s.alert();
      EXPECT_EQ(alertAndOK(), expected);
      backToRoot();
    }
  }
}

}  // namespace
}  // namespace review_test
