// Question sets built from the sample question bank: the flat order of a set's sessions and the fields of
// each record, favourites, and what is skipped or refused.

#include <gmock/gmock.h>

#include "exam/sets/TestBuilder.h"
#include "platform/core/Text.h"
#include "tests/exam/sets/ExamTestSupport.h"

namespace examtest {
namespace {

using ::testing::ElementsAre;
using QuestionSet = SampleBankTest;

core::Value session(const char* type, const char* prefix, core::Value ids,
                    core::Value favourites = core::Value()) {
  core::Value s = core::Dictionary{{"Type", type}, {std::string(prefix) + "Testid", std::move(ids)}};
  if (!favourites.isNil()) s.set(std::string(prefix) + "Test", std::move(favourites));
  return s;
}

core::Value body(core::Array sessions) {
  return core::Dictionary{{"ID", 111}, {"Name", "地理常识"}, {"Sessions", std::move(sessions)}};
}

TEST_F(QuestionSet, SessionsFlattenInSetOrderWithCasesSplitIntoTheirSubQuestions) {
  core::Value a = session("ATEST", "A", "1003,1001,1999", "1003");
  a.set("Description", "每题有四个备选答案。");
  a.set("StyleID", 1);
  a.set("Style", "单项选择题");
  const core::Value set =
      body({a, session("A3TEST", "A3", "1343,1018", "1343"), session("BTEST", "B", "1117"),
            session("XTEST", "X", "1013"), session("JDTEST", "JD", "1020")});
  const auto tests = TestBuilder::changeJSonToTestArrayByDB(set);
  ASSERT_TRUE(tests);

  struct Expected {
    const char* aid;
    const char* eplId;  // the question's own row id: a sub-question's for case types
    const char* type;
    bool first;
    const char* answer;
    const char* itemNum;
    bool favourite;
  };
  // Rows come by id whatever the order of the list; 1999 is not in the bank. Only the first question
  // of each session carries IsFirst, also when its session has a second case.
  const Expected expected[] = {
      {"1001", "101", "ATEST", true, "C", "4", false},
      {"1003", "103", "ATEST", false, "C", "4", true},
      {"1018", "6101", "A3TEST", true, "B", "4", false},
      {"1018", "6102", "A3TEST", false, "C", "4", false},
      {"1018", "6103", "A3TEST", false, "ABD", "4", false},
      {"1343", "6106", "A3TEST", false, "B", "4", true},
      {"1343", "6107", "A3TEST", false, "C", "4", true},
      {"1343", "6108", "A3TEST", false, "B", "4", true},
      {"1117", "7101", "BTEST", true, "A", "5", false},
      {"1117", "7102", "BTEST", false, "C", "5", false},
      {"1117", "7103", "BTEST", false, "D", "5", false},
      {"1013", "201", "XTEST", true, "ABCE", "5", false},
      {"1020", "401", "JDTEST", true, "", "(null)", false},
  };
  ASSERT_EQ(tests->size(), std::size(expected));
  for (std::size_t i = 0; i < tests->size(); ++i) {
    const Questions& q = *(*tests)[i];
    const Expected& e = expected[i];
    SCOPED_TRACE(std::to_string(i) + " " + e.aid);
    EXPECT_EQ(q.AllTestID, e.aid);
    EXPECT_EQ(q.AllTest_EplID, e.eplId);
    EXPECT_EQ(q.type, e.type);
    EXPECT_EQ(q.IsFirst, e.first);
    if (*e.answer) {
      EXPECT_EQ(q.Answer, e.answer);
    }
    EXPECT_EQ(q.ItemNum, e.itemNum);
    EXPECT_EQ(q.IsFav, e.favourite);
    EXPECT_EQ(q.FavId, e.favourite ? "1" : "-1");
    EXPECT_EQ(q.Cptid, "111");
    EXPECT_EQ(q.Chapter, "地理常识");
    EXPECT_EQ(q.state, AnswerState::NotAnswered);
    EXPECT_EQ(q.reply, "");
    EXPECT_FALSE(q.MainTitle.empty());
  }
  const QuestionsArray& t = *tests;
  // The session's group fields, numbers written as text.
  EXPECT_EQ(t[0]->styleID, "1");
  EXPECT_EQ(t[0]->style, "单项选择题");
  EXPECT_EQ(t[0]->Style_Explain, "每题有四个备选答案。");
  EXPECT_EQ(t[2]->styleID, "(null)");
  // A case's sub-questions share its stem; plain questions have none; each sub-question of an A3TEST
  // case has its own options, those of a BTEST case share the case's list.
  EXPECT_EQ(t[0]->FrontTitle, "");
  EXPECT_EQ(t[0]->MainTitle, "世界上面积最大的大洋是（　）。");
  EXPECT_EQ(t[0]->ChoiceItems[2]["Text"].toString(), "太平洋");
  for (int i : {2, 3, 4}) EXPECT_EQ(t[i]->FrontTitle, t[2]->FrontTitle);
  EXPECT_TRUE(core::hasPrefix(t[2]->FrontTitle, "小明暑假从上海出发"));
  EXPECT_NE(t[5]->FrontTitle, t[2]->FrontTitle);
  EXPECT_EQ(t[2]->MainTitle, "上海位于哪条河流的入海口附近（　）？");
  EXPECT_EQ(t[3]->ChoiceItems[2]["Text"].toString(), "新疆维吾尔自治区");
  EXPECT_EQ(t[8]->ChoiceItems.size(), 5u);
  EXPECT_EQ(t[8]->ChoiceItems, t[10]->ChoiceItems);
  EXPECT_EQ(t[8]->FrontTitle, "下列历史事件分别发生在哪个朝代？");
  EXPECT_EQ(t[8]->MainTitle, "焚书坑儒");
  EXPECT_TRUE(t[12]->ChoiceItems.isNil());
  EXPECT_TRUE(core::hasPrefix(t[12]->Answer, "1. 冬季盛行偏北风"));
}

TEST_F(QuestionSet, FavouritesMatchWholeIdsOfTheList) {
  struct Case {
    const char* name;
    core::Value list;             // Nil: no list at all
    std::vector<bool> favourite;  // of 1001, 1002, 1003
  };
  const Case cases[] = {
      // "10011" holds "1001" as a part only: 1001 is not a favourite.
      {"part of a longer id", "10011,1002", {false, true, false}},
      {"one id", "1003", {false, false, true}},
      {"blanks around ids", " 1001 , 1003", {true, false, true}},
      {"a number", 1002, {false, true, false}},
      {"null", core::Value::null(), {false, false, false}},
      {"absent", core::Value(), {false, false, false}},
      {"empty", "", {false, false, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto tests =
        TestBuilder::changeJSonToTestArrayByDB(body({session("ATEST", "A", "1001,1002,1003", c.list)}));
    ASSERT_TRUE(tests);
    ASSERT_THAT(idsOf(*tests), ElementsAre("1001", "1002", "1003"));
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ((*tests)[i]->IsFav, c.favourite[i]) << i;
  }
}

TEST_F(QuestionSet, UnusableSessionsAreSkippedAndTheOthersBuilt) {
  // Refused: ids the bank lacks, no question type (types are upper case), a list with anything but
  // digits and commas, a list under another type's key, an entry that is no session, a row that does
  // not decipher (1901). Taken: a number as its text.
  const core::Value set = body(
      {session("ATEST", "A", "1999,1998"), session("NOTEST", "NO", "1001"), session("PDTEST", "PD", "1016"),
       session("ATEST", "A", "1001) OR (1=1"), session("ATEST", "A", "1003;DELETE FROM Test"),
       session("ATEST", "A", "1004, 1005"), session("ATEST", "A", ""),
       session("ATEST", "A", core::Value::null()), session("XTEST", "A", "1013"), session("ATEST", "A", 1002),
       core::Value("ATEST"), session("ATEST", "A", "1901,1201"), session("atest", "A", "1006")});
  const auto tests = TestBuilder::changeJSonToTestArrayByDB(set);
  ASSERT_TRUE(tests);
  EXPECT_THAT(idsOf(*tests), ElementsAre("1016", "1002", "1201"));
  // Each session that built something marks its first question.
  for (const auto& q : *tests) EXPECT_TRUE(q->IsFirst) << q->AllTestID;

  // The refused lists never reached the bank: it still answers for every question.
  const auto all =
      TestBuilder::changeJSonToTestArrayByDB(body({session("ATEST", "A", "1001,1002,1003,1004,1005")}));
  ASSERT_TRUE(all);
  EXPECT_EQ(all->size(), 5u);
}

TEST_F(QuestionSet, OnlyASetWithASessionListGivesQuestions) {
  // `n` sessions of the question 1001; a list naming 1001 `n` times.
  auto sessionsOf = [](std::size_t n) {
    core::Array sessions;
    for (std::size_t i = 0; i < n; ++i) sessions.push_back(session("ATEST", "A", "1001"));
    return body(sessions);
  };
  auto idsOf = [](std::size_t n) {
    std::string ids = "1001";
    for (std::size_t i = 1; i < n; ++i) ids += ",1001";
    return core::Value(ids);
  };
  struct Case {
    const char* name;
    core::Value set;
    std::optional<std::size_t> count;  // nothing: no questions at all (not even an empty list)
  };
  const Case cases[] = {
      {"nothing", core::Value(), std::nullopt},
      {"null", core::Value::null(), std::nullopt},
      {"a text", "Sessions", std::nullopt},
      {"an array", core::Array{session("ATEST", "A", "1001")}, std::nullopt},
      {"no sessions", core::Dictionary{{"ID", 1}, {"Name", "x"}}, std::nullopt},
      {"sessions as a dictionary", core::Dictionary{{"Sessions", session("ATEST", "A", "1001")}},
       std::nullopt},
      {"null sessions", core::Dictionary{{"Sessions", core::Value::null()}}, std::nullopt},
      {"no session", body({}), 0},
      {"nothing in the bank", body({session("ATEST", "A", "1999")}), 0},
      {"sessions at the limit", sessionsOf(TestBuilder::kMaxSessions), TestBuilder::kMaxSessions},
      {"sessions past the limit", sessionsOf(TestBuilder::kMaxSessions + 1), std::nullopt},
      {"ids at the limit", body({session("ATEST", "A", idsOf(TestBuilder::kMaxQuestionIds))}), 1},
      {"ids past the limit", body({session("ATEST", "A", idsOf(TestBuilder::kMaxQuestionIds + 1))}),
       std::nullopt},
      {"ids past the limit over two sessions",
       body({session("ATEST", "A", idsOf(TestBuilder::kMaxQuestionIds)), session("ATEST", "A", "1003")}),
       std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto tests = TestBuilder::changeJSonToTestArrayByDB(c.set);
    ASSERT_EQ(tests.has_value(), c.count.has_value());
    if (tests) {
      EXPECT_EQ(tests->size(), *c.count);
    }
  }
}

TEST_F(QuestionSet, RecordTextsAreThePrintedFormOfTheSetsValues) {
  struct Case {
    const char* name;
    core::Value id;
    const char* cptid;
  };
  const Case cases[] = {
      {"number", 111, "111"},
      {"text", "111", "111"},
      {"fraction", JSONValue("[2.5]")[0], "2.5"},
      {"whole decimal", JSONValue("[3.0]")[0], "3"},
      {"missing", core::Value(), "(null)"},
      {"null", core::Value::null(), "<null>"},
      {"boolean", true, "1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    core::Value set =
        core::Dictionary{{"Name", "第一章"}, {"Sessions", core::Array{session("PDTEST", "PD", "1016")}}};
    set.set("ID", c.id);
    const auto tests = TestBuilder::changeJSonToTestArrayByDB(set);
    ASSERT_TRUE(tests);
    ASSERT_EQ(tests->size(), 1u);
    EXPECT_EQ(tests->front()->Cptid, c.cptid);
  }
}

}  // namespace
}  // namespace examtest
