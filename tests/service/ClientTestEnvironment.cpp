// The temporary home of the API client tests (the stores they touch write under it), set before any
// test runs and removed after the last.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "tests/support/TempDir.h"

namespace {

class ClientHome : public testsupport::HomeEnvironment {
 public:
  ClientHome() : testsupport::HomeEnvironment("vd-apiclient-home") {}
};

[[maybe_unused]] const ::testing::Environment* const kClientHome =
    ::testing::AddGlobalTestEnvironment(new ClientHome);

}  // namespace
