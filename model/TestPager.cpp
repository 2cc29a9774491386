#include "model/TestPager.h"

TestPager::TestPager(QuestionsArray tests) {
  if (tests.empty()) return;
  testArray_ = std::move(tests);
  currentTest_ = testArray_.front();
}
