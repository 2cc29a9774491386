#pragma once
// The tests' temporary directories, in one place:
//
//   TempDir          an empty directory of its own under $TMPDIR, removed with everything in it (read-only
//                    entries too) when it goes; path() is "" when it could not be made.
//   ScopedEnv        an environment variable set (or, given no value, unset) for one scope; its previous
//                    value (or its absence) comes back afterwards, whatever the scope did to it meanwhile.
//   TempHome         a TempDir that is VARDO_HOME while it lives: the user defaults are reloaded for it, and
//                    the previous VARDO_HOME and defaults come back afterwards.
//   HomeEnvironment  one TempHome for a whole test program (register it with
//                    ::testing::AddGlobalTestEnvironment), for programs whose network thread reads the home
//                    and must never see it change.
//   fileMode         a file's permission bits (0 when it cannot be read).

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/core/UserDefaults.h"

namespace testsupport {

class TempDir {
 public:
  explicit TempDir(std::string_view prefix = "vd-test") {
    std::string pattern = (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data())) path_ = pattern;
  }
  ~TempDir() {
    if (path_.empty()) return;
    std::error_code ec;
    // Entries a test made read-only (to provoke a failed write) must go too.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ec);
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = ::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  explicit ScopedEnv(const char* name) : name_(name) {
    if (const char* old = ::getenv(name)) old_ = old;
    ::unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_.c_str(), old_->c_str(), 1);
    } else {
      ::unsetenv(name_.c_str());
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

class TempHome {
 public:
  explicit TempHome(std::string_view prefix = "vd-home") : dir_(prefix) {
    env_.emplace("VARDO_HOME", dir_.path());
    core::UserDefaults::resetStandard();
  }
  ~TempHome() {
    env_.reset();  // the previous home first, then its defaults
    core::UserDefaults::resetStandard();
  }
  TempHome(const TempHome&) = delete;
  TempHome& operator=(const TempHome&) = delete;

  const std::string& path() const { return dir_.path(); }
  std::string operator/(const std::string& name) const { return dir_ / name; }

 private:
  TempDir dir_;
  std::optional<ScopedEnv> env_;
};

class HomeEnvironment : public ::testing::Environment {
 public:
  explicit HomeEnvironment(std::string prefix = "vd-program-home") : prefix_(std::move(prefix)) {}
  void SetUp() override { home_ = std::make_unique<TempHome>(prefix_); }
  void TearDown() override { home_.reset(); }

 private:
  std::string prefix_;
  std::unique_ptr<TempHome> home_;
};

inline unsigned fileMode(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return 0;
  return st.st_mode & 07777;
}

}  // namespace testsupport
