// The pager of an answering run and the values of the shared enumerations.

#include <gtest/gtest.h>

#include "model/AnsweringMode.h"
#include "model/FunctionModule.h"
#include "model/QuestionType.h"
#include "model/TestPager.h"

namespace {

TEST(TestPager, AListStartsAtItsFirstQuestionAndAnEmptyOneHasNone) {
  auto a = std::make_shared<Questions>();
  auto b = std::make_shared<Questions>();
  TestPager pager({a, b});
  EXPECT_EQ(pager.testArray().size(), 2u);
  EXPECT_EQ(pager.currentTest(), a);
  EXPECT_EQ(pager.currentLoadTest(), nullptr);
  pager.setCurrentTest(b);
  EXPECT_EQ(pager.currentTest(), b);

  for (const TestPager& empty : {TestPager(), TestPager(QuestionsArray{})}) {
    EXPECT_TRUE(empty.testArray().empty());
    EXPECT_EQ(empty.currentTest(), nullptr);
  }
}

TEST(Enumerations, TextsAndNumbersAreTheStoredOnes) {
  for (const char* name : {"ATEST", "BTEST", "A3TEST", "XTEST", "PDTEST", "JDTEST", "TKTEST"}) {
    auto type = questionTypeNamed(name);
    ASSERT_TRUE(type) << name;
    EXPECT_STREQ(questionTypeName(*type), name);
  }
  for (const char* other : {"atest", "", "A3", "NOTEST", "ATEST "})
    EXPECT_FALSE(questionTypeNamed(other)) << other;

  EXPECT_EQ(answeringModeLabel(0), "练习模式");
  EXPECT_EQ(answeringModeLabel(1), "测验模式");
  EXPECT_EQ(answeringModeLabel(2), "阅读模式");
  EXPECT_EQ(answeringModeLabel(3), "");

  const std::pair<int, int> reported[] = {{1, 1},      {2, 2},     {7, 7},     {9, 9},
                                          {10, 10000}, {0, 10000}, {99, 10000}};
  for (const auto& [module, number] : reported) EXPECT_EQ(reportedFunctionModule(module), number) << module;
  EXPECT_EQ(static_cast<int>(FunctionModule::FastLearning), 10);
}

}  // namespace
