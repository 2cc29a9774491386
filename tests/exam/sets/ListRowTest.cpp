// List rows of questions: the title with its image markers shown as "[图]", and the right answer written
// out as option text.

#include <gmock/gmock.h>

#include "exam/sets/CreateTestsList.h"
#include "exam/sets/TestBuilder.h"
#include "tests/exam/sets/ExamTestSupport.h"

namespace examtest {
namespace {

const core::Value kOptions = core::Array{
    core::Dictionary{{"Name", "A"}, {"Text", "北京"}}, core::Dictionary{{"Name", "B"}, {"Text", "上海"}},
    core::Dictionary{{"Name", "C"}, {"Text", "广州"}}, core::Dictionary{{"Name", "D"}, {"Text", "深圳"}}};

core::Value question(core::Value answer, core::Value options = kOptions, core::Value main = "题目",
                     core::Value front = core::Value()) {
  core::Value q = core::Dictionary{{"AllTestID", "1001"},
                                   {"MainTitle", std::move(main)},
                                   {"Answer", std::move(answer)},
                                   {"ChoiceItems", std::move(options)}};
  if (!front.isNil()) q.set("FrontTitle", std::move(front));
  return q;
}

TEST(QuestionListRow, RowsShowTheTitleAndTheAnswerWrittenOut) {
  struct Case {
    const char* name;
    core::Value question;
    const char* title;
    const char* answerText;
  };
  const Case cases[] = {
      {"one letter", question("B"), "题目", "上海"},
      {"several letters: each option's text and a mark after every one", question("AC"), "题目",
       "北京。广州。"},
      {"a letter no option has", question("E"), "题目", ""},
      {"several letters, one unknown", question("AE"), "题目", "北京。。"},
      {"no answer", question(""), "题目", ""},
      {"a model answer without options", question("先读图[p2.gif]再作答", core::Value()), "题目",
       "先读图[图]再作答"},
      {"a one-character answer without options", question("是", core::Array{}), "题目", ""},
      {"stem and title", question("A", kOptions, "下列说法正确的是", "阅读材料。"),
       "阅读材料。下列说法正确的是", "北京"},
      {"a marker at the start", question("A", kOptions, "[p1.png]所示的城市是"), "[图]所示的城市是", "北京"},
      {"markers in stem and title, any case", question("A", kOptions, "见[图2.JPEG]", "[长城.Png]"),
       "[图]见[图]", "北京"},
      {"a bracketed name that is no image", question("A", kOptions, "见[说明.txt]"), "见[说明.txt]", "北京"},
      {"a name with a blank", question("A", kOptions, "见[a b.png]"), "见[a b.png]", "北京"},
      {"a marker in an option",
       question("A", core::Array{core::Dictionary{{"Name", "A"}, {"Text", "[x.bmp]"}}}), "题目", "[图]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QuestionListRow row = CreateTestsList::analysisListItem(c.question);
    EXPECT_EQ(row.AID, "1001");
    EXPECT_EQ(row.Title, c.title);
    EXPECT_EQ(row.AnswerText, c.answerText);
  }
  // The id is written as text, whatever its form.
  core::Value numbered = question("A");
  numbered.set("AllTestID", 1201);
  EXPECT_EQ(CreateTestsList::analysisListItem(numbered).AID, "1201");
}

using QuestionListRowOfARecord = SampleBankTest;

TEST_F(QuestionListRowOfARecord, RowsOfBuiltQuestionsReadTheirFields) {
  const core::Value set =
      core::Dictionary{{"ID", 1},
                       {"Name", "x"},
                       {"Sessions", core::Array{core::Dictionary{{"Type", "ATEST"}, {"ATestid", "1007"}},
                                                core::Dictionary{{"Type", "BTEST"}, {"BTestid", "1117"}},
                                                core::Dictionary{{"Type", "XTEST"}, {"XTestid", "1013"}},
                                                core::Dictionary{{"Type", "TKTEST"}, {"TKTestid", "1019"}}}}};
  const auto tests = TestBuilder::changeJSonToTestArrayByDB(set);
  ASSERT_TRUE(tests);
  ASSERT_EQ(tests->size(), 6u);
  std::vector<std::string> rows;
  for (const auto& q : *tests) {
    const QuestionListRow row = CreateTestsList::analysisListItem(*q);
    rows.push_back(row.AID + "|" + row.Title + "|" + row.AnswerText);
  }
  EXPECT_THAT(rows, ::testing::ElementsAre(
                        "1007|读图[图]，我国地势的总体特征是（　）。|西高东低，呈三级阶梯状分布",
                        "1117|下列历史事件分别发生在哪个朝代？焚书坑儒|秦朝",
                        "1117|下列历史事件分别发生在哪个朝代？玄奘西行取经|唐朝",
                        "1117|下列历史事件分别发生在哪个朝代？岳飞抗金|宋朝",
                        "1013|下列属于我国四大高原的有（　）。|青藏高原。黄土高原。云贵高原。内蒙古高原。",
                        "1019|我国领土最北端在黑龙江省漠河以北的______主航道中心线上。|黑龙江"));
}

}  // namespace
}  // namespace examtest
