#include "exam/sets/RestoredRun.h"

#include "exam/sets/TestBuilder.h"
#include "librarys/json/JsonParser.h"
#include "model/QuestionType.h"

namespace {

bool isFreeText(const std::string& type) {
  const auto t = questionTypeNamed(type);
  return t == QuestionType::JDTEST || t == QuestionType::TKTEST;
}

AnswerState markOf(const Questions& q) {
  if (q.reply.empty()) return q.state;
  if (isFreeText(q.type)) return AnswerState::FreeText;
  return q.reply == q.Answer ? AnswerState::Right : AnswerState::Wrong;
}

}  // namespace

RestoredRun restoreLearningRecord(const core::Value& record) {
  RestoredRun run;
  if (!record.isDictionary()) return run;
  run.testsJSON = JSONValue(record["TestsJSON"].toString());
  run.tests = TestBuilder::changeJSonToTestArrayByDB(run.testsJSON["Body"]).value_or(QuestionsArray());
  run.replyRecord = record["ReplyRecord"];
  const std::string currentID = run.replyRecord["CurrentID"].toString();
  const core::Value testsRecord = run.replyRecord["TestsRecord"];
  const std::size_t entries = testsRecord.isArray() ? testsRecord.size() : 0;

  for (std::size_t i = 0; i < run.tests.size() && i < entries; ++i) {
    Questions& q = *run.tests[i];
    const core::Value entry = testsRecord[i];
    if (entry["AllTestID"].toString() == q.AllTestID) {
      q.reply = entry["Reply"].toString();
      q.state = markOf(q);
    } else {
      // Out of place: the entry of this question, wherever it is, gives the reply only.
      for (const core::Value& other : testsRecord.array()) {
        if (other["AllTestID"].toString() == q.AllTestID) {
          q.reply = other["Reply"].toString();
          break;
        }
      }
    }
    if (q.AllTestID == currentID) run.currentTest = run.tests[i];
  }
  if (!run.currentTest && !run.tests.empty()) run.currentTest = run.tests.front();
  return run;
}

bool RestoredRun::applyTo(AnsweringScreen& screen) const {
  if (tests.empty()) return false;
  auto pager = std::make_shared<TestPager>(tests);
  pager->setCurrentTest(currentTest);
  screen.setTestPager(pager);
  screen.setOriginalMode(static_cast<AnsweringMode>(replyRecord["ExamingMode"].toInt()));
  screen.setRedoMode(AnsweringMode::Exam);
  screen.setChapterName(replyRecord["ChapterName"].toString());
  screen.setTestsJSON(testsJSON);
  return true;
}
