// The answering screen's tools: the favourite toggle at the loopback server (and its revert when the
// server refuses or does not answer), the notes of a question, the group-instructions banner, the
// explanation toggle, error feedback, settings and the keep-screen-lit setting.

#include "exam/AnsweringSettingsScreen.h"
#include "exam/ErrorFeedbackScreen.h"
#include "exam/QuestionNotesScreen.h"
#include "tests/exam/answering/AnsweringFixture.h"
#include "ui/AlertView.h"

namespace answering_test {
namespace {

// Stand-ins for the screens the tools open, recording what they are handed.
class NotesScreen : public ui::ViewController, public QuestionNotesScreen {
 public:
  std::string className() const override { return "NotesScreen"; }
  void setMyNoteJson(const core::Value& notes) override { myNotes = notes; }
  void setJson(const core::Value& notes) override { all = notes; }
  core::Value myNotes, all;
};
class FeedbackScreen : public ui::ViewController, public ErrorFeedbackScreen {
 public:
  std::string className() const override { return "FeedbackScreen"; }
  void setCurrentTest(std::shared_ptr<Questions> t) override { test = std::move(t); }
  std::shared_ptr<Questions> test;
};
class SettingsScreen : public ui::ViewController, public AnsweringSettingsScreen {
 public:
  std::string className() const override { return "SettingsScreen"; }
  void setDelegate(std::weak_ptr<AnsweringSettingsDelegate> d) override { delegate = std::move(d); }
  void setIsTest(bool v) override { isTest = v; }
  std::weak_ptr<AnsweringSettingsDelegate> delegate;
  bool isTest = false;
};

class Tools : public AnsweringFixture {
 protected:
  // The scripts run in the page view that shows the question at the scroll view's offset.
  std::vector<std::string> visibleScripts() {
    for (int i = 1; i <= 3; ++i)
      if (screen().pageWebView(i)->frame().origin.x == screen().pageScrollView()->contentOffset().x)
        return h().web(*screen().pageWebView(i)).evaluated();
    return {};
  }
  static int count(const std::vector<std::string>& all, const std::string& script) {
    return static_cast<int>(std::count(all.begin(), all.end(), script));
  }
  std::string bannerText() {
    ProgressHUD* hud = screen().styleHud();
    return hud && hud->superview() ? hud->detailsLabelText() : std::string();
  }
};

TEST_F(Tools, AFavouriteIsAddedThenCancelledAtTheServerAndThePageStarFollows) {
  logIn("user01", "secret1");
  QuestionsArray tests = questions(3);
  tests[1]->AllTestID = "1001";
  open(tests, 1);
  screen().favClick();
  EXPECT_TRUE(tests[1]->IsFav);
  EXPECT_EQ(toast(), ExammingViewController::kFavAdded);
  EXPECT_EQ(count(visibleScripts(), "updateFavImage()"), 1);
  settleRequests();
  const auto adds = requests("favour/addfavour");
  ASSERT_EQ(adds.size(), 1u);
  EXPECT_EQ(adds[0]["method"].toString(), "POST");
  const core::Value body = JSONValue(adds[0]["body"].toString());
  EXPECT_EQ(body["AllTestID"].toInt(), 1001);
  EXPECT_EQ(body["AppEName"].toString(), kSubject);
  EXPECT_EQ(body["FavTypeID"].toString(), "1");
  EXPECT_EQ(body["StarNum"].toString(), "3");
  EXPECT_TRUE(tests[1]->IsFav);  // the server took it

  h().advance(2);
  screen().favClick();
  EXPECT_FALSE(tests[1]->IsFav);
  EXPECT_EQ(toast(), ExammingViewController::kFavCancelled);
  EXPECT_EQ(count(visibleScripts(), "updateFavImageR()"), 1);
  settleRequests();
  const auto cancels = requests("favour/CancelToFavIDs");
  ASSERT_EQ(cancels.size(), 1u);
  EXPECT_EQ(cancels[0]["decoded_path"].toString(), "/api/1.0/json/favour/CancelToFavIDs/GKSample/1001");
  EXPECT_FALSE(tests[1]->IsFav);
}

TEST_F(Tools, AFavouriteTheServerRefusesOrNeverAnswersIsTakenBack) {
  struct Case {
    const char* name;
    bool startFav;
    core::Value fault;
    const char* failure;
    const char* revertScript;
  };
  const Case cases[] = {
      {"add without an answer", false,
       core::Dictionary{{"path", "/api/1.0/json/favour/addfavour"}, {"drop", true}, {"count", 5}},
       ExammingViewController::kFavAddFailed, "updateFavImageR()"},
      {"add refused", false,
       core::Dictionary{{"path", "/api/1.0/json/favour/addfavour"},
                        {"body", core::Dictionary{{"Body", core::Value()}, {"Message", "x"}}}},
       ExammingViewController::kFavAddFailed, "updateFavImageR()"},
      {"cancel refused", true,
       core::Dictionary{{"path", "/api/1.0/json/favour/CancelToFavIDs/*"},
                        {"body", core::Dictionary{{"Body", false}}}},
       ExammingViewController::kFavCancelFailed, "updateFavImage()"},
  };
  logIn("user01", "secret1");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QuestionsArray tests = questions(2);
    tests[0]->AllTestID = "1001";
    tests[0]->IsFav = c.startFav;
    open(tests, 0);
    fault(c.fault);
    screen().favClick();
    EXPECT_EQ(tests[0]->IsFav, !c.startFav);  // at once
    settleRequests();
    EXPECT_EQ(tests[0]->IsFav, c.startFav);  // taken back
    EXPECT_EQ(toast(), c.failure);
    EXPECT_EQ(visibleScripts().back(), c.revertScript);
    nav_->popViewController(false);
    h().advance(2);
  }
}

TEST_F(Tools, OfflineAFavouriteShowsTheNetworkAlertAndSendsNothing) {
  open(questions(2));
  loopback_.network().setStatus(0);
  app().reachabilityChanged(core::Notification{ReachabilityWatcher::kReachabilityChangedNotification, {}, {}, {}});
  h().advance(AppDelegate::kNetworkAlertDelay + 0.1);
  h().settle();
  if (h().alert()) h().press("取消");
  h().settle();
  screen().favClick();
  h().settle();
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->title(), "断网提示");
  EXPECT_FALSE(screen().testPager()->testArray()[0]->IsFav);
  settleRequests();
  EXPECT_TRUE(requests("favour/").empty());
}

TEST_F(Tools, TheBannerShowsEachGroupOnceWithItsRange) {
  QuestionsArray tests;
  for (int n = 0; n < 5; ++n) tests.push_back(question(n, "单选题", "每题只有一个正确答案"));
  tests.push_back(question(5, "多选题", "每题有多个正确答案"));
  dismissBanner_ = false;
  open(tests, 0);
  EXPECT_EQ(bannerText(), "(1-5)题\n\n每题只有一个正确答案");
  h().settle(1);
  EXPECT_FALSE(bannerText().empty());
  h().advance(ExammingViewController::kBannerSeconds);
  EXPECT_EQ(bannerText(), "");  // gone after 5 s

  screen().skipTestWithIndex(4);
  run(0.5);
  EXPECT_EQ(bannerText(), "");
  ASSERT_TRUE(tapMove(screen().nextButton()));
  ASSERT_EQ(current(), 5);
  EXPECT_EQ(bannerText(), "(6)题\n\n每题有多个正确答案");
  // A tap on the dimmed cover takes it away at once.
  EXPECT_TRUE(h().tap(ui::Point{20, 400}));
  EXPECT_EQ(bannerText(), "");
  ASSERT_TRUE(tapMove(screen().previousButton()));
  ASSERT_TRUE(tapMove(screen().previousButton()));
  ASSERT_EQ(current(), 3);
  EXPECT_EQ(bannerText(), "");
  EXPECT_EQ(screen().style_ExplainArr().size(), 2u);
  // Pages that finish loading once the user has left show no banner over the next screen.
  auto other = std::make_shared<ui::ViewController>();
  nav_->pushViewController(other, false);
  h().settle(0.5);
  screen().skipTestWithIndex(0);
  screen().hideStyleHud();
  for (auto& q : tests) q->Style_Explain += "（新）";
  const std::size_t shownBefore = screen().style_ExplainArr().size();
  loadPages();
  EXPECT_EQ(screen().styleHud(), nullptr);
  EXPECT_EQ(screen().style_ExplainArr().size(), shownBefore);
  EXPECT_EQ(screen().loadNumber(), 0);
  // The title counts every question with the same instructions, wherever it stands.
  QuestionsArray titled;
  for (int n = 0; n < 5; ++n) titled.push_back(question(n, "单选题", "甲"));
  titled.push_back(question(5, "多选题", "乙"));
  titled.push_back(question(6, "单选题", "甲"));
  EXPECT_EQ(ExammingViewController::styleExplainTitle(titled, 6), "(1-7)题");
  EXPECT_EQ(ExammingViewController::styleExplainTitle(titled, 5), "(6)题");
}

TEST_F(Tools, TheNotesScreenIsPushedOnceAfterBothRepliesWithEachOwnNoteOnce) {
  auto notes = std::make_shared<std::vector<std::shared_ptr<NotesScreen>>>();
  VDViewControllerFactory::registerScreen("allNote", [notes](const std::string&) {
    notes->push_back(std::make_shared<NotesScreen>());
    return notes->back();
  });
  logIn("user01", "secret1");
  const core::Value note = core::Dictionary{{"ID", 7}, {"UserNoteContent", "我的笔记"}, {"AllTestID", 1003}};
  const core::Value other = core::Dictionary{{"ID", 8}, {"UserNoteContent", "另一条"}, {"AllTestID", 1003}};
  core::Value body = core::Value::newArray();
  body.push_back(note);
  body.push_back(note);
  body.push_back(other);
  fault(core::Dictionary{{"path", "/api/1.0/json/exam/GetMyNote/*"}, {"body", core::Dictionary{{"Body", body}}}});
  QuestionsArray tests = questions(3);
  tests[1]->AllTestID = "1003";
  open(tests, 1);
  // A page still loading while the replies come does not hold the notes back, nor do they unlock paging.
  ui::WebView* left = screen().pageWebView(2).get();
  h().web(*left).setHoldLoads(true);
  screen().refreshView();
  loadPages();
  ASSERT_EQ(screen().loadNumber(), 1);
  screen().openMyNote();
  EXPECT_EQ(app().userSession()["ALLTESTID"].toString(), "1003");
  EXPECT_TRUE(screen().isTouch());
  settleRequests();
  ASSERT_EQ(notes->size(), 1u);
  EXPECT_EQ(h().topScreen(), notes->back().get());
  EXPECT_EQ(nav_->viewControllers().size(), 3u);
  const core::Value mine = notes->back()->myNotes;
  ASSERT_EQ(mine.size(), 2u);
  EXPECT_EQ(mine[0]["ID"].toInt(), 7);
  EXPECT_EQ(mine[1]["ID"].toInt(), 8);
  EXPECT_TRUE(notes->back()->all.isArray());
  EXPECT_EQ(requests("GetAllNoteByAID/GKSample/1003/1").size(), 1u);
  EXPECT_EQ(screen().loadNumber(), 1);  // the page's load is still counted
  EXPECT_FALSE(screen().view().isUserInteractionEnabled());
  h().web(*left).setHoldLoads(false);
  h().web(*left).finishLoad();
  loadPages();
  EXPECT_EQ(screen().loadNumber(), 0);
  EXPECT_TRUE(screen().view().isUserInteractionEnabled());
}

TEST_F(Tools, FailedNoteRequestsStillOpenTheNotesScreenWithNothing) {
  auto notes = std::make_shared<std::vector<std::shared_ptr<NotesScreen>>>();
  VDViewControllerFactory::registerScreen("allNote", [notes](const std::string&) {
    notes->push_back(std::make_shared<NotesScreen>());
    return notes->back();
  });
  fault(core::Dictionary{{"path", "/api/1.0/json/exam/*"}, {"drop", true}, {"count", 2}});
  open(questions(2));
  screen().openMyNote();
  settleRequests();
  ASSERT_FALSE(notes->empty());
  EXPECT_EQ(h().topScreen(), notes->back().get());
  EXPECT_EQ(notes->back()->myNotes.size(), 0u);
  EXPECT_TRUE(notes->back()->all.isNil());
}

TEST_F(Tools, ExplanationsToggleOnAllThreePages) {
  open(questions(3), 1);
  using Strings = std::vector<std::string>;
  auto since = [&](int view, std::size_t from) {
    const auto& all = h().web(*screen().pageWebView(view)).evaluated();
    return Strings(all.begin() + static_cast<long>(std::min(from, all.size())), all.end());
  };
  std::size_t before[3];
  for (int i = 0; i < 3; ++i) before[i] = h().web(*screen().pageWebView(i + 1)).evaluated().size();
  screen().analysisClick();
  EXPECT_TRUE(screen().isShowExplain());
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(since(i + 1, before[i]), (Strings{"displayRadioResult()", "updateAnalysisImage()"})) << i;
    before[i] = h().web(*screen().pageWebView(i + 1)).evaluated().size();
  }
  screen().analysisClick();
  EXPECT_FALSE(screen().isShowExplain());
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(since(i + 1, before[i]), (Strings{"dismissRadioResult()", "updateAnalysisImageR()"})) << i;
}

TEST_F(Tools, ErrorFeedbackAndSettingsArePushedWithWhatTheyNeed) {
  auto feedback = std::make_shared<FeedbackScreen>();
  auto settings = std::make_shared<SettingsScreen>();
  VDViewControllerFactory::registerScreen("errorFeedback", [feedback](const std::string&) { return feedback; });
  VDViewControllerFactory::registerScreen("softSetting", [settings](const std::string&) { return settings; });
  QuestionsArray tests = questions(3);
  open(tests, 2);
  // Outside exam mode the bottom button (btnMark) reports an error on the question shown.
  ASSERT_TRUE(h().tap(*screen().btnMark()));
  h().settle();
  EXPECT_EQ(h().topScreen(), feedback.get());
  EXPECT_EQ(feedback->test, tests[2]);
  EXPECT_TRUE(screen().isTouch());
  nav_->popViewController(false);
  h().settle();

  // The options panel from the bar's right button, then its settings row.
  ASSERT_TRUE(h().tap(*h().find<ui::BarButtonView>([](const ui::BarButtonView& b) { return b.currentTitle().empty(); })));
  EXPECT_FALSE(screen().isMoreViewHidden());
  ASSERT_TRUE(h().tap(*screen().btnSetting()));
  h().settle();
  EXPECT_TRUE(screen().isMoreViewHidden());
  EXPECT_EQ(h().topScreen(), settings.get());
  EXPECT_TRUE(settings->isTest);
  ASSERT_EQ(settings->delegate.lock().get(), static_cast<AnsweringSettingsDelegate*>(&screen()));
  settings->delegate.lock()->enableScreenLight(true);
  EXPECT_TRUE(h().app().isIdleTimerDisabled());
  settings->delegate.lock()->enableScreenLight(false);
  EXPECT_FALSE(h().app().isIdleTimerDisabled());
}

TEST_F(Tools, TheKeepScreenLitSettingHoldsWhileTheScreenShows) {
  core::UserDefaults::standard().setBool("isScreenAlwaysLight", true);
  open(questions(2));
  EXPECT_TRUE(h().app().isIdleTimerDisabled());
  nav_->popViewController(false);
  h().settle();
  EXPECT_FALSE(h().app().isIdleTimerDisabled());
}

}  // namespace
}  // namespace answering_test
