#include "platform/net/HTTPReadStream.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/net/HostResolver.h"
#include "tests/platform/net/LoopbackFixture.h"
#include "tests/support/ScopedOverride.h"

namespace {

using namespace nettest;

class ReadStream : public LoopbackTest {};

TEST_F(ReadStream, GetEndToEndDeliversEventsInOrder) {
  auto s = stream(server.url("/bytes?n=300000"));
  Outcome r = fetch(s);
  ASSERT_FALSE(r.error) << r.error->description;
  EXPECT_EQ(r.status(), 200);
  EXPECT_EQ(r.head->statusLine(), "HTTP/1.1 200 OK");
  EXPECT_EQ(r.header("content-length"), "300000");
  EXPECT_TRUE(r.body == pattern(300000));
  ASSERT_GE(r.events.size(), 3u);
  EXPECT_EQ(r.events.front(), net::kEventOpenCompleted);
  EXPECT_EQ(r.events.back(), net::kEventEndEncountered);
  // 16 KB per event: the stream tells the client again after each read while bytes wait.
  EXPECT_GE(r.bytesEvents, 300000 / 16384);
  EXPECT_EQ(std::count(r.events.begin(), r.events.end(), net::kEventEndEncountered), 1);
  EXPECT_EQ(s->status(), net::StreamStatus::AtEnd);
  EXPECT_EQ(s->read(nullptr, 0), 0);
  EXPECT_FALSE(s->isReusedConnection());
  EXPECT_GT(s->connectionSerial(), 0u);
}

TEST_F(ReadStream, DecodesChunkedAndCloseDelimitedBodiesButNotGzip) {
  Outcome chunked = fetch(stream(server.url("/bytes?n=50000&chunked=1&chunk=777&ext=1&trailer=1")));
  ASSERT_FALSE(chunked.error) << chunked.error->description;
  EXPECT_TRUE(chunked.body == pattern(50000));
  EXPECT_EQ(chunked.header("Transfer-Encoding"), "chunked");

  Outcome untilClose = fetch(stream(server.url("/bytes?n=40000&nolength=1")));
  ASSERT_FALSE(untilClose.error) << untilClose.error->description;
  EXPECT_TRUE(untilClose.body == pattern(40000));

  Outcome gz = fetch(stream(server.url("/bytes?n=1000&gzip=1")));
  ASSERT_FALSE(gz.error);
  EXPECT_EQ(gz.header("Content-Encoding"), "gzip");
  ASSERT_GE(gz.body.size(), 2u);
  EXPECT_EQ(static_cast<unsigned char>(gz.body[0]),
            0x1f);  // still the gzip stream: inflating is the client's job
  EXPECT_EQ(static_cast<unsigned char>(gz.body[1]), 0x8b);
}

TEST_F(ReadStream, ResponsesWithoutBodyEndAtOnce) {
  auto head = stream(server.url("/bytes?n=500"), 1, "HEAD");
  Outcome r = fetch(head);
  ASSERT_FALSE(r.error);
  EXPECT_EQ(r.header("Content-Length"), "500");
  EXPECT_TRUE(r.body.empty());
  EXPECT_EQ(r.bytesEvents, 0);
  EXPECT_TRUE(r.ended);

  Outcome noContent = fetch(stream(server.url("/status?code=204")));
  EXPECT_EQ(noContent.status(), 204);
  EXPECT_TRUE(noContent.ended);
  EXPECT_EQ(noContent.bytesEvents, 0);

  // A HEAD answer leaves the connection usable for the next request.
  auto next = stream(server.url("/bytes?n=10"), 1);
  Outcome r2 = fetch(next);
  EXPECT_TRUE(r2.body == pattern(10));
  EXPECT_TRUE(next->isReusedConnection());
  EXPECT_EQ(next->connectionSerial(), head->connectionSerial());
}

TEST_F(ReadStream, SkipsInterimResponsesAndJoinsRepeatedHeaders) {
  // "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nhi"
  Outcome r = fetch(stream(server.url(
      "/raw?b64=SFRUUC8xLjEgMTAwIENvbnRpbnVlDQoNCkhUVFAvMS4xIDIwMCBPSw0KQ29udGVudC1MZW5ndGg6IDINCg0KaGk=")));
  ASSERT_FALSE(r.error) << r.error->description;
  EXPECT_EQ(r.status(), 200);
  EXPECT_EQ(r.body, "hi");

  Outcome cookies = fetch(stream(server.url("/cookie?set=a%3D1&set=b%3D2%3B%20Path%3D%2F")));
  ASSERT_FALSE(cookies.error);
  EXPECT_EQ(cookies.header("set-cookie"), "a=1, b=2; Path=/");
  int lines = 0;
  for (const auto& [n, v] : cookies.head->headerLines()) lines += net::equalsIgnoringCase(n, "Set-Cookie");
  EXPECT_EQ(lines, 2);
  EXPECT_EQ(cookies.head->copyAllHeaderFields()["Set-Cookie"].str(), "a=1, b=2; Path=/");
}

TEST_F(ReadStream, RedirectsAreLeftToTheClient) {
  Outcome r = fetch(stream(server.url("/redirect?code=302&to=/echo")));
  ASSERT_FALSE(r.error);
  EXPECT_EQ(r.status(), 302);
  EXPECT_EQ(r.header("Location"), "/echo");
  EXPECT_EQ(r.body, "moved");
}

TEST_F(ReadStream, BadResponsesFailWithTheParseError) {
  // "HTTP/1.1 200 OK\r\nX-A: 1\r\n folded\r\n\r\n"
  Outcome r = fetch(stream(server.url("/raw?b64=SFRUUC8xLjEgMjAwIE9LDQpYLUE6IDENCiBmb2xkZWQNCg0K")));
  ASSERT_TRUE(r.error);
  EXPECT_EQ(r.error->domain, net::kNetworkErrorDomain);
  EXPECT_EQ(r.error->code, net::kNetworkCannotParseResponse);
  EXPECT_FALSE(r.error->isDroppedConnection());
  EXPECT_EQ(r.events.back(), net::kEventErrorOccurred);
  EXPECT_EQ(std::count(r.events.begin(), r.events.end(), net::kEventErrorOccurred), 1);
}

// --- request bodies ---

TEST_F(ReadStream, SendsBodiesFromBytesFileAndPullCallback) {
  auto echo = [](const Outcome& r) {
    EXPECT_FALSE(r.error);
    return r.body;
  };
  // In-memory body of the message: "Content-Length" added.
  auto m = request("POST", server.url("/echo"));
  m->setHeaderFieldValue("Content-Type", "application/json");
  m->setBody("{\"a\":1}");
  auto s1 = net::HTTPReadStream::create(m);
  std::string e1 = echo(fetch(s1));
  EXPECT_NE(e1.find("\"body\": \"{\\\"a\\\":1}\""), std::string::npos) << e1;
  EXPECT_NE(e1.find("[\"Content-Length\", \"7\"]"), std::string::npos) << e1;
  EXPECT_EQ(s1->requestBytesWritten(), 7u);

  // A POST without body still says its length.
  std::string e0 = echo(fetch(net::HTTPReadStream::create(request("POST", server.url("/echo")))));
  EXPECT_NE(e0.find("[\"Content-Length\", \"0\"]"), std::string::npos) << e0;

  // From a file, with the caller's Content-Length.
  TempDir dir;
  std::string body = pattern(200000);
  std::ofstream(dir.file("body.bin"), std::ios::binary) << body;
  auto fm = request("PUT", server.url("/echo"));
  fm->setHeaderFieldValue("Content-Length", std::to_string(body.size()));
  auto s2 = net::HTTPReadStream::createForStreamedRequest(fm, net::BodySource::file(dir.file("body.bin")));
  std::string e2 = echo(fetch(s2));
  EXPECT_NE(e2.find("\"body_length\": 200000"), std::string::npos);
  EXPECT_EQ(s2->requestBytesWritten(), 200000u);

  // From a pull callback of unknown length: sent chunked, counted without the framing.
  std::size_t given = 0;
  auto reader = [&given](std::uint8_t* buf, std::size_t max) -> std::int64_t {
    std::size_t n = std::min<std::size_t>({max, 1000, 5500 - given});
    for (std::size_t i = 0; i < n; ++i) buf[i] = 'x';
    given += n;
    return static_cast<std::int64_t>(n);
  };
  auto s3 = net::HTTPReadStream::createForStreamedRequest(request("POST", server.url("/echo")),
                                                          net::BodySource::reader(reader));
  std::string e3 = echo(fetch(s3));
  EXPECT_NE(e3.find("[\"Transfer-Encoding\", \"chunked\"]"), std::string::npos) << e3;
  EXPECT_NE(e3.find("\"body_length\": 5500"), std::string::npos) << e3;
  EXPECT_EQ(s3->requestBytesWritten(), 5500u);
}

TEST_F(ReadStream, BodySourcesThatBreakTheirLengthFail) {
  auto short1 = request("POST", server.url("/echo"));
  short1->setHeaderFieldValue("Content-Length", "100");
  auto r1 = fetch(net::HTTPReadStream::createForStreamedRequest(short1, net::BodySource::bytes("only this")));
  ASSERT_TRUE(r1.error);
  EXPECT_EQ(r1.error->code, net::kNetworkRequestBodyStreamExhausted);

  auto short2 = request("POST", server.url("/echo"));
  short2->setHeaderFieldValue("Content-Length", "100");
  auto r2 = fetch(net::HTTPReadStream::createForStreamedRequest(
      short2, net::BodySource::reader([](std::uint8_t*, std::size_t) -> std::int64_t { return 0; })));
  ASSERT_TRUE(r2.error);
  EXPECT_EQ(r2.error->code, net::kNetworkRequestBodyStreamExhausted);

  auto failing = net::HTTPReadStream::createForStreamedRequest(
      request("POST", server.url("/echo")),
      net::BodySource::reader([](std::uint8_t*, std::size_t) -> std::int64_t { return -1; }));
  auto r3 = fetch(failing);
  ASSERT_TRUE(r3.error);
  EXPECT_EQ(r3.error->code, net::kNetworkRequestBodyStreamExhausted);

  auto missing = net::HTTPReadStream::createForStreamedRequest(
      request("POST", server.url("/echo")), net::BodySource::file("/nonexistent/body.bin"));
  auto r4 = fetch(missing);
  ASSERT_TRUE(r4.error);
  EXPECT_EQ(r4.error->code, net::kNetworkRequestBodyStreamExhausted);
}

// --- persistent connections ---

TEST_F(ReadStream, StreamsWithTheSameIdShareOneKeptAliveConnection) {
  int before = server.connectionCount();
  auto first = stream(server.url("/bytes?n=1000"), 7);
  Outcome r1 = fetch(first);
  ASSERT_FALSE(r1.error);
  EXPECT_EQ(net::ConnectionPool::idleCount(), 1u);
  auto second = stream(server.url("/echo"), 7);
  Outcome r2 = fetch(second);
  ASSERT_FALSE(r2.error);
  first->close();  // the client closes the previous stream once the next one has opened: no effect now
  auto third = stream(server.url("/bytes?n=10"), 7);
  Outcome r3 = fetch(third);
  ASSERT_FALSE(r3.error);
  EXPECT_TRUE(second->isReusedConnection());
  EXPECT_TRUE(third->isReusedConnection());
  EXPECT_EQ(second->connectionSerial(), first->connectionSerial());
  EXPECT_EQ(third->connectionSerial(), first->connectionSerial());
  EXPECT_NE(r2.body.find("\"connection_requests\": 2"), std::string::npos) << r2.body;
  EXPECT_EQ(connectionsSince(before), 1);
}

TEST_F(ReadStream, ConnectionsAreNotSharedAcrossIdsOrWithoutThePersistentFlag) {
  int before = server.connectionCount();
  auto a = stream(server.url("/bytes?n=10"), 1);
  fetch(a);
  auto b = stream(server.url("/bytes?n=10"), 2);  // another id
  fetch(b);
  auto c = stream(server.url("/bytes?n=10"));  // not persistent
  fetch(c);
  auto d = stream(server.url("/bytes?n=10"));
  fetch(d);
  EXPECT_FALSE(b->isReusedConnection());
  EXPECT_FALSE(c->isReusedConnection());
  EXPECT_FALSE(d->isReusedConnection());
  EXPECT_NE(a->connectionSerial(), b->connectionSerial());
  EXPECT_NE(c->connectionSerial(), d->connectionSerial());
  EXPECT_EQ(connectionsSince(before), 4);
  EXPECT_EQ(net::ConnectionPool::idleCount(), 2u);  // a's and b's; c and d were closed at their end
}

TEST_F(ReadStream, ClosingAFinishedStreamClosesItsIdleConnection) {
  auto first = stream(server.url("/bytes?n=10"), 3);
  fetch(first);
  ASSERT_EQ(net::ConnectionPool::idleCount(), 1u);
  first->close();  // the client decided not to reuse it (or its pool entry expired)
  EXPECT_EQ(net::ConnectionPool::idleCount(), 0u);
  auto second = stream(server.url("/bytes?n=10"), 3);
  fetch(second);
  EXPECT_FALSE(second->isReusedConnection());
  EXPECT_NE(second->connectionSerial(), first->connectionSerial());
}

TEST_F(ReadStream, TheResponseDecidesWhetherTheConnectionIsKept) {
  struct Case {
    const char* path;
    bool kept;
  };
  const Case cases[] = {
      {"/bytes?n=10", true},
      {"/bytes?n=10&chunked=1", true},
      {"/bytes?n=10&close=1", false},
      {"/bytes?n=10&http10=1", false},
      {"/bytes?n=10&http10=1&ka10=1", true},
      {"/bytes?n=10&keepalive=15,100", true},
  };
  std::int64_t id = 100;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    net::ConnectionPool::closeAll();
    auto first = stream(server.url(c.path), ++id);
    Outcome r = fetch(first);
    ASSERT_FALSE(r.error) << r.error->description;
    EXPECT_EQ(net::ConnectionPool::idleCount(), c.kept ? 1u : 0u);
    auto second = stream(server.url("/bytes?n=10"), id);
    fetch(second);
    EXPECT_EQ(second->isReusedConnection(), c.kept);
  }
}

TEST_F(ReadStream, IdleConnectionsExpire) {
  {
    testsupport::ScopedOverride<double> expireAtOnce{net::ConnectionPool::setIdleTimeout, 0,
                                                     net::ConnectionPool::idleTimeout()};
    auto first = stream(server.url("/bytes?n=10"), 9);
    fetch(first);
    net::ConnectionPool::closeExpired();
    EXPECT_EQ(net::ConnectionPool::idleCount(), 0u);
  }
  auto second = stream(server.url("/bytes?n=10"), 9);
  fetch(second);
  EXPECT_FALSE(second->isReusedConnection());
}

TEST_F(ReadStream, AKeptAliveConnectionDroppedByTheServerIsReportedAsDropped) {
  // The server answers one request per connection, then reads the next one and closes without answering.
  auto first = stream(server.url("/dropafter?n=1&size=50"), 5);
  Outcome r1 = fetch(first);
  ASSERT_FALSE(r1.error);
  EXPECT_TRUE(r1.body == pattern(50));
  auto second = stream(server.url("/dropafter?n=1&size=50"), 5);
  Outcome r2 = fetch(second);
  EXPECT_TRUE(second->isReusedConnection());
  ASSERT_TRUE(r2.error);
  EXPECT_TRUE(r2.error->isDroppedConnection()) << r2.error->domain << " " << r2.error->code;
  EXPECT_EQ(r2.error->domain, net::kNetworkErrorDomain);
  EXPECT_EQ(r2.error->code, net::kNetworkConnectionLost);
  EXPECT_FALSE(r2.head);
  // A retry on a fresh connection (what the client does) succeeds.
  net::ConnectionPool::closeAll();
  Outcome r3 = fetch(stream(server.url("/dropafter?n=1&size=50"), 5));
  EXPECT_FALSE(r3.error);
}

TEST_F(ReadStream, AConnectionDroppedMidBodyFails) {
  for (const char* path : {"/drop?n=100000&at=30000", "/drop?n=100000&at=30000&chunked=1"}) {
    SCOPED_TRACE(path);
    Outcome r = fetch(stream(server.url(path), 4));
    ASSERT_TRUE(r.error);
    EXPECT_EQ(r.error->code, net::kNetworkConnectionLost);
    EXPECT_TRUE(r.error->isDroppedConnection());
    EXPECT_EQ(r.status(), 200);  // the head had come, and stays readable after the failure
    // The error ends the stream at once: bytes that came before it may or may not have been handed out.
    EXPECT_LE(r.body.size(), 30000u);
    EXPECT_TRUE(r.body == pattern(r.body.size()));
    EXPECT_FALSE(r.ended);
    EXPECT_EQ(net::ConnectionPool::idleCount(), 0u);
  }
}

// --- flow control and scheduling ---

TEST_F(ReadStream, AClientThatDoesNotReadIsToldOnce) {
  auto s = stream(server.url("/bytes?n=3000000"));
  auto out = attach(s, 0, /*readBytes=*/false);
  s->scheduleInRunLoop(rl::RunLoop::current(), rl::kDefaultMode);
  ASSERT_TRUE(s->open());
  ASSERT_TRUE(runUntil([&] { return out->dataEvents > 0 || out->error; }));
  for (int i = 0; i < 20; ++i) rl::RunLoop::current().runOnce(rl::kDefaultMode, 0.05);
  EXPECT_EQ(out->dataEvents, 1);
  EXPECT_LE(out->bytesEvents, 2);  // perhaps one more for the head alone, before any body byte came
  EXPECT_FALSE(out->ended);
  // Reading now drains everything; the stream pauses and resumes the socket as the buffer empties.
  std::string body;
  std::vector<std::uint8_t> buf(1 << 20);
  ASSERT_TRUE(runUntil([&] {
    auto n = s->read(buf.data(), buf.size());
    if (n > 0) body.append(reinterpret_cast<char*>(buf.data()), static_cast<std::size_t>(n));
    return out->ended || out->error.has_value();
  }));
  EXPECT_FALSE(out->error);
  EXPECT_TRUE(body == pattern(3000000));
}

TEST_F(ReadStream, AHeadOnlyEventNeedsNoRead) {
  // The server sends the head, then the body a moment later. The client reads only when bytes wait, as
  // the HTTP client does.
  auto s = stream(server.url("/stall?afterhead=0.3&mid=0.2&n=1000"));
  int headOnly = 0;
  bool ended = false;
  std::string body;
  std::weak_ptr<net::HTTPReadStream> weak = s;
  s->setClient(kAllEvents, [&, weak](net::ReadStreamEvent ev) {
    auto st = weak.lock();
    if (ev == net::kEventEndEncountered) ended = true;
    if (ev != net::kEventHasBytesAvailable) return;
    ASSERT_TRUE(st->copyResponseHeader());
    if (!st->hasBytesAvailable()) {
      ++headOnly;
      return;
    }
    std::uint8_t buf[16384];
    auto n = st->read(buf, sizeof buf);
    if (n > 0) body.append(reinterpret_cast<char*>(buf), static_cast<std::size_t>(n));
  });
  s->scheduleInRunLoop(rl::RunLoop::current(), rl::kDefaultMode);
  ASSERT_TRUE(s->open());
  ASSERT_TRUE(runUntil([&] { return ended || s->error(); }));
  EXPECT_EQ(headOnly, 1);
  EXPECT_TRUE(body == pattern(1000));
}

TEST_F(ReadStream, NothingHappensWhileUnscheduled) {
  auto s = stream(server.url("/bytes?n=100"));
  auto out = attach(s);
  ASSERT_TRUE(s->open());  // opened before being scheduled, as a throttled request is
  for (int i = 0; i < 5; ++i) rl::RunLoop::current().runOnce(rl::kDefaultMode, 0.05);
  EXPECT_TRUE(out->events.empty());
  s->scheduleInRunLoop(rl::RunLoop::current(), rl::kDefaultMode);
  ASSERT_TRUE(runUntil([&] { return out->bytesEvents > 0 || out->done(); }));
  s->unscheduleFromRunLoop(rl::RunLoop::current(), rl::kDefaultMode);
  std::size_t seen = out->events.size();
  for (int i = 0; i < 5; ++i) rl::RunLoop::current().runOnce(rl::kDefaultMode, 0.05);
  EXPECT_EQ(out->events.size(), seen);
  s->scheduleInRunLoop(rl::RunLoop::current(), rl::kDefaultMode);
  ASSERT_TRUE(runUntil([&] { return out->done(); }));
  EXPECT_TRUE(out->ended);
  EXPECT_TRUE(out->body == pattern(100));
}

TEST_F(ReadStream, RunsInTheModeItIsScheduledIn) {
  auto s = stream(server.url("/bytes?n=100"));
  auto out = attach(s);
  s->scheduleInRunLoop(rl::RunLoop::current(), rl::kHTTPRequestMode);
  ASSERT_TRUE(s->open());
  for (int i = 0; i < 5; ++i) rl::RunLoop::current().runOnce(rl::kDefaultMode, 0.05);
  EXPECT_TRUE(out->events.empty());
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!out->done() && std::chrono::steady_clock::now() < deadline) {
    rl::RunLoop::current().runOnce(rl::kHTTPRequestMode, 0.2);
  }
  EXPECT_TRUE(out->ended);
  EXPECT_TRUE(out->body == pattern(100));
}

TEST_F(ReadStream, CloseFromTheCallbackStopsEverything) {
  auto s = stream(server.url("/bytes?n=100000"));
  int events = 0;
  std::weak_ptr<net::HTTPReadStream> weak = s;
  s->setClient(kAllEvents, [&events, weak](net::ReadStreamEvent ev) {
    ++events;
    if (ev == net::kEventHasBytesAvailable) {
      if (auto st = weak.lock()) st->close();
    }
  });
  s->scheduleInRunLoop(rl::RunLoop::current(), rl::kDefaultMode);
  ASSERT_TRUE(s->open());
  ASSERT_TRUE(runUntil([&] { return s->status() == net::StreamStatus::Closed; }));
  int seen = events;
  for (int i = 0; i < 5; ++i) rl::RunLoop::current().runOnce(rl::kDefaultMode, 0.05);
  EXPECT_EQ(events, seen);
  EXPECT_EQ(net::ConnectionPool::idleCount(), 0u);
}

// --- failures before any response ---

TEST_F(ReadStream, NameLookupFailureIsReported) {
  auto failing = std::make_shared<const net::HostResolver>(
      [](const std::string& host, int, std::optional<net::StreamError>& failure) {
        failure = net::StreamError::network(net::kNetworkCannotFindHost, "no such host: " + host);
        return std::vector<net::ResolvedAddress>{};
      });
  auto s = stream("http://no-such-host.invalid/x");
  s->setHostResolver(failing);
  Outcome r = fetch(s);
  ASSERT_TRUE(r.error);
  EXPECT_EQ(r.error->domain, net::kNetworkErrorDomain);
  EXPECT_EQ(r.error->code, net::kNetworkCannotFindHost);
  EXPECT_EQ(r.events, std::vector<unsigned>{net::kEventErrorOccurred});

  // The real resolver: a label longer than 63 characters is refused before any name server is asked.
  Outcome real = fetch(stream("http://" + std::string(64, 'a') + ".invalid/x"));
  ASSERT_TRUE(real.error);
  EXPECT_EQ(real.error->code, net::kNetworkCannotFindHost);
  EXPECT_NE(real.error->description.find(".invalid"), std::string::npos) << real.error->description;
}

TEST_F(ReadStream, ResolvesNamesAndTriesEveryAddress) {
  // "localhost" comes from /etc/hosts; the server listens on 127.0.0.1 only, so a first ::1 is refused and
  // the next address is tried.
  Outcome r = fetch(stream("http://localhost:" + std::to_string(server.port()) + "/bytes?n=10"));
  ASSERT_FALSE(r.error) << r.error->description;
  EXPECT_TRUE(r.body == pattern(10));

  // A name mapped by the test to two addresses, the first refusing.
  int port = server.port();
  auto mapping = std::make_shared<const net::HostResolver>(
      [port](const std::string&, int, std::optional<net::StreamError>&) {
        return std::vector<net::ResolvedAddress>{*net::HostResolver::numeric("127.0.0.1", 1),
                                                 *net::HostResolver::numeric("127.0.0.1", port)};
      });
  auto s = stream("http://api.example.test:" + std::to_string(port) + "/echo");
  s->setHostResolver(mapping);
  Outcome mapped = fetch(s);
  ASSERT_FALSE(mapped.error);
  EXPECT_NE(mapped.body.find("[\"Host\", \"api.example.test:" + std::to_string(port) + "\"]"),
            std::string::npos)
      << mapped.body;
}

TEST_F(ReadStream, RefusedConnectionAndBadURLs) {
  Outcome refused = fetch(stream("http://127.0.0.1:1/x"));
  ASSERT_TRUE(refused.error);
  EXPECT_EQ(refused.error->code, net::kNetworkCannotConnectToHost);
  EXPECT_FALSE(refused.error->isDroppedConnection());

  auto ftp = stream("ftp://127.0.0.1/x");
  EXPECT_FALSE(ftp->open());
  ASSERT_TRUE(ftp->error());
  EXPECT_EQ(ftp->error()->code, net::kNetworkUnsupportedURL);
  auto once = stream(server.url("/x"));
  EXPECT_TRUE(once->open());
  EXPECT_FALSE(once->open());
}

TEST_F(ReadStream, GoesThroughAnHTTPProxy) {
  // The loopback server doubles as a proxy: the request goes to it in absolute form and the target host is
  // never looked up.
  auto s = stream("http://far-away.example.test/echo?via=proxy");
  s->setProxy({net::ProxySettings::Type::HTTP, "127.0.0.1", server.port()});
  Outcome r = fetch(s);
  ASSERT_FALSE(r.error) << r.error->description;
  EXPECT_NE(r.body.find("\"path\": \"http://far-away.example.test/echo?via=proxy\""), std::string::npos)
      << r.body;
  EXPECT_NE(r.body.find("[\"Host\", \"far-away.example.test\"]"), std::string::npos) << r.body;
}

}  // namespace
