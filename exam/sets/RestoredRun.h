#pragma once
// RestoredRun: a stored learning record (a run of the learning history or the run in progress) turned
// back into the questions of that run, with their replies, and the question it was left at. Every
// screen that reopens a stored run (the home screen's resume, the learning-record lists) goes through
// restoreLearningRecord and applyTo, so a stored run comes back the same way everywhere.
//
// A learning record is {"ReplyRecord": {"ExamingMode", "ChapterName", "SaveTime", "TestsRecord":
// [{"AllTestID", "Reply"}], "CurrentID"}, "TestsJSON": JSON text of the server reply the set was built
// from}. The questions are rebuilt from "TestsJSON"'s "Body" (TestBuilder), then walked by position i
// while i is below the number of "TestsRecord" entries:
//   - entry i is about the question (same "AllTestID"): the question gets its reply; a non-empty reply
//     is marked: free-text questions (JDTEST, TKTEST) get FreeText, never marked right or wrong; the
//     others Right when the reply equals the answer, else Wrong;
//   - otherwise the question takes the reply of the entry with its own id (none: no reply) and keeps
//     the state it was built with. (Sub-questions of one case share their id, so a run stored in
//     another order can hand one its sibling's reply.)
// Questions from the number of entries on stay unanswered. The current question is the walked question
// whose id is "CurrentID" (the last such); when none is, the first question (a run never opens without one).
//
// restoreLearningRecord reads the bank on the calling thread: screens call
// restoreLearningRecordInBackground, which restores on a worker and hands the run (its questions made
// there and owned by nobody else) to the main thread.

#include <functional>
#include <memory>
#include <utility>

#include "exam/sets/AnsweringScreen.h"
#include "model/Questions.h"
#include "platform/core/Value.h"
#include "platform/runloop/DispatchQueue.h"
#include "platform/runloop/TaskAndReply.h"

struct RestoredRun {
  QuestionsArray tests;                    // replies restored; empty when the record holds no set
  std::shared_ptr<Questions> currentTest;  // the question to open at; nullptr only without questions
  core::Value replyRecord;                 // the record's "ReplyRecord"
  core::Value testsJSON;                   // the parsed "TestsJSON"

  // Sets up an answering screen for the run: a pager over the questions at the current question,
  // originalMode = "ExamingMode", redoMode Exam, chapterName = "ChapterName", testsJSON. Nothing when
  // the run has no questions (the screen must not open with an empty pager).
  bool applyTo(AnsweringScreen& screen) const;
};

// The run of a learning record (see above). A record that is not a dictionary, or whose "TestsJSON"
// gives no questions, gives a run without questions.
RestoredRun restoreLearningRecord(const core::Value& record);

// restoreLearningRecord of a copy of `record` on the global queue; `done` gets the run back on the
// calling thread's loop, only while `owner` lives (a screen closed meanwhile gets nothing).
template <class Owner>
void restoreLearningRecordInBackground(std::weak_ptr<Owner> owner, const core::Value& record,
                                       std::function<void(Owner&, RestoredRun)> done) {
  rl::postTaskAndReply(
      rl::DispatchQueue::global(), std::move(owner),
      [record = record.deepCopy()] { return restoreLearningRecord(record); },
      [done = std::move(done)](Owner& self, RestoredRun run) {
        if (done) done(self, std::move(run));
      });
}
