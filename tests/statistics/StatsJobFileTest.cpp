// The records in memory, the job that takes them and the job file that carries them across launches.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/core/Paths.h"
#include "platform/core/PropertyList.h"
#include "statistics/StatsEvent.h"
#include "statistics/StatsLaunch.h"
#include "statistics/StatsTerminate.h"
#include "tests/statistics/StatsTestSupport.h"

namespace stats_test {
namespace {

core::Value event(const std::string& tag) {
  StatsEvent e;
  e.event_id = tag;
  e.acc = 1;
  return e.attributes();
}

core::Value launch(const std::string& session) {
  StatsLaunch l;
  l.session_id = session;
  return l.attributes();
}

std::vector<std::string> tags(const core::Array& events) {
  std::vector<std::string> out;
  for (const auto& e : events) out.push_back(e["tag"].str());
  return out;
}

using JobFile = StatsFixture;

TEST_F(JobFile, WrittenReloadedAndDeleted) {
  auto stats = makeInternal();
  const std::string path = UsageStatsInternal::jobFilePath();
  EXPECT_EQ(path, home() + "/cache/.org.vardo.questionbank_stats.plist");

  ASSERT_TRUE(stats->jobToFile());
  EXPECT_FALSE(core::Paths::fileExists(path));  // nothing to keep: no file

  StatsTerminate end;
  end.duration = 42;
  stats->appendTerminate(end.attributes());
  ASSERT_TRUE(stats->jobToFile());
  const core::Value onDisk = core::PropertyList::readFile(path);
  EXPECT_EQ(onDisk.dict().keys(), std::vector<std::string>{"body"});
  EXPECT_EQ(onDisk["body"].dict().keys(), std::vector<std::string>{"terminate"});
  EXPECT_EQ(onDisk["body"]["terminate"][0]["duration"], core::Value(42));

  stats->appendLaunch(launch("S1"));
  stats->appendEvent(event("a"));
  stats->internalSaveJobToFileAndClean(true);
  EXPECT_TRUE(stats->snapshot().terminates.empty());
  EXPECT_TRUE(stats->snapshot().events.empty());

  auto next = makeInternal();  // the next launch
  next->loadJobFromFileAndInstance();
  EXPECT_FALSE(core::Paths::fileExists(path));
  const auto lists = next->snapshot();
  EXPECT_EQ(lists.launches.size(), 1u);
  EXPECT_EQ(lists.launches[0]["session_id"].str(), "S1");
  EXPECT_EQ(lists.terminates.size(), 1u);
  EXPECT_EQ(tags(lists.events), std::vector<std::string>{"a"});
  EXPECT_EQ(next->toDictionary(false)["body"].dict().keys(),
            (std::vector<std::string>{"launch", "terminate", "event"}));
}

TEST_F(JobFile, AnUnreadableFileIsDeletedAndYieldsNothing) {
  auto stats = makeInternal();
  const std::string path = UsageStatsInternal::jobFilePath();
  ASSERT_TRUE(core::Paths::atomicWrite(path, std::string_view("not a property list")));
  EXPECT_TRUE(stats->loadJobDataFromFile().empty());
  EXPECT_FALSE(core::Paths::fileExists(path));
}

TEST_F(JobFile, AFailedSaveKeepsTheRecordsInMemory) {
  auto stats = makeInternal();
  std::filesystem::create_directories(UsageStatsInternal::jobFilePath() +
                                      "/blocked");  // not writable as a file
  stats->appendEvent(event("kept"));
  stats->internalSaveJobToFileAndClean(true);
  EXPECT_EQ(tags(stats->snapshot().events), std::vector<std::string>{"kept"});
}

struct CrashMerge {
  const char* stored;   // "StatsAppVersion" (nullptr: absent)
  const char* running;  // the app version now
  bool merged;
  bool keyLeft;
};

TEST_F(JobFile, CrashRecordsComeBackOnlyForTheVersionThatCrashed) {
  const CrashMerge cases[] = {
      {"1.0", "1.0", true, false},
      {"2.1-beta", "2.1-Beta", true, false},  // without regard to case
      {"1.0", "1.1", false, true},            // upgraded since: dropped, the key stays
      {nullptr, "1.0", false, false},         // no crash noted: memory's errors go too
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.stored ? c.stored : "(absent)") + " / " + c.running);
    auto stats = makeInternal();
    stats->setAppVersion(c.running);
    stats->appendError(core::Dictionary{{"context", "in memory"}});
    if (c.stored) {
      defaults().setObject("StatsAppVersion", c.stored);
    } else {
      defaults().removeObject("StatsAppVersion");
    }
    stats->fillJobDataFromDictionary(core::Dictionary{
        {"body", core::Dictionary{{"error", core::Array{core::Dictionary{{"context", "crash"}}}},
                                  {"event", core::Array{event("e")}}}}});
    const auto lists = stats->snapshot();
    EXPECT_EQ(tags(lists.events), std::vector<std::string>{"e"});
    std::vector<std::string> contexts;
    for (const auto& e : lists.errors) contexts.push_back(e["context"].str());
    if (c.merged) {
      EXPECT_EQ(contexts, (std::vector<std::string>{"in memory", "crash"}));
    } else if (c.stored) {
      EXPECT_EQ(contexts, std::vector<std::string>{"in memory"});
    } else {
      EXPECT_TRUE(contexts.empty());
    }
    EXPECT_EQ(!defaults().objectForKey("StatsAppVersion").isNil(), c.keyLeft);
  }
}

TEST_F(JobFile, TheJobTakesCopiesOfMemoryAndOnlyItsOwnRecordsLeave) {
  auto stats = makeInternal();
  stats->appendLaunch(launch("S1"));
  stats->appendEvent(event("a"));
  stats->withLists([](UsageStatsInternal::Lists& l) {
    l.currentEkvArray.push_back(core::Dictionary{{"id", "k"}});
    l.ekvSession.set("S1", core::Value(l.currentEkvArray));
  });
  stats->fillJobDataFromInstance();
  const StatsJob job = stats->jobSnapshot();
  EXPECT_TRUE(job.hasTask());
  EXPECT_EQ(job.launches.size(), 1u);
  EXPECT_EQ(tags(job.events), std::vector<std::string>{"a"});
  ASSERT_EQ(job.ekv.size(), 1u);  // the session's ekv map, as one element
  EXPECT_EQ(job.ekv[0]["S1"][0]["id"].str(), "k");
  EXPECT_TRUE(stats->snapshot().ekvSession.empty());
  EXPECT_TRUE(stats->snapshot().currentEkvArray.empty());

  // An identical event recorded after the job was filled is a record of its own and stays.
  stats->appendEvent(event("a"));
  stats->removeInstanceDataInJobData();
  const auto lists = stats->snapshot();
  EXPECT_TRUE(lists.launches.empty());
  EXPECT_TRUE(lists.ekv.empty());
  EXPECT_EQ(tags(lists.events), std::vector<std::string>{"a"});
  EXPECT_EQ(lists.events[0]["ts"], core::Value(kNow));

  EXPECT_EQ(job.toDictionary(false)["body"].dict().keys(),
            (std::vector<std::string>{"launch", "event", "ekv"}));
  EXPECT_TRUE(StatsJob().toDictionary(true)["body"].isDictionary());  // "body" even when empty
}

}  // namespace
}  // namespace stats_test
