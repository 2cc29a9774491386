// Proxy discovery: a proxy from the environment ("http_proxy", "no_proxy"), a PAC script (file, with the
// Latin-1 fallback, and over HTTP with the queue's extra slot), and proxy authentication. The loopback
// server acts as the proxy: it answers requests in absolute form itself, so a request for a host that
// does not exist only succeeds through it.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <list>

#include "platform/core/Paths.h"
#include "platform/net/ProxyConfig.h"
#include "platform/runloop/OperationQueue.h"
#include "tests/librarys/http/HTTPTestSupport.h"
#include "tests/support/TempDir.h"

using namespace httptest;

namespace {

class Proxy : public LoopbackSuite {
 protected:
  void SetUp() override {
    for (const char* v : {"http_proxy", "HTTP_PROXY", "https_proxy", "all_proxy", "no_proxy", "NO_PROXY",
                          "auto_proxy", "AUTO_PROXY"})
      cleared_.emplace_back(v);
    HTTPRequest::clearSession();
    HTTPRequest::sessionProxyCredentialsStore().clear();
  }
  void TearDown() override {
    cleared_.clear();
    HTTPRequest::clearSession();
    HTTPRequest::sessionProxyCredentialsStore().clear();
    LoopbackSuite::TearDown();
  }
  static std::string proxyAddress() { return "127.0.0.1:" + std::to_string(server().port()); }
  static std::string writePAC(const std::string& name, const std::string& script) {
    std::string path = core::Paths::join(freshDir("pac"), name);
    std::ofstream(path, std::ios::binary) << script;
    return path;
  }
  static std::string pacScript() {
    return "function FindProxyForURL(url, host) {\n"
           "  if (shExpMatch(host, \"*.viapac.test\")) return \"PROXY " +
           proxyAddress() + "; DIRECT\";\n  return \"DIRECT\";\n}\n";
  }

  std::list<testsupport::ScopedEnv> cleared_;  // the proxy variables, as they were before the test
};

std::string echoedPath(const std::shared_ptr<HTTPRequest>& r) { return r->responseString().value_or(""); }

TEST_F(Proxy, EnvironmentProxyCarriesTheRequest) {
  ::setenv("http_proxy", ("http://" + proxyAddress()).c_str(), 1);
  auto r = HTTPRequest::requestWithURL(parse("http://nowhere.proxied.test/echo"));
  auto rec = runAsync(r);
  ASSERT_EQ(rec->finished, 1) << (r->error() ? r->error()->description : "");
  EXPECT_EQ(r->proxyHost(), "127.0.0.1");
  EXPECT_EQ(r->proxyPort(), server().port());
  EXPECT_NE(echoedPath(r).find("\"path\": \"http://nowhere.proxied.test/echo\""), std::string::npos)
      << echoedPath(r);
}

TEST_F(Proxy, NoProxyGoesDirect) {
  // The environment names a proxy that refuses connections; "no_proxy" exempts the loopback address.
  ::setenv("http_proxy", "http://127.0.0.1:1", 1);
  ::setenv("no_proxy", "localhost, 127.0.0.1", 1);
  auto r = makeRequest("/echo");
  auto rec = runAsync(r);
  EXPECT_EQ(rec->finished, 1);
  EXPECT_TRUE(r->proxyHost().empty());

  ::unsetenv("no_proxy");
  auto through = makeRequest("/echo");
  auto rec2 = runAsync(through);
  EXPECT_EQ(rec2->failed, 1);
  ASSERT_TRUE(through->error());
  EXPECT_EQ(through->error()->code, ConnectionFailureErrorType);
}

TEST_F(Proxy, UnreadableProxySettingFailsWithCode6) {
  ::setenv("http_proxy", "http://proxy.example:notaport", 1);
  auto r = makeRequest("/echo");
  auto rec = runAsync(r);
  EXPECT_EQ(rec->failed, 1);
  ASSERT_TRUE(r->error());
  EXPECT_EQ(r->error()->code, InternalErrorWhileBuildingRequestType);
  EXPECT_EQ(r->error()->description, "Unable to obtain information on proxy servers needed for request");
}

TEST_F(Proxy, ProxySetOnTheRequestWinsOverTheEnvironment) {
  ::setenv("http_proxy", "http://127.0.0.1:1", 1);
  auto r = HTTPRequest::requestWithURL(parse("http://set.on.request.test/echo"));
  r->setProxyHost("127.0.0.1");
  r->setProxyPort(server().port());
  r->startSynchronous();
  EXPECT_FALSE(r->error());
  EXPECT_EQ(r->responseStatusCode(), 200);
}

TEST_F(Proxy, PACFileChoosesTheProxy) {
  // A script file with a Latin-1 byte in a comment (not UTF-8) still runs.
  std::string path = writePAC("proxy.pac", "// caf\xe9\n" + pacScript());
  auto viaPac = HTTPRequest::requestWithURL(parse("http://www.viapac.test/echo"));
  viaPac->setPACurl(parse("file://" + path));
  auto rec = runAsync(viaPac);
  ASSERT_EQ(rec->finished, 1) << (viaPac->error() ? viaPac->error()->description : "");
  EXPECT_EQ(viaPac->proxyHost(), "127.0.0.1");

  auto direct = makeRequest("/echo");
  direct->setPACurl(parse("file://" + path));
  direct->startSynchronous();
  EXPECT_FALSE(direct->error());
  EXPECT_TRUE(direct->proxyHost().empty());

  // A script from the environment's "auto_proxy".
  ::setenv("auto_proxy", path.c_str(), 1);
  auto fromEnv = HTTPRequest::requestWithURL(parse("http://env.viapac.test/echo"));
  fromEnv->startSynchronous();
  EXPECT_FALSE(fromEnv->error());
  EXPECT_EQ(fromEnv->proxyPort(), server().port());
}

TEST_F(Proxy, UnreadablePACLeavesTheRequestDirect) {
  for (std::string pac : {std::string("file:///nonexistent/proxy.pac"), std::string("ftp://127.0.0.1/x.pac"),
                          "file://" + writePAC("bad.pac", "this is not javascript {")}) {
    auto r = makeRequest("/echo");
    r->setPACurl(parse(pac));
    r->startSynchronous();
    EXPECT_FALSE(r->error()) << pac;
    EXPECT_TRUE(r->proxyHost().empty()) << pac;
  }
}

TEST_F(Proxy, PACOverHTTPRaisesTheQueueLimitWhileItIsFetched) {
  auto& queue = HTTPRequest::sharedQueue();
  int limit = queue.maxConcurrentOperationCount();
  // Fetched over HTTP (scheme in capitals): the script comes back as the body of /status.
  std::string escaped;
  for (unsigned char c : pacScript()) {
    static const char* hex = "0123456789ABCDEF";
    if (std::isalnum(c)) {
      escaped += static_cast<char>(c);
    } else {
      escaped += '%';
      escaped += hex[c >> 4];
      escaped += hex[c & 15];
    }
  }
  auto r = HTTPRequest::requestWithURL(parse("http://www.viapac.test/echo"));
  r->setPACurl(
      parse("HTTP://127.0.0.1:" + std::to_string(server().port()) + "/status?code=200&body=" + escaped));
  auto rec = runAsync(r);
  ASSERT_EQ(rec->finished, 1) << (r->error() ? r->error()->description : "");
  EXPECT_EQ(r->proxyHost(), "127.0.0.1");
  EXPECT_EQ(queue.maxConcurrentOperationCount(), limit);

  // A slow fetch: one more slot while it runs, the old limit once it has ended.
  auto slow = makeRequest("/echo");
  slow->setPACurl(url("/stall?head=1&n=10"));
  auto rec2 = watch(slow);
  slow->startAsynchronous();
  EXPECT_TRUE(runUntil([&] { return queue.maxConcurrentOperationCount() == limit + 1; }, 5));
  EXPECT_TRUE(runUntil([&] { return rec2->done(); }));
  EXPECT_EQ(rec2->finished, 1);  // the stalled body is no script: direct
  EXPECT_TRUE(runUntil([&] { return queue.maxConcurrentOperationCount() == limit; }, 5));
}

TEST_F(Proxy, ProxyAuthenticationFromTheRequestAndTheSessionStore) {
  auto r = HTTPRequest::requestWithURL(parse("http://proxyauth-one.test/echo"));
  r->setProxyHost("127.0.0.1");
  r->setProxyPort(server().port());
  r->setProxyUsername("puser");
  r->setProxyPassword("ppass");
  auto rec = runAsync(r);
  ASSERT_EQ(rec->finished, 1) << (r->error() ? r->error()->description : "");
  EXPECT_EQ(r->proxyAuthenticationScheme(), "Basic");
  EXPECT_EQ(r->proxyAuthenticationRealm(), "loopback proxy");

  // The next request through that proxy is answered from the session store.
  auto again = HTTPRequest::requestWithURL(parse("http://proxyauth-two.test/echo"));
  again->setProxyHost("127.0.0.1");
  again->setProxyPort(server().port());
  again->startSynchronous();
  EXPECT_FALSE(again->error());
  EXPECT_EQ(again->responseStatusCode(), 200);

  HTTPRequest::sessionProxyCredentialsStore().clear();
  auto none = HTTPRequest::requestWithURL(parse("http://proxyauth-three.test/echo"));
  none->setProxyHost("127.0.0.1");
  none->setProxyPort(server().port());
  none->startSynchronous();
  ASSERT_TRUE(none->error());
  EXPECT_EQ(none->error()->code, AuthenticationErrorType);
}

TEST_F(Proxy, HttpsGoesThroughATunnelOfTheEnvironmentProxy) {
  // A TLS server of its own; the suite's plain server is the proxy that opens the CONNECT tunnel.
  std::string dir = freshDir("tls");
  std::string cert = core::Paths::join(dir, "cert.pem"), key = core::Paths::join(dir, "key.pem");
  ASSERT_TRUE(testserver::makeSelfSignedCertificate(cert, key));
  testserver::LoopbackServer tls;
  testserver::Options o;
  o.tlsCertFile = cert;
  o.tlsKeyFile = key;
  ASSERT_TRUE(tls.start(o)) << tls.failure();
  ::setenv("https_proxy", proxyAddress().c_str(), 1);
  int before = server().connectionCount();
  auto r = HTTPRequest::requestWithURL(parse(tls.url("/echo")));
  r->setAdditionalTrustedCertificatesFile(cert);
  auto rec = runAsync(r);
  ASSERT_EQ(rec->finished, 1) << (r->error() ? r->error()->description : "");
  EXPECT_EQ(r->proxyPort(), server().port());
  EXPECT_NE(r->responseString().value_or("").find("\"path\": \"/echo\""), std::string::npos);
  EXPECT_EQ(server().connectionCount(), before + 2);  // the tunnel, and the count query's own
}

TEST(ProxyConfig, PACAnswers) {
  struct Case {
    const char* answer;
    bool ok;
    net::ProxySettings::Type type;
    const char* host;
    int port;
  } cases[] = {
      {"PROXY p.example:8080; DIRECT", true, net::ProxySettings::Type::HTTP, "p.example", 8080},
      {"  SOCKS s:1080", true, net::ProxySettings::Type::SOCKS, "s", 1080},
      {"DIRECT", true, net::ProxySettings::Type::None, "", 0},
      {"PROXY nohost", false, {}, "", 0},
      {"PROXY h:99999", false, {}, "", 0},
      {"QUIC h:1", false, {}, "", 0},
  };
  for (const auto& c : cases) {
    auto p = net::proxyFromPACAnswer(c.answer);
    ASSERT_EQ(p.has_value(), c.ok) << c.answer;
    if (!p) continue;
    EXPECT_EQ(p->type, c.type) << c.answer;
    EXPECT_EQ(p->host, c.host) << c.answer;
    EXPECT_EQ(p->port, c.port) << c.answer;
  }
}

}  // namespace
