#include <gmock/gmock.h>

#include <optional>

#include "app/AppShell.h"
#include "app/ChosenSubject.h"
#include "app/DownloadState.h"
#include "app/Session.h"
#include "app/SessionUser.h"
#include "app/VDHelper.h"
#include "tests/app/StartupFixture.h"

using namespace startup_test;

// ---- the logged-in user ----

TEST(SessionUserTest, ReadsTheLoginRecordAndRefusesWhatIsNoRecord) {
  struct Case {
    const char* name;
    core::Value userInfo;
    bool loggedIn;
    std::string id, userName, nickName, pwd;
    std::int64_t loginCount;
  };
  const Case cases[] = {
      {"nothing", core::Value(), false, "", "", "", "", 0},
      {"a text", core::Value("user01"), false, "", "", "", "", 0},
      {"a list", core::Value::newArray(), false, "", "", "", "", 0},
      {"a full record",
       core::Dictionary{
           {"ID", 42}, {"UserName", "user01"}, {"NickName", "小王"}, {"Pwd", "secret"}, {"LoginCount", 1}},
       true, "42", "user01", "小王", "secret", 1},
      {"fields of another kind or missing",
       core::Dictionary{{"UserName", core::Dictionary{{"x", 1}}}, {"NickName", core::Value::newArray()}},
       true, "", "", "", "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<SessionUser> user = SessionUser::from(c.userInfo);
    ASSERT_EQ(user.has_value(), c.loggedIn);
    if (!user) continue;
    EXPECT_EQ(user->id, c.id);
    EXPECT_EQ(user->userName, c.userName);
    EXPECT_EQ(user->nickName, c.nickName);
    EXPECT_EQ(user->pwd, c.pwd);
    EXPECT_EQ(user->loginCount, c.loginCount);
  }
}

// ---- the bank check's flags ----

TEST(DownloadStateTest, ReadsTheFlagsOfTheDownloadDictionary) {
  struct Case {
    const char* name;
    core::Value down;
    DownloadState expected;
  };
  const Case cases[] = {
      {"no dictionary", core::Value("Main"), {}},
      {"no flags", core::Value::dictionary(), {}},
      {"booleans and numbers",
       core::Dictionary{{"Main", true}, {"isUpdateDB", 1}, {"isEvenMore", 0}},
       {.main = true, .isUpdateDB = true}},
      {"stored texts",
       core::Dictionary{{"isFirstOpenMain", "YES"}, {"isHavefileName", "NO"}},
       {.isFirstOpenMain = true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DownloadState::from(c.down), c.expected);
  }
}

TEST(DownloadStateTest, WritingKeepsTheCheckReplyAndReadsBack) {
  const DownloadState states[] = {
      {},
      {.isFirstOpenMain = true, .isHavefileName = true},
      {.isEvenMore = true, .main = true, .isUpdateDB = true},
  };
  for (const DownloadState& state : states) {
    core::Value down = core::Dictionary{{"jsonObject", core::Dictionary{{"status", 0}}}, {"Main", true}};
    state.writeTo(down);
    EXPECT_EQ(DownloadState::from(down), state);
    EXPECT_EQ(down["jsonObject"]["status"].toInt(-1), 0);
  }
  core::Value none;
  DownloadState{.main = true}.writeTo(none);
  EXPECT_TRUE(none.isNil());
}

// ---- the running application's session ----

using RunningSession = StartupFixture;

TEST_F(RunningSession, ScreensSeeTheDelegatesUserAndShell) {
  AppDelegate& app = launch();
  Session* session = Session::current();
  ASSERT_EQ(session, static_cast<Session*>(&app));
  EXPECT_EQ(AppShell::current(), static_cast<AppShell*>(&app));
  EXPECT_FALSE(session->isLoggedIn());
  EXPECT_EQ(session->userName(), "");

  app.userSession().set("userInfo", core::Dictionary{{"UserName", "user01"}, {"Pwd", "pw"}});
  ASSERT_TRUE(session->user().has_value());
  EXPECT_EQ(session->user()->pwd, "pw");
  EXPECT_EQ(session->userName(), "user01");

  app.endUserSession();
  EXPECT_FALSE(session->isLoggedIn());
  EXPECT_TRUE(session->entry("isUserLogout").toBool());
}

TEST_F(RunningSession, TheFinishedBackgroundCheckKeepsHowTheCheckWasStarted) {
  AppDelegate& app = launch();
  app.setDownSession(core::Value());  // no check ran yet: setting the flags makes the dictionary
  app.setDownloadState({.isFirstOpenMain = true, .isEvenMore = true, .isUpdateDB = true});
  ASSERT_TRUE(app.downSession().isDictionary());

  app.bankCheckFinished(/*databaseExists=*/true);
  EXPECT_EQ(app.downloadState(), (DownloadState{.isFirstOpenMain = true,
                                                .isEvenMore = true,
                                                .isHavefileName = true,
                                                .main = true,
                                                .isUpdateDB = false}));
}

TEST_F(RunningSession, TheChosenSubjectPrefersTheStoredChoice) {
  AppDelegate& app = launch();
  EXPECT_FALSE(ChosenSubject::current().hasSubject());

  app.userSession().set("saveAppName", core::Dictionary{{"Key", "../x"}, {"Value", "../x"}});
  EXPECT_FALSE(ChosenSubject::current().hasSubject());  // a name that would leave the storage

  app.userSession().set("saveAppName", core::Dictionary{{"Key", "药师"}, {"Value", "yaoshi"}});
  app.userSession().set("saveQuoteName", core::Dictionary{{"Key", "医学"}, {"Value", "yixue"}});
  EXPECT_EQ(app.subject().product, (ChosenSubject::Pair{"药师", "yaoshi"}));
  EXPECT_EQ(app.subject().quote, (ChosenSubject::Pair{"医学", "yixue"}));

  ASSERT_TRUE(VDHelper::saveQuoteProduct(core::Dictionary{{"Key", "中医执业医师"}, {"Value", "zyys"}}));
  EXPECT_EQ(app.subject().product, (ChosenSubject::Pair{"中医执业医师", "zyys"}));
  EXPECT_EQ(app.subject().quote.value, "yixue");
}
