#pragma once
// A temporary VARDO_HOME for one test: the shared one (tests/support/TempDir.h), under the name these
// tests use for its directory.

#include <string>

#include "platform/core/Paths.h"
#include "tests/support/TempDir.h"

namespace coretest {

class TempHome : public testsupport::TempHome {
 public:
  TempHome() : testsupport::TempHome("vd-core-test") {}
  const std::string& dir() const { return path(); }
};

}  // namespace coretest
