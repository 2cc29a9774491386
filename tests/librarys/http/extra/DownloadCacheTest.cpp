// DownloadCache: keys and file layout, the server's permission, expiry and date parsing, freshness and
// the policy table, and a response stored by a real request and answered from the cache.
#include <gtest/gtest.h>

#include <fstream>

#include "librarys/http/DownloadCache.h"
#include "platform/core/Paths.h"
#include "platform/core/PropertyList.h"
#include "tests/librarys/http/HTTPTestSupport.h"

using namespace httptest;

namespace {

constexpr double kNow = 1700000000;  // a fixed wall clock for expiry decisions
constexpr const char* kExpiresTestKey() { return "X-HTTPRequest-Expires"; }

class Cache : public LoopbackSuite {
 protected:
  void SetUp() override {
    cache = std::make_shared<DownloadCache>([this] { return now; });
    root = core::Paths::join(freshDir("cache"), "store");
    ASSERT_TRUE(cache->setStoragePath(root));
  }
  // Stores an entry for the URL by hand, the way storeResponseForRequest lays it out.
  void storeByHand(const std::string& urlText, core::Value headers, const std::string& data,
                   const char* dir) {
    auto u = parse(urlText);
    auto key = *DownloadCache::keyForURL(u);
    std::string d = core::Paths::join(root, dir);
    core::PropertyList::writeFile(core::Paths::join(d, key + ".cachedheaders"), headers);
    std::ofstream(core::Paths::join(d, key + ".html"), std::ios::binary) << data;
  }
  double now = kNow;
  std::shared_ptr<DownloadCache> cache;
  std::string root;
};

TEST(CacheKeys, KeysAndExtensions) {
  auto key = DownloadCache::keyForURL(parse("http://a.example/x/"));
  ASSERT_TRUE(key);
  EXPECT_EQ(key->size(), 32u);
  EXPECT_EQ(key->find_first_not_of("0123456789ABCDEF"), std::string::npos);
  EXPECT_EQ(key, DownloadCache::keyForURL(parse("http://a.example/x")));
  EXPECT_NE(key, DownloadCache::keyForURL(parse("http://a.example/y")));
  // MD5 of "http://a.example/x", in upper case.
  EXPECT_EQ(*key, "3B0F361C22E1755442AB57B07AB1E3B9");
}

TEST(CacheKeys, ServerPermissionMatchesDirectivesAsTokens) {
  struct Case {
    const char* cacheControl;
    const char* pragma;
    bool allowed;
  } cases[] = {
      {"", "", true},
      {"no-cache", "", false},
      {"No-Store", "", false},
      {"private, no-cache", "", false},  // listed with other directives: still forbidden
      {"max-age=60, no-store", "", false},
      {"no-cache-ish", "", true},  // a longer token is another directive
      {"max-age=60", "", true},
      {"", "no-cache", false},
      {"", "x-no-cache", true},
  };
  for (const auto& c : cases) {
    core::Value h(core::Dictionary{});
    if (*c.cacheControl) h.set("Cache-Control", c.cacheControl);
    if (*c.pragma) h.set("Pragma", c.pragma);
    EXPECT_EQ(DownloadCache::serverAllowsResponseCachingForHeaders(h), c.allowed)
        << c.cacheControl << " / " << c.pragma;
  }
}

TEST(CacheKeys, ExpiryAndDates) {
  core::Value h(core::Dictionary{{"Cache-Control", "public, max-age=60"},
                                 {"Expires", "Thu, 01 Jan 1970 00:01:40 GMT"}});
  EXPECT_EQ(DownloadCache::expiryDateForResponseHeaders(h, 0, kNow), kNow + 60);
  EXPECT_EQ(DownloadCache::expiryDateForResponseHeaders(h, 5, kNow), kNow + 5);  // a given age wins
  core::Value e(core::Dictionary{{"Expires", "Thu, 01 Jan 1970 00:01:40 GMT"}});
  EXPECT_EQ(DownloadCache::expiryDateForResponseHeaders(e, 0, kNow), 100.0);
  EXPECT_EQ(DownloadCache::expiryDateForResponseHeaders(e, 0), 100.0);  // an absolute date: any clock
  EXPECT_EQ(DownloadCache::expiryDateForResponseHeaders(core::Value(core::Dictionary{}), 0, kNow),
            std::nullopt);

  EXPECT_EQ(DownloadCache::dateFromRFC1123String("Sun, 06 Nov 1994 08:49:37 GMT"), 784111777.0);
  EXPECT_EQ(DownloadCache::dateFromRFC1123String("06 Nov 1994 08:49 GMT"), 784111740.0);
  for (const char* bad :
       {"", "Sunday, 06-Nov-94 08:49:37 GMT", "06 Foo 1994 08:49 GMT", "06 Nov 1994 25:49 GMT"})
    EXPECT_EQ(DownloadCache::dateFromRFC1123String(bad), std::nullopt) << bad;
}

TEST_F(Cache, LayoutOfAStoredResponseAndTheHTMLExtensions) {
  EXPECT_TRUE(core::Paths::isDirectory(core::Paths::join(root, "SessionStore")));
  EXPECT_TRUE(core::Paths::isDirectory(core::Paths::join(root, "PermanentStore")));
  struct Case {
    const char* path;
    const char* ext;
  } cases[] = {{"/bytes?n=64", "html"}, {"/x/page.php", "html"}, {"/img/a.PNG", "png"}};
  for (const auto& c : cases) {
    auto r = HTTPRequest::requestWithURL(url(c.path));
    r->setCacheStoragePolicy(DownloadCache::CachePermanentlyCacheStoragePolicy);
    auto p = cache->pathToStoreCachedResponseDataForRequest(*r);
    ASSERT_TRUE(p);
    EXPECT_EQ(core::Paths::parent(*p), core::Paths::join(root, "PermanentStore"));
    EXPECT_EQ(*p, core::Paths::join(core::Paths::join(root, "PermanentStore"),
                                    *DownloadCache::keyForURL(url(c.path)) + "." + c.ext));
  }
}

TEST_F(Cache, PolicyTable) {
  std::string u = server().url("/cached");
  core::Value fresh(core::Dictionary{{kExpiresTestKey(), kNow + 100}});
  storeByHand(u, fresh, "stored", "SessionStore");
  struct Case {
    int policy;
    double clock;
    bool canUse;
  } cases[] = {
      {DoNotReadFromCacheCachePolicy | DontLoadCachePolicy, kNow, false},
      {DontLoadCachePolicy, kNow, true},
      {OnlyLoadIfNotCachedCachePolicy, kNow + 1000, true},  // stale but used without asking
      {AskServerIfModifiedWhenStaleCachePolicy, kNow, true},
      {AskServerIfModifiedWhenStaleCachePolicy, kNow + 100, true},  // expires exactly now
      {AskServerIfModifiedWhenStaleCachePolicy, kNow + 101, false},
      {AskServerIfModifiedCachePolicy, kNow, false},         // only once response headers exist
      {FallbackToCacheIfLoadFailsCachePolicy, kNow, false},  // only once the load has failed
      {UseDefaultCachePolicy, kNow, false},
  };
  for (const auto& c : cases) {
    now = c.clock;
    auto r = HTTPRequest::requestWithURL(parse(u));
    r->setCachePolicy(c.policy);
    EXPECT_EQ(cache->canUseCachedDataForRequest(*r), c.canUse) << c.policy << " at " << c.clock;
  }
  // Nothing stored: only "never load" answers from the cache.
  auto other = HTTPRequest::requestWithURL(url("/other"));
  other->setCachePolicy(OnlyLoadIfNotCachedCachePolicy);
  EXPECT_FALSE(cache->canUseCachedDataForRequest(*other));
  other->setCachePolicy(DontLoadCachePolicy);
  EXPECT_TRUE(cache->canUseCachedDataForRequest(*other));
}

TEST_F(Cache, StoredByARequestThenAnsweredFromTheCache) {
  auto first =
      HTTPRequest::requestWithURL(url("/bytes?n=300"), cache, AskServerIfModifiedWhenStaleCachePolicy);
  first->setSecondsToCache(60);
  first->startSynchronous();
  ASSERT_FALSE(first->error());
  EXPECT_FALSE(first->didUseCachedResponse());
  auto headers = cache->cachedResponseHeadersForURL(url("/bytes?n=300"));
  ASSERT_TRUE(headers.isDictionary());
  EXPECT_EQ(headers["X-HTTPRequest-Expires"].toDouble(), kNow + 60);
  EXPECT_EQ(headers["X-HTTPRequest-Response-Status-Code"].toInt(), 200);
  EXPECT_EQ(cache->cachedResponseDataForURL(url("/bytes?n=300")), pattern(300));

  int before = server().requestCount();
  auto second =
      HTTPRequest::requestWithURL(url("/bytes?n=300"), cache, AskServerIfModifiedWhenStaleCachePolicy);
  second->startSynchronous();
  ASSERT_FALSE(second->error());
  EXPECT_TRUE(second->didUseCachedResponse());
  EXPECT_EQ(second->responseData(), pattern(300));
  EXPECT_EQ(server().requestCount(), before + 1);  // only the count query itself

  // Not stored: a 404, a "no-store" answer, a POST.
  for (const char* path : {"/status?code=404&body=x", "/bytes?n=5&gzip=1"}) {
    auto r = HTTPRequest::requestWithURL(url(path), cache, AskServerIfModifiedWhenStaleCachePolicy);
    r->startSynchronous();
    bool stored = cache->cachedResponseHeadersForURL(url(path)).isDictionary();
    EXPECT_EQ(stored, std::string(path).find("gzip") != std::string::npos) << path;
  }
  // The gzip answer is kept inflated, without its "Content-Encoding".
  auto gz = cache->cachedResponseHeadersForURL(url("/bytes?n=5&gzip=1"));
  EXPECT_FALSE(gz.contains("Content-Encoding"));
  EXPECT_EQ(cache->cachedResponseDataForURL(url("/bytes?n=5&gzip=1")), pattern(5));

  // The session store is emptied when the storage path is set again.
  ASSERT_TRUE(cache->setStoragePath(root));
  EXPECT_FALSE(cache->cachedResponseHeadersForURL(url("/bytes?n=300")).isDictionary());
}

TEST_F(Cache, FreshnessComparesEtagAndLastModified) {
  std::string u = server().url("/etag");
  storeByHand(u, core::Value(core::Dictionary{{"Etag", "\"v1\""}, {kExpiresTestKey(), kNow + 100}}), "x",
              "PermanentStore");
  auto r = HTTPRequest::requestWithURL(parse(u));
  EXPECT_TRUE(cache->isCachedDataCurrentForRequest(*r));
  cache->setShouldRespectCacheControlHeaders(false);
  now = kNow + 1000;
  EXPECT_TRUE(cache->isCachedDataCurrentForRequest(*r));  // expiry ignored
  cache->removeCachedDataForURL(parse(u));
  EXPECT_FALSE(cache->isCachedDataCurrentForRequest(*r));
}

TEST_F(Cache, StoragePathOverAFileIsAnError) {
  std::string file = core::Paths::join(freshDir("cachefile"), "plain");
  std::ofstream(file) << "x";
  core::Error error;
  EXPECT_FALSE(cache->setStoragePath(file, &error));
  EXPECT_NE(error.description.find("because a file already exists"), std::string::npos);
}

}  // namespace
