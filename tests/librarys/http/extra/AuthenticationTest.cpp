// Server authentication end to end (Basic, Digest, NTLM) and the pieces of the schemes.
#include <gtest/gtest.h>

#include "platform/net/HTTPAuthentication.h"
#include "platform/security/Keychain.h"
#include "tests/librarys/http/HTTPTestSupport.h"

using namespace httptest;

namespace {

class Authentication : public LoopbackSuite {
 protected:
  void SetUp() override {
    HTTPRequest::clearSession();
    HTTPRequest::sessionProxyCredentialsStore().clear();
  }
};

std::string body(const std::shared_ptr<HTTPRequest>& r) { return r->responseString().value_or(""); }

TEST_F(Authentication, BasicFromTheRequestsUserNameThenFromTheSessionStore) {
  auto first = makeRequest("/auth?user=ann&pass=s3cret");
  first->setUsername("ann");
  first->setPassword("s3cret");
  auto rec = runAsync(first);
  ASSERT_EQ(rec->finished, 1) << (first->error() ? first->error()->description : "");
  EXPECT_EQ(first->responseStatusCode(), 200);
  EXPECT_EQ(body(first), "welcome");
  EXPECT_EQ(first->authenticationScheme(), "Basic");
  EXPECT_EQ(first->authenticationRealm(), "test");
  ASSERT_EQ(HTTPRequest::sessionCredentialsStore().size(), 1u);

  // A second request to the same place sends the stored credentials before any challenge.
  auto second = makeRequest("/auth?user=ann&pass=s3cret");
  auto rec2 = runAsync(second);
  EXPECT_EQ(rec2->finished, 1);
  EXPECT_EQ(body(second), "welcome");
  EXPECT_EQ(second->authenticationRetryCount(), 0);  // answered without a challenge
}

TEST_F(Authentication, BasicFromTheDelegateBlock) {
  auto r = makeRequest("/auth?user=bob&pass=pw");
  int asked = 0;
  std::weak_ptr<HTTPRequest> weak = r;
  r->setAuthenticationNeededBlock([&asked, weak] {
    ++asked;
    EXPECT_TRUE(rl::RunLoop::isMainThread());
    auto req = weak.lock();
    req->setUsername("bob");
    req->setPassword("pw");
    req->retryUsingSuppliedCredentials();
  });
  auto rec = runAsync(r);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(rec->finished, 1);
  EXPECT_EQ(body(r), "welcome");
}

// A delegate that answers with credentials of its own choosing.
struct CredentialDelegate : HTTPRequestDelegate {
  std::string user, password;
  int asked = 0;
  bool respondsToAuthenticationNeededForRequest() const override { return true; }
  void authenticationNeededForRequest(const std::shared_ptr<HTTPRequest>& request) override {
    ++asked;
    request->setUsername(user);
    request->setPassword(password);
    request->retryUsingSuppliedCredentials();
  }
};

TEST_F(Authentication, DelegateAnswersAgainAfterRefusedCredentials) {
  auto delegate = std::make_shared<CredentialDelegate>();
  delegate->user = "zed";
  delegate->password = "right";
  auto r = makeRequest("/auth?user=zed&pass=right");
  r->setDelegate(delegate);
  r->setUsername("zed");
  r->setPassword("wrong");  // refused first: the delegate is asked, and its answer is used
  auto rec = runAsync(r);
  EXPECT_EQ(delegate->asked, 1);
  EXPECT_EQ(rec->finished, 1);
  EXPECT_EQ(body(r), "welcome");
  ASSERT_EQ(HTTPRequest::sessionCredentialsStore().size(), 1u);
  EXPECT_EQ(HTTPRequest::sessionCredentialsStore()[0].credentials["password"].toString(), "right");
}

TEST_F(Authentication, ChallengeWithoutUsableCredentialsFailsWithCode3) {
  // Nobody to ask (asynchronous), a synchronous request, and refused credentials with nobody to ask.
  auto none = makeRequest("/auth?user=u&pass=p");
  auto rec = runAsync(none);
  EXPECT_EQ(rec->failed, 1);
  ASSERT_TRUE(none->error());
  EXPECT_EQ(none->error()->code, AuthenticationErrorType);

  auto sync = makeRequest("/auth?user=u&pass=p");
  int asked = 0;
  sync->setAuthenticationNeededBlock([&asked] { ++asked; });
  sync->startSynchronous();
  ASSERT_TRUE(sync->error());
  EXPECT_EQ(sync->error()->code, AuthenticationErrorType);
  EXPECT_EQ(asked, 0);  // a synchronous request never asks

  auto wrong = makeRequest("/auth?user=u&pass=p");
  wrong->setUsername("u");
  wrong->setPassword("nope");
  wrong->startSynchronous();
  ASSERT_TRUE(wrong->error());
  EXPECT_EQ(wrong->error()->code, AuthenticationErrorType);
  EXPECT_TRUE(HTTPRequest::sessionCredentialsStore().empty());  // refused credentials are not kept
}

TEST_F(Authentication, KeychainPersistenceKeepsTheCredentialsForLaterRequests) {
  auto first = makeRequest("/auth?user=kim&pass=k3y");
  first->setUseKeychainPersistence(true);
  first->setUseSessionPersistence(false);
  first->setUsername("kim");
  first->setPassword("k3y");
  first->startSynchronous();
  ASSERT_FALSE(first->error());
  auto item = sec::Keychain::standard().find({{sec::kSecAttrService, "HTTPRequestCredentials"}});
  ASSERT_TRUE(item);
  EXPECT_EQ(item->attributes[sec::kSecAttrLabel], "kim");
  EXPECT_EQ(std::string(item->data.begin(), item->data.end()), "k3y");
  core::Value saved = HTTPRequest::savedCredentialsForHost("127.0.0.1", server().port(), "http", "test");
  EXPECT_EQ(saved["username"].toString(), "kim");

  // No user name of its own and no session entry: the kept credentials answer the challenge.
  auto later = makeRequest("/auth?user=kim&pass=k3y");
  later->setUseKeychainPersistence(true);
  later->setUseSessionPersistence(false);
  later->startSynchronous();
  EXPECT_FALSE(later->error());
  EXPECT_EQ(body(later), "welcome");

  HTTPRequest::removeCredentialsForHost("127.0.0.1", server().port(), "http", "test");
  EXPECT_FALSE(sec::Keychain::standard().find({{sec::kSecAttrService, "HTTPRequestCredentials"}}));
  auto without = makeRequest("/auth?user=kim&pass=k3y");
  without->setUseKeychainPersistence(true);
  without->setUseSessionPersistence(false);
  without->startSynchronous();
  ASSERT_TRUE(without->error());
  EXPECT_EQ(without->error()->code, AuthenticationErrorType);
}

TEST_F(Authentication, DigestHandshakeIsPreferredOverBasic) {
  auto r = makeRequest("/auth/digest?user=Mufasa&pass=Circle%20Of%20Life&realm=lair");
  r->setUsername("Mufasa");
  r->setPassword("Circle Of Life");
  r->startSynchronous();
  ASSERT_FALSE(r->error()) << r->error()->description;
  EXPECT_EQ(body(r), "welcome digest Mufasa");
  EXPECT_EQ(r->authenticationScheme(), "Digest");
  EXPECT_EQ(r->authenticationRealm(), "lair");
}

TEST_F(Authentication, NTLMHandshakeTakesTheDomainFromTheUserName) {
  auto r = makeRequest("/auth/ntlm?user=carol&pass=SecREt01&domain=CORP");
  r->setUsername("CORP\\carol");
  r->setPassword("SecREt01");
  auto rec = runAsync(r);
  ASSERT_EQ(rec->finished, 1) << (r->error() ? r->error()->description : "");
  EXPECT_EQ(body(r), "welcome ntlm CORP\\carol");
  EXPECT_EQ(r->authenticationScheme(), "NTLM");
  EXPECT_EQ(r->authenticationRetryCount(), 2);  // negotiate, then authenticate

  auto bad = makeRequest("/auth/ntlm?user=carol&pass=SecREt01&domain=CORP");
  bad->setUsername("CORP\\carol");
  bad->setPassword("wrong");
  bad->startSynchronous();
  ASSERT_TRUE(bad->error());
  EXPECT_EQ(bad->error()->code, AuthenticationErrorType);
}

// ---- the schemes themselves ----

TEST(AuthenticationSchemes, ChallengeParsing) {
  auto c = net::parseAuthChallenges(
      {"Digest realm=\"a, b\", nonce=\"n1\", qop=\"auth,auth-int\", Basic realm=\"x\"",
       "NTLM TlRMTVNTUAACAAAA=="});
  ASSERT_EQ(c.size(), 3u);
  EXPECT_EQ(c[0].scheme, "Digest");
  EXPECT_EQ(c[0].params["realm"], "a, b");
  EXPECT_EQ(c[0].params["qop"], "auth,auth-int");
  EXPECT_EQ(c[1].scheme, "Basic");
  EXPECT_EQ(c[1].params["realm"], "x");
  EXPECT_EQ(c[2].scheme, "NTLM");
  EXPECT_EQ(c[2].token, "TlRMTVNTUAACAAAA==");
}

TEST(AuthenticationSchemes, KnownAnswers) {
  // The digest example of RFC 2617 and the NTLM version 1 example of the protocol's documentation.
  EXPECT_EQ(net::HTTPAuthentication::digestResponse("Mufasa", "testrealm@host.com", "Circle Of Life", "GET",
                                                    "/dir/index.html", "dcd98b7102dd2f0e8b11d0f600bfb0c093",
                                                    "00000001", "0a4f113b", "auth"),
            "6629fae49393a05397450978507c4ef1");
  std::string challenge("\x01\x23\x45\x67\x89\xab\xcd\xef", 8);
  std::string nt = net::HTTPAuthentication::ntlmResponse("SecREt01", challenge);
  static const char* hex = "0123456789abcdef";
  std::string h;
  for (unsigned char b : nt) {
    h += hex[b >> 4];
    h += hex[b & 15];
  }
  EXPECT_EQ(h, "25a98c1c31e81847466b29b2df4680f39958fb8c213a9cc6");
  EXPECT_EQ(net::HTTPAuthentication::basicHeader("Aladdin", "open sesame"),
            "Basic QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
}

// A fresh nonce after a "stale" answer comes only from a challenge the client could have started with: one
// without a nonce, or with an algorithm other than MD5 (a quoted value that would be written back bare and
// add a parameter of the server's to the answer), is refused as any repeated challenge is.
TEST(AuthenticationSchemes, AStaleChallengeItCannotAnswerIsNotTaken) {
  auto challenge = [](const std::string& value) {
    auto response = net::HTTPMessage::createResponse(401);
    response->addResponseHeaderLine("WWW-Authenticate", value);
    response->setHeaderComplete();
    return response;
  };
  struct Case {
    const char* stale;
    net::HTTPAuthentication::Validity validity;
    const char* nonceAfter;
  } cases[] = {
      {"Digest realm=\"r\", nonce=\"n2\", stale=true", net::HTTPAuthentication::Validity::Valid, "n2"},
      {"Digest realm=\"r\", stale=true", net::HTTPAuthentication::Validity::BadCredentials, "n1"},
      {"Digest realm=\"r\", nonce=\"n2\", algorithm=\"MD5, opaque=x\", stale=true",
       net::HTTPAuthentication::Validity::BadCredentials, "n1"},
  };
  const core::URL url = *core::URL::parse("http://127.0.0.1/x");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stale);
    auto auth = net::HTTPAuthentication::fromResponse(*challenge("Digest realm=\"r\", nonce=\"n1\""));
    ASSERT_NE(auth, nullptr);
    auto first = net::HTTPMessage::createRequest("GET", url);
    ASSERT_TRUE(auth->apply(*first, {"u", "p", ""}));
    EXPECT_EQ(auth->validity(*challenge(c.stale)), c.validity);
    auto second = net::HTTPMessage::createRequest("GET", url);
    ASSERT_TRUE(auth->apply(*second, {"u", "p", ""}));
    auto answer = net::parseAuthChallenges({second->headerFieldValue("Authorization").value_or("")});
    ASSERT_EQ(answer.size(), 1u);
    EXPECT_EQ(answer[0].params["nonce"], c.nonceAfter);
    EXPECT_EQ(answer[0].params.count("opaque"), 0u);
    EXPECT_EQ(answer[0].params.count("algorithm"), 0u);
  }
}

// An answer that cannot be written (a user name with a line break) is not sent, so the exchange has not
// moved on: the server's next challenge is not taken as a refusal of credentials it never saw, and good
// credentials are answered afterwards.
TEST(AuthenticationSchemes, AnAnswerThatCannotBeSetLeavesTheExchangeWhereItWas) {
  auto response = net::HTTPMessage::createResponse(401);
  response->addResponseHeaderLine("WWW-Authenticate", "Digest realm=\"r\", nonce=\"n1\"");
  response->setHeaderComplete();
  auto auth = net::HTTPAuthentication::fromResponse(*response);
  ASSERT_NE(auth, nullptr);
  const core::URL url = *core::URL::parse("http://127.0.0.1/x");
  auto refused = net::HTTPMessage::createRequest("GET", url);
  EXPECT_FALSE(auth->apply(*refused, {"u\r\nX-Injected: 1", "p", ""}));
  EXPECT_FALSE(refused->headerFieldValue("Authorization").has_value());
  EXPECT_EQ(auth->validity(*response), net::HTTPAuthentication::Validity::Valid);
  auto good = net::HTTPMessage::createRequest("GET", url);
  ASSERT_TRUE(auth->apply(*good, {"u", "p", ""}));
  EXPECT_EQ(auth->validity(*response), net::HTTPAuthentication::Validity::BadCredentials);
}

TEST(AuthenticationSchemes, UnknownSchemesGiveNoAuthenticationObject) {
  auto response = net::HTTPMessage::createResponse(401);
  response->setHeaderFieldValue("WWW-Authenticate", "Negotiate");
  EXPECT_EQ(net::HTTPAuthentication::fromResponse(*response), nullptr);
  auto ok = net::HTTPMessage::createResponse(401);
  ok->setHeaderFieldValue("WWW-Authenticate", "Basic realm=\"r\"");
  auto auth = net::HTTPAuthentication::fromResponse(*ok);
  ASSERT_NE(auth, nullptr);
  EXPECT_EQ(auth->realm(), "r");
}

}  // namespace
