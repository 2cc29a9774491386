// Bandwidth measurement and throttling on a manual clock, the request body stream under throttling, and
// the network-activity indicator timeline.

#include <gtest/gtest.h>

#include "librarys/http/HTTPInputStream.h"
#include "platform/core/NotificationCenter.h"
#include "platform/runloop/Clock.h"
#include "tests/librarys/http/HTTPTestSupport.h"

namespace {

using namespace httptest;

class Throttling : public ::testing::Test {
 protected:
  void SetUp() override {
    clock = std::make_shared<rl::ManualClock>(5000);
    HTTPRequest::setClock(clock);
    reset();
  }
  void TearDown() override {
    reset();
    HTTPRequest::setInternetConnectionStatusHook(nullptr);
    HTTPRequest::setClock(nullptr);
  }
  // Clears the measure: no throttling, an empty window one second long.
  void reset() {
    HTTPRequest::setShouldThrottleBandwidthForWWAN(false);
    HTTPRequest::setMaxBandwidthPerSecond(0);
    clock->advance(10);
    HTTPRequest::measureBandwidthUsage();  // a silent second: samples cleared
    clock->advance(2);
    HTTPRequest::measureBandwidthUsage();
  }
  std::shared_ptr<rl::ManualClock> clock;
};

TEST_F(Throttling, WWANOnlyThrottlingFollowsTheNetwork) {
  int status = 2;  // Wi-Fi
  HTTPRequest::setInternetConnectionStatusHook([&] { return status; });
  HTTPRequest::setShouldThrottleBandwidthForWWAN(true);
  EXPECT_EQ(HTTPRequest::maxBandwidthPerSecond(), 14800u);
  EXPECT_FALSE(HTTPRequest::isBandwidthThrottled());

  status = 1;  // the mobile network: the change notice turns throttling on
  core::NotificationCenter::defaultCenter().post("NetworkReachabilityChangedNotification");
  EXPECT_TRUE(HTTPRequest::isBandwidthThrottled());
  EXPECT_TRUE(HTTPRequest::isNetworkReachableViaWWAN());

  // Turning it off clears the maximum: no throttling on any network.
  HTTPRequest::setShouldThrottleBandwidthForWWAN(false);
  EXPECT_EQ(HTTPRequest::maxBandwidthPerSecond(), 0u);
  EXPECT_FALSE(HTTPRequest::isBandwidthThrottled());
  core::NotificationCenter::defaultCenter().post("NetworkReachabilityChangedNotification");
  EXPECT_FALSE(HTTPRequest::isBandwidthThrottled());
}

TEST_F(Throttling, AnOvershootSleepsPastTheWindow) {
  HTTPRequest::setMaxBandwidthPerSecond(14800);
  ASSERT_TRUE(HTTPRequest::isBandwidthThrottled());
  // The window now ends at t+1; a burst of twice the maximum inside it.
  double windowEnd = clock->now() + 1;
  clock->advance(0.5);
  HTTPRequest::incrementBandwidthUsedInLastSecond(29600);
  HTTPRequest::measureBandwidthUsage();
  ASSERT_TRUE(HTTPRequest::throttleWakeUpTime());
  EXPECT_DOUBLE_EQ(*HTTPRequest::throttleWakeUpTime(), windowEnd + 1);
}

TEST_F(Throttling, StaleSamplesAreDroppedAndTheAverageFollowsRecentSeconds) {
  for (unsigned long bytes : {1000ul, 2000ul, 3000ul}) {
    HTTPRequest::incrementBandwidthUsedInLastSecond(bytes);
    clock->advance(1.01);
    HTTPRequest::measureBandwidthUsage();
  }
  // Each measure after a window has passed drops the oldest sample: the average is the last second's.
  EXPECT_EQ(HTTPRequest::averageBandwidthUsedPerSecond(), 3000u);
  EXPECT_EQ(HTTPRequest::bandwidthUsageSampleCount(), 1u);
  // A long pause: the next measure drops the old samples.
  clock->advance(30);
  HTTPRequest::incrementBandwidthUsedInLastSecond(600);
  HTTPRequest::measureBandwidthUsage();
  EXPECT_EQ(HTTPRequest::bandwidthUsageSampleCount(), 1u);
  EXPECT_EQ(HTTPRequest::averageBandwidthUsedPerSecond(), 600u);
  // A second without traffic clears them all.
  clock->advance(1.5);
  HTTPRequest::measureBandwidthUsage();
  EXPECT_EQ(HTTPRequest::averageBandwidthUsedPerSecond(), 0u);
  EXPECT_EQ(HTTPRequest::bandwidthUsageSampleCount(), 1u);
}

TEST_F(Throttling, UploadAllowance) {
  EXPECT_EQ(HTTPRequest::maxUploadReadLength(), 0u);  // no maximum set
  HTTPRequest::setMaxBandwidthPerSecond(4000);
  EXPECT_EQ(HTTPRequest::maxUploadReadLength(), 1000u);  // a quarter
  HTTPRequest::incrementBandwidthUsedInLastSecond(3500);
  EXPECT_EQ(HTTPRequest::maxUploadReadLength(), 500u);  // what is left
  HTTPRequest::incrementBandwidthUsedInLastSecond(1000);
  EXPECT_EQ(HTTPRequest::maxUploadReadLength(), 0u);
}

TEST_F(Throttling, BodyStreamReadsOneByteWithoutAllowanceAndCountsWhatItRead) {
  auto stream = HTTPInputStream::inputStreamWithData("abcdef", nullptr);
  std::uint8_t buf[16];
  // Unthrottled: what is asked.
  EXPECT_EQ(stream->read(buf, 4), 4);
  EXPECT_EQ(HTTPRequest::bandwidthUsedInLastSecond(), 4u);
  // Throttled with the second's allowance used up: one byte per read.
  HTTPRequest::setMaxBandwidthPerSecond(4);
  EXPECT_EQ(stream->read(buf, 16), 1);
  EXPECT_EQ(HTTPRequest::bandwidthUsedInLastSecond(), 5u);
  EXPECT_EQ(stream->read(buf, 16), 1);
  // The end adds nothing.
  EXPECT_EQ(stream->read(buf, 16), 0);
  EXPECT_EQ(HTTPRequest::bandwidthUsedInLastSecond(), 6u);
  // An unreadable file: an error, and nothing counted.
  auto missing = HTTPInputStream::inputStreamWithFileAtPath("/nonexistent/file", nullptr);
  EXPECT_EQ(missing->read(buf, 16), -1);
  EXPECT_EQ(HTTPRequest::bandwidthUsedInLastSecond(), 6u);
  EXPECT_EQ(missing->streamStatus(), HTTPInputStream::Status::Error);
}

class ThrottledDownload : public LoopbackSuite {};

TEST_F(ThrottledDownload, AThrottledDownloadStillArrivesWhole) {
  // Real clock: 400 KB/s for 600 KB: the reads pause at least once until the next second.
  HTTPRequest::setMaxBandwidthPerSecond(400000);
  auto r = makeRequest("/bytes?n=600000");
  runAsync(r);
  HTTPRequest::setMaxBandwidthPerSecond(0);
  ASSERT_FALSE(r->error());
  EXPECT_TRUE(r->responseData() == pattern(600000));
}

class Indicator : public LoopbackSuite {};

TEST_F(Indicator, GoesOffHalfASecondAfterTheLastStream) {
  auto mainClock = std::make_shared<rl::ManualClock>(100);
  rl::RunLoop::main().setClock(mainClock);
  std::vector<bool> changes;
  HTTPRequest::setNetworkActivityIndicatorHook([&](bool visible) { changes.push_back(visible); });

  auto r = makeRequest("/bytes?n=10");
  auto record = runAsync(r);
  ASSERT_FALSE(r->error());
  EXPECT_FALSE(HTTPRequest::isNetworkInUse());
  EXPECT_TRUE(HTTPRequest::isNetworkActivityIndicatorVisible());  // still on: the delay has not passed
  rl::RunLoop::main().advance(0.4);
  EXPECT_TRUE(HTTPRequest::isNetworkActivityIndicatorVisible());
  rl::RunLoop::main().advance(0.2);
  EXPECT_FALSE(HTTPRequest::isNetworkActivityIndicatorVisible());
  ASSERT_FALSE(changes.empty());
  EXPECT_TRUE(changes.front());
  EXPECT_FALSE(changes.back());

  // A stream scheduled within the delay keeps it on.
  auto a = makeRequest("/bytes?n=10");
  runAsync(a);
  auto b = makeRequest("/stall?head=0.3&n=10");
  auto rb = watch(b);
  b->startAsynchronous();
  ASSERT_TRUE(runUntil([&] { return HTTPRequest::isNetworkInUse(); }, 5));
  rl::RunLoop::main().advance(0.6);
  EXPECT_TRUE(HTTPRequest::isNetworkActivityIndicatorVisible());
  ASSERT_TRUE(runUntil([&] { return rb->done(); }));
  runUntil([&] { return !HTTPRequest::isNetworkInUse(); }, 2);
  rl::RunLoop::main().advance(0.6);
  EXPECT_FALSE(HTTPRequest::isNetworkActivityIndicatorVisible());

  HTTPRequest::setNetworkActivityIndicatorHook(nullptr);
  rl::RunLoop::main().setClock(rl::Clock::real());
}

}  // namespace
