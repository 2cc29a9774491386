#pragma once
// The application's bundle read from another folder for one scope: VARDO_BUNDLE names `path` and the
// main bundle is read again; when the scope ends the previous VARDO_BUNDLE (or its absence) comes back
// and the main bundle is read again from there.

#include <optional>
#include <string>

#include "platform/core/Bundle.h"
#include "tests/support/TempDir.h"

namespace testsupport {

class ScopedBundle {
 public:
  explicit ScopedBundle(const std::string& path) {
    env_.emplace("VARDO_BUNDLE", path);
    core::Bundle::resetMain();
  }
  ~ScopedBundle() {
    env_.reset();  // the previous bundle first, then read it
    core::Bundle::resetMain();
  }
  ScopedBundle(const ScopedBundle&) = delete;
  ScopedBundle& operator=(const ScopedBundle&) = delete;

 private:
  std::optional<ScopedEnv> env_;
};

}  // namespace testsupport
