// The temporary home of the request-layer tests, set before any test runs.
#include "tests/service/RequestLayerSupport.h"

namespace {
[[maybe_unused]] const ::testing::Environment* const kHome =
    ::testing::AddGlobalTestEnvironment(new reqlayer_test::HomeEnvironment);
}  // namespace
