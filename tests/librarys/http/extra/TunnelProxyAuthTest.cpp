// An https request through an HTTP proxy that wants credentials: the proxy's credentials travel on the
// CONNECT that opens the tunnel, never inside it. The suite's plain loopback server is the proxy (a
// "proxyauth-" / "proxydigest-" host on a CONNECT wants Basic / Digest puser:ppass and then tunnels to
// 127.0.0.1); a TLS loopback server with a fresh self-signed certificate is the origin.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <regex>

#include "platform/core/Paths.h"
#include "tests/librarys/http/HTTPTestSupport.h"

using namespace httptest;

namespace {

class TunnelProxyAuth : public LoopbackSuite {
 protected:
  static void SetUpTestSuite() {
    LoopbackSuite::SetUpTestSuite();
    std::string dir = freshDir("tunnel-tls");
    std::string cert = core::Paths::join(dir, "cert.pem"), key = core::Paths::join(dir, "key.pem");
    ASSERT_TRUE(testserver::makeSelfSignedCertificate(cert, key));
    testserver::Options o;
    o.tlsCertFile = cert;
    o.tlsKeyFile = key;
    ASSERT_TRUE(origin().start(o)) << origin().failure();
  }
  static void TearDownTestSuite() {
    origin().stop();
    LoopbackSuite::TearDownTestSuite();
  }
  void SetUp() override {
    for (const char* v : {"http_proxy", "HTTP_PROXY", "https_proxy", "all_proxy", "no_proxy", "NO_PROXY"})
      ::unsetenv(v);
    HTTPRequest::clearSession();
    HTTPRequest::sessionProxyCredentialsStore().clear();
  }
  void TearDown() override {
    HTTPRequest::sessionProxyCredentialsStore().clear();
    LoopbackSuite::TearDown();
  }
  static testserver::LoopbackServer& origin() {
    static testserver::LoopbackServer s;
    return s;
  }
  // An https request for `host` (which only the proxy knows) through the suite's proxy.
  static std::shared_ptr<HTTPRequest> tunnelled(const std::string& host) {
    auto r = HTTPRequest::requestWithURL(
        parse("https://" + host + ":" + std::to_string(origin().port()) + "/echo"));
    r->setValidatesSecureCertificate(false);
    r->setProxyHost("127.0.0.1");
    r->setProxyPort(server().port());
    r->setShouldPresentProxyAuthenticationDialog(false);
    return r;
  }
  // A counter of the proxy's /stats ("connect_authorized", "connect_refused"); -1 when unreadable.
  static int proxyStat(const std::string& name) {
    auto raw = server().rawGet("/stats");
    if (!raw) return -1;
    std::smatch m;
    if (!std::regex_search(*raw, m, std::regex("\"" + name + "\": *([0-9]+)"))) return -1;
    return std::stoi(m[1]);
  }
};

bool carriesProxyAuthorization(const std::string& echo) {
  return std::regex_search(echo, std::regex("\\[\"proxy-authorization\"", std::regex::icase));
}

TEST_F(TunnelProxyAuth, CredentialsOfTheRequestGoOnTheConnectOnly) {
  // "proxyauth-" hosts want Basic on the CONNECT; "proxydigest-" hosts want Digest signed for
  // "CONNECT host:port".
  for (std::string scheme : {"Basic", "Digest"}) {
    SCOPED_TRACE(scheme);
    HTTPRequest::sessionProxyCredentialsStore().clear();
    std::string prefix = scheme == "Basic" ? "proxyauth-" : "proxydigest-";
    int authorized = proxyStat("connect_authorized"), refused = proxyStat("connect_refused");
    ASSERT_GE(authorized, 0);
    auto r = tunnelled(prefix + "tls-one.test");
    r->setProxyUsername("puser");
    r->setProxyPassword("ppass");
    auto rec = runAsync(r);
    ASSERT_EQ(rec->finished, 1) << (r->error() ? r->error()->description : "");
    EXPECT_EQ(r->responseStatusCode(), 200);
    EXPECT_EQ(r->proxyAuthenticationScheme(), scheme);
    EXPECT_EQ(r->proxyAuthenticationRealm(), "loopback proxy");
    std::string echo = r->responseString().value_or("");
    EXPECT_NE(echo.find("\"path\": \"/echo\""), std::string::npos) << echo;
    EXPECT_FALSE(carriesProxyAuthorization(echo)) << echo;
    // First CONNECT without credentials (407), the second with them.
    EXPECT_EQ(proxyStat("connect_refused"), refused + 1);
    EXPECT_EQ(proxyStat("connect_authorized"), authorized + 1);

    // The next request through that proxy is answered from the session store, again on the CONNECT.
    auto again = tunnelled(prefix + "tls-two.test");
    again->startSynchronous();
    ASSERT_FALSE(again->error()) << again->error()->description;
    EXPECT_EQ(again->responseStatusCode(), 200);
    EXPECT_FALSE(carriesProxyAuthorization(again->responseString().value_or("")));
    EXPECT_EQ(proxyStat("connect_authorized"), authorized + 2);
  }
}

TEST_F(TunnelProxyAuth, WithoutOrWithWrongCredentialsTheRequestFailsWithCode3) {
  struct Case {
    const char* name;
    const char* user;
    const char* password;
    bool synchronous;
  };
  for (const Case& c : {Case{"none, synchronous", "", "", true}, Case{"none, asynchronous", "", "", false},
                        Case{"wrong password", "puser", "nope", true}}) {
    SCOPED_TRACE(c.name);
    HTTPRequest::sessionProxyCredentialsStore().clear();
    int authorized = proxyStat("connect_authorized");
    auto r = tunnelled("proxyauth-tls-refused.test");
    r->setProxyUsername(c.user);
    r->setProxyPassword(c.password);
    if (c.synchronous) {
      r->startSynchronous();
    } else {
      auto rec = runAsync(r);
      EXPECT_EQ(rec->failed, 1);
    }
    ASSERT_TRUE(r->error());
    EXPECT_EQ(r->error()->code, AuthenticationErrorType) << r->error()->description;
    EXPECT_EQ(r->responseStatusCode(), 407);
    EXPECT_EQ(proxyStat("connect_authorized"), authorized);
  }
}

TEST_F(TunnelProxyAuth, AProxyAuthorizationHeaderOfTheRequestNeverEntersTheTunnel) {
  // A header set by hand reaches the proxy on the CONNECT (here it is the right one) and not the origin.
  auto r = tunnelled("proxyauth-tls-header.test");
  r->addRequestHeader("Proxy-Authorization", "Basic cHVzZXI6cHBhc3M=");
  r->startSynchronous();
  ASSERT_FALSE(r->error()) << r->error()->description;
  EXPECT_EQ(r->responseStatusCode(), 200);
  EXPECT_FALSE(carriesProxyAuthorization(r->responseString().value_or("")));
}

}  // namespace
