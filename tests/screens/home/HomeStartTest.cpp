// What the home screen does as it loads and appears: notices, the first-login prompt, the automatic
// login from the keychain, the resume offer of the last practice and the first-install unpack.

#include <future>

#include "exam/sets/LastLearningRecordFile.h"
#include "platform/core/PropertyList.h"
#include "platform/runloop/BlockingCall.h"
#include "platform/security/Keychain.h"
#include "tests/screens/home/HomeFixture.h"
#include "util/KeychainItemStore.h"
#include "util/MD5Digest.h"
#include "util/ZipWrapper.h"

namespace home_test {
namespace {

using Home = HomeFixture;

// ---- notices ----

TEST_F(Home, NoticesShowOnceAtTheFirstLoadAfterLaunch) {
  openHome(/*notices=*/true);
  ASSERT_EQ(requests("GetAnnouncement/2.1/GKSample").size(), 1u);
  const core::Value inform = app().userSession()["Inform"];
  ASSERT_TRUE(inform.isArray());
  EXPECT_EQ(inform.size(), 2u);
  ASSERT_NE(homeScreen().informVC(), nullptr);
  EXPECT_EQ(top(), "inform");  // on the window, above the main screen
  EXPECT_FALSE(app().isFirstOpenMain());

  // The main screen made again (a subject switch) does not ask again.
  VDHelper::showMainVC();
  settleRequests();
  EXPECT_EQ(requests("GetAnnouncement").size(), 1u);
}

TEST_F(Home, AnEmptyNoticeListShowsNothing) {
  scenario(R"({"notices": []})");
  MainInterfaceViewController1& home = openHome(/*notices=*/true);
  EXPECT_EQ(requests("GetAnnouncement").size(), 1u);
  EXPECT_EQ(home.informVC(), nullptr);
  EXPECT_FALSE(app().userSession().contains("Inform"));
  EXPECT_EQ(top(), "MainInterfaceViewController1");
}

// ---- first login ----

TEST_F(Home, TheFirstLoginOffersThePersonalData) {
  loginAs("demo", /*loginCount=*/1);
  app().setIsfirstLogin(true);
  openHome();
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->message(), "欢迎首次登录，是否现在完善个人资料？");
  EXPECT_FALSE(app().isfirstLogin());
  ASSERT_TRUE(h().press("确定"));
  h().settle();
  EXPECT_EQ(top(), "PersonalDataViewController");

  // Once per login: the next home screen asks nothing.
  VDHelper::showMainVC();
  settleRequests();
  EXPECT_EQ(h().alert(), nullptr);
}

// ---- automatic login ----

struct AutoLoginCase {
  const char* name;
  bool isAutoLogon;
  std::string account, password;
  bool userLogout;
  bool unLogon;
  bool sent;
};

const AutoLoginCase kAutoLogin[] = {
    {"all met", true, "user01", "secret1", false, false, true},
    {"auto logon off", false, "user01", "secret1", false, false, false},
    {"empty password", true, "user01", "", false, false, false},
    {"empty account", true, "", "secret1", false, false, false},
    {"logged out", true, "user01", "secret1", true, false, false},
    {"login screen said no", true, "user01", "secret1", false, true, false},
};

TEST_F(Home, AutomaticLoginRunsOnlyWhenEveryConditionHolds) {
  for (const AutoLoginCase& c : kAutoLogin) {
    SCOPED_TRACE(c.name);
    server().clearJournal();
    app().userSession().remove("userInfo");
    app().userSession().set("isUserLogout", c.userLogout);
    core::UserDefaults::standard().setBool("isAutoLogon", c.isAutoLogon);
    {
      rl::ScopedAllowBlocking setUp;  // the test's own writes, not the application's
      KeychainItemStore keychain(MainInterfaceViewController1::kKeychainIdentifier);
      keychain.resetKeychainItem();
      keychain.setObject(c.account, sec::kSecAttrAccount);
      keychain.setObject(c.password, sec::kSecValueData);
    }
    // A home screen made as the login screen leaves it (isUnLogon), shown as the main screen's centre.
    auto home = std::make_shared<MainInterfaceViewController1>();
    home->setIsUnLogon(c.unLogon);
    h().setRoot(std::make_shared<ui::NavigationController>(home));
    h().settle();
    settleRequests();
    const auto logins = requests("User/login");
    ASSERT_EQ(logins.size(), c.sent ? 1u : 0u);
    EXPECT_EQ(home->autologinVC() != nullptr, c.sent);
    if (c.sent) {
      const core::Value body = JSONValue(logins[0]["body"].toString());
      EXPECT_EQ(body["UserName"].toString(), "user01");
      EXPECT_EQ(body["Pwd"].toString(), "secret1");
    }
  }
}

TEST_F(Home, AutomaticLoginLogsInAndReturnsToTheMainScreen) {
  core::UserDefaults::standard().setBool("isAutoLogon", true);
  {
    rl::ScopedAllowBlocking setUp;  // the test's own writes, not the application's
    KeychainItemStore keychain(MainInterfaceViewController1::kKeychainIdentifier);
    keychain.setObject("demo", sec::kSecAttrAccount);
    keychain.setObject("demo123", sec::kSecValueData);
  }
  auto loads = [this] {
    int n = 0;
    for (const std::string& call : h().lifecycle()) n += call == "MainInterfaceViewController1.viewDidLoad";
    return n;
  };
  openHome();
  // The login answers, then the main screen is made again with a new home screen.
  ASSERT_TRUE(runUntil([&] {
    h().settle(0.2);
    return loads() == 2;
  })) << "no new main screen";
  settleRequests();
  ASSERT_NE(h().alert(), nullptr);
  const core::Value userInfo = app().userSession()["userInfo"];
  EXPECT_EQ(userInfo["UserName"].toString(), "demo");
  EXPECT_EQ(userInfo["Pwd"].toString(), "demo123");
  EXPECT_TRUE(AppDelegate::isAutoLoginTimerRunning());
  EXPECT_EQ(app().userSession()["appInfo"]["EName"].toString(), kSubject);
  // demo's first login: the new home screen offers the personal data.
  EXPECT_EQ(h().alert()->message(), "欢迎首次登录，是否现在完善个人资料？");
  EXPECT_EQ(homeScreen().registButton()->currentTitle(), "注销");
  EXPECT_EQ(requests("User/login").size(), 1u);  // the new home screen does not log in again
  app().stopAutoLoginTimer();
}

// ---- resume of the last practice ----

struct Record {
  std::string subject = kSubject;
  int module = 2;
  std::string ids = "1001,1002,1003";  // sample questions whose answers are C, B, C
  std::string currentID = "1002";
  core::Value testsRecord;
  std::string packageName = LastLearningRecordFile::packageName();
};

void writeRecord(const std::string& user, const Record& r) {
  core::Value session = core::Dictionary{{"Type", "ATEST"}, {"ATestid", r.ids}};
  core::Value body = core::Dictionary{{"ID", 7}, {"Name", "第一章"}, {"Sessions", core::Array{session}}};
  core::Value testsJSON = core::Dictionary{{"Body", body}};
  core::Value reply = core::Dictionary{{"CurrentID", r.currentID},
                                       {"ExamingMode", 1},
                                       {"ChapterName", "第一章"},
                                       {"TestsRecord", r.testsRecord}};
  core::Value learning =
      core::Dictionary{{"TestsJSON", JSONRepresentation(testsJSON).value_or("")}, {"ReplyRecord", reply}};
  core::Value element = core::Dictionary{{"SoftEName", r.subject},
                                         {"CurrentModule", r.module},
                                         {"LearningRecordArr", learning},
                                         {"PackageName", r.packageName}};
  const std::string path = VDHelper::lastLearningRecordSavePath() + "/" + *stringFromMD5(user);
  rl::ScopedAllowBlocking setUp;  // the test's own write, not the application's
  ASSERT_TRUE(core::PropertyList::writeFile(path, core::Array{element}));
}

core::Value entry(const char* id, const char* reply) {
  return core::Dictionary{{"AllTestID", id}, {"Reply", reply}};
}

struct Restored {
  std::string reply;
  AnswerState state;
};

std::vector<Restored> restored(const TestPager& pager) {
  std::vector<Restored> out;
  for (const auto& q : pager.testArray()) out.push_back({q->reply, q->state});
  return out;
}

TEST_F(Home, ResumeRestoresRepliesStatesAndTheCurrentQuestion) {
  installSampleBank();
  loginAs("user01");
  struct Case {
    const char* name;
    core::Value testsRecord;
    std::string currentID;
    std::vector<Restored> expected;
    std::string current;
  };
  const std::vector<Case> cases = {
      {"in place",
       core::Array{entry("1001", "C"), entry("1002", "C"), entry("1003", "")},
       "1002",
       {{"C", AnswerState::Right}, {"C", AnswerState::Wrong}, {"", AnswerState::NotAnswered}},
       "1002"},
      // Out of place: the reply follows its question, the state is left as it was.
      {"out of place",
       core::Array{entry("1002", "B"), entry("1001", "C")},
       "1001",
       {{"C", AnswerState::NotAnswered}, {"B", AnswerState::NotAnswered}, {"", AnswerState::NotAnswered}},
       "1001"},
      // A record shorter than the list: later questions get nothing and never become current.
      {"short",
       core::Array{entry("1001", "B")},
       "1003",
       {{"B", AnswerState::Wrong}, {"", AnswerState::NotAnswered}, {"", AnswerState::NotAnswered}},
       "1001"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Record r;
    r.testsRecord = c.testsRecord;
    r.currentID = c.currentID;
    writeRecord("user01", r);
    answering_.reset();
    MainInterfaceViewController1& home = openHome();
    ASSERT_TRUE(home.lastLearningRecordDic().isDictionary());
    ASSERT_TRUE(tapFunction(2));
    ASSERT_NE(h().alert(), nullptr);
    EXPECT_EQ(h().alert()->message(), MainInterfaceViewController1::kResumeMessage);
    ASSERT_TRUE(h().press("是"));
    ASSERT_TRUE(waitForTop("ExammingViewController")) << top();  // the run is restored on a worker
    ASSERT_NE(answering_, nullptr);
    const auto got = restored(*answering_->testPager());
    ASSERT_EQ(got.size(), c.expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(got[i].reply, c.expected[i].reply);
      EXPECT_EQ(got[i].state, c.expected[i].state);
    }
    EXPECT_EQ(answering_->testPager()->currentTest()->AllTestID, c.current);
    EXPECT_EQ(answering_->originalMode(), AnsweringMode::Exam);
    EXPECT_EQ(answering_->redoMode(), AnsweringMode::Exam);
    EXPECT_EQ(answering_->chapterName(), "第一章");
    EXPECT_FALSE(answering_->isAllow());
    EXPECT_FALSE(answering_->unSaveRecord());
    EXPECT_FALSE(answering_->functionState().has_value());
    EXPECT_EQ(answering_->testsJSON()["Body"]["Name"].toString(), "第一章");
  }
}

// Only a record this build wrote, of the chosen bank and of the module tapped, is offered.
TEST_F(Home, ARecordOfAnotherBuildBankOrModuleIsNotOffered) {
  installSampleBank();
  loginAs("user01");
  struct Case {
    const char* name;
    Record record;
  };
  Record build, bank, module;  // the function tapped is module 7
  build.module = 7;
  build.packageName = "AlixPayOther";
  bank.module = 7;
  bank.subject = "GKOther";
  module.module = 2;
  for (const Case& c :
       {Case{"another build", build}, Case{"another bank", bank}, Case{"another module", module}}) {
    SCOPED_TRACE(c.name);
    Record r = c.record;
    r.testsRecord = core::Array{entry("1001", "C")};
    writeRecord("user01", r);
    openHome();
    ASSERT_TRUE(tapFunction(7));
    EXPECT_EQ(h().alert(), nullptr);
    EXPECT_EQ(top(), "errorRedoList");
  }
}

TEST_F(Home, DecliningTheResumeOpensTheFunction) {
  installSampleBank();
  loginAs("user01");
  Record r;
  r.module = 7;
  r.testsRecord = core::Array{entry("1001", "C")};
  writeRecord("user01", r);
  openHome();
  ASSERT_TRUE(tapFunction(7));
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->buttonTitleAtIndex(0), "否");
  EXPECT_EQ(h().alert()->buttonTitleAtIndex(1), "是");
  ASSERT_TRUE(h().press("否"));
  h().settle();
  EXPECT_EQ(top(), "errorRedoList");
}

TEST_F(Home, ARecordOfAnotherSubjectModuleOrWithoutQuestionsIsNotOffered) {
  installSampleBank();
  loginAs("user01");
  struct Case {
    const char* name;
    Record record;
    int tag;
    std::string opens;
  };
  Record otherSubject;
  otherSubject.subject = "zyys";
  Record favourites;  // module 4 asked, the record is of module 7
  favourites.module = 7;
  Record unknownQuestions;
  unknownQuestions.ids = "900,901";  // not in the bank
  const Case cases[] = {
      {"another subject", otherSubject, 2, "examSetting1"},
      {"another module", favourites, 6, "myFavorites"},
      {"no questions", unknownQuestions, 2, "examSetting1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    writeRecord("user01", c.record);
    openHome();
    ASSERT_TRUE(tapFunction(c.tag));
    EXPECT_EQ(h().alert(), nullptr);
    EXPECT_EQ(top(), c.opens);
  }
}

// ---- first-install unpack ----

std::string documentsArchive() { return core::Paths::documents() + "/" + kSubject + ".zip"; }
// The unpack's cache directory, named without creating it (VDHelper's directory calls create theirs).
std::string cacheDirectory() { return core::Paths::caches() + "/downloadCache/" + kSubject; }

// Holds the unpack thread at its start until release(), so that the test can tell the unpack's
// requests from those of the main screen's own start.
class UnpackHold {
 public:
  explicit UnpackHold(HomeFixture& fixture) : fixture_(fixture), released_(release_.get_future().share()) {
    fixture_.setUnpackGate([f = released_, this] {
      ++entered;
      f.wait();
    });
  }
  ~UnpackHold() {
    release();
    fixture_.setUnpackGate({});
  }
  void release() {
    if (!done_) release_.set_value();
    done_ = true;
  }
  std::atomic<int> entered{0};

 private:
  HomeFixture& fixture_;
  std::promise<void> release_;
  std::shared_future<void> released_;
  bool done_ = false;
};

// The update-centre queries of the unpack: the synchronous one asks with the bank's batch.
std::vector<core::Value> bankQueries() {
  std::vector<core::Value> out;
  for (const core::Value& q : HomeFixture::requests("1.0/json/query"))
    out.push_back(JSONValue(q["body"].toString()));
  return out;
}

TEST_F(Home, AnArchiveInTheDocumentsIsUnpackedIntoTheBankAndImages) {
  core::Paths::createDirectories(core::Paths::documents());
  std::filesystem::copy_file(sampleFile("GKSample.zip"), documentsArchive());
  const int before = MainInterfaceViewController1::finishedUnpacks();
  UnpackHold hold(*this);
  openHome();
  ASSERT_TRUE(runUntil([&] { return hold.entered.load() == 1; }));
  server().clearJournal();
  hold.release();
  ASSERT_TRUE(runUntil([&] { return MainInterfaceViewController1::finishedUnpacks() > before; }));
  settleRequests();
  EXPECT_TRUE(VDHelper::isHavefileName());
  EXPECT_TRUE(core::Paths::isRegularFile(VDHelper::imageSavePath() + "/gk_compass.PNG"));
  EXPECT_FALSE(core::Paths::fileExists(documentsArchive()));
  EXPECT_FALSE(core::Paths::fileExists(cacheDirectory()));
  // The update centre is asked at the end, with the new bank's batch.
  const auto queries = bankQueries();
  ASSERT_EQ(queries.size(), 1u);
  EXPECT_GE(queries[0]["max_batchid"].toInt(-1), 0);

  // Nothing is left to unpack: the next appearance leaves the bank alone.
  ASSERT_TRUE(tapFunction(3));
  homeScreen().navigationController()->popViewController(false);
  h().settle();
  ASSERT_TRUE(runUntil([] { return !MainInterfaceViewController1::isUnpacking(); }));
  EXPECT_TRUE(VDHelper::isHavefileName());
}

TEST_F(Home, AnArchiveWithoutTheBankStopsAfterTheUnzip) {
  core::Paths::createDirectories(core::Paths::documents());
  {
    ZipWrapper zip;
    ASSERT_TRUE(zip.CreateZipFile2(documentsArchive()));
    ASSERT_TRUE(zip.addFileToZip(sampleFile("ImgDir_GKSample.zip"), "ImgDir_GKSample.zip"));
    ASSERT_TRUE(zip.CloseZipFile2());
  }
  const int before = MainInterfaceViewController1::finishedUnpacks();
  UnpackHold hold(*this);
  openHome();
  ASSERT_TRUE(runUntil([&] { return hold.entered.load() == 1; }));
  server().clearJournal();
  hold.release();
  ASSERT_TRUE(runUntil([&] { return MainInterfaceViewController1::finishedUnpacks() > before; }));
  settleRequests();
  EXPECT_FALSE(VDHelper::isHavefileName());
  // The cache directory stays with what was unzipped; no image reached the image directory.
  EXPECT_TRUE(core::Paths::isRegularFile(cacheDirectory() + "/ImgDir_GKSample.zip"));
  EXPECT_FALSE(core::Paths::fileExists(VDHelper::imageSavePath() + "/gk_compass.PNG"));
  EXPECT_TRUE(bankQueries().empty());
  // The home screen keeps working: without a bank the download is offered.
  ASSERT_TRUE(tapFunction(3));
  ASSERT_TRUE(runUntil([this] { return h().alert() != nullptr; }));
  settleRequests();
  EXPECT_EQ(top(), "MainInterfaceViewController1");
}

TEST_F(Home, OnlyOneUnpackRunsAtATime) {
  core::Paths::createDirectories(core::Paths::documents());
  std::filesystem::copy_file(sampleFile("GKSample.zip"), documentsArchive());
  const int before = MainInterfaceViewController1::finishedUnpacks();
  UnpackHold hold(*this);
  MainInterfaceViewController1& home = openHome();
  ASSERT_TRUE(runUntil([&] { return hold.entered.load() == 1; }));
  // The screen appears again (back from a function) while the first unpack holds: no second unpack
  // of the same archive starts.
  ASSERT_TRUE(tapFunction(3));
  home.navigationController()->popViewController(false);
  h().settle();
  EXPECT_EQ(top(), "MainInterfaceViewController1");
  EXPECT_TRUE(MainInterfaceViewController1::isUnpacking());
  hold.release();
  ASSERT_TRUE(runUntil([] { return !MainInterfaceViewController1::isUnpacking(); }));
  EXPECT_EQ(hold.entered.load(), 1);
  EXPECT_EQ(MainInterfaceViewController1::finishedUnpacks(), before + 1);
  EXPECT_TRUE(VDHelper::isHavefileName());
}

}  // namespace
}  // namespace home_test
