// Registers the temporary home of the HTTP client tests (gtest_main runs the tests).
#include "tests/http/HTTPTestSupport.h"

namespace {
const auto* const kHome = ::testing::AddGlobalTestEnvironment(new httptest::HomeEnvironment);
}
