#pragma once
// TestBuilder: turns a question set into the ordered questions of a run. The server never sends question
// content: a question set ("Body" of a server reply, or the stored "TestsJSON" of a learning record,
// parsed) names the questions of each question-type group by id, and the content of every question is
// read from the chosen subject's local question bank (TestDAO) and flattened into Questions records.
//
// A question set is a dictionary:
//   "ID"        the set's id (a chapter id for chapter sets); every question's Cptid is "%@" of it
//   "Name"      the set's name; every question's Chapter
//   "Score", "TestType"  carried, not used
//   "Sessions"  array of sessions, one per question-type group, taken in array order, each with
//     "Type"         a QuestionType text; a session of any other type is skipped
//     "Description"  the group's instructions (Style_Explain); "StyleID", "Style"; "Score", "TestCount"
//     "<P>Testid"    the question ids of the group: digits joined by "," (a number is taken as its text).
//                    P is A, B, A3, X, PD, JD or TK for ATEST, BTEST, A3TEST, XTEST, PDTEST, JDTEST,
//                    TKTEST. A list holding anything but digits and commas skips its session.
//     "<P>Test"      the user's favourites among them: ids joined by ","; absent or null for none
//
// Order: sessions in set order; inside a session the rows in the order the bank returns them (by id,
// not by the order of the list). Ids the bank does not hold, and rows it cannot decipher, give nothing.
// One question per row of ATEST, XTEST, PDTEST, JDTEST, TKTEST; one per sub-question of the A3TEST and
// BTEST case rows, which share their case's AID, FrontTitle and favourite flags (BTEST also its option
// list and option count). IsFirst marks the first question each session produced.
//
// A question is a favourite when its AID is one of the ids of the session's favourite list, compared id
// by id (so "1234" does not make 123 a favourite).
//
// The conversion reads the bank on the calling thread (any thread: a screen builds its set on a worker
// through rl::postTaskAndReply), one connection per set and one query per session, and reports no
// errors: a missing body or session list gives nothing, anything else unusable gives fewer questions.
// Limits: a set of more than kMaxSessions sessions, or whose id lists name more than kMaxQuestionIds ids
// in all, gives nothing, as a set without a session list does.
//
// Every screen builds its set off the main thread: a server's set in the builders' blocks
// (ChapterTestBuilder, ExamTestBuilder) and in the screens that read a reply themselves, a stored run
// in restoreLearningRecordInBackground (RestoredRun.h). setBuildHook lets a test see where a build runs.
//
// The instance operations generateTests and chapterTests do nothing here; ChapterTestBuilder and
// ExamTestBuilder fetch a set from the server with them. Builders are made with std::make_shared and
// kept by their caller until their block has run: a block whose builder is gone is not called.

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>

#include "model/Questions.h"
#include "platform/core/Value.h"

class TestBuilder : public std::enable_shared_from_this<TestBuilder> {
 public:
  // A real set names some hundreds of questions in a handful of sessions.
  static constexpr std::size_t kMaxSessions = 1000;
  static constexpr std::size_t kMaxQuestionIds = 10000;

  // ok, the whole reply (Nil when none came) and the questions built from its "Body" (nothing when none
  // were built).
  using TestsBlock =
      std::function<void(bool ok, const core::Value& reply, const std::optional<QuestionsArray>& questions)>;
  // ok and the whole reply (Nil when none came).
  using ReplyBlock = std::function<void(bool ok, const core::Value& reply)>;

  virtual ~TestBuilder() = default;

  // The questions of a question set; nothing when the set is Nil, null, not a dictionary, or its
  // "Sessions" is not an array. An empty array when no session gave a question.
  static std::optional<QuestionsArray> changeJSonToTestArrayByDB(const core::Value& body);
  // Runs at the start of every changeJSonToTestArrayByDB, on the thread that builds (tests: to see that
  // thread, or to hold a build while the screen that asked is closed); empty: nothing.
  static void setBuildHook(std::function<void()> hook);
  // What a worker gets to build from: a deep copy of `body` when it is a dictionary, else null (which
  // builds nothing, as `body` would), so a huge list of the wrong shape is never copied.
  static core::Value copyForBuild(const core::Value& body);

  // ---- the steps, for the subclasses and tests ----
  // One record from the set's copy ("ID", "Name", "Score", "TestType"), the session's copy and the test
  // dictionary a per-type step made ("AID", "ID", "Title", "FrontTitle", "Answer", "Explain",
  // "ItemNum", "ChoiceItems", "SortID", "Isfav", "FavID", "IsFirst", and "A3TestID" or "BTestID").
  static std::shared_ptr<Questions> getQuestionsByparmsBody(const core::Value& body,
                                                            const core::Value& session,
                                                            const core::Value& test);
  // The questions of one session's rows, by type (the rows as TestDAO reads them).
  static QuestionsArray analysisATEST(const core::Array& rows, const core::Value& body,
                                      const core::Value& session);
  static QuestionsArray analysisBTEST(const core::Array& rows, const core::Value& body,
                                      const core::Value& session);
  static QuestionsArray analysisA3TEST(const core::Array& rows, const core::Value& body,
                                       const core::Value& session);
  static QuestionsArray analysisXTEST(const core::Array& rows, const core::Value& body,
                                      const core::Value& session);
  static QuestionsArray analysisPDTEST(const core::Array& rows, const core::Value& body,
                                       const core::Value& session);
  static QuestionsArray analysisJDTEST(const core::Array& rows, const core::Value& body,
                                       const core::Value& session);
  static QuestionsArray analysisTKTEST(const core::Array& rows, const core::Value& body,
                                       const core::Value& session);
  // Sets "Isfav" (boolean) and "FavID" ("1" or "-1") of the test dictionary for `row`'s "AID", from the
  // session copy's "FavIDList".
  static void setIsFav(const core::Value& session, core::Value& test, const core::Value& row);
  // Copies the source session's favourite list (under its type's key, "ATest" for ATEST) into the new
  // session dictionary as "FavIDList"; nothing for a session of no question type.
  static void setParmsSessioin(core::Value& newSession, const core::Value& session);

  // Fetch a set from the server and hand it to the block on the main thread; nothing here.
  virtual void generateTests(TestsBlock block) {}
  virtual void chapterTests(ReplyBlock block) {}
};
