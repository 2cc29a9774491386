// Bandwidth measurement and throttling on a manual clock, the class-wide throttle on the mobile network and
// under the request body stream, and the network-activity indicator timeline.

#include <gtest/gtest.h>

#include "librarys/http/BandwidthThrottle.h"
#include "librarys/http/HTTPInputStream.h"
#include "platform/core/NotificationCenter.h"
#include "platform/runloop/Clock.h"
#include "tests/librarys/http/HTTPTestSupport.h"
#include "tests/support/ScopedMainClock.h"
#include "tests/support/ScopedOverride.h"

namespace {

using namespace httptest;
using testsupport::ScopedOverride;

// The measure and the throttle on a manual clock, with the first window open.
class Throttle : public ::testing::Test {
 protected:
  void SetUp() override { throttle.measureBandwidthUsage(); }
  std::shared_ptr<rl::ManualClock> clock = std::make_shared<rl::ManualClock>(5000);
  BandwidthThrottle throttle{clock};
};

TEST_F(Throttle, AnOvershootSleepsPastTheWindow) {
  throttle.setMaxBandwidthPerSecond(14800);
  ASSERT_TRUE(throttle.isBandwidthThrottled());
  // The window now ends at t+1; a burst of twice the maximum inside it.
  double windowEnd = clock->now() + 1;
  clock->advance(0.5);
  throttle.incrementBandwidthUsedInLastSecond(29600);
  throttle.measureBandwidthUsage();
  ASSERT_TRUE(throttle.throttleWakeUpTime());
  EXPECT_DOUBLE_EQ(*throttle.throttleWakeUpTime(), windowEnd + 1);
  EXPECT_TRUE(throttle.isAsleep());
  clock->advance(1.4);
  EXPECT_TRUE(throttle.isAsleep());
  clock->advance(0.2);  // past the wake-up time
  EXPECT_FALSE(throttle.isAsleep());
}

TEST_F(Throttle, StaleSamplesAreDroppedAndTheAverageFollowsRecentSeconds) {
  for (unsigned long bytes : {1000ul, 2000ul, 3000ul}) {
    throttle.incrementBandwidthUsedInLastSecond(bytes);
    clock->advance(1.01);
    throttle.measureBandwidthUsage();
  }
  // Each measure after a window has passed drops the oldest sample: the average is the last second's.
  EXPECT_EQ(throttle.averageBandwidthUsedPerSecond(), 3000u);
  EXPECT_EQ(throttle.bandwidthUsageSampleCount(), 1u);
  // A long pause: the next measure drops the old samples.
  clock->advance(30);
  throttle.incrementBandwidthUsedInLastSecond(600);
  throttle.measureBandwidthUsage();
  EXPECT_EQ(throttle.bandwidthUsageSampleCount(), 1u);
  EXPECT_EQ(throttle.averageBandwidthUsedPerSecond(), 600u);
  // A second without traffic clears them all.
  clock->advance(1.5);
  throttle.measureBandwidthUsage();
  EXPECT_EQ(throttle.averageBandwidthUsedPerSecond(), 0u);
  EXPECT_EQ(throttle.bandwidthUsageSampleCount(), 1u);
}

TEST_F(Throttle, ReadAllowances) {
  EXPECT_EQ(throttle.maxUploadReadLength(), 0u);  // no maximum set
  EXPECT_EQ(throttle.responseReadLength(16384), 16384u);
  throttle.setMaxBandwidthPerSecond(4000);
  EXPECT_EQ(throttle.maxUploadReadLength(), 1000u);  // a quarter
  EXPECT_EQ(throttle.responseReadLength(16384), 1000u);
  EXPECT_EQ(throttle.responseReadLength(300), 300u);  // never more than the buffer
  throttle.incrementBandwidthUsedInLastSecond(3500);
  EXPECT_EQ(throttle.maxUploadReadLength(), 500u);  // what is left
  EXPECT_EQ(throttle.responseReadLength(16384), 125u);
  throttle.incrementBandwidthUsedInLastSecond(1000);
  EXPECT_EQ(throttle.maxUploadReadLength(), 0u);
  EXPECT_EQ(throttle.responseReadLength(16384), 1u);  // over the maximum: one byte at a time
  // With nothing left the reads sleep until the window's end.
  ASSERT_TRUE(throttle.throttleWakeUpTime());
  EXPECT_TRUE(throttle.isAsleep());
}

TEST_F(Throttle, MobileNetworkOnly) {
  throttle.throttleForWWANOnlyUsingLimit(14800);
  EXPECT_EQ(throttle.maxBandwidthPerSecond(), 14800u);
  EXPECT_FALSE(throttle.isBandwidthThrottled());  // not on the mobile network
  throttle.setNetworkThrottled(true);
  EXPECT_TRUE(throttle.isBandwidthThrottled());
  throttle.stopThrottling();
  EXPECT_EQ(throttle.maxBandwidthPerSecond(), 0u);
  EXPECT_FALSE(throttle.isBandwidthThrottled());
}

// The class-wide throttle of every request, on the real clock.
class Throttling : public ::testing::Test {};

TEST_F(Throttling, WWANOnlyThrottlingFollowsTheNetwork) {
  int status = 2;  // Wi-Fi
  ScopedOverride<std::function<int()>> reach{HTTPRequest::setInternetConnectionStatusHook, [&] { return status; },
                                             nullptr};
  ScopedOverride<bool> wwan{HTTPRequest::setShouldThrottleBandwidthForWWAN, true, false};
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

TEST_F(Throttling, BodyStreamReadsOneByteWithoutAllowanceAndCountsWhatItRead) {
  // Counts are taken from what this second held before: the class-wide window runs on the real clock.
  const unsigned long before = HTTPRequest::bandwidthUsedInLastSecond();
  auto stream = HTTPInputStream::inputStreamWithData("abcdef", nullptr);
  std::uint8_t buf[16];
  // Unthrottled: what is asked.
  EXPECT_EQ(stream->read(buf, 4), 4);
  EXPECT_EQ(HTTPRequest::bandwidthUsedInLastSecond(), before + 4);
  // Throttled with the second's allowance used up: one byte per read.
  ScopedOverride<unsigned long> cap{HTTPRequest::setMaxBandwidthPerSecond, 4, HTTPRequest::maxBandwidthPerSecond()};
  EXPECT_EQ(stream->read(buf, 16), 1);
  EXPECT_EQ(HTTPRequest::bandwidthUsedInLastSecond(), before + 5);
  EXPECT_EQ(stream->read(buf, 16), 1);
  // The end adds nothing.
  EXPECT_EQ(stream->read(buf, 16), 0);
  EXPECT_EQ(HTTPRequest::bandwidthUsedInLastSecond(), before + 6);
  // An unreadable file: an error, and nothing counted.
  auto missing = HTTPInputStream::inputStreamWithFileAtPath("/nonexistent/file", nullptr);
  EXPECT_EQ(missing->read(buf, 16), -1);
  EXPECT_EQ(HTTPRequest::bandwidthUsedInLastSecond(), before + 6);
  EXPECT_EQ(missing->streamStatus(), HTTPInputStream::Status::Error);
}

class ThrottledDownload : public LoopbackSuite {};

TEST_F(ThrottledDownload, AThrottledDownloadStillArrivesWhole) {
  // Real clock: 400 KB/s for 600 KB: the reads pause at least once until the next second.
  auto r = makeRequest("/bytes?n=600000");
  {
    ScopedOverride<unsigned long> cap{HTTPRequest::setMaxBandwidthPerSecond, 400000,
                                      HTTPRequest::maxBandwidthPerSecond()};
    runAsync(r);
  }
  ASSERT_FALSE(r->error());
  EXPECT_TRUE(r->responseData() == pattern(600000));
}

class Indicator : public LoopbackSuite {};

TEST_F(Indicator, GoesOffHalfASecondAfterTheLastStream) {
  auto mainClock = std::make_shared<rl::ManualClock>(100);
  testsupport::ScopedMainClock clock{mainClock};
  std::vector<bool> changes;
  ScopedOverride<std::function<void(bool)>> indicator{HTTPRequest::setNetworkActivityIndicatorHook,
                                                      [&](bool visible) { changes.push_back(visible); }, nullptr};

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
}

}  // namespace
