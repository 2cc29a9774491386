#pragma once
// Shared pieces of the socket tests: a stream driver on the current thread's run loop (bounded, never
// sleeping) and the loopback server.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/net/ConnectionPool.h"
#include "platform/net/HTTPReadStream.h"
#include "platform/runloop/RunLoop.h"
#include "tests/support/RunUntil.h"
#include "tests/support/TempDir.h"
#include "tools/testserver/httpserver/LoopbackServer.h"

namespace nettest {

struct Outcome {
  std::vector<unsigned> events;
  std::string body;
  std::shared_ptr<const net::HTTPMessage> head;
  std::optional<net::StreamError> error;
  bool ended = false;
  int bytesEvents = 0;
  int dataEvents = 0;  // bytes-available events with bytes waiting (not the head alone)
  bool done() const { return ended || error.has_value(); }
  int status() const { return head ? head->statusCode() : 0; }
  std::string header(const char* name) const {
    auto v = head ? head->headerFieldValue(name) : std::nullopt;
    return v.value_or("");
  }
};

inline constexpr unsigned kAllEvents = net::kEventOpenCompleted | net::kEventHasBytesAvailable |
                                       net::kEventErrorOccurred | net::kEventEndEncountered;

// Registers a client that behaves like the HTTP client: reads up to `chunk` bytes per bytes-available
// event, takes the head on the first one (or at the end).
inline std::shared_ptr<Outcome> attach(const std::shared_ptr<net::HTTPReadStream>& s,
                                       std::size_t chunk = 16384, bool readBytes = true) {
  auto out = std::make_shared<Outcome>();
  std::weak_ptr<net::HTTPReadStream> weak = s;
  s->setClient(kAllEvents, [out, weak, chunk, readBytes](net::ReadStreamEvent ev) {
    auto st = weak.lock();
    if (!st) return;
    out->events.push_back(ev);
    switch (ev) {
      case net::kEventHasBytesAvailable: {
        ++out->bytesEvents;
        if (st->hasBytesAvailable()) ++out->dataEvents;
        if (!out->head) out->head = st->copyResponseHeader();
        if (!readBytes) break;
        std::vector<std::uint8_t> buf(chunk);
        auto n = st->read(buf.data(), buf.size());
        if (n > 0) out->body.append(reinterpret_cast<char*>(buf.data()), static_cast<std::size_t>(n));
        break;
      }
      case net::kEventEndEncountered:
        out->ended = true;
        if (!out->head) out->head = st->copyResponseHeader();
        break;
      case net::kEventErrorOccurred:
        out->error = st->error();
        if (!out->head) out->head = st->copyResponseHeader();
        break;
      default:
        break;
    }
  });
  return out;
}

using testsupport::runUntil;

inline Outcome fetch(const std::shared_ptr<net::HTTPReadStream>& s, std::size_t chunk = 16384) {
  auto out = attach(s, chunk);
  s->scheduleInRunLoop(rl::RunLoop::current(), rl::kDefaultMode);
  EXPECT_TRUE(s->open());
  EXPECT_TRUE(runUntil([&] { return out->done(); })) << "the stream neither ended nor failed in time";
  return *out;
}

inline std::shared_ptr<net::HTTPMessage> request(const std::string& method, const std::string& url) {
  auto u = core::URL::parse(url);
  EXPECT_TRUE(u.has_value()) << url;
  return net::HTTPMessage::createRequest(method, u.value_or(core::URL{}));
}

inline std::shared_ptr<net::HTTPReadStream> stream(const std::string& url, std::int64_t persistentId = -1,
                                                   const std::string& method = "GET") {
  auto s = net::HTTPReadStream::create(request(method, url));
  if (persistentId >= 0) {
    s->setAttemptPersistentConnection(true);
    s->setStreamID(persistentId);
  }
  return s;
}

// byte[i] = i % 251: the server's body pattern.
inline std::string pattern(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i % 251);
  return s;
}

// The shared temporary directory (tests/support/TempDir.h), naming files as these tests do.
class TempDir : public testsupport::TempDir {
 public:
  TempDir() : testsupport::TempDir("vd-net") {}
  std::string file(const std::string& name) const { return *this / name; }
};

class LoopbackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.start()) << server.failure();
    net::ConnectionPool::closeAll();
  }
  void TearDown() override {
    net::ConnectionPool::closeAll();
    rl::RunLoop::current().clear();
    server.stop();
  }
  // The connections the server has accepted, not counting the ones used to ask it.
  int connectionsSince(int before) const { return server.connectionCount() - before - 1; }

  testserver::LoopbackServer server;
};

}  // namespace nettest
