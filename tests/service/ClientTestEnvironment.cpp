// The temporary home of the API client tests (the stores they touch write under it), set before any
// test runs and removed after the last.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

namespace {

class ClientHome : public ::testing::Environment {
 public:
  void SetUp() override {
    std::string tmpl = (std::filesystem::temp_directory_path() / "vd-apiclient-home-XXXXXX").string();
    if (::mkdtemp(tmpl.data())) {
      dir_ = tmpl;
      ::setenv("VARDO_HOME", dir_.c_str(), 1);
    }
  }
  void TearDown() override {
    std::error_code ec;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
  }

 private:
  std::string dir_;
};

[[maybe_unused]] const ::testing::Environment* const kClientHome =
    ::testing::AddGlobalTestEnvironment(new ClientHome);

}  // namespace
