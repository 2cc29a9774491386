// The answering engine as the shell reaches it: none until one is installed, and the stand-in that
// shell tests use keeping to the engine's contract.

#include <gmock/gmock.h>

#include "tests/pagehelper/AnsweringEngineDouble.h"

using namespace answering_double;

TEST(AnsweringSeam, InstalledEngineBuildsSetsPagersAndScreens) {
  ASSERT_EQ(AnsweringEngine::current(), nullptr);
  auto engine = std::make_shared<FakeAnsweringEngine>();
  engine->bank = {{"1001", "A"}, {"1002", "C"}, {"1013", "1"}};
  AnsweringEngine::setCurrent(engine);
  ASSERT_EQ(AnsweringEngine::current(), engine);

  const core::Value body = core::Dictionary{
      {"ID", 111},
      {"Name", "第一章"},
      {"Sessions", core::Array{core::Dictionary{{"Type", "PDTEST"}, {"PDTestid", "1013"}},
                               core::Dictionary{{"Type", "ATEST"}, {"ATestid", "1002,1001,1999"}},
                               core::Dictionary{{"Type", "NOTEST"}, {"NOTestid", "1001"}}}}};
  const AnsweringQuestionList tests = AnsweringEngine::current()->changeJSonToTestArrayByDB(body);
  std::vector<std::string> ids;
  for (const auto& q : tests) ids.push_back(q->AllTestID());
  EXPECT_THAT(ids, ::testing::ElementsAre("1013", "1001", "1002"));  // sessions in order, rows by id
  EXPECT_EQ(tests[1]->Answer(), "A");
  EXPECT_TRUE(engine->changeJSonToTestArrayByDB(core::Dictionary{{"Sessions", core::Value::null()}}).empty());

  auto pager = engine->newTestPager(tests);
  EXPECT_EQ(pager->currentTest(), tests[0]);
  pager->setCurrentTest(tests[2]);
  EXPECT_EQ(pager->currentTest(), tests[2]);
  EXPECT_EQ(engine->newTestPager({})->currentTest(), nullptr);

  auto screen = std::make_shared<RecordingAnsweringScreen>();
  std::shared_ptr<ui::ViewController> made = screen;
  auto setUp = std::dynamic_pointer_cast<AnsweringScreen>(made);
  ASSERT_NE(setUp, nullptr);
  setUp->setTestPager(pager);
  setUp->setOriginalMode(AnsweringMode::Practice);
  setUp->setRedoMode(true);
  setUp->setTestsJSON(body);
  EXPECT_THAT(screen->calls, ::testing::ElementsAre("setTestPager:", "setOriginalMode:0", "setRedoMode:YES",
                                                    "setTestsJSON:"));

  AnsweringEngine::setCurrent(nullptr);
  EXPECT_EQ(AnsweringEngine::current(), nullptr);
}
