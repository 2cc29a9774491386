// The authentication dialog, driven through the UI harness: credentials typed into the alert answer the
// request (and every waiting request for the same proxy), "Cancel" fails them with code 3, and requests
// for other places get their own dialog after the first has gone.
#include <gtest/gtest.h>

#include "widgets/AuthenticationDialog.h"
#include "tests/librarys/http/HTTPTestSupport.h"
#include "tests/support/RunUntil.h"
#include "ui/test/Harness.h"

using namespace httptest;

namespace {

class Dialog : public LoopbackSuite {
 protected:
  void SetUp() override {
    HTTPRequest::clearSession();
    HTTPRequest::sessionProxyCredentialsStore().clear();
    harness = std::make_unique<ui::test::Harness>();
    AuthenticationDialog::install();
  }
  void TearDown() override {
    // Every dialog gone before the application is.
    harness->settle();
    pump([] { return false; }, 0.2);
    EXPECT_EQ(AuthenticationDialog::shownDialog(), nullptr);
    HTTPRequest::setAuthenticationDialogPresenter({});
    harness.reset();
  }

  // Runs what the network thread hands to the main thread until `done` (bounded in real time).
  template <typename Pred>
  bool pump(Pred done, double seconds = testsupport::kRunUntilSeconds) {
    return testsupport::runUntil(
        [&] {
          harness->drainMain();
          return done();
        },
        seconds);
  }

  std::shared_ptr<HTTPRequest> throughProxy(const std::string& host) {
    auto r = HTTPRequest::requestWithURL(parse("http://" + host + "/echo"));
    r->setProxyHost("127.0.0.1");
    r->setProxyPort(server().port());
    return r;
  }

  std::unique_ptr<ui::test::Harness> harness;
};

TEST_F(Dialog, TwoRequestsToOneProxyShareOneDialog) {
  auto a = throughProxy("proxyauth-a.test");
  auto b = throughProxy("proxyauth-b.test");
  auto ra = watch(a);
  auto rb = watch(b);
  a->startAsynchronous();
  ASSERT_TRUE(pump([&] { return harness->alert() != nullptr; }));
  b->startAsynchronous();
  ASSERT_TRUE(pump([&] { return AuthenticationDialog::waitingRequestCount() == 1; }));
  ASSERT_EQ(harness->alerts().size(), 1u);

  ui::AlertView* alert = harness->alert();
  EXPECT_EQ(alert->title(), "127.0.0.1");
  EXPECT_NE(alert->message().find("Login to this secure proxy server."), std::string::npos);
  ASSERT_NE(alert->textFieldAtIndex(0), nullptr);
  EXPECT_EQ(alert->textFieldAtIndex(0)->placeholder(), "User");
  EXPECT_EQ(alert->textFieldAtIndex(1)->placeholder(), "Password");
  EXPECT_EQ(alert->textFieldAtIndex(2), nullptr) << "no domain field for Basic";
  ASSERT_TRUE(harness->type(*alert->textFieldAtIndex(0), "puser"));
  ASSERT_TRUE(harness->type(*alert->textFieldAtIndex(1), "ppass"));
  ASSERT_TRUE(harness->press("Login"));

  ASSERT_TRUE(pump([&] { return ra->done() && rb->done(); }));
  EXPECT_EQ(ra->finished, 1);
  EXPECT_EQ(rb->finished, 1);
  harness->settle();
  EXPECT_EQ(harness->alert(), nullptr);
  EXPECT_EQ(AuthenticationDialog::shownDialog(), nullptr);
  EXPECT_EQ(AuthenticationDialog::waitingRequestCount(), 0u);
}

// NTLM asks for a domain in a third field; what is typed there answers every request the dialog
// answers (the proxy's domain, or the server's), and the handshake then succeeds with it.
TEST_F(Dialog, NTLMAsksForADomainAndGivesItToEveryMatchingRequest) {
  struct Case {
    const char* what;
    bool proxy;
    const char *user, *pass, *domain;
  };
  for (const Case& c : {Case{"proxy", true, "puser", "ppass", "CORP"},
                        Case{"server", false, "carol", "SecREt01", "LAB"}}) {
    SCOPED_TRACE(c.what);
    std::vector<std::shared_ptr<HTTPRequest>> requests;
    if (c.proxy) {
      requests = {throughProxy("proxyntlm-a.test"), throughProxy("proxyntlm-b.test")};
    } else {
      auto r = makeRequest("/auth/ntlm?user=carol&pass=SecREt01&domain=LAB");
      r->setShouldPresentAuthenticationDialog(true);
      requests = {r};
    }
    std::vector<std::shared_ptr<Record>> recorders;
    for (auto& r : requests) recorders.push_back(watch(r));
    requests.front()->startAsynchronous();
    ASSERT_TRUE(pump([&] { return harness->alert() != nullptr; }));
    for (std::size_t i = 1; i < requests.size(); ++i) requests[i]->startAsynchronous();
    ASSERT_TRUE(pump([&] { return AuthenticationDialog::waitingRequestCount() == requests.size() - 1; }));

    ui::AlertView* alert = harness->alert();
    ASSERT_NE(alert->textFieldAtIndex(2), nullptr);
    EXPECT_EQ(alert->textFieldAtIndex(2)->placeholder(), "Domain");
    ASSERT_TRUE(harness->type(*alert->textFieldAtIndex(0), c.user));
    ASSERT_TRUE(harness->type(*alert->textFieldAtIndex(1), c.pass));
    ASSERT_TRUE(harness->type(*alert->textFieldAtIndex(2), c.domain));
    ASSERT_TRUE(harness->press("Login"));
    ASSERT_TRUE(pump([&] {
      for (auto& rec : recorders)
        if (!rec->done()) return false;
      return true;
    }));
    for (std::size_t i = 0; i < requests.size(); ++i) {
      EXPECT_EQ(recorders[i]->finished, 1) << i;
      EXPECT_EQ(requests[i]->responseStatusCode(), 200) << i;
      EXPECT_EQ(c.proxy ? requests[i]->proxyDomain() : requests[i]->domain(), c.domain) << i;
    }
    harness->settle();
    harness->drainMain();
    EXPECT_EQ(AuthenticationDialog::shownDialog(), nullptr);
  }
}

TEST_F(Dialog, ServerDialogAnswersAndWarnsAboutClearText) {
  auto r = makeRequest("/auth?user=dora&pass=pw1");
  r->setShouldPresentAuthenticationDialog(true);
  auto rec = watch(r);
  r->startAsynchronous();
  ASSERT_TRUE(pump([&] { return harness->alert() != nullptr; }));
  ui::AlertView* alert = harness->alert();
  EXPECT_EQ(alert->title(), "127.0.0.1");
  EXPECT_NE(alert->message().find("Login to this secure server."), std::string::npos);
  EXPECT_NE(alert->message().find("Password will be sent in the clear."), std::string::npos);
  EXPECT_NE(alert->message().find("test"), std::string::npos);  // the realm
  ASSERT_TRUE(harness->type(*alert->textFieldAtIndex(0), "dora"));
  ASSERT_TRUE(harness->type(*alert->textFieldAtIndex(1), "pw1"));
  ASSERT_TRUE(harness->press("Login"));
  ASSERT_TRUE(pump([&] { return rec->done(); }));
  EXPECT_EQ(rec->finished, 1);
  EXPECT_EQ(r->responseString().value_or(""), "welcome");
}

TEST_F(Dialog, CancelFailsEveryMatchingRequestThenTheNextPlaceGetsItsOwnDialog) {
  auto a = throughProxy("proxyauth-c.test");
  auto b = throughProxy("proxyauth-d.test");
  // A server request for another place, waiting behind the proxy dialog.
  auto other = makeRequest("/auth?user=eve&pass=pw2");
  other->setShouldPresentAuthenticationDialog(true);
  auto ra = watch(a);
  auto rb = watch(b);
  auto ro = watch(other);
  a->startAsynchronous();
  ASSERT_TRUE(pump([&] { return harness->alert() != nullptr; }));
  b->startAsynchronous();
  other->startAsynchronous();
  ASSERT_TRUE(pump([&] { return AuthenticationDialog::waitingRequestCount() == 2; }));

  ASSERT_TRUE(harness->press("Cancel"));
  ASSERT_TRUE(pump([&] { return ra->done() && rb->done(); }));
  ASSERT_TRUE(a->error() && b->error());
  EXPECT_EQ(a->error()->code, AuthenticationErrorType);
  EXPECT_EQ(b->error()->code, AuthenticationErrorType);
  EXPECT_FALSE(ro->done());

  harness->settle();
  ASSERT_TRUE(pump([&] { return harness->alert() != nullptr; }));
  EXPECT_NE(harness->alert()->message().find("Login to this secure server."), std::string::npos);
  ASSERT_TRUE(harness->type(*harness->alert()->textFieldAtIndex(0), "eve"));
  ASSERT_TRUE(harness->type(*harness->alert()->textFieldAtIndex(1), "pw2"));
  ASSERT_TRUE(harness->press("Login"));
  ASSERT_TRUE(pump([&] { return ro->done(); }));
  EXPECT_EQ(ro->finished, 1);
}

}  // namespace
