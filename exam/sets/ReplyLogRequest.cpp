#include "exam/sets/ReplyLogRequest.h"

#include "librarys/json/JsonWriter.h"
#include "platform/core/DateFormatter.h"
#include "platform/runloop/DispatchQueue.h"
#include "platform/runloop/TaskAndReply.h"
#include "service/SimulationExam.h"

namespace {

constexpr const char* kTimePattern = "yyyy-MM-dd HH:mm:ss";

bool isMarked(AnswerState s) { return s == AnswerState::Right || s == AnswerState::Wrong; }

}  // namespace

ReplyLogRequest::ReplyLogRequest(const QuestionsArray& tests, const std::shared_ptr<Questions>& only, Run run)
    : run_(std::move(run)) {
  tests_.reserve(tests.size());
  for (std::size_t i = 0; i < tests.size(); ++i) {
    tests_.push_back(*tests[i]);
    if (only && tests[i] == only) only_ = i;
  }
  // A question outside the set: nothing to log for it.
  if (only && !only_) only_ = tests_.size();
}

std::optional<std::string> ReplyLogRequest::testType(AnsweringMode originalMode, AnsweringMode redoMode) {
  const AnsweringMode launch = originalMode == AnsweringMode::Reading ? redoMode : originalMode;
  if (launch == AnsweringMode::Practice) return "1";
  if (launch == AnsweringMode::Exam) return "3";
  return std::nullopt;
}

bool ReplyLogRequest::anyAnswered() const {
  for (const Questions& q : tests_)
    if (q.state != AnswerState::NotAnswered) return true;
  return false;
}

core::Value ReplyLogRequest::document() const {
  int right = 0, answered = 0;
  for (const Questions& q : tests_) {
    if (q.state == AnswerState::Right) ++right;
    if (q.state != AnswerState::NotAnswered) ++answered;
  }
  core::Value entries = core::Value::newArray();
  for (std::size_t i = 0; i < tests_.size(); ++i) {
    const Questions& q = tests_[i];
    if (only_ && *only_ != i) continue;
    if (!isMarked(q.state)) continue;
    const bool isRight = q.state == AnswerState::Right;
    entries.push_back(core::Dictionary{{"UserScore", isRight ? "1" : "0"},
                                       {"ChildTableName", q.type},
                                       {"Score", "1"},
                                       {"Answer", q.reply},
                                       {"IsRight", isRight ? "True" : "False"},
                                       {"ChildTableID", q.AllTest_EplID},
                                       {"AllTestID", q.AllTestID}});
  }
  const core::DateFormatter formatter(kTimePattern);
  const std::string now = formatter.format(run_.now);
  core::Value doc = core::Value::newDictionary();
  doc.set("Caption", run_.caption);
  doc.set("CptID", run_.chapterID.empty() ? std::string("-1") : run_.chapterID);
  doc.set("GUID", "");
  doc.set("ReplyDate", now);
  doc.set("ReplyEndTime", now);
  doc.set("ReplyStartTime", formatter.format(run_.startTime));
  doc.set("RightTestNum", std::to_string(right));
  doc.set("Score", std::to_string(tests_.size()));
  doc.set("TestKind", run_.testKind);
  doc.set("TestNum", std::to_string(answered));
  if (auto type = testType(run_.originalMode, run_.redoMode)) doc.set("TestType", *type);
  doc.set("UserScore", std::to_string(right));
  doc.set("ReplyLogArr", entries);
  return doc;
}

std::string ReplyLogRequest::json() const { return JSONRepresentation(document()).value_or(""); }

void ReplyLogRequest::send(std::shared_ptr<SimulationExam> client) {
  if (!client) return;
  rl::postTaskAndReply(
      rl::DispatchQueue::global(), weak_from_this(), [client, text = json()] { client->replylog(text); },
      [](ReplyLogRequest&) {});
}
