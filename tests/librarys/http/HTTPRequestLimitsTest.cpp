// Limits against a hostile server: bodies kept in memory and inflated bodies are capped (a gzip bomb, a
// body that never ends, a length announced too large), a dropped connection is sent again only when no
// byte of the answer had come, and thousands of synchronous requests leave no timers behind.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/librarys/http/HTTPTestSupport.h"

namespace {

using namespace httptest;

constexpr std::uint64_t kCap = 1 << 20;  // 1 MiB

std::int64_t underlyingCode(const core::Error& e) {
  return e.userInfo[kHTTPUnderlyingErrorKey]["code"].toInt();
}

class Limits : public LoopbackSuite {};

TEST_F(Limits, AGzipBombKeptInMemoryFailsWithCodeElevenAndIsLetGo) {
  struct Case {
    const char* path;
    bool waitToInflate;
    bool fails;
  } cases[] = {
      {"/bomb?n=67108864", true, true},   // 64 MiB of zeros in about 64 KiB: inflated at the end
      {"/bomb?n=67108864", false, true},  // ... inflated while it arrives
      {"/bomb?n=1000000", true, false},   // under the cap: an ordinary compressed answer
      {"/bomb?n=1000000", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.path) + (c.waitToInflate ? " at the end" : " while arriving"));
    auto r = makeRequest(c.path);
    r->setMaxResponseDataSize(kCap);
    r->setShouldWaitToInflateCompressedResponses(c.waitToInflate);
    auto record = runAsync(r);
    if (!c.fails) {
      ASSERT_FALSE(r->error()) << r->error()->description;
      EXPECT_EQ(r->responseData(), std::string(1000000, '\0'));
      continue;
    }
    ASSERT_TRUE(r->error());
    EXPECT_EQ(r->error()->code, CompressionError);
    EXPECT_NE(r->error()->description.find("larger than 1048576 bytes"), std::string::npos);
    EXPECT_EQ(record->failed, 1);
    EXPECT_EQ(record->finished, 0);
    EXPECT_TRUE(r->rawResponseData().empty());
    EXPECT_TRUE(r->responseData().empty());
  }
}

TEST_F(Limits, ABodyThatNeverEndsOrIsAnnouncedTooLargeFailsWithCodeOne) {
  struct Case {
    const char* path;
    bool refusedBeforeReading;
  } cases[] = {
      {"/endless", false},             // chunked, for ever
      {"/endless?nolength=1", false},  // no framing: ends only when the server closes
      {"/bytes?n=4194304", true},      // "Content-Length" above the cap: not read at all
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    auto r = makeRequest(c.path);
    r->setMaxResponseDataSize(kCap);
    auto record = runAsync(r);
    ASSERT_TRUE(r->error());
    EXPECT_EQ(r->error()->code, ConnectionFailureErrorType);
    EXPECT_EQ(r->error()->description, "A connection failure occurred");
    EXPECT_EQ(underlyingCode(*r->error()), net::kNetworkDataLengthExceedsMaximum);
    EXPECT_EQ(record->failed, 1);
    EXPECT_TRUE(r->rawResponseData().empty());
    EXPECT_LE(r->totalBytesRead(), kCap + 262144);  // stopped at the cap, give or take one read
    if (c.refusedBeforeReading) {
      EXPECT_EQ(r->totalBytesRead(), 0u);
    }
    EXPECT_EQ(r->retryCount(), 0);
  }
  // The default cap is far above what a reply of the system carries.
  auto ordinary = makeRequest("/bytes?n=4194304");
  runAsync(ordinary);
  EXPECT_FALSE(ordinary->error());
  EXPECT_EQ(ordinary->responseData().size(), 4194304u);
}

TEST_F(Limits, ACompressedDownloadThatInflatesPastItsCapLeavesNoFile) {
  const std::string dir = freshDir("bomb");
  const std::string destination = core::Paths::join(dir, "bank.db");
  const std::string temporary = destination + ".temp";
  for (bool waitToInflate : {true, false}) {
    SCOPED_TRACE(waitToInflate ? "inflated at the end" : "inflated while arriving");
    auto r = makeRequest("/bomb?n=67108864");
    r->setDownloadDestinationPath(destination);
    r->setTemporaryFileDownloadPath(temporary);
    r->setAllowResumeForFileDownloads(true);
    r->setShouldWaitToInflateCompressedResponses(waitToInflate);
    r->setMaxInflatedDownloadSize(kCap);
    runAsync(r);
    ASSERT_TRUE(r->error());
    EXPECT_EQ(r->error()->code, CompressionError);
    EXPECT_FALSE(core::Paths::fileExists(destination));
    EXPECT_FALSE(core::Paths::fileExists(temporary));
    EXPECT_TRUE(std::filesystem::is_empty(dir));
  }
}

// The one retry on a fresh connection is for a kept-alive connection that the server closed before it
// answered; a connection that breaks in the middle of an answer is not sent again.
TEST_F(Limits, ADroppedConnectionIsRetriedOnlyWhenNothingOfTheAnswerHadCome) {
  struct Case {
    const char* path;
    int retries;
  } cases[] = {
      {"/reject", 1},                       // closed before any answer, on the retry too
      {"/drop?n=1000&at=10", 0},            // head and 10 body bytes, then closed
      {"/drop?n=1000&at=10&chunked=1", 0},  // the same, chunked
      {"/drop?n=1000&at=0", 0},             // the head alone
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const int requestsBefore = server().requestCount();
    auto r = makeRequest(c.path);
    auto record = runAsync(r);
    ASSERT_TRUE(r->error());
    EXPECT_EQ(r->error()->code, ConnectionFailureErrorType);
    EXPECT_EQ(r->retryCount(), c.retries);
    EXPECT_EQ(record->failed, 1);
    // The server saw the request once, or once more for the retry (and once for each count asked).
    EXPECT_EQ(server().requestCount() - requestsBefore, 1 + c.retries + 1);
  }
}

// Each synchronous request on the main thread ends by asking for the network-activity indicator to be
// hidden a little later; those asks share one timer, so the main loop's timers do not pile up while it
// runs in the requests' own mode.
TEST_F(Limits, ThousandsOfSynchronousRequestsLeaveNoTimersBehind) {
  HTTPRequest::setShouldUpdateNetworkActivityIndicator(true);
  auto first = makeRequest("/bytes?n=10");
  first->startSynchronous();
  ASSERT_FALSE(first->error());
  const std::size_t timers = rl::RunLoop::main().timerCount();
  for (int i = 0; i < 2000; ++i) {
    auto r = makeRequest("/bytes?n=10");
    r->startSynchronous();
    ASSERT_FALSE(r->error()) << i << ": " << r->error()->description;
  }
  EXPECT_EQ(rl::RunLoop::main().timerCount(), timers);
  EXPECT_TRUE(HTTPRequest::isNetworkActivityIndicatorVisible());
  // The one pending hide still comes, half a second after the last request.
  EXPECT_TRUE(runUntil([] { return !HTTPRequest::isNetworkActivityIndicatorVisible(); }, 5));
}

}  // namespace
