// The property-list writer: saves and removals leave the calling thread, the last one asked for is
// what the file ends up holding and what readers see meanwhile, and a removal is never undone by an
// older save.
#include "platform/core/PropertyListWriter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/TempDir.h"
#include "platform/core/Paths.h"
#include "platform/core/PropertyList.h"
#include "platform/core/UserDefaults.h"
#include "platform/runloop/BlockingCall.h"

using core::PropertyListWriter;
using core::Value;

namespace {

std::string nameIn(const Value& root) { return root.isDictionary() ? root["name"].toString() : "(none)"; }

TEST(PropertyListWriter, TheLastSaveOrRemovalWinsAndReadersSeeItBeforeTheDisk) {
  struct Case {
    const char* name;
    const char* before;              // what the file holds first ("" for no file)
    std::vector<std::string> steps;  // "-" removes, anything else saves that name
    const char* last;                // the name the file holds in the end, "(none)" for no file
  };
  const Case cases[] = {
      {"moves in a row", "", {"一", "二", "三"}, "三"},
      {"a save replaces the file", "旧", {"新"}, "新"},
      {"the run is submitted", "旧", {"一", "二", "-"}, "(none)"},
      {"a new run after a removal", "旧", {"-", "四"}, "四"},
      {"a removal with no file", "", {"-"}, "(none)"},
  };
  testsupport::TempHome home{"vd-core-test"};
  auto& writer = PropertyListWriter::shared();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = home.path() + "/la/" + c.name;
    if (*c.before) {
      ASSERT_TRUE(core::Paths::createDirectories(home.path() + "/la"));
      ASSERT_TRUE(core::PropertyList::writeFile(path, core::Dictionary{{"name", c.before}}));
    }
    {
      // As on a running application's main thread: a save that waited for the disk would abort here.
      rl::ScopedDisallowBlocking running;
      for (const std::string& step : c.steps) {
        if (step == "-")
          writer.remove(path);
        else
          writer.save(path, core::Dictionary{{"name", step}});
      }
      EXPECT_EQ(nameIn(writer.readFile(path)), c.last) << "what a reader sees now, written yet or not";
    }
    writer.flush();
    EXPECT_FALSE(writer.pending(path).has_value());
    EXPECT_EQ(nameIn(core::PropertyList::readFile(path)), c.last) << "on disk";
    EXPECT_EQ(core::Paths::fileExists(path), std::string(c.last) != "(none)");
  }
}

TEST(PropertyListWriter, TheSavedValueIsACopyOfWhatTheCallerStillChanges) {
  testsupport::TempHome home{"vd-core-test"};
  const std::string path = home.path() + "/copy.plist";
  Value root = core::Dictionary{{"name", "一"}};
  PropertyListWriter::shared().save(path, root);
  root.set("name", "changed after the save");
  PropertyListWriter::shared().flush();
  EXPECT_EQ(nameIn(core::PropertyList::readFile(path)), "一");
}

// The user defaults of a running application's main thread go through the writer; a reader of the file
// in this process sees them at once, and the file has them once the writer is done.
TEST(PropertyListWriter, MainThreadDefaultsAreQueuedAndReadBack) {
  testsupport::TempHome home{"vd-core-test"};
  const std::string path = home.path() + "/defaults.plist";
  core::UserDefaults defaults(path);
  defaults.setInteger("isAutoLogon", 1);
  {
    rl::ScopedDisallowBlocking running;
    ASSERT_TRUE(defaults.synchronize());
    EXPECT_EQ(core::UserDefaults(path).integerForKey("isAutoLogon"), 1);
  }
  PropertyListWriter::shared().flush();
  EXPECT_EQ(core::PropertyList::readFile(path)["isAutoLogon"].toInt(), 1);
}

}  // namespace
