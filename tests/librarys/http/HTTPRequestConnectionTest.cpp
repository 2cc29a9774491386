// Connections: reuse of kept-alive connections by connection id, the keep-alive rules of a response, a
// dropped kept-alive connection retried once (see HTTPRequestLimitsTest for when it is not), time-outs with
// retries, redirects, cookies and TLS.

#include <gtest/gtest.h>

#include "librarys/http/HTTPCookieStorage.h"
#include "librarys/json/JsonParser.h"
#include "platform/runloop/Clock.h"
#include "tests/librarys/http/HTTPTestSupport.h"

namespace {

using namespace httptest;

core::Value echoOf(const std::shared_ptr<HTTPRequest>& request) {
  return JSONValue(request->responseString().value_or(""));
}

bool echoHasHeader(const core::Value& echo, const std::string& name, std::string* value = nullptr) {
  for (const core::Value& pair : echo["headers"].array()) {
    if (core::Value(pair[0]).toString() == name) {
      if (value) *value = pair[1].toString();
      return true;
    }
  }
  return false;
}

class Connections : public LoopbackSuite {};

TEST_F(Connections, AKeptAliveConnectionIsReusedByItsId) {
  auto first = makeRequest("/bytes?n=100");
  runAsync(first);
  ASSERT_FALSE(first->error());
  ASSERT_TRUE(first->connectionID());
  EXPECT_TRUE(first->connectionCanBeReused());
  int connectionsBefore = server().connectionCount();

  auto second = makeRequest("/echo");
  runAsync(second);
  ASSERT_FALSE(second->error());
  EXPECT_EQ(second->connectionID(), first->connectionID());
  EXPECT_EQ(echoOf(second)["connection_requests"].toInt(), 2);  // the second request on that connection
  // No new connection other than the one that asked for the count.
  EXPECT_EQ(server().connectionCount(), connectionsBefore + 1);

  // Synchronous requests share the pool too.
  auto third = makeRequest("/echo");
  third->startSynchronous();
  EXPECT_EQ(third->connectionID(), first->connectionID());
  EXPECT_EQ(echoOf(third)["connection_requests"].toInt(), 3);
}

TEST_F(Connections, AConnectionInUseIsNotSharedAndABusyOneGetsANewId) {
  auto slow = makeRequest("/stall?head=0.5");
  auto slowRecord = watch(slow);
  slow->startAsynchronous();
  ASSERT_TRUE(runUntil([&] { return slow->connectionID().has_value(); }));
  auto quick = makeRequest("/bytes?n=10");
  runAsync(quick);
  ASSERT_FALSE(quick->error());
  EXPECT_NE(quick->connectionID(), slow->connectionID());
  ASSERT_TRUE(runUntil([&] { return slowRecord->done(); }));
  EXPECT_FALSE(slow->error());
}

TEST_F(Connections, KeepAliveRulesOfTheResponse) {
  struct Case {
    const char* path;
    bool reusable;
    double timeout;
  } cases[] = {
      {"/bytes?n=10&keepalive=15,5", false, 60},   // max 5: not reused
      {"/bytes?n=10&keepalive=15,100", true, 15},  // max 100: reused for 15 s
      {"/bytes?n=10", true, 60},                   // HTTP/1.1 without Keep-Alive
      {"/bytes?n=10&http10=1", false, 60},         // HTTP/1.0 without keep-alive
      {"/bytes?n=10&http10=1&ka10=1", true, 60},   // HTTP/1.0 with "Connection: keep-alive"
      {"/bytes?n=10&close=1", false, 60},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    auto r = makeRequest(c.path);
    r->startSynchronous();
    ASSERT_FALSE(r->error());
    EXPECT_EQ(r->connectionCanBeReused(), c.reusable);
    EXPECT_EQ(r->persistentConnectionTimeoutSeconds(), c.timeout);
  }
}

TEST_F(Connections, ADroppedKeptAliveConnectionIsRetriedOnceOnANewOne) {
  // The server answers one request per connection and drops the connection at the next one.
  auto first = makeRequest("/dropafter?n=1&size=50");
  first->startSynchronous();
  ASSERT_FALSE(first->error());
  auto firstID = first->connectionID();

  auto second = makeRequest("/dropafter?n=1&size=60");
  auto record = runAsync(second);
  ASSERT_FALSE(second->error()) << second->error()->description << " retries " << second->retryCount() << " "
                                << second->error()->userInfo.describe();
  EXPECT_EQ(second->responseData().size(), 60u);
  EXPECT_EQ(second->retryCount(), 1);
  EXPECT_NE(second->connectionID(), firstID);  // the dropped connection is never offered again
  EXPECT_EQ(record->finished, 1);
}

// Time-outs: the status timer ticks every 0.25 s; the time it compares comes from a manual clock given
// to the request and moved by the test, so no test waits for a real time-out.
class TimeOuts : public LoopbackSuite {
 protected:
  std::shared_ptr<HTTPRequest> timedRequest(const std::string& path) {
    auto r = makeRequest(path);
    r->setClock(clock);
    return r;
  }
  // Moves the clock past the time-out until the request ends (bounded).
  void expireUntilDone(const std::shared_ptr<HTTPRequest>& r, const std::shared_ptr<Record>& record) {
    for (int i = 0; i < 40 && !record->done(); ++i) {
      clock->advance(r->timeOutSeconds() + 1);
      runUntil([&] { return record->done(); }, 0.3);
    }
  }
  std::shared_ptr<rl::ManualClock> clock = std::make_shared<rl::ManualClock>(1000);
};

TEST_F(TimeOuts, NoAnswerFailsWithCodeTwoAfterTheRetries) {
  for (int retries : {0, 2}) {
    SCOPED_TRACE(retries);
    int before = server().requestCount();
    auto r = timedRequest("/stall?head=5&n=10");
    r->setTimeOutSeconds(10);
    r->setNumberOfTimesToRetryOnTimeout(retries);
    auto record = watch(r);
    r->startAsynchronous();
    expireUntilDone(r, record);
    ASSERT_TRUE(record->done());
    ASSERT_TRUE(r->error());
    EXPECT_EQ(r->error()->code, RequestTimedOutErrorType);
    EXPECT_EQ(r->error()->description, "The request timed out");
    EXPECT_EQ(r->retryCount(), retries);
    // Sent once plus once per retry (the count query itself is the last one).
    EXPECT_EQ(server().requestCount() - before, retries + 2);
  }
}

TEST_F(TimeOuts, SynchronousRequestTimesOutOnItsCallersThread) {
  auto r = timedRequest("/stall?head=5&n=10");
  r->setTimeOutSeconds(10);
  // The manual clock is moved from another thread while the main thread waits in the request's mode.
  std::atomic<bool> stop{false};
  std::thread mover([&] {
    while (!stop) {
      clock->advance(0.5);
      std::this_thread::yield();
    }
  });
  r->startSynchronous();
  stop = true;
  mover.join();
  ASSERT_TRUE(r->error());
  EXPECT_EQ(r->error()->code, RequestTimedOutErrorType);
}

TEST_F(TimeOuts, ARetryOfAResumableDownloadAsksForTheRestWithRange) {
  std::string dir = freshDir("retry");
  auto r = timedRequest("/stall?head=5&n=10");
  r->setDownloadDestinationPath(core::Paths::join(dir, "file"));
  r->setTemporaryFileDownloadPath(core::Paths::join(dir, "file.temp"));
  r->setAllowResumeForFileDownloads(true);
  // Part of the file is there already; both attempts stall.
  ASSERT_TRUE(core::Paths::atomicWrite(core::Paths::join(dir, "file.temp"), std::string_view(pattern(1000))));
  r->setTimeOutSeconds(10);
  r->setNumberOfTimesToRetryOnTimeout(1);
  auto record = watch(r);
  r->startAsynchronous();
  ASSERT_TRUE(runUntil([&] { return !record->calls.empty(); }));
  EXPECT_EQ(r->partialDownloadSize(), 1000u);
  EXPECT_EQ(r->requestHeaders()["Range"].toString(), "bytes=1000-");
  expireUntilDone(r, record);
  ASSERT_TRUE(r->error());
  EXPECT_EQ(r->error()->code, RequestTimedOutErrorType);
  EXPECT_EQ(r->retryCount(), 1);
  // The partial file is kept for the next resume.
  EXPECT_TRUE(core::Paths::fileExists(core::Paths::join(dir, "file.temp")));
}

// A server that sends one byte at a time is never idle. The clock moves a second for every byte that
// arrives; the idle time-out is far off. A request with a deadline fails there, without a retry; one
// without (a download) runs to its end.
TEST_F(TimeOuts, ADeadlineEndsARequestThatNeverGoesIdle) {
  constexpr std::uint64_t kBytes = 200;  // 200 s on the clock, 2 s of real time
  struct Case {
    const char* what;
    double deadline;
    bool finishes;
  };
  const Case cases[] = {
      {"an API call's deadline", 60, false},
      {"no deadline", HTTPRequest::kNoDeadline, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto r = timedRequest("/trickle?n=" + std::to_string(kBytes) + "&every=0.01");
    r->setTimeOutSeconds(10000);
    r->setNumberOfTimesToRetryOnTimeout(2);
    r->setDeadlineSeconds(c.deadline);
    auto record = watch(r);
    r->startAsynchronous();
    std::uint64_t seen = 0;
    for (int i = 0; i < 4000 && !record->done(); ++i) {
      runUntil([&] { return record->done() || record->bytesReceived > seen; }, 1);
      clock->advance(static_cast<double>(record->bytesReceived - seen));
      seen = record->bytesReceived;
    }
    ASSERT_TRUE(record->done());
    if (c.finishes) {
      EXPECT_FALSE(r->error());
      EXPECT_EQ(r->responseData().size(), kBytes);
    } else {
      ASSERT_TRUE(r->error());
      EXPECT_EQ(r->error()->code, RequestTimedOutErrorType);
      EXPECT_EQ(r->error()->description, "The request did not end within its deadline");
      EXPECT_EQ(r->retryCount(), 0);
      EXPECT_LT(record->bytesReceived, kBytes);
    }
    runUntil([&] { return r->isFinished() || !r->inProgress(); }, 2);
  }
}

class Redirects : public LoopbackSuite {};

TEST_F(Redirects, FiveAreFollowedTheSixthFailsWithCodeNine) {
  auto five = makeRequest("/redirect/chain?n=5");
  auto record = runAsync(five);
  ASSERT_FALSE(five->error()) << five->error()->description;
  EXPECT_EQ(five->redirectCount(), 5);
  EXPECT_EQ(five->url()->path, "/echo");
  EXPECT_EQ(five->originalURL()->path, "/redirect/chain");
  EXPECT_EQ(std::count(record->calls.begin(), record->calls.end(), "redirected"), 5);

  auto six = makeRequest("/redirect/chain?n=6");
  auto failed = runAsync(six);
  ASSERT_TRUE(six->error());
  EXPECT_EQ(six->error()->code, TooMuchRedirectionErrorType);
  EXPECT_EQ(six->error()->description, "The request failed because it redirected too many times");
  EXPECT_EQ(failed->failed, 1);
}

TEST_F(Redirects, A302TurnsAPostIntoAGetAndA307KeepsMethodAndBody) {
  auto moved = makeRequest("/redirect?code=302&to=/echo");
  moved->addRequestHeader("Accept", "text/plain");
  moved->addRequestHeader("X-Custom", "gone after the redirect");
  moved->setUserAgentString(std::string("agent/2"));
  moved->appendPostData("payload");
  moved->startSynchronous();
  ASSERT_FALSE(moved->error());
  core::Value e1 = echoOf(moved);
  EXPECT_EQ(e1["method"].toString(), "GET");
  EXPECT_EQ(e1["body_length"].toInt(), 0);
  std::string value;
  EXPECT_TRUE(echoHasHeader(e1, "Accept", &value));
  EXPECT_EQ(value, "text/plain");
  EXPECT_TRUE(echoHasHeader(e1, "User-Agent", &value));
  EXPECT_EQ(value, "agent/2");
  EXPECT_FALSE(echoHasHeader(e1, "X-Custom"));
  EXPECT_FALSE(echoHasHeader(e1, "Content-Length"));

  auto kept = makeRequest("/redirect?code=307&to=/echo");
  kept->addRequestHeader("X-Custom", "kept");
  kept->appendPostData("payload");
  kept->startSynchronous();
  ASSERT_FALSE(kept->error());
  core::Value e2 = echoOf(kept);
  EXPECT_EQ(e2["method"].toString(), "POST");
  EXPECT_EQ(e2["body"].toString(), "payload");
  EXPECT_TRUE(echoHasHeader(e2, "X-Custom"));
}

TEST_F(Redirects, OnlyTheRedirectCodesWithALocationAreFollowed) {
  for (int code : {300, 304, 305, 308}) {
    SCOPED_TRACE(code);
    auto r = makeRequest("/redirect?code=" + std::to_string(code) + "&to=/echo");
    r->startSynchronous();
    EXPECT_FALSE(r->error());
    EXPECT_EQ(r->responseStatusCode(), code);
    EXPECT_EQ(r->redirectCount(), 0);
  }
}

TEST_F(Redirects, ADelegateThatConfirmsRedirectsIsAskedFirst) {
  struct Confirming : HTTPRequestDelegate {
    std::vector<std::string> asked;
    bool respondsToRequestWillRedirectToURL() const override { return true; }
    void requestWillRedirectToURL(const std::shared_ptr<HTTPRequest>& r, const core::URL& to) override {
      asked.push_back(to.path);
      r->redirectToURL(to);
    }
  };
  auto confirming = std::make_shared<Confirming>();
  auto r = makeRequest("/redirect/chain?n=2");
  r->setDelegate(confirming);
  runAsync(r);
  ASSERT_FALSE(r->error());
  EXPECT_EQ(confirming->asked, (std::vector<std::string>{"/redirect/chain", "/echo"}));

  // A synchronous request confirmed by its delegate goes on on its own thread.
  auto sync = makeRequest("/redirect/chain?n=1");
  sync->setDelegate(confirming);
  sync->startSynchronous();
  ASSERT_FALSE(sync->error());
  EXPECT_EQ(sync->url()->path, "/echo");
}

class Cookies : public LoopbackSuite {};

TEST_F(Cookies, CookiesSetByAResponseAreStoredAndSentBack) {
  HTTPCookieStorage::sharedHTTPCookieStorage().removeAllCookies();
  HTTPRequest::setSessionCookies(std::nullopt);
  auto set = makeRequest("/cookie?set=a%3D1&set=b%3D2%3B%20Path%3D%2F");
  set->startSynchronous();
  ASSERT_FALSE(set->error());
  ASSERT_EQ(set->responseCookies().size(), 2u);
  EXPECT_EQ(HTTPRequest::sessionCookies().size(), 2u);
  EXPECT_EQ(HTTPRequest::sessionCookies().front().name, "a");

  auto next = makeRequest("/cookie");
  next->startSynchronous();
  EXPECT_EQ(JSONValue(next->responseString().value_or(""))["cookie"].toString(), "a=1; b=2");

  // A replaced cookie keeps one entry, at the end of the session list.
  auto replace = makeRequest("/cookie?set=a%3D3");
  replace->startSynchronous();
  auto session = HTTPRequest::sessionCookies();
  ASSERT_EQ(session.size(), 2u);
  EXPECT_EQ(session.back().name, "a");
  EXPECT_EQ(session.back().value, "3");

  // Without cookie persistence nothing is stored or sent.
  auto off = makeRequest("/cookie?set=c%3D1");
  off->setUseCookiePersistence(false);
  off->startSynchronous();
  EXPECT_TRUE(JSONValue(off->responseString().value_or(""))["cookie"].isNull());
  EXPECT_EQ(HTTPCookieStorage::sharedHTTPCookieStorage().cookiesForURL(url("/")).size(), 2u);
  HTTPCookieStorage::sharedHTTPCookieStorage().removeAllCookies();
}

// TLS with a self-signed certificate made for this run.
class TLS : public LoopbackSuite {
 protected:
  static void SetUpTestSuite() {
    std::string dir = freshDir("tls");
    cert() = core::Paths::join(dir, "cert.pem");
    std::string key = core::Paths::join(dir, "key.pem");
    ASSERT_TRUE(testserver::makeSelfSignedCertificate(cert(), key));
    testserver::Options o;
    o.tlsCertFile = cert();
    o.tlsKeyFile = key;
    startServer(o);
  }
  static std::string& cert() {
    static std::string path;
    return path;
  }
};

TEST_F(TLS, ASelfSignedCertificateIsRefusedAndAcceptedOnlyWithValidationOff) {
  auto refused = makeRequest("/bytes?n=100");
  refused->startSynchronous();
  ASSERT_TRUE(refused->error());
  EXPECT_EQ(refused->error()->code, ConnectionFailureErrorType);
  EXPECT_EQ(
      refused->error()->description,
      "A connection failure occurred: SSL problem (Possible causes may include a bad/expired/self-signed "
      "certificate, clock set to wrong date)");
  EXPECT_EQ(refused->error()->userInfo[kHTTPUnderlyingErrorKey]["domain"].toString(),
            net::kOSStatusErrorDomain);

  auto accepted = makeRequest("/bytes?n=100000");
  accepted->setValidatesSecureCertificate(false);
  runAsync(accepted);
  ASSERT_FALSE(accepted->error()) << accepted->error()->description;
  EXPECT_TRUE(accepted->responseData() == pattern(100000));

  // A trusted anchor makes the same certificate valid.
  auto trusted = makeRequest("/bytes?n=10");
  trusted->setAdditionalTrustedCertificatesFile(cert());
  trusted->startSynchronous();
  EXPECT_FALSE(trusted->error());
}

}  // namespace
