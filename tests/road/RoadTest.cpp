// The road: the whole application in its window, as a new user meets it, from a fresh start against the
// loopback server (the steps are in tests/road/RoadSteps.cpp). Each step must reach its screen, keep a
// picture of it whose texts all show whole and in glyphs, and run no page into a script error. The
// first step that cannot reach its screen ends the road (the later ones start from there).

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "tests/road/Road.h"
#include "tests/road/RoadSteps.h"

namespace {

TEST(Road, TheWholeApplicationAsANewUserMeetsIt) {
  road::Road road;
  ASSERT_TRUE(road.prepare()) << road.failure();
  road.start();
  ASSERT_TRUE(road.running());
  ASSERT_FALSE(::testing::Test::HasFatalFailure());

  for (const road::RoadStep& step : road::roadSteps()) {
    SCOPED_TRACE("road step " + step.name);
    const auto began = std::chrono::steady_clock::now();
    step.walk(road);
    const bool reached = !::testing::Test::HasFatalFailure();
    if (reached) road.shot(step.name);
    for (const std::string& error : road.takeScriptErrors()) ADD_FAILURE() << "page script error: " << error;
    // How long each step took, for the log (never asserted).
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    std::printf("road step %-18s %5.1f s%s\n", step.name.c_str(), seconds, reached ? "" : "  (not reached)");
    std::fflush(stdout);
    if (!reached) break;
  }
  std::printf("road: pictures in %s\n", road.shotsDirectory().c_str());
}

}  // namespace
