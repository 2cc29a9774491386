// The application's own screens in the window, with the loopback server behind them: the favourites and
// wrong-answer lists of a logged-in user, the note edit sheet and the answering screen. Each is checked
// for what a person would notice first (text that runs out of its place, pieces that overlap) and its
// picture is kept for a look.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/AppDelegate.h"
#include "app/AppServices.h"
#include "app/VDHelper.h"
#include "app/VDViewControllerFactory.h"
#include "dao/BankLocation.h"
#include "exam/ExammingViewController.h"
#include "exam/sets/AnsweringScreen.h"
#include "librarys/http/HTTPCookieStorage.h"
#include "librarys/http/HTTPRequest.h"
#include "librarys/json/JsonParser.h"
#include "librarys/json/JsonWriter.h"
#include "platform/core/Bundle.h"
#include "platform/core/UserDefaults.h"
#include "platform/runloop/DispatchQueue.h"
#include "platform/runloop/OperationQueue.h"
#include "screens/AllScreens.h"
#include "screens/notes/UpdateNoteViewController.h"
#include "screens/review/ErrorRedoViewController.h"
#include "screens/review/MyFavoriteViewController.h"
#include "service/ServerConfig.h"
#include "service/ServiceShell.h"
#include "service/User.h"
#include "statistics/UsageStats.h"
#include "tests/support/FixedReachability.h"
#include "tests/support/TempDir.h"
#include "tests/ui/gtk/WindowSession.h"
#include "tools/testserver/apiserver/ApiServer.h"
#include "ui/AlertLayer.h"
#include "ui/AlertPanel.h"
#include "ui/Label.h"
#include "ui/NavigationBar.h"
#include "ui/NavigationController.h"
#include "ui/TableView.h"
#include "ui/TextMeasurer.h"
#include "ui/TextView.h"
#include "ui/WebView.h"
#include "ui/Window.h"

using gtktest::WindowSession;

namespace {

constexpr const char* kSubject = "GKSample";

testserver::ApiServer& server() {
  static testserver::ApiServer s;
  return s;
}

// The first question of a subject in the sample bank the server answers from.
int firstQuestionOf(int subject) {
  std::ifstream in(std::filesystem::path(testserver::ApiServer::defaultSampleDir()) / "GKSample.manifest.json");
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (const core::Value& q : JSONValue(text)["States"]["bank"]["Questions"].array())
    if (!q["Bad"].toBool() && q["Subject"].toInt() == subject) return static_cast<int>(q["AID"].toInt());
  return 0;
}

// Labels on show whose one-line text is wider than the label (and the label does not wrap): text a
// person sees cut. As "text (needs W, has w)".
void cutLabels(const ui::View& v, std::vector<std::string>& out) {
  if (v.isHidden() || v.alpha() < 0.01) return;
  if (const auto* label = dynamic_cast<const ui::Label*>(&v); label && !label->text().empty()) {
    const ui::Size needed = ui::sizeWithFont(label->text(), label->font());
    if (label->numberOfLines() == 1 && needed.width > label->bounds().width() + 1 &&
        label->bounds().width() > 0) {
      out.push_back(label->text() + " (needs " + std::to_string(static_cast<int>(needed.width)) + ", has " +
                    std::to_string(static_cast<int>(label->bounds().width())) + ")");
    }
  }
  for (const auto& child : v.subviews()) cutLabels(*child, out);
}

class Tour {
 public:
  Tour() : home_("vd-gtk-tour") {
    if (server().port() == 0) {
      EXPECT_TRUE(server().start()) << server().failure();
    }
    EXPECT_TRUE(server().reset());
    EXPECT_TRUE(server().scenario(R"({"state": "bank", "notices": []})"));
    ::setenv(ServerConfig::kMainAPIBaseEnv, server().mainBase().c_str(), 1);
    ::setenv(ServerConfig::kUpdateCentreBaseEnv, server().updateBase().c_str(), 1);
    ::setenv(ServerConfig::kResourceRootEnv, server().origin().c_str(), 1);
    ServerConfig::reload();
    core::Bundle::resetMain();
    installApplicationServiceShell();
    UsageStats::reset();
    HTTPRequest::clearSession();
    HTTPCookieStorage::sharedHTTPCookieStorage().removeAllCookies();
    registerEveryScreen();
    auto& defaults = core::UserDefaults::standard();
    defaults.setBool("isFirstOpen", true);  // a later start: no welcome pages
    defaults.setBool("isFirstMain", false);
    defaults.setBool("isFirstLoginApp", false);
    defaults.setBool("isAutoLogon", false);
    defaults.synchronize();
  }
  ~Tour() {
    window_.reset();
    setServiceShell({});
    BankLocation::set({});
    HTTPRequest::clearSession();
    HTTPCookieStorage::sharedHTTPCookieStorage().removeAllCookies();
    registerEveryScreen();
  }

  WindowSession& s() { return *window_; }

  void launch() {
    window_ = std::make_unique<WindowSession>();
    AppServices services;
    services.reachabilityForInternetConnection = [] { return std::make_shared<testsupport::FixedReachability>(2); };
    delegate_ = std::make_shared<AppDelegate>(services);
    s().app().setDelegate(delegate_);
    ASSERT_TRUE(s().app().launch());
    s().open();
    answerAlerts();
    ASSERT_TRUE(VDHelper::saveQuoteProduct(core::Dictionary{{"Key", "常识综合（样例）"}, {"Value", kSubject}}));
    VDHelper::installBankLocation();
    std::filesystem::copy_file(std::filesystem::path(testserver::ApiServer::defaultSampleDir()) / "GKSample.db",
                               VDHelper::dbSavePath() + "/" + kSubject + ".db",
                               std::filesystem::copy_options::overwrite_existing);
    delegate_->userSession().set("appInfo", core::Dictionary{{"Name", "常识综合（样例）"}, {"EName", kSubject}});
    nav_ = std::make_shared<ui::NavigationController>(std::make_shared<ui::ViewController>());
    s().app().keyWindow().setRootViewController(nav_);
    s().settle();
  }

  void login() {
    struct Reply : UserDelegate {
      std::optional<bool> ok;
      void didLogin(bool success, const core::Value&) override { ok = success; }
    };
    auto reply = std::make_shared<Reply>();
    auto user = std::make_shared<User>();
    user->delegate = reply;
    user->login(R"({"UserName":"user01","Pwd":"secret1"})");
    ASSERT_TRUE(s().waitFor([&] { return reply->ok.has_value(); }, 20));
    ASSERT_TRUE(*reply->ok);
  }

  static void seed(const core::Value& what) {
    core::Value doc = what.deepCopy();
    doc.set("user", "user01");
    auto reply = server().request("POST", "/__test/seed", JSONRepresentation(doc).value_or(""),
                                  {{"Content-Type", "application/json"}});
    ASSERT_TRUE(reply && reply->status == 200) << (reply ? reply->body : "no reply");
  }

  void settleRequests() {
    EXPECT_TRUE(s().waitFor([] { return HTTPRequest::sharedQueue().operationCount() == 0; }, 20));
    s().settle();
  }

  // A click on each alert's first button until none shows.
  void answerAlerts() {
    ui::Window& window = s().app().keyWindow();
    for (int i = 0; i < 5; ++i) {
      ui::AlertPanel* panel = window.alertLayer().topPanel();
      if (!panel) return;
      ui::Button* button = panel->buttonView(0);
      ASSERT_NE(button, nullptr);
      s().click(WindowSession::frameOf(*button).center());
      ASSERT_TRUE(s().waitFor([&] { return window.alertLayer().topPanel() != panel; }));
      s().settle();
    }
  }

  std::shared_ptr<ui::ViewController> push(const char* identifier) {
    auto screen = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier(identifier);
    EXPECT_NE(screen, nullptr) << identifier;
    if (screen) nav_->pushViewController(screen, false);
    settleRequests();
    return screen;
  }

  // Keeps a picture and lists the labels that cut their text.
  void look(const std::string& name) {
    gtktest::keepShot(s().shot(), name);
    std::vector<std::string> cut;
    cutLabels(s().app().keyWindow(), cut);
    EXPECT_TRUE(cut.empty()) << name << ": " << cut.size() << " labels cut, first: " << cut.front();
  }

  std::shared_ptr<AppDelegate> delegate_;
  std::shared_ptr<ui::NavigationController> nav_;

 private:
  testsupport::TempHome home_;
  std::unique_ptr<WindowSession> window_;
};

}  // namespace

// A logged-in user's favourites and wrong answers: the subject lists, each row of one subject with its
// count, drawn without cut text.
TEST(ScreensWindow, TheReviewListsOfALoggedInUser) {
  Tour tour;
  tour.launch();
  tour.login();
  Tour::seed(core::Dictionary{{"favourites", core::Dictionary{{"subject", 12}, {"count", 5}}}});
  const int aid = firstQuestionOf(12);
  ASSERT_NE(aid, 0);
  Tour::seed(core::Dictionary{
      {"wrong", core::Value(core::Array{core::Dictionary{{"aid", aid}, {"count", 3}, {"days_ago", 0}}})}});
  auto favourites = std::dynamic_pointer_cast<MyFavoriteViewController>(tour.push("myFavorites"));
  ASSERT_NE(favourites, nullptr);
  ASSERT_TRUE(tour.s().waitFor([&] { return !favourites->myTableView()->isHidden(); }));
  tour.look("review-favourites");
  tour.push("errorRedoList");
  tour.look("review-wrong");
}

// Screens pushed from a screen without a title (the tour's root has none) say "返回" on their back button,
// as the application's own back items do, never the system's English word.
TEST(ScreensWindow, PushedScreensGoBackInTheApplicationsWords) {
  Tour tour;
  tour.launch();
  tour.login();
  for (const char* id : {"simulateExam", "learningRecord", "softSetting"}) {
    SCOPED_TRACE(id);
    ASSERT_NE(tour.push(id), nullptr);
    ui::NavigationBar& bar = tour.nav_->navigationBar();
    ASSERT_NE(bar.backButtonView(), nullptr);
    EXPECT_EQ(bar.backButtonTitle(), "返回");
    gtktest::keepShot(tour.s().shot(), std::string("back-") + id);
    tour.nav_->popToRootViewController(false);
    tour.settleRequests();
  }
}

// The note edit sheet over the window: its text in the native text view, ready to edit.
TEST(ScreensWindow, TheNoteEditSheet) {
  Tour tour;
  tour.launch();
  tour.login();
  auto sheet = std::dynamic_pointer_cast<UpdateNoteViewController>(
      VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("updateNote"));
  ASSERT_NE(sheet, nullptr);
  sheet->setUnID(1);
  sheet->setAID(1003);
  sheet->setNoteStr("这道题要记住。");
  sheet->showOnWindow();
  tour.s().settle();
  ui::TextView* text = sheet->noteTextView();
  ASSERT_NE(text, nullptr);
  const ui::Rect frame = WindowSession::frameOf(*text);
  const gtktest::Shot shot = tour.s().shot();
  EXPECT_GT(shot.inkIn({frame.minX() + 2, frame.minY() + 2, frame.width() - 4, 28},
                       gtktest::Shot(shot).at({frame.maxX() - 3, frame.maxY() - 3})),
            40)
      << "the note's text is not drawn";
  tour.look("notes-edit");
}

// The answering screen over three questions: the first page loaded in WebKit, the bars around it.
TEST(ScreensWindow, TheAnsweringScreen) {
  Tour tour;
  tour.launch();
  QuestionsArray questions;
  for (int n = 0; n < 3; ++n) {
    auto q = std::make_shared<Questions>();
    q->type = "ATEST";
    q->styleID = "1";
    q->style = "单选题";
    q->Style_Explain = "每题只有一个正确答案";
    q->MainTitle = "第" + std::to_string(n + 1) + "题：下列哪一项是正确的？";
    q->Answer = "A";
    q->AllTestID = std::to_string(1000 + n);
    core::Value items = core::Value::newArray();
    for (const char* name : {"A", "B", "C", "D"})
      items.push_back(core::Dictionary{{"Name", name}, {"Text", std::string("选项") + name}});
    q->ChoiceItems = items;
    questions.push_back(q);
  }
  auto screen = std::dynamic_pointer_cast<ExammingViewController>(
      VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("examming"));
  ASSERT_NE(screen, nullptr);
  auto pager = std::make_shared<TestPager>(questions);
  pager->setCurrentTest(questions[0]);
  AnsweringScreen& launch = *screen;
  launch.setTestPager(pager);
  launch.setOriginalMode(AnsweringMode::Practice);
  launch.setRedoMode(AnsweringMode::Practice);
  launch.setChapterName("第一章");
  tour.nav_->pushViewController(screen, false);
  // The first page loads in WebKit; the group's instructions show over it until a click.
  struct Asking {
    bool pending = false;
    bool shows = false;
  };
  auto asking = std::make_shared<Asking>();  // answers may come after the wait
  ASSERT_TRUE(tour.s().waitFor([&] {
    auto web = screen->pageWebView(1);
    if (asking->shows) return true;
    if (!web || asking->pending) return false;
    asking->pending = true;
    web->stringByEvaluatingJavaScriptFromString(
        "document.body && document.body.innerText.indexOf('第1题') >= 0", [asking](const std::string& r) {
          asking->shows = r == "true";
          asking->pending = false;
        });
    return false;
  }, 60)) << "the first page did not show";
  tour.s().settle();
  gtktest::keepShot(tour.s().shot(), "answering-banner");
  if (screen->styleHud()) {
    tour.s().click({20, 400});
    ASSERT_TRUE(tour.s().waitFor([&] { return screen->styleHud() == nullptr; }));
  }
  tour.look("answering");

  // "下一题": the pages slide on, frame by frame, to the second question.
  ui::ScrollView& pages = *screen->pageScrollView();
  ASSERT_TRUE(tour.s().waitFor([&] { return screen->view().isUserInteractionEnabled(); }));
  tour.s().click(WindowSession::frameOf(*screen->nextButton()).center());
  ASSERT_TRUE(tour.s().waitFor([&] { return pages.contentOffset().x >= 60; }));
  gtktest::keepShot(tour.s().shotAsShown(), "answering-moving");
  tour.s().settle();
  EXPECT_EQ(pages.contentOffset().x, 320);
  EXPECT_EQ(pager->currentTest(), questions[1]);
  std::shared_ptr<ui::WebView> shown;
  for (int v = 1; v <= 3; ++v)
    if (screen->pageWebView(v) && screen->pageWebView(v)->frame().origin.x == 320)
      shown = screen->pageWebView(v);
  ASSERT_NE(shown, nullptr);
  auto second = std::make_shared<std::string>();
  shown->stringByEvaluatingJavaScriptFromString("String(document.body.innerText.indexOf('第2题') >= 0)",
                                                [second](const std::string& r) { *second = r; });
  ASSERT_TRUE(tour.s().waitFor([&] { return !second->empty(); }));
  EXPECT_EQ(*second, "true") << "the page on show is not the second question's";
  tour.look("answering-moved");
}
