#include <gmock/gmock.h>

#include <cstdio>
#include <string>

#include "tests/app/StartupFixture.h"

using namespace startup_test;

namespace {

struct ProcessRun {
  int status = -1;
  std::string output;
};

ProcessRun run(const std::string& command) {
  ProcessRun r;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return r;
  char buffer[4096];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) r.output.append(buffer, n);
  const int status = pclose(pipe);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

}  // namespace

TEST(Executable, PrintScreensShowsTheExamCategoryChoiceOnAFreshHome) {
  TempDir home;
  ASSERT_FALSE(home.path().empty());
  const std::string env = "VARDO_HOME='" + home.path() + "' ";
  const ProcessRun r = run(env + "'" VARDO_EXECUTABLE "' --headless --print-screens");
  EXPECT_EQ(r.status, 0);
  EXPECT_THAT(r.output, ::testing::StartsWith(
                            "root: NavigationController\n  [0] SelectSortViewController \"Vardo\"\n"));
  // The first start seeded the defaults of that home.
  core::UserDefaults written(home.path() + "/config/defaults.plist");
  EXPECT_EQ(written.stringForKey("fontSize"), "中号");
}

TEST(Executable, WithoutHeadlessItSaysSoAndPrintsTheScreens) {
  TempDir home;
  const ProcessRun r = run("VARDO_HOME='" + home.path() + "' '" VARDO_EXECUTABLE "'");
  EXPECT_EQ(r.status, 0);
  EXPECT_THAT(r.output, ::testing::HasSubstr("window presenter is not built yet"));
  EXPECT_THAT(r.output, ::testing::HasSubstr("root: NavigationController"));
}

TEST(Executable, UnknownOptionIsAnError) {
  const ProcessRun r = run("'" VARDO_EXECUTABLE "' --bogus 2>&1");
  EXPECT_EQ(r.status, 2);
  EXPECT_THAT(r.output, ::testing::HasSubstr("unknown option --bogus"));
}
