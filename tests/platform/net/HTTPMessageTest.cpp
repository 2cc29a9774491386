#include "platform/net/HTTPMessage.h"

#include <gtest/gtest.h>

#include "platform/net/StreamError.h"

namespace {

core::URL url(const char* text) {
  auto u = core::URL::parse(text);
  EXPECT_TRUE(u.has_value()) << text;
  return u.value_or(core::URL{});
}

struct SerializeCase {
  const char* name;
  const char* method;
  const char* url;
  const char* version;
  std::vector<std::pair<std::string, std::string>> headers;
  bool absolute;
  const char* expected;
};

TEST(HTTPMessage, SerializesTheRequestHead) {
  const SerializeCase cases[] = {
      {"plain GET",
       "GET",
       "http://example.test/a/b?x=1&y=2",
       "HTTP/1.1",
       {},
       false,
       "GET /a/b?x=1&y=2 HTTP/1.1\r\nHost: example.test\r\n\r\n"},
      {"empty path becomes /",
       "GET",
       "http://example.test",
       "HTTP/1.1",
       {},
       false,
       "GET / HTTP/1.1\r\nHost: example.test\r\n\r\n"},
      {"explicit port kept in Host",
       "GET",
       "http://example.test:8080/",
       "HTTP/1.1",
       {},
       false,
       "GET / HTTP/1.1\r\nHost: example.test:8080\r\n\r\n"},
      {"IPv6 literal bracketed",
       "GET",
       "http://[::1]:8080/x",
       "HTTP/1.1",
       {},
       false,
       "GET /x HTTP/1.1\r\nHost: [::1]:8080\r\n\r\n"},
      {"fragment never sent",
       "GET",
       "https://example.test/p?q#frag",
       "HTTP/1.1",
       {},
       false,
       "GET /p?q HTTP/1.1\r\nHost: example.test\r\n\r\n"},
      {"headers in order",
       "POST",
       "http://example.test/api",
       "HTTP/1.1",
       {{"User-Agent", "vardo"}, {"Client-Type", "iphone"}, {"Content-Length", "2"}},
       false,
       "POST /api HTTP/1.1\r\nHost: example.test\r\nUser-Agent: vardo\r\nClient-Type: iphone\r\n"
       "Content-Length: 2\r\n\r\n"},
      {"a later value replaces an earlier one in place, any case",
       "GET",
       "http://example.test/",
       "HTTP/1.1",
       {{"Accept", "a"}, {"X-One", "1"}, {"accept", "b"}},
       false,
       "GET / HTTP/1.1\r\nHost: example.test\r\nAccept: b\r\nX-One: 1\r\n\r\n"},
      {"own Host header wins",
       "GET",
       "http://127.0.0.1:9/",
       "HTTP/1.1",
       {{"Host", "api.example.test"}},
       false,
       "GET / HTTP/1.1\r\nHost: api.example.test\r\n\r\n"},
      {"HTTP/1.0",
       "HEAD",
       "http://example.test/h",
       "HTTP/1.0",
       {},
       false,
       "HEAD /h HTTP/1.0\r\nHost: example.test\r\n\r\n"},
      {"absolute form for a proxy drops user and fragment",
       "GET",
       "http://u@example.test:81/p?q#f",
       "HTTP/1.1",
       {},
       true,
       "GET http://example.test:81/p?q HTTP/1.1\r\nHost: example.test:81\r\n\r\n"},
      {"empty value",
       "GET",
       "http://example.test/",
       "HTTP/1.1",
       {{"X-Empty", ""}},
       false,
       "GET / HTTP/1.1\r\nHost: example.test\r\nX-Empty: \r\n\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto m = net::HTTPMessage::createRequest(c.method, url(c.url), c.version);
    ASSERT_NE(m, nullptr);
    for (const auto& [n, v] : c.headers) EXPECT_TRUE(m->setHeaderFieldValue(n, v));
    EXPECT_EQ(m->serializeHead(c.absolute), c.expected);
  }
}

TEST(HTTPMessage, RefusesHeaderAndMethodInjection) {
  auto m = net::HTTPMessage::createRequest("GET", url("http://example.test/"));
  ASSERT_NE(m, nullptr);
  EXPECT_FALSE(m->setHeaderFieldValue("X-A", "1\r\nX-Injected: yes"));
  EXPECT_FALSE(m->setHeaderFieldValue("X-A", "1\nGET /evil HTTP/1.1"));
  EXPECT_FALSE(m->setHeaderFieldValue("X-A", std::string("a\0b", 3)));
  EXPECT_FALSE(m->setHeaderFieldValue("Bad Name", "v"));
  EXPECT_FALSE(m->setHeaderFieldValue("Bad:Name", "v"));
  EXPECT_FALSE(m->setHeaderFieldValue("", "v"));
  EXPECT_EQ(m->serializeHead(), "GET / HTTP/1.1\r\nHost: example.test\r\n\r\n");

  EXPECT_EQ(net::HTTPMessage::createRequest("GE T", url("http://example.test/")), nullptr);
  EXPECT_EQ(net::HTTPMessage::createRequest("GET\r\n", url("http://example.test/")), nullptr);
  EXPECT_EQ(net::HTTPMessage::createRequest("GET", url("http://example.test/"), "HTTP/2"), nullptr);
}

TEST(HTTPMessage, ExtraFieldsFollowTheMessagesOwnAndHeadersCanBeRemoved) {
  auto m = net::HTTPMessage::createRequest("PUT", url("http://example.test/up"));
  m->setHeaderFieldValue("A", "1");
  m->setHeaderFieldValue("B", "2");
  m->removeHeaderField("a");
  EXPECT_FALSE(m->headerFieldValue("A").has_value());
  EXPECT_EQ(m->headerFieldValue("b"), "2");
  EXPECT_EQ(m->serializeHead(false, {{"Content-Length", "0"}}),
            "PUT /up HTTP/1.1\r\nHost: example.test\r\nB: 2\r\nContent-Length: 0\r\n\r\n");
}

TEST(HTTPMessage, ResponseJoinsDuplicateFieldsButKeepsEveryLine) {
  auto r = net::HTTPMessage::createResponse(200, "HTTP/1.1", "OK");
  r->addResponseHeaderLine("Set-Cookie", "a=1; Expires=Wed, 21 Oct 2037 07:28:00 GMT");
  r->addResponseHeaderLine("Content-Type", "text/plain");
  r->addResponseHeaderLine("set-cookie", "b=2");
  EXPECT_EQ(r->headerFieldValue("SET-COOKIE"), "a=1; Expires=Wed, 21 Oct 2037 07:28:00 GMT, b=2");
  ASSERT_EQ(r->allHeaderFields().size(), 2u);
  EXPECT_EQ(r->allHeaderFields()[0].first, "Set-Cookie");
  ASSERT_EQ(r->headerLines().size(), 3u);
  EXPECT_EQ(r->headerLines()[2].second, "b=2");
  core::Value dict = r->copyAllHeaderFields();
  EXPECT_EQ(dict["Content-Type"].str(), "text/plain");
  EXPECT_EQ(r->statusLine(), "HTTP/1.1 200 OK");
}

struct ErrnoCase {
  int err;
  const char* domain;
  std::int64_t code;
  bool dropped;
};

TEST(StreamError, MapsSocketErrorsToTheCodesTheClientKnows) {
  const ErrnoCase cases[] = {
      {EPIPE, net::kPOSIXErrorDomain, 32, true},
      {ENOTCONN, net::kPOSIXErrorDomain, 57, true},
      {ECONNRESET, net::kNetworkErrorDomain, -1005, true},
      {ECONNREFUSED, net::kNetworkErrorDomain, -1004, false},
      {ENETUNREACH, net::kNetworkErrorDomain, -1009, false},
      {EADDRINUSE, net::kPOSIXErrorDomain, 48, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.err);
    auto e = net::StreamError::fromErrno(c.err);
    EXPECT_EQ(e.domain, c.domain);
    EXPECT_EQ(e.code, c.code);
    EXPECT_EQ(e.isDroppedConnection(), c.dropped);
    EXPECT_FALSE(e.description.empty());
  }
}

TEST(StreamError, TLSRangeAndTexts) {
  EXPECT_TRUE(net::StreamError::ssl(-9800).isSSLError());
  EXPECT_TRUE(net::StreamError::ssl(-9818).isSSLError());
  EXPECT_FALSE((net::StreamError{net::kOSStatusErrorDomain, -9799, ""}).isSSLError());
  EXPECT_FALSE((net::StreamError{net::kOSStatusErrorDomain, -9819, ""}).isSSLError());
  EXPECT_FALSE((net::StreamError{net::kPOSIXErrorDomain, -9807, ""}).isSSLError());
  for (std::int64_t c = -9818; c <= -9800; ++c) EXPECT_FALSE(net::sslErrorText(c).empty()) << c;
  EXPECT_EQ(net::sslErrorText(-9799), "");
  EXPECT_EQ(net::StreamError::ssl(-9813, "self-signed").description,
            "Certificate chain not verified by root (self-signed)");
  auto e = net::StreamError::network(-1005, "lost").toError();
  EXPECT_EQ(e.domain, net::kNetworkErrorDomain);
  EXPECT_EQ(e.code, -1005);
}

}  // namespace
