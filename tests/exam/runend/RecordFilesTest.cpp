// What a run leaves on disk and sends, without a screen: the learning history (replacing the record of
// a chapter left at the same question, five runs per bank, other banks kept), the run in progress, the
// chapter result file, files that cannot be read put aside, and the reply-log document.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "exam/sets/ChapterResultFile.h"
#include "exam/sets/LastLearningRecordFile.h"
#include "exam/sets/LearningRecordFile.h"
#include "exam/sets/RecordArrayFile.h"
#include "exam/sets/ReplyLogRequest.h"
#include "librarys/json/JsonParser.h"
#include "platform/core/Bundle.h"
#include "platform/core/DateFormatter.h"
#include "platform/core/PropertyList.h"
#include "tests/support/TempDir.h"
#include "util/MD5Digest.h"

namespace {

std::shared_ptr<Questions> question(const std::string& id, const std::string& type, const std::string& answer,
                                    AnswerState state = AnswerState::NotAnswered,
                                    const std::string& reply = "") {
  auto q = std::make_shared<Questions>();
  q->AllTestID = id;
  q->AllTest_EplID = "e" + id;
  q->type = type;
  q->Answer = answer;
  q->state = state;
  q->reply = reply;
  return q;
}

class RecordFiles : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(dir_.empty()); }
  std::string path(const std::string& name) const { return dir_ + "/" + name; }

  // A learning record of chapter `chapter` left at question `current` (of three), saved at `second`.
  static core::Value run(const std::string& chapter, int current, int second = 0) {
    QuestionsArray tests{question("1", "ATEST", "A", AnswerState::Right, "A"), question("2", "ATEST", "B"),
                         question("3", "JDTEST", "x", AnswerState::FreeText, "文字")};
    return LearningRecordFile::record(AnsweringMode::Exam, chapter, core::Date{1700000000.0 + second}, tests,
                                      tests[static_cast<std::size_t>(current)],
                                      core::Dictionary{{"Body", core::Dictionary{{"Name", chapter}}}});
  }
  static std::vector<std::string> chapters(const core::Value& records) {
    std::vector<std::string> out;
    for (const core::Value& r : records.array())
      out.push_back(r["ReplyRecord"]["ChapterName"].toString() + "@" +
                    r["ReplyRecord"]["CurrentID"].toString());
    return out;
  }

  const testsupport::TempDir temp_{"vd-runend"};
  const std::string dir_ = temp_.path();
};

TEST_F(RecordFiles, ALearningRecordListsEveryReplyAndTheCurrentQuestion) {
  const core::Value r = run("第一章", 1);
  const core::Value reply = r["ReplyRecord"];
  EXPECT_EQ(reply["ExamingMode"].toInt(), 1);
  EXPECT_EQ(reply["ChapterName"].toString(), "第一章");
  EXPECT_EQ(reply["SaveTime"].toString(),
            core::DateFormatter("yyyy-MM-dd HH:mm:ss").format(core::Date{1700000000.0}));
  EXPECT_EQ(reply["CurrentID"].toString(), "2");
  ASSERT_EQ(reply["TestsRecord"].size(), 3u);
  EXPECT_EQ(reply["TestsRecord"][1]["AllTestID"].toString(), "2");
  EXPECT_TRUE(reply["TestsRecord"][1]["Reply"].isString()) << "no reply is stored as an empty text";
  EXPECT_EQ(reply["TestsRecord"][1]["Reply"].toString(), "");
  EXPECT_EQ(reply["TestsRecord"][2]["Reply"].toString(), "文字");
  EXPECT_EQ(JSONValue(r["TestsJSON"].toString())["Body"]["Name"].toString(), "第一章");
  EXPECT_EQ(LearningRecordFile::pathFor(dir_, "user01"), dir_ + "/" + *stringFromMD5("user01"));
  EXPECT_FALSE(LearningRecordFile::pathFor(dir_, "").has_value()) << "a guest has no file";
}

TEST_F(RecordFiles, TheHistoryKeepsFiveRunsPerBankNewestFirst) {
  struct Step {
    const char* bank;
    core::Value record;
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
    std::vector<std::string> banks;      // the banks in file order
    std::vector<std::string> firstBank;  // the records of the first bank
  };
  const std::vector<Case> cases = {
      {"same chapter, same question: replaced, on top",
       {{"GK", run("一", 1, 1)}, {"GK", run("二", 0, 2)}, {"GK", run("一", 1, 3)}},
       {"GK"},
       {"一@2", "二@1"}},
      {"same chapter, another question: a second record",
       {{"GK", run("一", 1)}, {"GK", run("一", 2)}},
       {"GK"},
       {"一@3", "一@2"}},
      {"a sixth run drops the oldest; the other bank stays, moved down",
       {{"GK", run("1", 0)},
        {"XX", run("x", 0)},
        {"GK", run("2", 0)},
        {"GK", run("3", 0)},
        {"GK", run("4", 0)},
        {"GK", run("5", 0)},
        {"GK", run("6", 0)}},
       {"GK", "XX"},
       {"6@1", "5@1", "4@1", "3@1", "2@1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const LearningRecordFile file(path(c.name));
    for (const Step& s : c.steps) ASSERT_TRUE(file.store(s.bank, s.record));
    const core::Value banks = core::PropertyList::readFile(file.path());
    std::vector<std::string> names;
    for (const core::Value& b : banks.array()) names.push_back(b["SoftEName"].toString());
    EXPECT_EQ(names, c.banks);
    EXPECT_EQ(chapters(banks[0]["LearningRecordArr"]), c.firstBank);
  }
  // The other bank's entry is kept whole.
  EXPECT_EQ(chapters(LearningRecordFile(path(cases[2].name)).records("XX")), std::vector<std::string>{"x@1"});
}

TEST_F(RecordFiles, AnUnreadableFileIsPutAsideNotOverwritten) {
  const std::string broken = "<?xml version=\"1.0\"?><plist><array><dict><key>SoftEName";
  for (const std::string& name : {std::string("history"), std::string(ChapterResultFile::kChapterTestName)}) {
    SCOPED_TRACE(name);
    const std::string p = path(name);
    std::ofstream(p) << broken;
    if (name == "history") {
      ASSERT_TRUE(LearningRecordFile(p).store("GK", run("一", 0)));
      EXPECT_EQ(LearningRecordFile(p).read().size(), 1u);
    } else {
      ASSERT_TRUE(ChapterResultFile(p).store(ChapterResultFile::entry("7", "u", "GK", 1, 1, 100)));
      EXPECT_EQ(ChapterResultFile(p).read().size(), 1u);
    }
    std::ifstream aside(p + ".unreadable");
    std::string kept((std::istreambuf_iterator<char>(aside)), std::istreambuf_iterator<char>());
    EXPECT_EQ(kept, broken);
    EXPECT_EQ(RecordArrayFile::asidePath(p), p + ".unreadable.2");
  }
}

TEST_F(RecordFiles, TheRunInProgressIsOneElementWithOneRecord) {
  const LastLearningRecordFile file(path("la/" + *stringFromMD5("user01")));
  EXPECT_TRUE(file.read().isNil());
  ASSERT_TRUE(file.write("GKSample", run("一", 2), 7));
  ASSERT_TRUE(file.write("GKSample", run("二", 1), 2));  // rewritten whole
  const core::Value stored = core::PropertyList::readFile(file.path());
  ASSERT_EQ(stored.size(), 1u);
  const core::Value element = stored[0];
  EXPECT_TRUE(element["LearningRecordArr"].isDictionary()) << "one record, not an array of them";
  EXPECT_EQ(element["LearningRecordArr"]["ReplyRecord"]["ChapterName"].toString(), "二");
  EXPECT_EQ(element["CurrentModule"].toInt(), 2);
  EXPECT_EQ(element["PackageName"].toString(), "AlixPay" + core::Bundle::main().bundleName());
  EXPECT_FALSE(core::Bundle::main().bundleName().empty());

  struct Match {
    const char* name;
    core::Value element;
    std::string bank;
    int module;
    bool accepted;
  };
  core::Value otherBuild = element.deepCopy();
  otherBuild.set("PackageName", "AlixPayOther");
  const std::vector<Match> matches = {{"this build, bank and module", file.read(), "GKSample", 2, true},
                                      {"another module", element, "GKSample", 7, false},
                                      {"another bank", element, "GKOther", 2, false},
                                      {"another build", otherBuild, "GKSample", 2, false},
                                      {"nothing stored", core::Value(), "GKSample", 2, false}};
  for (const Match& m : matches)
    EXPECT_EQ(LastLearningRecordFile::matches(m.element, m.bank, m.module), m.accepted) << m.name;

  file.remove();
  EXPECT_FALSE(std::filesystem::exists(file.path()));
  file.remove();  // nothing there: no error
}

TEST_F(RecordFiles, OneChapterResultPerChapterUserAndBank) {
  const ChapterResultFile file(ChapterResultFile::pathFor(dir_, false));
  EXPECT_EQ(file.path(), dir_ + "/tkChapterCheckArr");
  EXPECT_EQ(ChapterResultFile::pathFor(dir_, true), dir_ + "/tkChapterTestArr");
  ASSERT_TRUE(file.store(ChapterResultFile::entry("7", "u1", "GK", 3, 1, 100.0 / 3)));
  ASSERT_TRUE(file.store(ChapterResultFile::entry("7", "u2", "GK", 1, 1, 100)));        // another user
  ASSERT_TRUE(file.store(ChapterResultFile::entry("8", "u1", "GK", 1, 0, 0)));          // another chapter
  ASSERT_TRUE(file.store(ChapterResultFile::entry("7", "u1", "XX", 1, 0, 0)));          // another bank
  ASSERT_TRUE(file.store(ChapterResultFile::entry("7", "u1", "GK", 3, 2, 200.0 / 3)));  // replaces the first
  EXPECT_FALSE(file.store(ChapterResultFile::entry("", "u1", "GK", 3, 2, 50))) << "no chapter: not stored";

  const core::Value results = file.read();
  ASSERT_EQ(results.size(), 4u);
  const core::Value newest = results[0];
  EXPECT_EQ(newest["ID"].toString(), "7");
  EXPECT_EQ(newest["UserName"].toString(), "u1");
  EXPECT_EQ(newest["EName"].toString(), "GK");
  EXPECT_EQ(newest["yidaResult"].toString(), "3");
  EXPECT_EQ(newest["daduiResult"].toString(), "2");
  EXPECT_EQ(newest["percent"].toString(), "67%");
  EXPECT_EQ(results[3]["UserName"].toString(), "u2") << "the older entries keep their order";
  EXPECT_EQ(ChapterResultFile::percentText(60), "60%");
  EXPECT_EQ(ChapterResultFile::percentText(0), "0%");
}

TEST_F(RecordFiles, TheReplyLogListsOnlyMarkedAnswers) {
  const QuestionsArray tests{question("1", "ATEST", "A", AnswerState::Right, "A"),
                             question("2", "XTEST", "AC", AnswerState::Wrong, "A"),
                             question("3", "JDTEST", "x", AnswerState::FreeText, "文字"),
                             question("4", "ATEST", "B")};
  ReplyLogRequest::Run facts;
  facts.caption = "第一章";
  facts.startTime = core::Date{1700000000.0};
  facts.now = core::Date{1700000300.0};
  facts.testKind = 2;
  facts.originalMode = AnsweringMode::Exam;
  const ReplyLogRequest whole(tests, nullptr, facts);
  const core::Value doc = whole.document();
  EXPECT_TRUE(whole.anyAnswered());
  EXPECT_EQ(doc["CptID"].toString(), "-1");
  EXPECT_EQ(doc["GUID"].toString(), "");
  EXPECT_EQ(doc["Score"].toString(), "4");
  EXPECT_EQ(doc["TestNum"].toString(), "3") << "free text counts as answered";
  EXPECT_EQ(doc["RightTestNum"].toString(), "1");
  EXPECT_EQ(doc["UserScore"].toString(), "1");
  EXPECT_TRUE(doc["TestKind"].isInteger());
  EXPECT_EQ(doc["TestKind"].toInt(), 2);
  EXPECT_EQ(doc["TestType"].toString(), "3");
  const core::DateFormatter f("yyyy-MM-dd HH:mm:ss");
  EXPECT_EQ(doc["ReplyStartTime"].toString(), f.format(facts.startTime));
  EXPECT_EQ(doc["ReplyDate"].toString(), f.format(facts.now));
  EXPECT_EQ(doc["ReplyEndTime"].toString(), doc["ReplyDate"].toString());
  ASSERT_EQ(doc["ReplyLogArr"].size(), 2u);
  EXPECT_EQ(JSONValue(whole.json())["ReplyLogArr"][1].describe(),
            core::Value(core::Dictionary{{"UserScore", "0"},
                                         {"ChildTableName", "XTEST"},
                                         {"Score", "1"},
                                         {"Answer", "A"},
                                         {"IsRight", "False"},
                                         {"ChildTableID", "e2"},
                                         {"AllTestID", "2"}})
                .describe());

  // One question only (the practice log of a wrong answer).
  facts.chapterID = "111";
  const core::Value one = ReplyLogRequest(tests, tests[1], facts).document();
  ASSERT_EQ(one["ReplyLogArr"].size(), 1u);
  EXPECT_EQ(one["ReplyLogArr"][0]["AllTestID"].toString(), "2");
  EXPECT_EQ(one["CptID"].toString(), "111");
  EXPECT_FALSE(ReplyLogRequest({question("9", "ATEST", "A")}, nullptr, facts).anyAnswered());

  struct TypeCase {
    AnsweringMode original, redo;
    std::optional<std::string> type;
  };
  const std::vector<TypeCase> types = {{AnsweringMode::Practice, AnsweringMode::Practice, "1"},
                                       {AnsweringMode::Exam, AnsweringMode::Practice, "3"},
                                       {AnsweringMode::Reading, AnsweringMode::Exam, "3"},
                                       {AnsweringMode::Reading, AnsweringMode::Practice, "1"},
                                       {AnsweringMode::Reading, AnsweringMode::Reading, std::nullopt}};
  for (const TypeCase& t : types) {
    EXPECT_EQ(ReplyLogRequest::testType(t.original, t.redo), t.type)
        << static_cast<int>(t.original) << "/" << static_cast<int>(t.redo);
    facts.originalMode = t.original;
    facts.redoMode = t.redo;
    EXPECT_EQ(ReplyLogRequest(tests, nullptr, facts).document().contains("TestType"), t.type.has_value());
  }
}

}  // namespace
