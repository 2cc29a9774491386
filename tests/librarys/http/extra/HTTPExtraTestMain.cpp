// Registers the temporary home of the tests (gtest_main runs them).
#include "tests/librarys/http/HTTPTestSupport.h"

namespace {
const auto* const kHome = ::testing::AddGlobalTestEnvironment(new httptest::HomeEnvironment);
}

// libpacparser keeps its escaped copies of each URL and host it evaluates a script for (a few bytes per
// evaluation, inside the library): not a leak of this code.
extern "C" const char* __lsan_default_suppressions() { return "leak:pacparser_find_proxy\n"; }
