// The road's steps after the question found by search: A chapter practised on real question pages (a right and a wrong answer marked on the page, an
// explanation, an image full screen), the result, a favourite kept and found again, the wrong answer in
// the wrong-answer book, a note written and read back.
#include <gtest/gtest.h>

#include "tests/road/RoadSteps.h"

namespace road {

std::vector<RoadStep> practiceSteps() {
  return {};
}

}  // namespace road
