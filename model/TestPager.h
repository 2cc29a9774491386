#pragma once
// TestPager: the questions of one answering run. testArray is their order; currentTest the question
// shown in the middle page of the answering screen; currentLoadTest the question whose page is being
// prepared at this moment (the answering screen sets it just before it builds a page, and the page takes
// it as its own question). Main thread.

#include <memory>

#include "model/Questions.h"

class TestPager {
 public:
  // A pager without questions: no list, no current question. The answering screen must not be opened
  // with one.
  TestPager() = default;
  // A pager over `tests` whose current question is the first; over an empty list it has none.
  explicit TestPager(QuestionsArray tests);

  const QuestionsArray& testArray() const { return testArray_; }
  void setTestArray(QuestionsArray tests) { testArray_ = std::move(tests); }
  const std::shared_ptr<Questions>& currentTest() const { return currentTest_; }
  void setCurrentTest(std::shared_ptr<Questions> test) { currentTest_ = std::move(test); }
  const std::shared_ptr<Questions>& currentLoadTest() const { return currentLoadTest_; }
  void setCurrentLoadTest(std::shared_ptr<Questions> test) { currentLoadTest_ = std::move(test); }

 private:
  QuestionsArray testArray_;
  std::shared_ptr<Questions> currentTest_;
  std::shared_ptr<Questions> currentLoadTest_;
};
