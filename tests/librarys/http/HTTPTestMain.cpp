// Registers the temporary home of the HTTP client tests (gtest_main runs the tests).
#include "tests/librarys/http/HTTPTestSupport.h"

namespace {
const auto* const kHome = ::testing::AddGlobalTestEnvironment(new httptest::HomeEnvironment);
}
