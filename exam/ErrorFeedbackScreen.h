#pragma once
// ErrorFeedbackScreen: what the answering screen hands the error-report screen ("errorFeedback") before
// pushing it: the question the report is about. Found with a dynamic cast of the made controller.

#include <memory>

#include "model/Questions.h"

class ErrorFeedbackScreen {
 public:
  virtual ~ErrorFeedbackScreen() = default;
  virtual void setCurrentTest(std::shared_ptr<Questions> test) = 0;
};
