#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

#include "platform/net/Transport.h"
#include "tests/platform/net/LoopbackFixture.h"

namespace {

using namespace nettest;

// --- TLS against the loopback server with a certificate made for this run ---

class TLS : public ::testing::Test {
 protected:
  void SetUp() override {
    cert = dir.file("cert.pem");
    key = dir.file("key.pem");
    ASSERT_TRUE(testserver::makeSelfSignedCertificate(cert, key));
    testserver::Options o;
    o.tlsCertFile = cert;
    o.tlsKeyFile = key;
    ASSERT_TRUE(server.start(o)) << server.failure();
    net::ConnectionPool::closeAll();
  }
  void TearDown() override {
    net::ConnectionPool::closeAll();
    rl::RunLoop::current().clear();
    server.stop();
  }
  std::shared_ptr<net::HTTPReadStream> tlsStream(const std::string& path, net::SSLSettings ssl,
                                                 std::int64_t id = -1) {
    auto s = stream(server.url(path), id);
    s->setSSLSettings(std::move(ssl));
    return s;
  }
  net::SSLSettings trusting() const {
    net::SSLSettings s;
    s.additionalTrustedCertificatesFile = cert;
    return s;
  }

  TempDir dir;
  std::string cert, key;
  testserver::LoopbackServer server;
};

TEST_F(TLS, ASelfSignedCertificateIsRefusedWhileValidating) {
  Outcome r = fetch(tlsStream("/bytes?n=10", {}));
  ASSERT_TRUE(r.error);
  EXPECT_TRUE(r.error->isSSLError()) << r.error->domain << " " << r.error->code;
  EXPECT_EQ(r.error->code, net::kSSLNoRootCert);
  EXPECT_NE(r.error->description.find("not verified by root"), std::string::npos) << r.error->description;
  EXPECT_FALSE(r.head);
}

TEST_F(TLS, AcceptedWithValidationOff) {
  net::SSLSettings off;
  off.validatesCertificateChain = false;
  off.peerName = "";
  Outcome r = fetch(tlsStream("/bytes?n=1000000&chunked=1", off));
  ASSERT_FALSE(r.error) << r.error->description;
  EXPECT_TRUE(r.body == pattern(1000000));
}

struct TrustCase {
  const char* name;
  bool trustFile;
  bool anyRoot;
  std::optional<std::string> peerName;
  const char* host;
  std::int64_t error;  // 0: accepted
};

TEST_F(TLS, ChecksChainAndNameAsConfigured) {
  const TrustCase cases[] = {
      {"trusted, IP in the certificate", true, false, std::nullopt, "127.0.0.1", 0},
      {"trusted, DNS name in the certificate", true, false, std::nullopt, "localhost", 0},
      {"trusted, other expected name", true, false, std::string("other.example.test"), "127.0.0.1",
       net::kSSLXCertChainInvalid},
      {"any root, name still checked", false, true, std::string("other.example.test"), "127.0.0.1",
       net::kSSLXCertChainInvalid},
      {"any root, right name", false, true, std::nullopt, "127.0.0.1", 0},
      {"any root, no name check", false, true, std::string(""), "127.0.0.1", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    net::SSLSettings s;
    if (c.trustFile) s.additionalTrustedCertificatesFile = cert;
    s.allowsAnyRoot = c.anyRoot;
    s.peerName = c.peerName;
    auto st = stream("https://" + std::string(c.host) + ":" + std::to_string(server.port()) + "/bytes?n=100");
    st->setSSLSettings(s);
    Outcome r = fetch(st);
    if (c.error == 0) {
      EXPECT_FALSE(r.error) << r.error->description;
      EXPECT_TRUE(r.body == pattern(100));
    } else {
      ASSERT_TRUE(r.error);
      EXPECT_EQ(r.error->code, c.error) << r.error->description;
    }
  }
}

TEST_F(TLS, ExpiredCertificates) {
  std::string oldCert = dir.file("old.pem"), oldKey = dir.file("oldkey.pem");
  ASSERT_TRUE(
      testserver::makeSelfSignedCertificate(oldCert, oldKey, {"localhost", "127.0.0.1"}, -7200, -3600));
  testserver::LoopbackServer expired;
  testserver::Options o;
  o.tlsCertFile = oldCert;
  o.tlsKeyFile = oldKey;
  ASSERT_TRUE(expired.start(o)) << expired.failure();
  net::SSLSettings s;
  s.additionalTrustedCertificatesFile = oldCert;
  auto a = stream(expired.url("/bytes?n=10"));
  a->setSSLSettings(s);
  Outcome refused = fetch(a);
  ASSERT_TRUE(refused.error);
  EXPECT_EQ(refused.error->code, net::kSSLCertExpired);
  s.allowsExpiredCertificates = true;
  auto b = stream(expired.url("/bytes?n=10"));
  b->setSSLSettings(s);
  Outcome accepted = fetch(b);
  EXPECT_FALSE(accepted.error);
}

TEST_F(TLS, KeptAliveTLSConnectionsAreSharedOnlyWithTheSameSettings) {
  net::SSLSettings off;
  off.validatesCertificateChain = false;
  auto first = tlsStream("/bytes?n=10", off, 11);
  ASSERT_FALSE(fetch(first).error);
  auto second = tlsStream("/echo", off, 11);
  ASSERT_FALSE(fetch(second).error);
  EXPECT_TRUE(second->isReusedConnection());
  EXPECT_EQ(second->connectionSerial(), first->connectionSerial());
  // A stream that validates never gets the connection opened without validation.
  auto strict = tlsStream("/bytes?n=10", trusting(), 11);
  ASSERT_FALSE(fetch(strict).error);
  EXPECT_FALSE(strict->isReusedConnection());
}

TEST_F(TLS, ThroughAnHTTPProxyTunnel) {
  testserver::LoopbackServer proxy;
  ASSERT_TRUE(proxy.start()) << proxy.failure();
  auto s = tlsStream("/echo", trusting());
  s->setProxy({net::ProxySettings::Type::HTTP, "127.0.0.1", proxy.port()});
  Outcome r = fetch(s);
  ASSERT_FALSE(r.error) << r.error->description;
  EXPECT_NE(r.body.find("\"path\": \"/echo\""), std::string::npos) << r.body;

  // A proxy that refuses the tunnel: its answer is the response.
  auto far = stream("https://far-away.example.test/echo");
  far->setProxy({net::ProxySettings::Type::HTTP, "127.0.0.1", proxy.port()});
  Outcome refused = fetch(far);
  ASSERT_FALSE(refused.error);
  EXPECT_EQ(refused.status(), 403);
}

// --- SIGPIPE ---

std::atomic<int> gSigpipes{0};

class NoSigpipe : public ::testing::Test {
 protected:
  void SetUp() override {
    struct sigaction sa {};
    sa.sa_handler = [](int) { gSigpipes.fetch_add(1); };
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGPIPE, &sa, &old_);
    gSigpipes = 0;
  }
  void TearDown() override {
    ::sigaction(SIGPIPE, &old_, nullptr);
    net::ConnectionPool::closeAll();
    rl::RunLoop::current().clear();
  }
  struct sigaction old_ {};
};

// A big upload to a server that closes at once without reading it.
void uploadToRejectingServer(testserver::LoopbackServer& server, const net::SSLSettings& ssl) {
  auto m = request("POST", server.url("/reject"));
  const std::uint64_t size = 64ull << 20;
  m->setHeaderFieldValue("Content-Length", std::to_string(size));
  std::uint64_t given = 0;
  auto s = net::HTTPReadStream::createForStreamedRequest(
      m, net::BodySource::reader([&given, size](std::uint8_t* buf, std::size_t max) -> std::int64_t {
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(max, size - given));
        std::memset(buf, 'u', n);
        given += n;
        return static_cast<std::int64_t>(n);
      }));
  s->setSSLSettings(ssl);
  Outcome r = fetch(s);
  ASSERT_TRUE(r.error);
  EXPECT_TRUE(r.error->isDroppedConnection())
      << r.error->domain << " " << r.error->code << " " << r.error->description;
  EXPECT_LT(s->requestBytesWritten(), size);
}

TEST_F(NoSigpipe, WritingToAPeerThatClosedRaisesNoSignal) {
  testserver::LoopbackServer server;
  ASSERT_TRUE(server.start()) << server.failure();
  uploadToRejectingServer(server, {});
  EXPECT_EQ(gSigpipes.load(), 0);
}

TEST_F(NoSigpipe, NorOverTLS) {
  TempDir dir;
  ASSERT_TRUE(testserver::makeSelfSignedCertificate(dir.file("c.pem"), dir.file("k.pem")));
  testserver::LoopbackServer server;
  testserver::Options o;
  o.tlsCertFile = dir.file("c.pem");
  o.tlsKeyFile = dir.file("k.pem");
  ASSERT_TRUE(server.start(o)) << server.failure();
  net::SSLSettings off;
  off.validatesCertificateChain = false;
  uploadToRejectingServer(server, off);
  EXPECT_EQ(gSigpipes.load(), 0);
}

TEST_F(NoSigpipe, TransportWritesAfterTheClose) {
  // A listener of our own: accept, then close with a reset.
  int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(listener, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ASSERT_EQ(::listen(listener, 1), 0);
  socklen_t len = sizeof a;
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);

  net::Transport t;
  auto addr = net::HostResolver::numeric("127.0.0.1", ntohs(a.sin_port));
  ASSERT_TRUE(addr);
  auto r = t.startConnect(*addr);
  ASSERT_NE(r, net::Transport::Result::Failed);
  int peer = ::accept(listener, nullptr, nullptr);
  ASSERT_GE(peer, 0);
  pollfd p{t.fd(), POLLOUT, 0};
  ASSERT_EQ(::poll(&p, 1, 10000), 1);
  ASSERT_EQ(t.finishConnect(), net::Transport::Result::Done);
  ::close(peer);  // orderly close: the first write still goes out, the ones after it fail

  std::string chunk(65536, 'x');
  net::Transport::Result w = net::Transport::Result::Done;
  for (int i = 0; i < 10000 && w != net::Transport::Result::Failed; ++i) {
    std::size_t written = 0;
    w = t.write(chunk, written);
    if (w == net::Transport::Result::WouldBlock) {
      pollfd q{t.fd(), POLLOUT, 0};
      ::poll(&q, 1, 1000);
    }
  }
  ASSERT_EQ(w, net::Transport::Result::Failed);
  ASSERT_TRUE(t.error());
  EXPECT_TRUE(t.error()->isDroppedConnection()) << t.error()->code;
  EXPECT_EQ(gSigpipes.load(), 0);
  ::close(listener);
}

}  // namespace
