#pragma once
// What the application shell uses of the answering engine: the question-set builder (`TestBuilder`),
// the question record (`Questions`), the pager (`TestPager`) and the set-up of the answering screen
// (`ExammingViewController`, screen identifier "examming"), as interfaces that the engine's classes
// implement, plus the functions every question page defines.
//
// The shell reaches the engine through AnsweringEngine::current(). Until an engine is installed
// there is none (nullptr) and the shell's ways into answering do nothing. The answering screen is
// made by the screen factory under "examming"; the shell sets it up through the AnsweringScreen
// interface (std::dynamic_pointer_cast of the made controller) before pushing it.

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/Value.h"

// The state of a question: 0 not answered, 1 answered with free text (not marked), 2 answered
// right, 3 answered wrong. Any value above 0 counts as answered.
enum class AnswerState { NotAnswered = 0, FreeText = 1, Right = 2, Wrong = 3 };

// The mode of the answering screen: practice (marked at once), exam (marked on submission), reading.
enum class AnsweringMode { Practice = 0, Exam = 1, Reading = 2 };

// The functions the script of every question page defines, by the page-call type that selects them
// (0 to 5). Each is called with no arguments; its result is not used.
inline constexpr std::array<const char*, 6> kQuestionPageFunctions = {
    "userAnalysis",         "userDisAnalysis", "updateAnalysisImage",
    "updateAnalysisImageR", "updateFavImage",  "updateFavImageR"};

// One question as the shell sees it (`Questions`).
class AnsweringQuestion {
 public:
  virtual ~AnsweringQuestion() = default;
  virtual std::string AllTestID() const = 0;  // the question id
  virtual std::string Answer() const = 0;     // the right answer
  virtual std::string reply() const = 0;      // the user's reply
  virtual void setReply(const std::string& reply) = 0;
  virtual void setState(AnswerState state) = 0;
};

using AnsweringQuestionList = std::vector<std::shared_ptr<AnsweringQuestion>>;

// The ordered questions handed to the answering screen (`TestPager`).
class AnsweringPager {
 public:
  virtual ~AnsweringPager() = default;
  virtual const AnsweringQuestionList& testArray() const = 0;
  // The question shown first: the first of the array unless set; nullptr for an empty pager.
  virtual std::shared_ptr<AnsweringQuestion> currentTest() const = 0;
  virtual void setCurrentTest(std::shared_ptr<AnsweringQuestion> test) = 0;
};

// The setters of the answering screen that are called before it is pushed.
class AnsweringScreen {
 public:
  virtual ~AnsweringScreen() = default;
  virtual void setTestPager(std::shared_ptr<AnsweringPager> pager) = 0;
  virtual void setOriginalMode(AnsweringMode mode) = 0;
  virtual void setUnSaveRecord(bool unSaveRecord) = 0;  // true: write no learning record
  virtual void setIsAllow(bool isAllow) = 0;
  virtual void setRedoMode(bool redoMode) = 0;  // true: a resumed practice
  virtual void setChapterName(const std::string& chapterName) = 0;
  // The parsed question-set reply the practice was built from.
  virtual void setTestsJSON(const core::Value& testsJSON) = 0;
};

class AnsweringEngine {
 public:
  virtual ~AnsweringEngine() = default;

  // The questions of a question-set "Body" ("ID", "Name", "Sessions"), read from the chosen
  // subject's local bank in the set's order; empty when nothing is found.
  virtual AnsweringQuestionList changeJSonToTestArrayByDB(const core::Value& questionSetBody) = 0;
  // A pager over the questions whose current question is the first.
  virtual std::shared_ptr<AnsweringPager> newTestPager(const AnsweringQuestionList& tests) = 0;

  // The installed engine; nullptr when none is. Both may be called from any thread.
  static std::shared_ptr<AnsweringEngine> current();
  static void setCurrent(std::shared_ptr<AnsweringEngine> engine);
};
