#pragma once
// ErrorFeedbackScreen: what the answering screen sets on the error-report screen ("errorFeedback") after
// making it with the screen factory and before pushing it. The report screen implements it; the
// answering screen finds it with a dynamic cast of the made controller.

#include <memory>

#include "model/Questions.h"

class ErrorFeedbackScreen {
 public:
  virtual ~ErrorFeedbackScreen() = default;
  // The question on show, whose "AllTestID" the report names.
  virtual void setCurrentTest(std::shared_ptr<Questions> test) = 0;
};
