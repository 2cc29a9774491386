// The class side that needs no server: Base64, "Content-Type" parsing, MIME types, the user agent, the
// session credential lookup, session cookies and cookie parsing.

#include <gtest/gtest.h>

#include "librarys/http/HTTPCookie.h"
#include "librarys/http/HTTPCookieStorage.h"
#include "tests/librarys/http/HTTPTestSupport.h"

namespace {

using namespace httptest;

TEST(HTTPRequestHelpers, Base64) {
  EXPECT_EQ(HTTPRequest::base64forData(""), "");
  EXPECT_EQ(HTTPRequest::base64forData("a"), "YQ==");
  EXPECT_EQ(HTTPRequest::base64forData("ab"), "YWI=");
  EXPECT_EQ(HTTPRequest::base64forData("abc"), "YWJj");
  EXPECT_EQ(HTTPRequest::base64forData("user:pass"), "dXNlcjpwYXNz");
  EXPECT_EQ(HTTPRequest::base64forData(std::string("\xFF\xFE", 2)), "//4=");
}

TEST(HTTPRequestHelpers, ContentTypeParsing) {
  struct Case {
    const char* value;
    const char* mime;
    const char* encoding;  // "" = left untouched
  } cases[] = {
      {"text/html; charset=UTF-8", "text/html", "UTF-8"},
      {"text/html", "text/html", ""},
      {" text/plain ;charset=gb18030; q=1", "text/plain", "GB18030"},
      {"text/plain; charset=no-such-set", "text/plain", ""},
      {"text/plain; format=flowed", "text/plain", ""},
      {"; charset=utf-8", "; charset=utf-8", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    std::string mime = "unset";
    std::string encoding;
    HTTPRequest::parseMimeType(&mime, &encoding, c.value);
    EXPECT_EQ(mime, c.mime);
    EXPECT_EQ(encoding, c.encoding);
  }
  std::string mime = "unset";
  HTTPRequest::parseMimeType(&mime, nullptr, "");
  EXPECT_EQ(mime, "unset");
}

TEST(HTTPRequestHelpers, MimeTypeOfAFile) {
  std::string dir = freshDir("mime");
  EXPECT_EQ(HTTPRequest::mimeTypeForFileAtPath(core::Paths::join(dir, "missing.png")), std::nullopt);
  for (const char* name : {"a.png", "b.unknownext", "noext"})
    core::Paths::atomicWrite(core::Paths::join(dir, name), "x");
  EXPECT_EQ(HTTPRequest::mimeTypeForFileAtPath(core::Paths::join(dir, "a.png")), "image/png");
  EXPECT_EQ(HTTPRequest::mimeTypeForFileAtPath(core::Paths::join(dir, "b.unknownext")),
            "application/octet-stream");
  EXPECT_EQ(HTTPRequest::mimeTypeForFileAtPath(core::Paths::join(dir, "noext")), "application/octet-stream");
}

TEST(HTTPRequestHelpers, UserAgentText) {
  core::Value info = core::Value(core::Dictionary{
      {"CFBundleName", "vardo"}, {"CFBundleShortVersionString", "1.2"}, {"CFBundleVersion", "345"}});
  EXPECT_EQ(HTTPRequest::userAgentFromBundleInfo(info, "PC", "Debian GNU/Linux", "12", "zh_CN"),
            "vardo 1.2 rv:345 (PC; Debian GNU/Linux 12; zh_CN)");
  info.set("CFBundleVersion", "1.2");
  info.set("CFBundleDisplayName", "题库");
  EXPECT_EQ(HTTPRequest::userAgentFromBundleInfo(info, "PC", "Linux", "6", "en_US"),
            "题库 1.2 (PC; Linux 6; en_US)");
  EXPECT_EQ(HTTPRequest::userAgentFromBundleInfo(core::Value::newDictionary(), "PC", "Linux", "6", "en_US"),
            std::nullopt);
}

TEST(HTTPRequestHelpers, SessionCredentialLookup) {
  HTTPRequest::sessionCredentialsStore().clear();
  auto entry = [](const char* url, const char* realm, const char* user) {
    HTTPRequest::SessionCredentials e;
    e.credentials = core::Value(core::Dictionary{{"username", user}, {"password", "pw"}});
    e.url = core::URL::parse(url);
    e.authenticationRealm = realm;
    e.authenticationScheme = "Basic";
    return e;
  };
  HTTPRequest::storeAuthenticationCredentialsInSessionStore(entry("http://h.example/other", "", "near"));
  HTTPRequest::storeAuthenticationCredentialsInSessionStore(entry("http://h.example/api", "", "exact"));
  HTTPRequest::storeAuthenticationCredentialsInSessionStore(
      entry("http://h.example/api", "other", "wrong-realm"));

  auto r = HTTPRequest::requestWithURL(core::URL::parse("http://h.example/api"));
  auto found = r->findSessionAuthenticationCredentials();
  ASSERT_TRUE(found);
  EXPECT_EQ(found->credentials["username"].toString(), "exact");  // exact URL wins though stored later

  auto elsewhere = HTTPRequest::requestWithURL(core::URL::parse("http://h.example/x"));
  ASSERT_TRUE(elsewhere->findSessionAuthenticationCredentials());
  EXPECT_EQ(elsewhere->findSessionAuthenticationCredentials()->credentials["username"].toString(), "near");

  auto realm = HTTPRequest::requestWithURL(core::URL::parse("http://h.example/api"));
  realm->setAuthenticationRealm("mine");
  auto withRealm = realm->findSessionAuthenticationCredentials();
  ASSERT_TRUE(withRealm);
  EXPECT_NE(withRealm->credentials["username"].toString(), "wrong-realm");

  auto otherPort = HTTPRequest::requestWithURL(core::URL::parse("http://h.example:8080/api"));
  EXPECT_FALSE(otherPort->findSessionAuthenticationCredentials());

  // Removing by the credentials object itself: the other entry for the exact URL is next.
  HTTPRequest::removeAuthenticationCredentialsFromSessionStore(found->credentials);
  EXPECT_EQ(r->findSessionAuthenticationCredentials()->credentials["username"].toString(), "wrong-realm");
  HTTPRequest::sessionCredentialsStore().clear();
}

TEST(HTTPRequestHelpers, CookieParsingAndMatching) {
  core::URL url = *core::URL::parse("http://api.example.com/1.0/json/user/login");
  double now = 1'000'000;
  auto c = HTTPCookie::parse("sid=abc; Path=/; HttpOnly", url, now);
  ASSERT_TRUE(c);
  EXPECT_EQ(c->name, "sid");
  EXPECT_EQ(c->value, "abc");
  EXPECT_EQ(c->domain, "api.example.com");
  EXPECT_TRUE(c->isSessionOnly());
  EXPECT_TRUE(c->matchesURL(*core::URL::parse("http://api.example.com/other")));
  EXPECT_FALSE(c->matchesURL(*core::URL::parse("http://evil.example.com/")));

  auto d = HTTPCookie::parse("k=v; Domain=example.com; Max-Age=60; Path=/", url, now);
  ASSERT_TRUE(d);
  EXPECT_EQ(d->domain, ".example.com");
  EXPECT_EQ(d->expiresDate, now + 60);
  EXPECT_TRUE(d->matchesURL(*core::URL::parse("http://www.example.com/")));
  EXPECT_EQ(HTTPCookie::parse("k=v; Domain=other.org", url, now), std::nullopt);  // not this host's domain
  EXPECT_EQ(HTTPCookie::parse("novalue", url, now), std::nullopt);

  auto p = HTTPCookie::parse("p=1", url, now);  // default path: the directory of the request
  EXPECT_EQ(p->path, "/1.0/json/user");
  EXPECT_FALSE(p->matchesURL(*core::URL::parse("http://api.example.com/1.0/json/userx")));

  EXPECT_EQ(HTTPCookie::parseHTTPDate("Sun, 06 Nov 1994 08:49:37 GMT"), 784111777.0);
  EXPECT_EQ(HTTPCookie::parseHTTPDate("Sunday, 06-Nov-94 08:49:37 GMT"), 784111777.0);
  EXPECT_EQ(HTTPCookie::parseHTTPDate("Sun Nov  6 08:49:37 1994"), 784111777.0);
  EXPECT_EQ(HTTPCookie::parseHTTPDate("yesterday"), std::nullopt);
}

TEST(HTTPRequestHelpers, SessionCookiesReplaceByIdentityAndLeaveWithTheSession) {
  HTTPRequest::setSessionCookies(std::nullopt);
  EXPECT_TRUE(HTTPRequest::sessionCookies().empty());
  HTTPCookie a{"a", "1", "h.example", "/", std::nullopt, false, false};
  HTTPCookie b{"b", "2", "h.example", "/", std::nullopt, false, false};
  HTTPCookieStorage::sharedHTTPCookieStorage().setCookie(a);
  HTTPRequest::addSessionCookie(a);
  HTTPRequest::addSessionCookie(b);
  HTTPCookie a2 = a;
  a2.value = "3";
  HTTPRequest::addSessionCookie(a2);
  auto list = HTTPRequest::sessionCookies();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].name, "b");
  EXPECT_EQ(list[1].value, "3");
  // Setting new session cookies deletes the old ones from the shared store.
  HTTPRequest::setSessionCookies(std::nullopt);
  EXPECT_TRUE(HTTPCookieStorage::sharedHTTPCookieStorage()
                  .cookiesForURL(*core::URL::parse("http://h.example/"))
                  .empty());
}

}  // namespace
