#include <gmock/gmock.h>

#include <algorithm>
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

// Without --headless the application needs a display; it never falls back to running headless.
TEST(Executable, WithoutADisplayOrHeadlessItFailsNamingBothWays) {
  TempDir home;
  struct Case {
    const char* name;
    const char* environment;
  };
  const Case cases[] = {
      {"no display at all", "env -u DISPLAY -u WAYLAND_DISPLAY "},
      {"a display that cannot be opened", "env -u WAYLAND_DISPLAY DISPLAY=:59999 "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ProcessRun r =
        run(std::string(c.environment) + "VARDO_HOME='" + home.path() + "' '" VARDO_EXECUTABLE "' 2>&1");
    EXPECT_EQ(r.status, 2);
    EXPECT_THAT(r.output, ::testing::HasSubstr("display"));
    EXPECT_THAT(r.output, ::testing::HasSubstr("--headless"));
    EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 1) << r.output;
  }
}

TEST(Executable, UnknownOptionIsAnError) {
  const ProcessRun r = run("'" VARDO_EXECUTABLE "' --bogus 2>&1");
  EXPECT_EQ(r.status, 2);
  EXPECT_THAT(r.output, ::testing::HasSubstr("unknown option --bogus"));
  EXPECT_EQ(run("'" VARDO_EXECUTABLE "' --print-screens 2>&1").status, 2);
}
