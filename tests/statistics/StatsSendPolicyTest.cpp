// When the collected records are uploaded: the policy and trigger table, the day rule, the interval
// rule, and the gates before them.

#include <gtest/gtest.h>

#include <string>

#include "tests/statistics/StatsTestSupport.h"

namespace stats_test {
namespace {

using SendPolicy = StatsFixture;

struct Decision {
  int policy;
  bool launch, termination, event;
};

TEST_F(SendPolicy, PolicyAndTriggerTable) {
  const Decision table[] = {
      {1, true, false, false},  // the app's: once per session, at launch
      {2, false, true, false},  // at termination
      {3, true, false, false},  // at the first launch of a day (no post noted yet)
      {6, true, true, true},    // at any trigger once the interval has passed (no post noted yet)
  };
  auto stats = makeInternal();
  stats->setLaunched(true);
  for (const auto& d : table) {
    SCOPED_TRACE(d.policy);
    stats->setPolicy(d.policy);
    EXPECT_EQ(stats->shouldCommitJob(UsageStatsInternal::kLaunchJob), d.launch);
    EXPECT_EQ(stats->shouldCommitJob(UsageStatsInternal::kTerminationJob), d.termination);
    EXPECT_EQ(stats->shouldCommitJob(UsageStatsInternal::kEventJob), d.event);
  }
}

TEST_F(SendPolicy, NothingWithoutANetworkOrBeforeTheFirstLaunch) {
  StatsDeviceFacts offline = testFacts();
  offline.access = "";
  auto stats = makeInternal(offline);
  stats->setLaunched(true);
  auto notLaunched = makeInternal();
  for (int policy : {1, 2, 3, 6}) {
    SCOPED_TRACE(policy);
    stats->setPolicy(policy);
    notLaunched->setPolicy(policy);
    for (int kind : {0, 1, 2}) {
      EXPECT_FALSE(stats->shouldCommitJob(kind));
      EXPECT_FALSE(notLaunched->shouldCommitJob(kind));
    }
  }
}

TEST_F(SendPolicy, DailyPolicySendsOnTheFirstLaunchOfADay) {
  auto stats = makeInternal();
  stats->setLaunched(true);
  stats->setPolicy(3);
  defaults().setObject("lastPostDate", localDay(kNow));
  EXPECT_FALSE(stats->shouldCommitJob(UsageStatsInternal::kLaunchJob));
  defaults().setObject("lastPostDate", localDay(kNow - 86400));
  EXPECT_TRUE(stats->shouldCommitJob(UsageStatsInternal::kLaunchJob));
}

struct IntervalCase {
  double sinceLastPost;
  double interval;                // setSendInterval
  std::optional<int> configured;  // "stats_report_interval"
  bool sends;
};

TEST_F(SendPolicy, IntervalPolicySendsOnlyAfterMoreThanTheInterval) {
  const IntervalCase cases[] = {
      {10.5, 10, std::nullopt, true},
      {10.0, 10, std::nullopt, false},  // strictly more
      {3.0, 1, std::nullopt, false},    // an interval below 10 counts as 10
      {3.0, 90000, std::nullopt, false},
      {15.0, 100, std::nullopt, false},
      {101.0, 100, std::nullopt, true},
      {25.0, 10, 30, false},  // the configured interval wins over the one set
      {31.0, 10, 30, true},
  };
  auto stats = makeInternal();
  stats->setLaunched(true);
  stats->setPolicy(6);
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.sinceLastPost) + " s, interval " + std::to_string(c.interval));
    stats->setSendInterval(c.interval);
    if (c.configured) {
      defaults().setInteger("stats_report_interval", *c.configured);
    } else {
      defaults().removeObject("stats_report_interval");
    }
    defaults().setObject("lastPostInterval", kNow - c.sinceLastPost);
    EXPECT_EQ(stats->shouldCommitJob(UsageStatsInternal::kEventJob), c.sends);
  }
}

TEST_F(SendPolicy, NoJobIsFilledWhenTheDecisionSaysNo) {
  auto stats = makeInternal();
  stats->setLaunched(true);
  stats->setPolicy(1);
  stats->appendLaunch(core::Dictionary{{"date", "d"}});
  stats->preparePerformJob(UsageStatsInternal::kEventJob);
  EXPECT_FALSE(stats->jobRunning());
  EXPECT_FALSE(stats->jobSnapshot().hasTask());
  EXPECT_EQ(stats->snapshot().launches.size(), 1u);
}

}  // namespace
}  // namespace stats_test
