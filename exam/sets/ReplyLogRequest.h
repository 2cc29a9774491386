#pragma once
// ReplyLogRequest: the reply log of a run, the JSON document that tells the server which questions the
// user answered and how (the server's wrong-answer book and exam history learn from it). The document
// is built here, on the main thread, from copies of the questions and the facts of the run; only the
// posting (SimulationExam::replylog) runs on a worker: the worker never reads the live question records.
//
// Keys (texts unless said otherwise):
//   "Caption"         the run's caption (ExammingViewController::getCaption)
//   "CptID"           the chapter id, "-1" when there is none
//   "GUID"            ""
//   "ReplyDate"       now, "yyyy-MM-dd HH:mm:ss"; "ReplyEndTime" the same text
//   "ReplyStartTime"  the run's start, same format
//   "RightTestNum"    questions marked right (state 2); "UserScore" the same
//   "Score"           questions in the set
//   "TestKind"        the reported module number (a number)
//   "TestNum"         questions answered in any way (state not 0), free text included
//   "TestType"        "1" for a run launched in practice, "3" for one launched in exam mode (for a
//                     run launched in reading mode, its redo mode decides); absent for any other mode
//   "ReplyLogArr"     one entry per question marked right or wrong (free-text answers are never
//                     logged), in set order; only the one question when the log is for one question:
//                     {"UserScore": "1"/"0", "ChildTableName": type, "Score": "1", "Answer": reply,
//                      "IsRight": "True"/"False", "ChildTableID": AllTest_EplID, "AllTestID"}

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/AnsweringMode.h"
#include "model/Questions.h"
#include "platform/core/Date.h"
#include "platform/core/Value.h"

class SimulationExam;

class ReplyLogRequest : public std::enable_shared_from_this<ReplyLogRequest> {
 public:
  struct Run {
    std::string caption;
    std::string chapterID;  // "" when the run has none
    core::Date startTime;
    core::Date now;
    int testKind = 10000;
    AnsweringMode originalMode = AnsweringMode::Practice;
    AnsweringMode redoMode = AnsweringMode::Practice;
  };

  // Copies the questions (call on the main thread). `only`: log that question alone (it must be one of
  // `tests`); null: every question.
  ReplyLogRequest(const QuestionsArray& tests, const std::shared_ptr<Questions>& only, Run run);

  // Whether any question of the set is answered (state above 0): a log without is not worth sending.
  bool anyAnswered() const;
  // The document and its JSON text.
  core::Value document() const;
  std::string json() const;

  // Writes the document on this thread and posts it through `client` from a worker of the global
  // queue; nothing comes back.
  void send(std::shared_ptr<SimulationExam> client);

  // The "TestType" of a launch: "1", "3", or nothing.
  static std::optional<std::string> testType(AnsweringMode originalMode, AnsweringMode redoMode);

 private:
  std::vector<Questions> tests_;
  std::optional<std::size_t> only_;
  Run run_;
};
