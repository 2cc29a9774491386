#pragma once
// QuestionCardHost: what the answer card (QuestionCardViewController) needs of the answering screen that
// presents it: the question set and the mode when the card loads and draws, and the jump to a question
// when a number is tapped. The answering screen implements it and hands itself to the card, which holds
// it weakly and shows nothing of a screen that is gone. Main thread only.

#include <memory>

#include "model/AnsweringMode.h"
#include "model/TestPager.h"

class QuestionCardHost {
 public:
  virtual ~QuestionCardHost() = default;
  virtual std::shared_ptr<TestPager> testPager() const = 0;
  virtual AnsweringMode currentMode() const = 0;
  // Shows the question at `index` of the set (from 0).
  virtual void skipTestWithIndex(int index) = 0;
};
