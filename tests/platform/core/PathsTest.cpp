#include "platform/core/Paths.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "platform/runloop/BlockingCall.h"
#include "platform/runloop/DispatchQueue.h"

using core::Paths;

namespace {

// Sets (or unsets, for nullptr) environment variables for one scope.
class EnvScope {
 public:
  void set(const char* name, const char* value) {
    const char* old = getenv(name);
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~EnvScope() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->second) {
        setenv(it->first.c_str(), it->second->c_str(), 1);
      } else {
        unsetenv(it->first.c_str());
      }
    }
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

std::vector<std::string> namesIn(const std::string& dir) {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(dir)) out.push_back(e.path().filename());
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace

TEST(Paths, VardoHomeHoldsEveryDirectory) {
  testsupport::TempHome home{"vd-core-test"};
  EnvScope env;
  env.set("XDG_DATA_HOME", "/nonexistent/xdg");
  env.set("TMPDIR", "/nonexistent/tmp");
  EXPECT_EQ(Paths::documents(), home.path() + "/data");
  EXPECT_EQ(Paths::caches(), home.path() + "/cache");
  EXPECT_EQ(Paths::configuration(), home.path() + "/config");
  EXPECT_EQ(Paths::temporary(), home.path() + "/tmp");
  for (const auto& d : {"data", "cache", "config", "tmp"})
    EXPECT_TRUE(Paths::isDirectory(home.path() + "/" + d));
}

TEST(Paths, XdgDirectoriesAndDefaultsWithoutVardoHome) {
  testsupport::TempHome scratch{"vd-core-test"};  // only a place for the fake home directory
  EnvScope env;
  env.set("VARDO_HOME", nullptr);
  env.set("HOME", scratch.path().c_str());
  env.set("XDG_DATA_HOME", nullptr);
  env.set("XDG_CACHE_HOME", (scratch.path() + "/xc").c_str());
  env.set("XDG_CONFIG_HOME", "relative/ignored");
  env.set("TMPDIR", nullptr);
  EXPECT_EQ(Paths::documents(), scratch.path() + "/.local/share/vardo");
  EXPECT_EQ(Paths::caches(), scratch.path() + "/xc/vardo");
  EXPECT_EQ(Paths::configuration(), scratch.path() + "/.config/vardo");
  EXPECT_EQ(Paths::temporary(), "/tmp");
  env.set("TMPDIR", (scratch.path() + "/t").c_str());
  EXPECT_EQ(Paths::temporary(), scratch.path() + "/t");
}

mode_t modeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

TEST(Paths, TheDocumentsDirectoryIsPrivateToTheUser) {
  testsupport::TempHome scratch{"vd-core-test"};
  EnvScope env;
  {
    SCOPED_TRACE("made fresh, under VARDO_HOME and under the XDG default with missing parents");
    EXPECT_EQ(modeOf(Paths::documents()), 0700u);
    env.set("VARDO_HOME", nullptr);
    env.set("HOME", scratch.path().c_str());
    env.set("XDG_DATA_HOME", nullptr);
    EXPECT_EQ(modeOf(Paths::documents()), 0700u);
    EXPECT_EQ(Paths::documents(), scratch.path() + "/.local/share/vardo");
  }
  {
    SCOPED_TRACE("an existing directory open to others is tightened, the owner's bits kept");
    ASSERT_EQ(::chmod(Paths::documents().c_str(), 0775), 0);
    EXPECT_EQ(modeOf(Paths::documents()), 0700u);
    ASSERT_EQ(::chmod(Paths::documents().c_str(), 0755), 0);
    ASSERT_TRUE(Paths::atomicWrite(Paths::documents() + "/kept", std::string_view("x")));
    EXPECT_EQ(modeOf(Paths::documents()), 0700u);
    EXPECT_TRUE(Paths::isRegularFile(Paths::documents() + "/kept")) << "tightening keeps what it holds";
  }
  {
    SCOPED_TRACE("a file in the way is no private directory");
    std::ofstream(scratch.path() + "/plain") << "x";
    EXPECT_FALSE(Paths::createPrivateDirectory(scratch.path() + "/plain"));
    EXPECT_TRUE(Paths::createPrivateDirectory(scratch.path() + "/a/b/c/"));
    EXPECT_EQ(modeOf(scratch.path() + "/a/b/c"), 0700u);
  }
}

TEST(Paths, JoinParentAndLastComponent) {
  EXPECT_EQ(Paths::join("/a/", "b"), "/a/b");
  EXPECT_EQ(Paths::join("/a", "/abs"), "/abs");
  EXPECT_EQ(Paths::join("/", "b"), "/b");
  EXPECT_EQ(Paths::join("", "b"), "b");
  EXPECT_EQ(Paths::parent("/a/b/c.txt"), "/a/b");
  EXPECT_EQ(Paths::parent("/c"), "/");
  EXPECT_EQ(Paths::parent("c"), ".");
  EXPECT_EQ(Paths::lastComponent("/a/b/c.txt"), "c.txt");
  EXPECT_EQ(Paths::lastComponent("/a/b/"), "b");
}

TEST(Paths, AtomicWriteReplacesWholeFileAndLeavesNoTemporaries) {
  testsupport::TempHome home{"vd-core-test"};
  const std::string dir = home.path() + "/w";
  ASSERT_TRUE(Paths::createDirectories(dir + "/deep/er"));
  const std::string file = dir + "/f.bin";
  ASSERT_TRUE(Paths::atomicWrite(file, std::string_view("first version, longer")));
  ::chmod(file.c_str(), 0600);
  ASSERT_TRUE(Paths::atomicWrite(file, core::Bytes{'n', 'e', 'w', 0, 1}));
  EXPECT_EQ(Paths::readFile(file), (core::Bytes{'n', 'e', 'w', 0, 1}));
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u) << "a replaced file keeps its permissions";
  EXPECT_EQ(namesIn(dir), (std::vector<std::string>{"deep", "f.bin"}));

  // Failures report false and change nothing.
  EXPECT_FALSE(Paths::atomicWrite(dir + "/missing/x", std::string_view("x")));
  EXPECT_FALSE(Paths::fileExists(dir + "/missing"));
  EXPECT_FALSE(Paths::atomicWrite(dir + "/deep", std::string_view("x")));
  EXPECT_TRUE(Paths::isDirectory(dir + "/deep/er"));
  EXPECT_EQ(namesIn(dir), (std::vector<std::string>{"deep", "f.bin"}));
}

TEST(Paths, ReadAndRemove) {
  testsupport::TempHome home{"vd-core-test"};
  EXPECT_FALSE(Paths::readFile(home.path() + "/none").has_value());
  EXPECT_FALSE(Paths::readFile(home.path()).has_value()) << "a directory is not a file";
  ASSERT_TRUE(Paths::atomicWrite(home.path() + "/empty", std::string_view()));
  EXPECT_EQ(Paths::readTextFile(home.path() + "/empty"), std::string());
  ASSERT_TRUE(Paths::createDirectories(home.path() + "/tree/a/b"));
  ASSERT_TRUE(Paths::atomicWrite(home.path() + "/tree/a/b/f", std::string_view("x")));
  EXPECT_TRUE(Paths::removeAll(home.path() + "/tree"));
  EXPECT_FALSE(Paths::fileExists(home.path() + "/tree"));
  EXPECT_TRUE(Paths::removeAll(home.path() + "/tree")) << "nothing left is success";
}

// While blocking is disallowed (a running application), a write that waits for the disk on the main
// thread ends a debug build with a message naming the call; a worker thread and an allowed scope write.
TEST(PathsDeathTest, AMainThreadFsyncWhileTheApplicationRunsAbortsInADebugBuild) {
#ifdef NDEBUG
  GTEST_SKIP() << "the check is in debug builds only";
#else
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  testsupport::TempHome home{"vd-core-test"};
  const std::string file = home.path() + "/state.plist";
  EXPECT_DEATH(
      {
        rl::ScopedDisallowBlocking running;
        Paths::atomicWrite(file, std::string_view("main"));
      },
      "main thread blocked on an fsync \\(core::Paths::atomicWrite\\)");
  EXPECT_FALSE(Paths::fileExists(file));

  rl::ScopedDisallowBlocking running;
  bool workerWrote = false;
  rl::DispatchQueue::global().async([&] { workerWrote = Paths::atomicWrite(file, std::string_view("worker")); });
  rl::DispatchQueue::global().waitIdle();
  EXPECT_TRUE(workerWrote);
  {
    rl::ScopedAllowBlocking exiting;
    EXPECT_TRUE(Paths::atomicWrite(file, std::string_view("exit")));
  }
  EXPECT_EQ(Paths::readFile(file), (core::Bytes{'e', 'x', 'i', 't'}));
#endif
}
