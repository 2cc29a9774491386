// The server bases: loopback defaults, the configuration file, the environment over both, and values
// that cannot be used.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <list>
#include <optional>
#include <string>

#include "platform/core/Paths.h"
#include "platform/core/PropertyList.h"
#include "platform/core/Value.h"
#include "service/ServerConfig.h"
#include "tests/support/TempDir.h"

namespace {

class RequestLayerServerConfig : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : kEnv) cleared_.emplace_back(name);
    temp_.emplace("vd-serverconfig");
    dir_ = temp_->path();
    ASSERT_FALSE(dir_.empty());
    file_ = core::Paths::join(dir_, "server.plist");
  }
  void TearDown() override {
    cleared_.clear();
    ServerConfig::reload();  // the process's configuration as it was before the test
    temp_.reset();
  }
  void writeFile(const core::Value& plist) { ASSERT_TRUE(core::PropertyList::writeFile(file_, plist)); }

  static constexpr const char* kEnv[] = {"VARDO_API_BASE", "VARDO_RESOURCE_ROOT", "VARDO_VCODE_BASE",
                                         "VARDO_UPDATE_BASE"};
  std::list<testsupport::ScopedEnv> cleared_;  // each comes back as it was when the test ends
  std::optional<testsupport::TempDir> temp_;
  std::string dir_;
  std::string file_;
};

TEST_F(RequestLayerServerConfig, NothingConfiguredMeansTheLoopbackServer) {
  ServerConfig config = ServerConfig::load(file_);  // no file
  EXPECT_EQ(config.mainBase, "http://127.0.0.1:8080/api/");
  EXPECT_EQ(config.resourceRoot, "http://127.0.0.1:8080");
  EXPECT_EQ(config.verificationCodeBase, "http://127.0.0.1:8080/vc/");
  EXPECT_EQ(config.updateBase, "http://127.0.0.1:8080/uc/api/");
  EXPECT_TRUE(config.problems.empty());
  EXPECT_EQ(config.mainURL("1.0/json/sys/Quote"), "http://127.0.0.1:8080/api/1.0/json/sys/Quote");
  EXPECT_EQ(config.resourceURL("/tk_img/imgdir_GKSample/a.png"),
            "http://127.0.0.1:8080/tk_img/imgdir_GKSample/a.png");
}

TEST_F(RequestLayerServerConfig, FileThenEnvironment) {
  core::Value plist = core::Value::dictionary();
  plist.set("MainAPIBase", "https://exam.example.org/api/");
  plist.set("ResourceRoot", "https://img.example.org/");
  plist.set("VerificationCodeBase", "https://code.example.org/vc");  // a missing "/" is added
  plist.set("UpdateCentreBase", "https://uc.example.org/uc/api/");
  writeFile(plist);
  ServerConfig fromFile = ServerConfig::load(file_);
  EXPECT_EQ(fromFile.mainBase, "https://exam.example.org/api/");
  EXPECT_EQ(fromFile.resourceRoot, "https://img.example.org");
  EXPECT_EQ(fromFile.verificationCodeBase, "https://code.example.org/vc/");
  EXPECT_EQ(fromFile.updateBase, "https://uc.example.org/uc/api/");
  EXPECT_TRUE(fromFile.problems.empty());

  ::setenv("VARDO_API_BASE", "http://127.0.0.1:4321/api/", 1);
  ::setenv("VARDO_UPDATE_BASE", "http://127.0.0.1:4321/uc/api", 1);
  ServerConfig both = ServerConfig::load(file_);
  EXPECT_EQ(both.mainBase, "http://127.0.0.1:4321/api/");
  EXPECT_EQ(both.updateBase, "http://127.0.0.1:4321/uc/api/");
  EXPECT_EQ(both.resourceRoot, "https://img.example.org");  // not overridden
  EXPECT_EQ(both.verificationCodeBase, "https://code.example.org/vc/");
}

TEST_F(RequestLayerServerConfig, UnusableValuesAreReportedAndLeftOut) {
  core::Value plist = core::Value::dictionary();
  plist.set("MainAPIBase", "exam.example.org/api/");  // no scheme
  plist.set("ResourceRoot", 42);                      // not a string
  plist.set("VerificationCodeBase", "ftp://code.example.org/vc/");
  plist.set("UpdateCentreBase", "http://uc.example.org/api/?x=1");
  writeFile(plist);
  ::setenv("VARDO_RESOURCE_ROOT", "not a url", 1);
  ServerConfig config = ServerConfig::load(file_);
  const ServerConfig defaults = ServerConfig::defaults();
  EXPECT_EQ(config.mainBase, defaults.mainBase);
  EXPECT_EQ(config.resourceRoot, defaults.resourceRoot);
  EXPECT_EQ(config.verificationCodeBase, defaults.verificationCodeBase);
  EXPECT_EQ(config.updateBase, defaults.updateBase);
  EXPECT_EQ(config.problems.size(), 5u);

  ::unsetenv("VARDO_RESOURCE_ROOT");
  ASSERT_TRUE(core::Paths::atomicWrite(file_, std::string("this is no property list")));
  ServerConfig broken = ServerConfig::load(file_);
  EXPECT_EQ(broken.mainBase, defaults.mainBase);
  ASSERT_EQ(broken.problems.size(), 1u);
  EXPECT_NE(broken.problems[0].find("server.plist"), std::string::npos);
}

TEST_F(RequestLayerServerConfig, CurrentReadsTheConfigurationDirectoryUntilReloaded) {
  const testsupport::ScopedEnv home("VARDO_HOME", dir_);
  EXPECT_EQ(ServerConfig::filePath(), core::Paths::join(core::Paths::configuration(), "server.plist"));
  core::Value plist = core::Value::dictionary();
  plist.set("MainAPIBase", "http://127.0.0.2:9000/api/");
  ASSERT_TRUE(core::PropertyList::writeFile(ServerConfig::filePath(), plist));
  EXPECT_EQ(ServerConfig::reload().mainBase, "http://127.0.0.2:9000/api/");
  ::setenv("VARDO_API_BASE", "http://127.0.0.3:9000/api/", 1);
  EXPECT_EQ(ServerConfig::current().mainBase, "http://127.0.0.2:9000/api/");  // kept until reloaded
  EXPECT_EQ(ServerConfig::reload().mainBase, "http://127.0.0.3:9000/api/");
}

}  // namespace
