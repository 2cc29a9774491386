// The practice hub's four entries as a user taps them: the module each records and the screen it opens,
// the offer to resume the stored run of that module only (restored on a worker), and the bank download
// instead of any screen when the bank is missing.
#include <filesystem>

#include "exam/sets/TestBuilder.h"
#include "platform/runloop/BlockingCall.h"
#include "screens/home/MainInterfaceViewController1.h"
#include "screens/practice/ChaptListViewController.h"
#include "screens/practice/SimulateExamsViewController.h"
#include "tests/screens/practice/PracticeFixture.h"
#include "tests/support/BuildGate.h"

namespace practice_test {
namespace {

using Button = ui::Button* (SimulateExamsViewController::*)() const;

class Hub : public PracticeFixture {
 protected:
  // The home screen keeps the last learning record the hub asks about (the application delegate's
  // mainInterfaceVC, made as a launch makes it).
  void SetUp() override {
    PracticeFixture::SetUp();
    if (HasFatalFailure()) return;
    home_ = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("sidebar");
    ASSERT_NE(dynamic_cast<MainInterfaceViewController1*>(home_.get()), nullptr);
    app().setMainInterfaceVC(home_);
  }
  void TearDown() override {
    app().setMainInterfaceVC(nullptr);
    home_.reset();
    PracticeFixture::TearDown();
  }
  std::shared_ptr<ui::ViewController> home_;

  SimulateExamsViewController* openHub() {
    return push<SimulateExamsViewController>(SimulateExamsViewController::kIdentifier);
  }
  bool tapEntry(SimulateExamsViewController& hub, Button button) {
    ui::Button* b = (hub.*button)();
    if (!b || !h().tap(*b)) return false;
    settleAll();
    return true;
  }
  void backTo(SimulateExamsViewController& hub) {
    while (h().topScreen() != &hub && navigation().viewControllers().size() > 1) {
      navigation().popViewController(false);
      h().settle();
    }
  }
  // Stores user01's run in progress: chapter 111 in exam mode, left at its third question.
  QuestionsArray storeRun(int module) {
    auto reply = server().request("GET", "/api/1.0/json/exam/GKSample/Chapter/Test/111", "", {});
    EXPECT_TRUE(reply && reply->status == 200);
    const core::Value json = JSONValue(reply ? reply->body : "");
    const QuestionsArray tests = TestBuilder::changeJSonToTestArrayByDB(json["Body"]).value_or(QuestionsArray{});
    EXPECT_GE(tests.size(), 3u);
    if (tests.size() < 3) return tests;
    const core::Value record =
        LearningRecordFile::record(AnsweringMode::Exam, "地理常识", VDHelper::now(), tests, tests[2], json);
    const auto path = LearningRecordFile::pathFor(VDHelper::lastLearningRecordSavePath(), "user01");
    rl::ScopedAllowBlocking setUp;  // the test's own writes, not the application's
    EXPECT_TRUE(path && LastLearningRecordFile(*path).write(review_test::kSubject, record, module));
    return tests;
  }
};

TEST_F(Hub, EachEntryRecordsItsModuleAndOpensItsScreen) {
  struct Case {
    const char* name;
    Button button;
    int module;
    const char* screen;
    int testMode;  // -1: not a chapter list
    const char* title;
  };
  const Case cases[] = {
      {"simulated exam", &SimulateExamsViewController::btnExamSetting, 2, "ExamSetting1ViewController", -1, ""},
      {"chapter test", &SimulateExamsViewController::btnChapter, 9, "ChaptListViewController", 1, "章节测试"},
      {"chapter practice", &SimulateExamsViewController::btnChapterPratice, 1, "ChaptListViewController", 0,
       "章节练习"},
      {"fast learning", &SimulateExamsViewController::btnFastLearning, 10, "FastLearnViewController", -1, ""},
  };
  SimulateExamsViewController* hub = openHub();
  ASSERT_NE(hub, nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    backTo(*hub);
    ASSERT_TRUE(tapEntry(*hub, c.button));
    EXPECT_EQ(h().alert(), nullptr) << "no stored run: nothing asked";
    EXPECT_EQ(app().currentModule(), c.module);
    EXPECT_EQ(hub->isChapterOnExam(), c.module == 2 ? 1 : 0);
    EXPECT_EQ(topClass(), c.screen);
    if (c.testMode < 0) continue;
    auto* list = topAs<ChaptListViewController>();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->testMode(), c.testMode);
    EXPECT_EQ(list->title(), c.title);
    EXPECT_EQ(list->backButtonTitle(), "章节练习");
  }
}

TEST_F(Hub, AStoredRunIsOfferedOnlyOnTheEntryOfItsModule) {
  const QuestionsArray tests = storeRun(9);
  ASSERT_GE(tests.size(), 3u);
  SimulateExamsViewController* hub = openHub();
  ASSERT_NE(hub, nullptr);
  ASSERT_NE(app().mainInterfaceVC(), nullptr);
  auto* home = dynamic_cast<MainInterfaceViewController1*>(app().mainInterfaceVC().get());
  ASSERT_NE(home, nullptr);
  EXPECT_TRUE(home->lastLearningRecordDic().isDictionary());

  // Chapter practice (module 1) opens its list at once.
  ASSERT_TRUE(tapEntry(*hub, &SimulateExamsViewController::btnChapterPratice));
  EXPECT_EQ(h().alert(), nullptr);
  EXPECT_EQ(topClass(), "ChaptListViewController");
  backTo(*hub);

  // Chapter test (module 9): "是" reopens the stored run where it was left.
  ASSERT_TRUE(tapEntry(*hub, &SimulateExamsViewController::btnChapter));
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->message(), "回到上次练习的试题");
  EXPECT_EQ(h().topScreen(), hub) << "nothing opens before the answer";
  ASSERT_TRUE(press("是"));
  auto* answering = this->answering();
  ASSERT_NE(answering, nullptr);
  ASSERT_NE(answering->pager(), nullptr);
  EXPECT_EQ(answering->pager()->testArray().size(), tests.size());
  EXPECT_EQ(answering->pager()->currentTest()->AllTestID, tests[2]->AllTestID);
  EXPECT_EQ(answering->calls, (std::vector<std::string>{"setTestPager:", "setOriginalMode:1", "setRedoMode:1",
                                                        "setChapterName:地理常识", "setTestsJSON:"}));
  backTo(*hub);

  // "否" starts afresh: the chapter list of the chosen button.
  ASSERT_TRUE(tapEntry(*hub, &SimulateExamsViewController::btnChapter));
  ASSERT_TRUE(press("否"));
  auto* list = topAs<ChaptListViewController>();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->testMode(), 1);
  EXPECT_EQ(list->title(), "章节测试");
}

// The offer reads no bank on the main thread; "是" restores the run on a worker, and a hub closed
// meanwhile opens nothing.
TEST_F(Hub, TheStoredRunIsRestoredOnAWorkerAndAClosedHubOpensNothing) {
  storeRun(9);
  SimulateExamsViewController* hub = openHub();  // settled: the record's questions were counted
  ASSERT_NE(hub, nullptr);
  testsupport::BuildGate gate;
  ASSERT_TRUE(h().tap(*hub->btnChapter()));
  h().settle();
  ASSERT_NE(h().alert(), nullptr);
  EXPECT_EQ(h().alert()->message(), "回到上次练习的试题");
  ASSERT_TRUE(h().press("是"));
  h().settle();
  ASSERT_TRUE(gate.awaitHeld());
  EXPECT_EQ(h().topScreen(), hub) << "nothing opens before the run is restored";
  std::weak_ptr<ui::ViewController> asked = hub->weak_from_this();
  navigation().popToRootViewController(false);
  h().settle();
  EXPECT_TRUE(asked.expired());
  gate.openAndFinish();
  h().settle();
  EXPECT_EQ(gate.buildsOnMainThread(), 0);
  EXPECT_EQ(h().alert(), nullptr);
  EXPECT_EQ(navigation().viewControllers().size(), 1u) << "nothing opened";
}

TEST_F(Hub, NoOnFastLearningsOfferOpensTheChapterLevels) {
  storeRun(10);
  SimulateExamsViewController* hub = openHub();
  ASSERT_NE(hub, nullptr);
  ASSERT_TRUE(tapEntry(*hub, &SimulateExamsViewController::btnFastLearning));
  ASSERT_NE(h().alert(), nullptr);
  ASSERT_TRUE(press("否"));
  EXPECT_EQ(topClass(), "FastLearnViewController");
}

TEST_F(Hub, WithoutTheBankEveryEntryStartsTheDownloadAndOpensNothing) {
  SimulateExamsViewController* hub = openHub();
  ASSERT_NE(hub, nullptr);
  std::filesystem::remove(VDHelper::dbSavePath() + "/" + review_test::kSubject + ".db");
  const Button buttons[] = {&SimulateExamsViewController::btnExamSetting, &SimulateExamsViewController::btnChapter,
                            &SimulateExamsViewController::btnChapterPratice,
                            &SimulateExamsViewController::btnFastLearning};
  app().setCurrentModule(0);
  for (Button b : buttons) {
    app().setDownSession(core::Value());
    ASSERT_TRUE(tapEntry(*hub, b));
    const core::Value down = app().downSession();
    EXPECT_EQ(down["isHavefileName"].toBool(true), false);
    EXPECT_EQ(down["Main"].toBool(true), false);
    EXPECT_EQ(down["isEvenMore"].toBool(true), false);
    EXPECT_EQ(down["isUpdateDB"].toBool(true), false);
    while (h().alert()) press(h().alert()->buttonTitleAtIndex(0));
    EXPECT_EQ(h().topScreen(), hub);
    EXPECT_EQ(app().currentModule(), 0) << "no module is entered";
  }
}

}  // namespace
}  // namespace practice_test
