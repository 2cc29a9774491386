#include "platform/net/ProxyConfig.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <list>
#include <thread>

#include "tests/platform/net/LoopbackFixture.h"
#include "tests/support/TempDir.h"

namespace {

const char* const kVars[] = {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY",   "all_proxy",
                             "ALL_PROXY",  "no_proxy",   "NO_PROXY",    "REQUEST_METHOD"};

class ProxyEnvironment : public ::testing::Test {
 protected:
  // Also between the cases of one test: the variables unset again, the originals still kept.
  void SetUp() override {
    cleared_.clear();
    for (const char* v : kVars) cleared_.emplace_back(v);
  }
  static std::optional<std::vector<net::ProxySettings>> forURL(const char* url) {
    return net::proxiesForURL(*core::URL::parse(url));
  }

  std::list<testsupport::ScopedEnv> cleared_;  // the variables, as they were before the test
};

struct Case {
  const char* name;
  std::vector<std::pair<const char*, const char*>> env;
  const char* url;
  bool known;  // false: the settings cannot be read
  net::ProxySettings::Type type;
  const char* host;
  int port;
};

TEST_F(ProxyEnvironment, ReadsTheLinuxConvention) {
  using T = net::ProxySettings::Type;
  const Case cases[] = {
      {"nothing set: direct", {}, "http://a.example.test/", true, T::None, "", 0},
      {"http_proxy",
       {{"http_proxy", "http://proxy.test:3128"}},
       "http://a.example.test/",
       true,
       T::HTTP,
       "proxy.test",
       3128},
      {"upper-case fallback",
       {{"HTTP_PROXY", "proxy.test:8080"}},
       "http://a.example.test/",
       true,
       T::HTTP,
       "proxy.test",
       8080},
      {"HTTP_PROXY ignored under CGI",
       {{"HTTP_PROXY", "proxy.test:8080"}, {"REQUEST_METHOD", "GET"}},
       "http://a.example.test/",
       true,
       T::None,
       "",
       0},
      {"https_proxy for https only",
       {{"https_proxy", "http://sp.test"}},
       "http://a.example.test/",
       true,
       T::None,
       "",
       0},
      {"https_proxy, default port",
       {{"https_proxy", "http://sp.test"}},
       "https://a.example.test/",
       true,
       T::HTTP,
       "sp.test",
       80},
      {"all_proxy socks",
       {{"all_proxy", "socks5h://127.0.0.1"}},
       "https://a.example.test/",
       true,
       T::SOCKS,
       "127.0.0.1",
       1080},
      {"no_proxy suffix",
       {{"http_proxy", "proxy.test:1"}, {"no_proxy", "localhost, .example.test"}},
       "http://a.example.test/",
       true,
       T::None,
       "",
       0},
      {"no_proxy exact with port",
       {{"http_proxy", "proxy.test:1"}, {"no_proxy", "a.example.test:8080"}},
       "http://a.example.test/",
       true,
       T::None,
       "",
       0},
      {"no_proxy not a suffix match",
       {{"http_proxy", "proxy.test:1"}, {"no_proxy", "example.test"}},
       "http://badexample.test/",
       true,
       T::HTTP,
       "proxy.test",
       1},
      {"no_proxy star",
       {{"http_proxy", "proxy.test:1"}, {"NO_PROXY", "*"}},
       "http://a.example.test/",
       true,
       T::None,
       "",
       0},
      {"unreadable value",
       {{"http_proxy", "ftp://proxy.test"}},
       "http://a.example.test/",
       false,
       T::None,
       "",
       0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    for (auto [k, v] : c.env) ::setenv(k, v, 1);
    auto r = forURL(c.url);
    ASSERT_EQ(r.has_value(), c.known);
    if (!c.known) continue;
    if (c.type == T::None) {
      EXPECT_TRUE(r->empty());
      continue;
    }
    ASSERT_EQ(r->size(), 1u);
    EXPECT_EQ((*r)[0].type, c.type);
    EXPECT_EQ((*r)[0].host, c.host);
    EXPECT_EQ((*r)[0].port, c.port);
  }
}

}  // namespace

// --- a SOCKS5 proxy of the test's own, on loopback, that only connects to 127.0.0.1 ---

namespace {

bool readExactly(int fd, std::uint8_t* buf, std::size_t n) {
  std::size_t got = 0;
  while (got < n) {
    ssize_t r = ::recv(fd, buf + got, n - got, 0);
    if (r <= 0) return false;
    got += static_cast<std::size_t>(r);
  }
  return true;
}

class Socks5Proxy {
 public:
  Socks5Proxy() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(listener_, 4);
    socklen_t len = sizeof a;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { serveOne(); });
  }
  ~Socks5Proxy() {
    ::shutdown(listener_, SHUT_RDWR);
    thread_.join();
    ::close(listener_);
  }
  int port() const { return port_; }
  std::string requestedHost;

 private:
  void serveOne() {
    int c = ::accept(listener_, nullptr, nullptr);
    if (c < 0) return;
    timeval tv{20, 0};
    ::setsockopt(c, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    std::uint8_t buf[512];
    // Greeting: 05 n methods...; we take "no authentication".
    if (!readExactly(c, buf, 2) || buf[0] != 5 || !readExactly(c, buf + 2, buf[1])) return finish(c, -1);
    ::send(c, "\x05\x00", 2, MSG_NOSIGNAL);
    // Request: 05 01 00 03 len host port.
    if (!readExactly(c, buf, 5) || buf[3] != 3 || !readExactly(c, buf + 5, buf[4] + 2u)) return finish(c, -1);
    requestedHost.assign(reinterpret_cast<char*>(buf + 5), buf[4]);
    int port = (buf[5 + buf[4]] << 8) | buf[6 + buf[4]];
    int up = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = requestedHost == "127.0.0.1" && ::connect(up, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    const char reply[] = {5, static_cast<char>(ok ? 0 : 5), 0, 1, 127, 0, 0, 1, 0, 0};
    ::send(c, reply, sizeof reply, MSG_NOSIGNAL);
    if (!ok) {
      ::close(up);
      return finish(c, -1);
    }
    finish(c, up);
  }
  // Pipes bytes both ways until both sides are done.
  void finish(int c, int up) {
    if (up >= 0) {
      bool cOpen = true, upOpen = true;
      while (cOpen || upOpen) {
        pollfd p[2] = {{c, static_cast<short>(cOpen ? POLLIN : 0), 0},
                       {up, static_cast<short>(upOpen ? POLLIN : 0), 0}};
        if (::poll(p, 2, 20000) <= 0) break;
        char b[16384];
        if (p[0].revents) {
          ssize_t n = ::recv(c, b, sizeof b, 0);
          if (n <= 0) {
            cOpen = false;
            ::shutdown(up, SHUT_WR);
          } else {
            ::send(up, b, static_cast<std::size_t>(n), MSG_NOSIGNAL);
          }
        }
        if (p[1].revents) {
          ssize_t n = ::recv(up, b, sizeof b, 0);
          if (n <= 0) {
            upOpen = false;
            ::shutdown(c, SHUT_WR);
          } else {
            ::send(c, b, static_cast<std::size_t>(n), MSG_NOSIGNAL);
          }
        }
      }
      ::close(up);
    }
    ::close(c);
  }

  int listener_ = -1;
  int port_ = 0;
  std::thread thread_;
};

class SocksProxy : public nettest::LoopbackTest {};

TEST_F(SocksProxy, CarriesTheRequestThroughTheTunnel) {
  Socks5Proxy proxy;
  auto s = nettest::stream(server.url("/echo"));
  s->setProxy({net::ProxySettings::Type::SOCKS, "127.0.0.1", proxy.port()});
  nettest::Outcome r = nettest::fetch(s);
  ASSERT_FALSE(r.error) << r.error->description;
  EXPECT_NE(r.body.find("\"path\": \"/echo\""), std::string::npos) << r.body;
  s->close();
  EXPECT_EQ(proxy.requestedHost, "127.0.0.1");  // the proxy was asked for the host by name
}

TEST_F(SocksProxy, AProxyThatCannotConnectFails) {
  Socks5Proxy proxy;
  auto s = nettest::stream("http://elsewhere.example.test/echo");
  s->setProxy({net::ProxySettings::Type::SOCKS, "127.0.0.1", proxy.port()});
  nettest::Outcome r = nettest::fetch(s);
  ASSERT_TRUE(r.error);
  EXPECT_EQ(r.error->code, net::kNetworkCannotConnectToHost);
}

}  // namespace
