// Requests end to end against the loopback server: asynchronous and synchronous GET and POST, the
// callbacks on the main thread, bodies and request headers, gzip, cancelling and bad input.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <thread>

#include "librarys/json/JsonParser.h"
#include "tests/librarys/http/HTTPTestSupport.h"

namespace {

using namespace httptest;

// The value of a header in an /echo answer (headers are a list of [name, value]); "" when absent.
std::string echoedHeader(const core::Value& echo, const std::string& name, int* count = nullptr) {
  std::string found;
  int n = 0;
  for (const core::Value& pair : echo["headers"].array()) {
    if (core::Value(pair[0]).toString() == name) {
      found = pair[1].toString();
      ++n;
    }
  }
  if (count) *count = n;
  return found;
}

core::Value echoOf(const std::shared_ptr<HTTPRequest>& request) {
  auto text = request->responseString();
  EXPECT_TRUE(text.has_value());
  core::Value json = JSONValue(text.value_or(""));
  EXPECT_TRUE(json.isDictionary()) << text.value_or("(none)");
  return json;
}

class Basics : public LoopbackSuite {};

TEST_F(Basics, AsynchronousGetCallsBackOnTheMainThreadInOrder) {
  auto request = makeRequest("/bytes?n=300000");
  auto record = runAsync(request);
  ASSERT_FALSE(request->error()) << request->error()->description;
  EXPECT_EQ(request->responseStatusCode(), 200);
  EXPECT_EQ(request->responseStatusMessage(), "HTTP/1.1 200 OK");
  EXPECT_TRUE(request->responseData() == pattern(300000));
  EXPECT_EQ(request->contentLength(), 300000u);
  EXPECT_EQ(record->bytesReceived, 300000u);
  EXPECT_TRUE(record->onMainThreadOnly);
  ASSERT_GE(record->calls.size(), 3u);
  EXPECT_EQ(record->calls.front(), "started");
  EXPECT_EQ(record->calls[1], "headers");
  EXPECT_EQ(record->calls.back(), "finished");
  EXPECT_EQ(record->failed, 0);
}

TEST_F(Basics, AsynchronousPostSendsTheBodyAndCountsItsBytes) {
  auto request = makeRequest("/echo");
  request->addRequestHeader("Content-Type", "application/json");
  request->appendPostData(R"({"a":"中文"})");
  auto record = runAsync(request);
  ASSERT_FALSE(request->error());
  core::Value echo = echoOf(request);
  EXPECT_EQ(echo["method"].toString(), "POST");
  EXPECT_EQ(echoedHeader(echo, "Content-Length"), std::to_string(std::string(R"({"a":"中文"})").size()));
  EXPECT_EQ(echoedHeader(echo, "Content-Type"), "application/json");
  EXPECT_EQ(echo["body_length"].toInt(), static_cast<std::int64_t>(std::string(R"({"a":"中文"})").size()));
  EXPECT_EQ(request->totalBytesSent(), request->postLength());
  EXPECT_TRUE(record->onMainThreadOnly);
}

TEST_F(Basics, SynchronousGetAndPostRunOnTheCallersThreadWithCallbacksInline) {
  auto get = makeRequest("/bytes?n=5000");
  auto record = watch(get);
  get->startSynchronous();
  ASSERT_FALSE(get->error());
  EXPECT_TRUE(get->responseData() == pattern(5000));
  // Delivered inline, before startSynchronous returned.
  EXPECT_EQ(record->finished, 1);
  EXPECT_EQ(record->calls.front(), "started");

  auto post = makeRequest("/echo");
  post->appendPostData("x=1");
  post->startSynchronous();
  ASSERT_FALSE(post->error());
  EXPECT_EQ(echoOf(post)["body"].toString(), "x=1");
}

TEST_F(Basics, BodyRulesForMethodAndHeaders) {
  // A body on a GET makes it a POST with "Content-Length"; an empty body leaves a GET alone.
  auto withBody = makeRequest("/echo");
  withBody->appendPostData("abc");
  withBody->startSynchronous();
  core::Value e1 = echoOf(withBody);
  EXPECT_EQ(e1["method"].toString(), "POST");
  EXPECT_EQ(echoedHeader(e1, "Content-Length"), "3");
  EXPECT_FALSE(withBody->shouldAttemptPersistentConnection());

  auto empty = makeRequest("/echo");
  empty->appendPostData("");
  empty->startSynchronous();
  core::Value e2 = echoOf(empty);
  EXPECT_EQ(e2["method"].toString(), "GET");
  int n = 0;
  echoedHeader(e2, "Content-Length", &n);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(echoedHeader(e2, "Accept-Encoding"), "gzip");

  auto put = makeRequest("/echo");
  put->setRequestMethod("PUT");
  EXPECT_FALSE(put->shouldAttemptPersistentConnection());
}

TEST_F(Basics, BodyFromAFileInMemoryAndStreamedFromDiskArrivesByteExact) {
  std::string dir = freshDir("body");
  std::string file = core::Paths::join(dir, "body.bin");
  std::string bytes = pattern(700000, 7);
  ASSERT_TRUE(core::Paths::atomicWrite(file, std::string_view(bytes)));
  for (bool fromDisk : {false, true}) {
    SCOPED_TRACE(fromDisk ? "streamed from disk" : "in memory");
    auto request = makeRequest("/echo");
    request->setShouldStreamPostDataFromDisk(fromDisk);
    request->appendPostData("head:");
    request->appendPostDataFromFile(file);
    auto record = runAsync(request);
    ASSERT_FALSE(request->error()) << request->error()->description;
    core::Value echo = echoOf(request);
    EXPECT_EQ(echo["body_length"].toInt(), static_cast<std::int64_t>(bytes.size() + 5));
    EXPECT_EQ(request->totalBytesSent(), bytes.size() + 5);
    EXPECT_EQ(record->bytesSent, bytes.size() + 5);
    if (fromDisk) {
      EXPECT_FALSE(core::Paths::fileExists(request->postBodyFilePath()));  // temporary body file gone
    }
  }
}

TEST_F(Basics, CompressedRequestBodyAndGzipResponses) {
  // The server inflates nothing: it echoes the gzip bytes, whose length differs from the text's.
  auto post = makeRequest("/echo");
  post->setShouldCompressRequestBody(true);
  std::string text(10000, 'a');
  post->appendPostData(text);
  post->startSynchronous();
  ASSERT_FALSE(post->error());
  core::Value echo = echoOf(post);
  EXPECT_EQ(echoedHeader(echo, "Content-Encoding"), "gzip");
  EXPECT_LT(echo["body_length"].toInt(), 1000);
  EXPECT_EQ(static_cast<std::uint64_t>(echo["body_length"].toInt()), post->postLength());

  // A gzip body, kept as it came and inflated when read, or inflated while it arrives.
  for (bool wait : {true, false}) {
    auto get = makeRequest("/bytes?n=200000&gzip=1");
    get->setShouldWaitToInflateCompressedResponses(wait);
    get->startSynchronous();
    ASSERT_FALSE(get->error());
    EXPECT_TRUE(get->isResponseCompressed());
    EXPECT_TRUE(get->responseData() == pattern(200000)) << "wait=" << wait;
    EXPECT_LT(get->totalBytesRead(), 200000u);
  }
}

TEST_F(Basics, ResponseTextUsesTheCharsetOfTheContentType) {
  struct Case {
    const char* contentType;
    std::string body;
    std::optional<std::string> expected;
  } cases[] = {
      {"text/plain; charset=utf-8", "\xC3\xA9", "é"},
      {"text/plain", "\xC3\xA9", "Ã©"},  // no charset: Latin-1
      {"text/plain; charset=\"GB18030\"", "\xD6\xD0", "中"},
      {"text/plain; charset=utf-8", "\xFF", std::nullopt},  // not UTF-8: no text
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.contentType);
    std::string raw = std::string("HTTP/1.1 200 OK\r\nContent-Type: ") + c.contentType +
                      "\r\nContent-Length: " + std::to_string(c.body.size()) + "\r\n\r\n" + c.body;
    auto r = makeRequest("/raw?b64=" + core::escapeComponent(HTTPRequest::base64forData(raw)));
    r->startSynchronous();
    ASSERT_FALSE(r->error()) << r->error()->description;
    EXPECT_EQ(r->responseString(), c.expected);
  }
}

TEST_F(Basics, BadInputFailsWithTheRightCode) {
  struct Case {
    const char* name;
    std::shared_ptr<HTTPRequest> request;
    std::int64_t code;
  };
  auto noFile = makeRequest("/echo");
  noFile->appendPostDataFromFile("/nonexistent/body.bin");
  Case cases[] = {
      {"no URL", HTTPRequest::requestWithURL(std::nullopt), UnableToCreateRequestErrorType},
      {"not http", HTTPRequest::requestWithURL(parse("ftp://127.0.0.1/x")), UnableToCreateRequestErrorType},
      {"missing body file", noFile, InternalErrorWhileBuildingRequestType},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto record = watch(c.request);
    c.request->startSynchronous();
    ASSERT_TRUE(c.request->error());
    EXPECT_EQ(c.request->error()->domain, "HTTPRequestErrorDomain");
    EXPECT_EQ(c.request->error()->code, c.code);
    EXPECT_EQ(record->failed, 1);
    EXPECT_EQ(record->finished, 0);
  }
  // A header value that would end the header line is refused, not sent.
  auto smuggle = makeRequest("/echo");
  smuggle->addRequestHeader("X-Test", "a\r\nX-Other: b");
  smuggle->startSynchronous();
  ASSERT_TRUE(smuggle->error());
  EXPECT_EQ(smuggle->error()->code, UnableToCreateRequestErrorType);
  EXPECT_EQ(smuggle->error()->description, "Unable to create request (bad url?)");
}

// A synchronous request on the main thread reports its failure with none of its locks held: another
// thread can ask the request for its error while the failure block runs (under the request's lock it
// would wait until the block returned). Failures from the start of the run and from a timer.
TEST_F(Basics, FailureIsReportedWithNoLockOfTheRequestHeld) {
  auto stalled = makeRequest("/stall?head=10");
  stalled->setTimeOutSeconds(0.2);
  const std::pair<const char*, std::shared_ptr<HTTPRequest>> cases[] = {
      {"not http", HTTPRequest::requestWithURL(parse("ftp://127.0.0.1/x"))},
      {"timed out", stalled},
  };
  for (const auto& [name, request] : cases) {
    SCOPED_TRACE(name);
    std::thread reader;
    bool readDuringTheBlock = false;
    int blocks = 0;
    request->setFailedBlock([&, request = request.get()] {
      ++blocks;
      auto read = std::make_shared<std::promise<void>>();
      auto got = read->get_future();
      reader = std::thread([request, read] {
        (void)request->error();
        read->set_value();
      });
      readDuringTheBlock = got.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    });
    request->startSynchronous();
    if (reader.joinable()) reader.join();
    EXPECT_EQ(blocks, 1) << "reported before startSynchronous returned";
    EXPECT_TRUE(readDuringTheBlock);
    ASSERT_TRUE(request->error());
  }
}

TEST_F(Basics, CancelReportsCodeFourOnceAndStopsTheRequest) {
  auto request = makeRequest("/stall?head=10");
  auto record = watch(request);
  request->startAsynchronous();
  ASSERT_TRUE(runUntil([&] { return !record->calls.empty(); }));  // started
  request->cancel();
  request->cancel();
  ASSERT_TRUE(runUntil([&] { return record->done(); }));
  runUntil([&] { return !request->inProgress(); }, 2);
  ASSERT_TRUE(request->error());
  EXPECT_EQ(request->error()->code, RequestCancelledErrorType);
  EXPECT_EQ(request->error()->description, "The request was cancelled");
  EXPECT_TRUE(request->isCancelled());
  // Another failure after the cancel changes nothing and reports nothing.
  request->failWithError(core::Error("HTTPRequestErrorDomain", 1, "A connection failure occurred"));
  rl::RunLoop::main().runUntilIdle();
  EXPECT_EQ(request->error()->code, RequestCancelledErrorType);
  EXPECT_EQ(record->failed, 1);
  EXPECT_EQ(record->finished, 0);
}

// Its own test: a stalled request cancelled just before may still reach the server and be counted.
TEST_F(Basics, ACancelledSynchronousRequestReturnsAtOnceWithoutNetworkWork) {
  auto before = server().requestCount();
  auto sync = makeRequest("/bytes?n=10");
  sync->cancel();
  ASSERT_TRUE(runUntil([&] { return sync->isCancelled(); }));
  sync->startSynchronous();
  EXPECT_EQ(sync->error()->code, RequestCancelledErrorType);
  EXPECT_EQ(server().requestCount(), before + 1);  // only the count query itself
}

TEST_F(Basics, ClearedDelegateHearsNothingOfANoticeAlreadyOnItsWay) {
  struct Listener : HTTPRequestDelegate {
    int finished = 0;
    void requestFinished(const std::shared_ptr<HTTPRequest>&) override { ++finished; }
  };
  auto listener = std::make_shared<Listener>();
  auto request = makeRequest("/bytes?n=10");
  request->setDelegate(listener);
  request->startSynchronous();
  EXPECT_EQ(listener->finished, 1);

  // Asynchronous: the notice is queued for the main thread, the delegate is cleared before it runs.
  auto second = makeRequest("/bytes?n=10");
  second->setDelegate(listener);
  second->startAsynchronous();
  // Spin without running the main loop until the request is over on the network thread.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!second->complete() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  second->setDelegate(std::weak_ptr<HTTPRequestDelegate>());
  rl::RunLoop::main().runUntilIdle();
  EXPECT_EQ(listener->finished, 1);
}

TEST_F(Basics, HeadRequestSendsExactlyTheHeadersOfItsMainRequest) {
  auto main = makeRequest("/echo");
  main->addRequestHeader("X-One", "1");
  main->setUserAgentString(std::string("agent/1.0"));
  main->buildRequestHeaders();
  auto head = main->HEADRequest();
  EXPECT_EQ(head->requestMethod(), "HEAD");
  EXPECT_EQ(head->mainRequest(), main);
  auto record = watch(head);
  head->startSynchronous();
  ASSERT_FALSE(head->error());
  EXPECT_EQ(head->responseStatusCode(), 200);
  // A pre-request reports nothing of its own.
  EXPECT_TRUE(record->calls.empty());
  EXPECT_EQ(head->requestHeaders()["X-One"].toString(), "1");
  EXPECT_EQ(head->requestHeaders()["User-Agent"].toString(), "agent/1.0");
  EXPECT_EQ(head->requestHeaders().size(), main->requestHeaders().size());
}

TEST_F(Basics, CopyTakesTheSetUpButNotTheResponse) {
  auto original = makeRequest("/bytes?n=10");
  original->setTimeOutSeconds(33);
  original->addRequestHeader("X-A", "a");
  original->setTag(7);
  original->setNumberOfTimesToRetryOnTimeout(2);
  original->startSynchronous();
  auto copy = original->copy();
  EXPECT_EQ(copy->url(), original->url());
  EXPECT_EQ(copy->timeOutSeconds(), 33);
  EXPECT_EQ(copy->tag(), 7);
  EXPECT_EQ(copy->numberOfTimesToRetryOnTimeout(), 2);
  EXPECT_EQ(copy->requestHeaders()["X-A"].toString(), "a");
  EXPECT_EQ(copy->responseStatusCode(), 0);
  EXPECT_FALSE(copy->error());
  copy->requestHeaders().set("X-A", "changed");
  EXPECT_EQ(original->requestHeaders()["X-A"].toString(), "a");
}

// The network thread belongs to the process: an exit from the main thread, while the thread serves its
// loop, stops and joins it and ends with the exit's code; an exit called on the network thread itself
// ends the process the same way (it is not joined by itself). Each runs in a fresh process.
TEST(NetworkThread, EndsWithTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        std::promise<void> ran;
        HTTPRequest::threadForRequest().post([&ran] { ran.set_value(); });
        ran.get_future().wait();
        std::exit(7);
      },
      ::testing::ExitedWithCode(7), "");
  EXPECT_EXIT(
      {
        HTTPRequest::threadForRequest().post([] { std::exit(8); });
        std::promise<void>().get_future().wait();  // never answered: the network thread ends the process
      },
      ::testing::ExitedWithCode(8), "");
}

}  // namespace
