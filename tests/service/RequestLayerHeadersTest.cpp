// What the four request operations put on the wire, as the loopback server's journal saw it: method,
// base, path, headers and body; the escaping of URL texts; and which requests carry the session cookie.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "librarys/http/HTTPCookie.h"
#include "librarys/http/HTTPRequest.h"
#include "tests/service/RequestLayerSupport.h"

namespace reqlayer_test {
namespace {

enum class Op { AsyncGet, AsyncPost, SyncGet, SyncPost };

// Runs one operation to its end and returns the reply.
core::Value run(const std::shared_ptr<AbstractService>& service, Op op, const std::string& url,
                const std::string& json = "") {
  switch (op) {
    case Op::AsyncGet:
    case Op::AsyncPost: {
      auto d = watch(service);
      if (op == Op::AsyncGet)
        service->doGetRequest(url, false);
      else
        service->doPostRequest(url, json, false);
      EXPECT_TRUE(runUntil([&] { return d->done(); })) << "no reply was delivered in time";
      EXPECT_EQ(d->calls, 1);
      return d->reply;
    }
    case Op::SyncGet:
      return service->doGetSynchronousRequest(url);
    case Op::SyncPost:
      return service->doPostSynchronousRequest(url, json);
  }
  return core::Value();
}

const char* kFindBody = R"({"Word":"细胞","PageIndex":1,"PageSize":10})";
const char* kLogBody =
    R"({"UserName":"游客","AppEName":"GKSample","AppVersion":"越狱版1.0","Content":"trace"})";

struct WireCase {
  const char* name;
  Op op;
  const char* path;
  const char* json;
  std::optional<std::string> clientType;  // the service's clientType property
  const char* method;
  const char* sentClientType;
  bool jsonContentType;
};

const WireCase kWireCases[] = {
    {"async GET", Op::AsyncGet, "1.0/json/sys/Quote", "", std::nullopt, "GET", "iphone", false},
    {"async GET ignores clientType", Op::AsyncGet, "1.0/json/sys/Quote", "", "Entitled_Revised_Wrong", "GET",
     "iphone", false},
    {"async POST", Op::AsyncPost, "1.0/json/exam/findTest", kFindBody, std::nullopt, "POST", "iphone", true},
    {"async POST sends clientType", Op::AsyncPost, "1.0/json/exam/findTest", kFindBody,
     "Entitled_Revised_Wrong", "POST", "Entitled_Revised_Wrong", true},
    {"sync GET", Op::SyncGet, "1.0/json/sys/Quote", "", "Entitled_Revised_Wrong", "GET", "iphone", false},
    {"sync POST ignores clientType", Op::SyncPost, "1.0/json/sys/Log", kLogBody, "Entitled_Revised_Wrong",
     "POST", "iphone", true},
};

class RequestLayerWire : public RequestLayerSuite {};

TEST_F(RequestLayerWire, EachOperationSendsItsMethodHeadersAndBody) {
  for (const WireCase& c : kWireCases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(server().reset());
    auto service = std::make_shared<AbstractService>();
    service->setClientType(c.clientType);
    core::Value reply = run(service, c.op, api(c.path), c.json);
    EXPECT_TRUE(reply.isDictionary()) << reply.describe();
    EXPECT_TRUE(reply.contains("Body"));

    core::Value entry = onlyMainRequest();
    EXPECT_EQ(entry["method"].toString(), c.method);
    EXPECT_EQ(entry["path"].toString(), std::string("/api/") + c.path);
    EXPECT_EQ(entry["status"].toInt(), 200);
    EXPECT_EQ(headerValues(entry, "User-Agent"), std::vector<std::string>{"iphone"});
    EXPECT_EQ(headerValues(entry, "Client-Type"), std::vector<std::string>{c.sentClientType});
    if (c.jsonContentType)
      EXPECT_EQ(headerValues(entry, "Content-Type"), std::vector<std::string>{"application/json"});
    else
      EXPECT_TRUE(headerValues(entry, "Content-Type").empty());
    EXPECT_EQ(entry["body"].toString(), c.json);
    EXPECT_TRUE(headerValues(entry, "Cookie").empty()) << "nobody is logged in and no cookie is kept";
  }
}

TEST_F(RequestLayerWire, EveryRequestTimesOutAfter180Seconds) {
  struct Case {
    const char* name;
    std::function<void(AbstractService&)> start;
  };
  const std::string url = api("1.0/json/sys/Quote");
  const Case cases[] = {
      {"async GET", [&](AbstractService& s) { s.doGetRequest(url, false); }},
      {"async POST", [&](AbstractService& s) { s.doPostRequest(url, "{}", false); }},
      {"sync GET", [&](AbstractService& s) { s.doGetSynchronousRequest(url); }},
      {"sync POST", [&](AbstractService& s) { s.doPostSynchronousRequest(url, "{}"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto service = std::make_shared<AbstractService>();
    auto d = watch(service);
    c.start(*service);
    ASSERT_NE(service->httpRequest(), nullptr);
    EXPECT_EQ(service->httpRequest()->timeOutSeconds(), 180);
    runUntil([&] { return d->done() || service->httpRequest()->complete(); });
  }
}

// An empty JSON text leaves the request without a body, and the HTTP client sends it as a GET.
TEST_F(RequestLayerWire, PostWithEmptyJsonGoesOutAsGet) {
  auto service = std::make_shared<AbstractService>();
  core::Value reply = run(service, Op::AsyncPost, api("1.0/json/exam/findTest"), "");
  core::Value entry = onlyMainRequest();
  EXPECT_EQ(entry["method"].toString(), "GET");
  EXPECT_EQ(entry["body_length"].toInt(), 0);
  // The server refuses the method; its reply still reaches the caller.
  EXPECT_TRUE(reply.isDictionary());
  EXPECT_TRUE(reply["Body"].isNull());
}

// ---- escaping ----

TEST(RequestLayerEscaping, WholeURLIsEscapedOnce) {
  struct Case {
    const char* text;
    const char* escaped;
  };
  const Case cases[] = {
      {"http://h/api/a b", "http://h/api/a%20b"},
      {"http://h/api/常识", "http://h/api/%E5%B8%B8%E8%AF%86"},
      {"http://h/api/a%20b", "http://h/api/a%20b"},              // an escape stays one
      {"http://h/api/a%2Fb/c", "http://h/api/a%2Fb/c"},          // an escaped segment stays one segment
      {"http://h/api/100%", "http://h/api/100%25"},              // a lone "%" is escaped
      {"http://h/api/%zz%4", "http://h/api/%25zz%254"},          // so is one without two hex digits
      {"http://h/api/x?a=1&b=2#f", "http://h/api/x?a=1&b=2#f"},  // structure is left alone
      {"http://h/api/\"<{|}>\"", "http://h/api/%22%3C%7B%7C%7D%3E%22"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string once = AbstractService::escapeURLOnce(c.text);
    EXPECT_EQ(once, c.escaped);
    EXPECT_EQ(AbstractService::escapeURLOnce(once), once);
  }
}

TEST(RequestLayerEscaping, PathSegmentKeepsItsReservedCharactersInside) {
  EXPECT_EQ(AbstractService::escapePathSegment("a/b?c#d&e%f"), "a%2Fb%3Fc%23d%26e%25f");
  EXPECT_EQ(AbstractService::escapePathSegment("常识 综合@x.cn"), "常识 综合@x.cn");
  EXPECT_EQ(AbstractService::escapePathSegment(""), "");
}

TEST_F(RequestLayerWire, AsyncGetEscapesSpacesAndChineseOnce) {
  auto service = std::make_shared<AbstractService>();
  core::Value reply = run(service, Op::AsyncGet, api("1.0/json/sys/GetAppENameAndQuoteEName/常识 综合"));
  core::Value entry = onlyMainRequest();
  EXPECT_EQ(entry["path"].toString(),
            "/api/1.0/json/sys/GetAppENameAndQuoteEName/%E5%B8%B8%E8%AF%86%20%E7%BB%BC%E5%90%88");
  EXPECT_EQ(entry["decoded_path"].toString(), "/api/1.0/json/sys/GetAppENameAndQuoteEName/常识 综合");
  EXPECT_TRUE(reply["Body"].isArray()) << reply.describe();
}

// A user's text with "/", "?", "#", "&" or "%" stays one path segment: escaped by the caller, not escaped
// again by the GET.
TEST_F(RequestLayerWire, EscapedSegmentReachesTheServerAsOneSegment) {
  const std::string text = "a/b?c#d&e%f 名";
  auto service = std::make_shared<AbstractService>();
  core::Value reply =
      run(service, Op::AsyncGet,
          api("1.0/json/user/CheckNewUsername/" + AbstractService::escapePathSegment(text) + "/NickName"));
  core::Value entry = onlyMainRequest();
  EXPECT_EQ(entry["path"].toString(),
            "/api/1.0/json/user/CheckNewUsername/a%2Fb%3Fc%23d%26e%25f%20%E5%90%8D/NickName");
  EXPECT_NE(entry["operation"].toString().find("CheckNewUsername"), std::string::npos) << entry.describe();
  EXPECT_EQ(entry["status"].toInt(), 200);
  EXPECT_EQ(entry["decoded_path"].toString(), "/api/1.0/json/user/CheckNewUsername/" + text + "/NickName");
  EXPECT_TRUE(reply.contains("Body"));
}

TEST_F(RequestLayerWire, SynchronousAndPostRequestsTakeTheTextAsItIs) {
  auto service = std::make_shared<AbstractService>();
  const std::string escaped = "1.0/json/sys/GetAppENameAndQuoteEName/%E5%B8%B8%E8%AF%86";
  EXPECT_TRUE(run(service, Op::SyncGet, api(escaped))["Body"].isArray());
  EXPECT_EQ(onlyMainRequest()["path"].toString(), "/api/" + escaped);

  // Unescaped text is no URL: nothing is sent, and the caller gets no reply.
  ASSERT_TRUE(server().reset());
  EXPECT_TRUE(run(service, Op::SyncGet, api("1.0/json/sys/GetAppENameAndQuoteEName/常识 综合")).isNil());
  EXPECT_TRUE(run(service, Op::AsyncPost, api("1.0/json/exam/find Test"), kFindBody).isNil());
  EXPECT_TRUE(run(service, Op::SyncPost, api("1.0/json/sys/Lo g"), kLogBody).isNil());
  EXPECT_TRUE(mainRequests().empty());
}

// ---- the session cookie ----

HTTPCookie cookie(const std::string& name, const std::string& value, const std::string& domain,
                  std::optional<double> expires = std::nullopt) {
  HTTPCookie c;
  c.name = name;
  c.value = value;
  c.domain = domain;
  c.path = "/";
  c.expiresDate = expires;
  return c;
}

TEST_F(RequestLayerWire, OnlyALoggedInAsyncGetCarriesTheCookieThatGoesWithTheHost) {
  const HTTPCookie ours = cookie("VDSID", "api-token", "127.0.0.1");
  const HTTPCookie foreign = cookie("OTHER", "foreign-token", "other.example");
  const HTTPCookie expired = cookie("VDSID", "old-token", "127.0.0.1", 1000.0);
  struct Case {
    const char* name;
    bool loggedIn;
    std::vector<HTTPCookie> sessionCookies;
    Op op;
    std::optional<std::string> sent;
  };
  const Case cases[] = {
      {"logged out", false, {ours}, Op::AsyncGet, std::nullopt},
      {"logged in", true, {ours}, Op::AsyncGet, "VDSID=api-token"},
      {"another host's cookie first", true, {foreign, ours}, Op::AsyncGet, "VDSID=api-token"},
      {"only another host's cookie", true, {foreign}, Op::AsyncGet, std::nullopt},
      {"no cookie at all", true, {}, Op::AsyncGet, std::nullopt},
      {"an expired cookie first",
       true,
       {expired, cookie("SID2", "fresh", "127.0.0.1")},
       Op::AsyncGet,
       "SID2=fresh"},
      {"async POST", true, {ours}, Op::AsyncPost, std::nullopt},
      {"sync GET", true, {ours}, Op::SyncGet, std::nullopt},
      {"sync POST", true, {ours}, Op::SyncPost, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(server().reset());
    shell_->loggedIn = c.loggedIn;
    HTTPRequest::setSessionCookies(c.sessionCookies);
    const bool post = c.op == Op::AsyncPost || c.op == Op::SyncPost;
    run(std::make_shared<AbstractService>(), c.op,
        api(post ? "1.0/json/exam/findTest" : "1.0/json/sys/Quote"), post ? kFindBody : "");
    core::Value entry = onlyMainRequest();
    // The cookie jar is empty here, so a cookie on the wire can only be the request layer's own header.
    if (c.sent) {
      EXPECT_EQ(headerValues(entry, "cookie", /*exact=*/true), std::vector<std::string>{*c.sent});
      EXPECT_EQ(headerValues(entry, "cookie").size(), 1u);
    } else {
      EXPECT_TRUE(headerValues(entry, "cookie").empty()) << entry["headers"].describe();
    }
  }
}

// The login reply sets the session cookie; a later GET of the logged-in user carries it as "cookie"
// and the server knows the user by it.
TEST_F(RequestLayerWire, LoginCookieIdentifiesTheUserOnLaterGets) {
  auto login = std::make_shared<AbstractService>();
  core::Value reply = run(login, Op::AsyncPost, api("1.0/json/User/login"),
                          R"({"UserName":"user01","Pwd":"secret1","LoginCheckCode":"00:11:22:33:44:55"})");
  ASSERT_TRUE(reply["Body"].isDictionary()) << reply.describe();
  auto cookies = HTTPRequest::sessionCookies();
  ASSERT_EQ(cookies.size(), 1u);
  EXPECT_EQ(cookies[0].name, "VDSID");

  shell_->loggedIn = true;
  HTTPCookieStorage::sharedHTTPCookieStorage().removeAllCookies();  // only the request layer's header now
  ASSERT_TRUE(server().clearJournal());
  core::Value primary =
      run(std::make_shared<AbstractService>(), Op::AsyncGet, api("1.0/json/user/GetPrimary"));
  core::Value entry = onlyMainRequest();
  EXPECT_EQ(headerValues(entry, "cookie", true), std::vector<std::string>{"VDSID=" + cookies[0].value});
  EXPECT_EQ(entry["session_user"].toString(), "user01");
  EXPECT_TRUE(primary["Body"].toBool()) << primary.describe();
  EXPECT_EQ(primary["LoginState"].toInt(), 1);
}

}  // namespace
}  // namespace reqlayer_test
