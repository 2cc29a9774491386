// The function grid of the home screen: what each button stores, counts, asks and opens; the bank
// check before any function; the login gate with its modal login; logout and exit.

#include "screens/account/LoginViewController.h"
#include "screens/common/MainNoteScreen.h"
#include "tests/screens/home/HomeFixture.h"
#include "ui/Button.h"

namespace home_test {
namespace {

using Home = HomeFixture;

struct FunctionCase {
  int tag;
  int module;  // currentModule afterwards (the value before the tap is 99)
  std::vector<std::string> events;
  bool login;
  std::string opens;  // the screen on top afterwards
};

// The whole table, with a user logged in and the bank present.
const FunctionCase kFunctions[] = {
    {1, 99, {"ChapterCategory"}, true, "simulateExam"},
    {2, 2, {"SimulationExam"}, true, "examSetting1"},
    {3, 99, {"ExamGuide"}, false, "examGuideList"},
    {4, 99, {"RandomExam"}, true, "ExammingViewController"},
    {5, 10, {"ChapterQuickExercises"}, true, "fastLearnList"},
    {6, 4, {"MyFavorites"}, true, "myFavorites"},
    {7, 7, {"WrongRedo"}, true, "errorRedoList"},
    {8, 99, {"LearnRecord"}, true, "learningRecord"},
    {9, 99, {"TestRanking"}, true, "testsRank"},
    {10, 99, {"findTest|查找试题"}, true, "findTest"},
    {11, 99, {"StatisticalAnalysis"}, true, "statistics"},
    {13, 99, {"MyNote"}, true, "mainNote"},
};

core::Value randomSetReply() {
  core::Value session = core::Dictionary{{"Type", "ATEST"}, {"ATestid", "1001,1003"}};
  core::Value body = core::Dictionary{{"ID", 1}, {"Name", "随机"}, {"Sessions", core::Array{session}}};
  return core::Dictionary{{"Body", body}, {"Message", ""}, {"LoginState", 1}};
}

TEST_F(Home, EachFunctionStoresItsModuleCountsItsEventAndOpensItsScreen) {
  installSampleBank();
  loginAs("user01");
  openHome();
  fault(core::Dictionary{{"path", "/api/1.0/json/exam/GetRandomTest/GKSample/20"},
                         {"body", JSONRepresentation(randomSetReply()).value_or("")}});
  // The user has no notes yet (the server itself would refuse a user it has not seen log in).
  fault(core::Dictionary{{"path", "/api/1.0/json/exam/GetMyNotes/GKSample/1"},
                         {"body", R"({"Body":[],"Message":"","LoginState":1})"}});
  for (const FunctionCase& c : kFunctions) {
    SCOPED_TRACE(c.tag);
    app().setCurrentModule(99);
    resetStatistics();
    ASSERT_TRUE(tapFunction(c.tag));
    ASSERT_TRUE(waitForTop(c.opens)) << "on top: " << top();
    EXPECT_EQ(h().alert(), nullptr);
    EXPECT_EQ(app().currentModule(), c.module);
    EXPECT_EQ(events(), c.events);
    if (c.tag == 8) {
      EXPECT_EQ(h().topScreen()->title(), "学习记录");
    }
    if (c.tag == 4) {
      // A random set: questions from the reply, a practice that keeps no record.
      ASSERT_NE(answering_, nullptr);
      ASSERT_EQ(answering_->testPager()->testArray().size(), 2u);
      EXPECT_EQ(answering_->testPager()->testArray()[1]->AllTestID, "1003");
      EXPECT_EQ(answering_->originalMode(), AnsweringMode::Practice);
      EXPECT_TRUE(answering_->unSaveRecord());
      EXPECT_FALSE(answering_->isAllow());
      // the rest left as they are
      EXPECT_FALSE(answering_->functionState().has_value());
      EXPECT_EQ(answering_->chapterName(), "");
      EXPECT_TRUE(answering_->testsJSON().isNil());
      EXPECT_FALSE(answering_->isChapterTest());
    }
    homeScreen().navigationController()->popToRootViewController(false);
    h().settle();
    ASSERT_EQ(top(), "MainInterfaceViewController1");
  }
  // The random set and the notes page were asked with the table's arguments.
  EXPECT_EQ(requests("GetRandomTest/GKSample/20").size(), 1u);
  EXPECT_EQ(requests("GetMyNotes/GKSample/1").size(), 1u);
}

TEST_F(Home, ExamInformationOpensWithItsTitle) {
  openHome();
  ASSERT_TRUE(h().tap(*homeScreen().functionButton(MainInterfaceViewController1::kExamInfoTag)));
  h().settle();
  EXPECT_EQ(top(), "examinfo");
  EXPECT_EQ(h().topScreen()->title(), "考试资讯");
  EXPECT_EQ(events(), std::vector<std::string>{"ExamWebSite"});
}

TEST_F(Home, AFunctionWhoseScreenIsMissingLeavesTheHomeScreenAndSaysWhy) {
  installSampleBank();
  loginAs("user01");
  openHome();
  VDViewControllerFactory::unregisterScreen("examSetting1");
  testing::internal::CaptureStderr();
  ASSERT_TRUE(tapFunction(2));
  h().settle();
  const std::string logged = testing::internal::GetCapturedStderr();
  EXPECT_EQ(top(), "MainInterfaceViewController1");
  EXPECT_EQ(h().alert(), nullptr);
  EXPECT_NE(logged.find("\"examSetting1\" has no screen registered"), std::string::npos) << logged;
  // The other functions still open.
  ASSERT_TRUE(tapFunction(3));
  ASSERT_TRUE(waitForTop("examGuideList")) << "on top: " << top();
}

TEST_F(Home, WithoutTheBankEveryFunctionStartsTheDownloadInstead) {
  loginAs("user01");
  openHome();
  for (int tag : {3, 2}) {  // the exam guide needs no login, and still waits for the bank
    SCOPED_TRACE(tag);
    server().clearJournal();
    resetStatistics();
    ASSERT_TRUE(tapFunction(tag));
    ASSERT_TRUE(runUntil([this] { return h().alert() != nullptr; })) << "no download prompt";
    settleRequests();
    EXPECT_EQ(top(), "MainInterfaceViewController1");
    EXPECT_TRUE(events().empty());
    // The update centre was asked for the whole bank, and the prompt offers the download.
    const auto queries = requests("1.0/json/query");
    ASSERT_EQ(queries.size(), 1u);
    EXPECT_EQ(JSONValue(queries[0]["body"].toString())["max_batchid"].toInt(), -1);
    ASSERT_NE(h().alert(), nullptr);
    EXPECT_EQ(h().alert()->title(), "提示");
    EXPECT_EQ(h().alert()->buttonTitleAtIndex(1), "下载");
    const core::Value down = app().downSession();
    EXPECT_FALSE(down["Main"].toBool(true));
    EXPECT_FALSE(down["isHavefileName"].toBool(true));
    ASSERT_TRUE(h().press("取消"));
    h().settle();
  }
}

TEST_F(Home, FunctionsNeedingAUserShowTheLoginGate) {
  installSampleBank();
  openHome();
  for (int tag : {1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 13}) {
    SCOPED_TRACE(tag);
    resetStatistics();
    ASSERT_TRUE(tapFunction(tag));
    ASSERT_NE(h().alert(), nullptr);
    EXPECT_EQ(h().alert()->message(), MainInterfaceViewController1::kLoginGateMessage);
    EXPECT_EQ(h().alert()->title(), "提示");
    // The find-test event counts only once the gate has passed; the others before it.
    EXPECT_EQ(events().empty(), tag == 10);
    ASSERT_TRUE(h().press("取消"));
    h().settle();
    EXPECT_EQ(top(), "MainInterfaceViewController1");
  }
  EXPECT_TRUE(requests("GetRandomTest").empty());
}

TEST_F(Home, LoginFromTheGateIsModalAndItsBackButtonCloses) {
  installSampleBank();
  MainInterfaceViewController1& home = openHome();
  ASSERT_TRUE(tapFunction(6));
  ASSERT_TRUE(h().press("登录"));
  h().settle();
  EXPECT_EQ(top(), "LoginViewController");
  auto modal = std::dynamic_pointer_cast<ui::NavigationController>(home.currentModalViewController());
  ASSERT_NE(modal, nullptr);
  EXPECT_EQ(screenName(modal->topViewController()), "LoginViewController");
  EXPECT_EQ(home.presentedViewController(), modal.get());
  // The first login's hint over the window: a tap takes it away.
  if (auto* hint = h().find<ui::Button>([](const ui::Button& b) {
        return b.currentBackgroundImage() && b.currentBackgroundImage()->name() == LoginViewController::kFirstRunImage;
      })) {
    ASSERT_TRUE(h().tap(*hint));
  }
  ASSERT_TRUE(h().tapBarButton("返回"));
  h().settle();
  EXPECT_EQ(home.currentModalViewController(), nullptr);
  EXPECT_EQ(top(), "MainInterfaceViewController1");

  // Logged in as the login screen does it, the same button opens its function.
  loginAs("user01");
  ASSERT_TRUE(tapFunction(6));
  EXPECT_EQ(top(), "myFavorites");
}

TEST_F(Home, RandomPracticeWithoutQuestionsOrReplyTellsSo) {
  installSampleBank();
  loginAs("user01");
  openHome();
  struct Case {
    core::Value fault;
    std::string message;
  };
  const Case cases[] = {
      {core::Dictionary{
           {"body", R"({"Body":{"ID":1,"Name":"x","Sessions":[]},"Message":"","LoginState":1})"}},
       "暂无相关数据"},
      {core::Dictionary{{"body", R"({"Body":null,"Message":"无","LoginState":1})"}}, "暂无相关数据"},
      {core::Dictionary{{"status", 500}, {"body", "<html>error</html>"}}, "请求失败，请稍后重试"},
  };
  for (const Case& c : cases) {
    core::Value f = c.fault;
    f.set("path", "/api/1.0/json/exam/GetRandomTest/GKSample/20");
    fault(f);
    ASSERT_TRUE(tapFunction(4));
    ASSERT_TRUE(runUntil([this] { return h().alert() != nullptr; }));
    EXPECT_EQ(h().alert()->message(), c.message);
    EXPECT_EQ(h().alert()->buttonTitleAtIndex(0), "OK");
    ASSERT_TRUE(h().press("OK"));
    settleRequests();
    EXPECT_EQ(top(), "MainInterfaceViewController1");
  }
}

// A note list that keeps what the home screen gives it.
class RecordingNoteList : public ui::ViewController, public MainNoteScreen {
 public:
  std::string className() const override { return "RecordingNoteList"; }
  void setJson(const core::Value& notes) override {
    json = notes;
    ++calls;
  }
  core::Value json;
  int calls = 0;
};

TEST_F(Home, TheNoteListGetsTheFirstPageOrNothing) {
  installSampleBank();
  loginAs("user01");
  std::shared_ptr<RecordingNoteList> list;
  VDViewControllerFactory::registerScreen("mainNote", [&list](const std::string&) {
    list = std::make_shared<RecordingNoteList>();
    return list;
  });
  openHome();
  struct Case {
    const char* name;
    const char* body;
    std::size_t notes;  // entries handed over; 0 with Nil
  };
  const Case cases[] = {
      {"a page", R"({"Body":[{"ID":5,"UserNoteContent":"笔记"}],"Message":"","LoginState":1})", 1},
      {"refused", R"({"Body":null,"Message":"请先登录","LoginState":0})", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fault(core::Dictionary{{"path", "/api/1.0/json/exam/GetMyNotes/GKSample/1"}, {"body", c.body}});
    ASSERT_TRUE(tapFunction(13));
    ASSERT_TRUE(waitForTop("RecordingNoteList"));
    EXPECT_EQ(list->calls, 1);
    EXPECT_EQ(list->json.isArray(), c.notes > 0);
    EXPECT_EQ(list->json.size(), c.notes);
    homeScreen().navigationController()->popToRootViewController(false);
    h().settle();
  }
}

TEST_F(Home, HeaderButtonsFollowTheUser) {
  MainInterfaceViewController1& home = openHome();
  EXPECT_EQ(home.loginButton()->currentTitle(), "登录");
  EXPECT_EQ(home.registButton()->currentTitle(), "注册");
  ASSERT_TRUE(h().tap(*home.registButton()));
  h().settle();
  EXPECT_EQ(top(), "RegisterViewController");
  settleRequests();  // the registration screen's picture code
  home.navigationController()->popViewController(false);
  h().settle();
  ASSERT_TRUE(h().tap(*home.loginButton()));
  h().settle();
  EXPECT_EQ(top(), "LoginViewController");
}

TEST_F(Home, ConfirmedLogoutEndsTheSessionAndTheReloginTimer) {
  loginAs("user01");
  app().fireAutoLoginTimer();
  MainInterfaceViewController1& home = openHome();
  EXPECT_EQ(home.registButton()->currentTitle(), "注销");
  EXPECT_EQ(home.loginButton()->currentTitle(), "user01昵称");
  ASSERT_TRUE(h().tap(*home.loginButton()));  // the user's name opens nothing
  h().settle();
  EXPECT_EQ(top(), "MainInterfaceViewController1");

  // Cancelled: nothing changes.
  ASSERT_TRUE(h().tap(*home.registButton()));
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->message(), MainInterfaceViewController1::kLogoutMessage);
  EXPECT_EQ(h().alert()->title(), "");
  ASSERT_TRUE(h().press("取消"));
  h().settle();
  EXPECT_TRUE(app().userSession().contains("userInfo"));
  EXPECT_TRUE(AppDelegate::isAutoLoginTimerRunning());

  ASSERT_TRUE(h().tap(*home.registButton()));
  ASSERT_TRUE(h().press("确定"));
  h().advance(0.5);
  EXPECT_NE(h().label("已注销"), nullptr);
  EXPECT_FALSE(app().userSession().contains("userInfo"));
  EXPECT_TRUE(app().userSession()["isUserLogout"].toBool());
  EXPECT_FALSE(AppDelegate::isAutoLoginTimerRunning());
  EXPECT_EQ(home.registButton()->currentTitle(), "注册");
  EXPECT_EQ(home.loginButton()->currentTitle(), "登录");
  h().advance(2);
  EXPECT_EQ(h().label("已注销"), nullptr);
}

TEST_F(Home, ExitAsksFirstAndEndsTheApplication) {
  openHome();
  ASSERT_TRUE(h().tapBarButton("退出"));
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->title(), "退出Vardo");
  EXPECT_EQ(h().alert()->message(), "您确定要退出吗？");
  ASSERT_TRUE(h().press("取消"));
  h().settle();
  EXPECT_FALSE(h().terminatedWith().has_value());
  ASSERT_TRUE(h().tapBarButton("退出"));
  ASSERT_TRUE(h().press("确定"));
  h().settle();
  EXPECT_EQ(h().terminatedWith(), 0);
}

TEST_F(Home, TheFirstStartPromptCoversTheScreenUntilTapped) {
  installSampleBank();
  core::UserDefaults::standard().setBool("isFirstMain", true);
  MainInterfaceViewController1& home = openHome();
  auto* prompt = h().find<ui::Button>([](const ui::Button& b) {
    auto image = b.currentBackgroundImage();
    return image && image->name() == "prompt1";
  });
  ASSERT_NE(prompt, nullptr);
  EXPECT_EQ(h().visibleRect(*prompt), h().window().bounds());
  // The touch meant for a function lands on the prompt, which goes away.
  EXPECT_FALSE(h().tap(*home.functionButton(3)));
  h().settle();
  EXPECT_EQ(top(), "MainInterfaceViewController1");
  EXPECT_EQ(h().find<ui::Button>([](const ui::Button& b) {
    auto image = b.currentBackgroundImage();
    return image && image->name() == "prompt1";
  }),
            nullptr);
  ASSERT_TRUE(tapFunction(3));
  EXPECT_EQ(top(), "examGuideList");
  EXPECT_TRUE(core::UserDefaults::standard().boolForKey("isFirstMain"));  // the login screen clears it
}

}  // namespace
}  // namespace home_test
