#pragma once
// TestResultViewDelegate: what the result screen (TestResultViewController) needs of the screen that
// opened it (the answering screen): the questions of the run, and the two ways out of the result.

#include <memory>

#include "model/TestPager.h"

class TestResultViewDelegate {
 public:
  virtual ~TestResultViewDelegate() = default;
  // The run's questions; the figures are counted over its testArray.
  virtual std::shared_ptr<TestPager> testPager() const = 0;
  // Review the answers (exam mode only).
  virtual void resultBrowseClick() {}
  // Leave the result (and the run).
  virtual void resultViewExitClick() {}
};
