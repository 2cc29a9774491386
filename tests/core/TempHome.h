#pragma once
// A temporary VARDO_HOME for one test: created empty, removed afterwards, with the previous value of
// the variable restored.

#include <stdlib.h>

#include <optional>
#include <string>

#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"

namespace coretest {

class TempHome {
 public:
  TempHome() {
    if (const char* old = getenv("VARDO_HOME")) old_ = old;
    std::string tmpl = "/tmp/vd-core-test-XXXXXX";
    dir_ = mkdtemp(tmpl.data());
    setenv("VARDO_HOME", dir_.c_str(), 1);
    core::UserDefaults::resetStandard();
  }
  ~TempHome() {
    core::Paths::removeAll(dir_);
    if (old_) {
      setenv("VARDO_HOME", old_->c_str(), 1);
    } else {
      unsetenv("VARDO_HOME");
    }
    core::UserDefaults::resetStandard();
  }
  TempHome(const TempHome&) = delete;
  TempHome& operator=(const TempHome&) = delete;

  const std::string& dir() const { return dir_; }

 private:
  std::string dir_;
  std::optional<std::string> old_;
};

}  // namespace coretest
