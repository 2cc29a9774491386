#include "platform/core/URL.h"

#include <gtest/gtest.h>

using core::URL;

TEST(PercentEscapes, WholeUrlEscaping) {
  const std::pair<const char*, const char*> cases[] = {
      {"http://h/a b?x=1&y=中", "http://h/a%20b?x=1&y=%E4%B8%AD"},
      {"AZaz09!$&'()*+,-./:;=?@_~#", "AZaz09!$&'()*+,-./:;=?@_~#"},
      {"100%", "100%25"},
      {"\"<>[]{}|\\^`", "%22%3C%3E%5B%5D%7B%7D%7C%5C%5E%60"},
      {"\n\t", "%0A%09"},
      {"😀", "%F0%9F%98%80"},
      {"", ""},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(core::addingPercentEscapes(in), out) << in;
}

TEST(PercentEscapes, ComponentEscapingAndDecoding) {
  EXPECT_EQ(core::escapeComponent("a/b?c=d&e f+g~-._"), "a%2Fb%3Fc%3Dd%26e%20f%2Bg~-._");
  EXPECT_EQ(core::escapeComponent("密码"), "%E5%AF%86%E7%A0%81");
  const std::pair<const char*, std::optional<std::string>> decode[] = {
      {"a%20b", "a b"},     {"%E4%b8%ad", "中"},   {"a+b", "a+b"},        {"%", std::nullopt},
      {"%2", std::nullopt}, {"%zz", std::nullopt}, {"%FF", std::nullopt}, {"", ""},
  };
  for (const auto& [in, out] : decode) EXPECT_EQ(core::removingPercentEscapes(in), out) << in;
  EXPECT_EQ(core::removingPercentEscapes("a+b%2B", true), "a b+");
  for (const char* s : {"x/y z?&=中文😀%", "plain"}) {
    EXPECT_EQ(core::removingPercentEscapes(core::escapeComponent(s)), s);
  }
}

TEST(URLType, ParseAndBuild) {
  auto u = URL::parse("HTTP://User@Example.COM:8080/a/./b/../c?q=1&r=#frag");
  ASSERT_TRUE(u.has_value());
  EXPECT_EQ(u->scheme, "http");
  EXPECT_EQ(u->user, "User");
  EXPECT_EQ(u->host, "example.com");
  EXPECT_EQ(u->port, 8080);
  EXPECT_EQ(u->path, "/a/c");
  EXPECT_EQ(u->query, "q=1&r=");
  EXPECT_EQ(u->fragment, "frag");
  EXPECT_EQ(u->toString(), "http://User@example.com:8080/a/c?q=1&r=#frag");
  EXPECT_EQ(u->requestTarget(), "/a/c?q=1&r=");
  EXPECT_EQ(u->hostAndPort(), "example.com:8080");

  auto plain = URL::parse("https://h.cn");
  ASSERT_TRUE(plain.has_value());
  EXPECT_EQ(plain->effectivePort(), 443);
  EXPECT_EQ(plain->requestTarget(), "/");
  EXPECT_EQ(plain->toString(), "https://h.cn");
  EXPECT_FALSE(plain->query.has_value());

  auto v6 = URL::parse("http://[::1]:81/x");
  ASSERT_TRUE(v6.has_value());
  EXPECT_EQ(v6->host, "::1");
  EXPECT_EQ(v6->toString(), "http://[::1]:81/x");
  EXPECT_EQ(URL::parse("file:///tmp/a")->toString(), "file:///tmp/a");
  EXPECT_EQ(URL::parse("mailto:a@b.cn")->path, "a@b.cn");

  for (const char* bad : {"", "no-scheme", "/path", "http://h/a b", "http://h:99999/", "http://h:8x/",
                          "http://[::1/", "http://h/中", "1http://h/",
                          // hosts that would print as another URL
                          "http://S::1]:8080/a", "http://h]/", "http://a:b:80/", "http://[zz::1]/",
                          "http://[]/", "http://[1.2.3.4]/"}) {
    EXPECT_FALSE(URL::parse(bad).has_value()) << bad;
  }
}

TEST(URLType, ResolvesRedirectLocations) {
  const URL base = *URL::parse("http://a.cn:81/b/c/d;p?q#f");
  const std::pair<const char*, const char*> cases[] = {
      {"g", "http://a.cn:81/b/c/g"},
      {"./g", "http://a.cn:81/b/c/g"},
      {"g/", "http://a.cn:81/b/c/g/"},
      {"/g", "http://a.cn:81/g"},
      {"//other.cn/g", "http://other.cn/g"},
      {"?y", "http://a.cn:81/b/c/d;p?y"},
      {"#s", "http://a.cn:81/b/c/d;p?q#s"},
      {"", "http://a.cn:81/b/c/d;p?q"},
      {"..", "http://a.cn:81/b/"},
      {"../../../g", "http://a.cn:81/g"},
      {"https://secure.cn/x", "https://secure.cn/x"},
      {"/a b/中", "http://a.cn:81/a%20b/%E4%B8%AD"},
  };
  for (const auto& [ref, out] : cases) {
    auto r = base.resolve(ref);
    ASSERT_TRUE(r.has_value()) << ref;
    EXPECT_EQ(r->toString(), out) << ref;
  }
  EXPECT_FALSE(base.resolve("//h:bad/").has_value());

  // Without an authority a path that comes to start with "//" still prints as a path, not as a host.
  auto odd = URL::parse("http:a/")->resolve("..//x");
  ASSERT_TRUE(odd.has_value());
  EXPECT_EQ(URL::parse(odd->toString()), odd);
  EXPECT_TRUE(URL::parse(odd->toString())->host.empty());
}
