#pragma once
// DownloadCache: a disk cache of HTTP responses for HTTPRequest. Responses of GET requests are stored under
// a key made from the URL (MD5 of its text, 32 upper-case hex digits): a headers file "<key>.cachedheaders"
// (a property list of the response headers plus "X-HTTPRequest-Expires" and
// "X-HTTPRequest-Response-Status-Code") and a data file "<key>.<extension>", in "SessionStore" (storage
// policy 0, emptied whenever the storage path is set) or "PermanentStore" below the storage path.
//
// A request uses a cache only when given one (directly or as HTTPRequest's default cache). Whether a
// stored response may answer a request follows the request's cache policy bits (HTTPCachePolicy) and the
// freshness rules (Etag / Last-Modified, the stored expiry). Every storage access runs under the cache's
// recursive lock, so requests on the network thread and callers elsewhere may share one cache.
//
// Expiry decisions read the cache's wall clock (seconds since 1970), given at construction: the system's
// clock unless another is given.
//
// Directory problems are reported as values (setStoragePath, clearCachedResponsesForStoragePolicy answer
// false with the error); storing and removing ignore file errors.

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "librarys/http/HTTPDownloadCache.h"
#include "platform/core/Error.h"

inline constexpr const char* kDownloadCacheErrorDomain = "DownloadCacheErrorDomain";

class DownloadCache : public HTTPDownloadCache {
 public:
  // The storage policies of HTTPRequest::cacheStoragePolicy.
  enum StoragePolicy {
    CacheForSessionDurationCacheStoragePolicy = 0,
    CachePermanentlyCacheStoragePolicy = 1
  };

  // The wall clock of expiry decisions, in seconds since 1970.
  using WallClock = std::function<double()>;

  // A cache on the system's clock, or on `clock` when one is given.
  explicit DownloadCache(WallClock clock = nullptr);
  // Made on first use, storing in "HTTPRequestCache" under the caches directory.
  static std::shared_ptr<DownloadCache> sharedCache();

  std::string storagePath() const;
  // Makes the root, "SessionStore" and "PermanentStore" when missing and empties the session store (of
  // the old path and the new one). False, with the error "FileExistsAtCachePath" or
  // "FailedToCreateCacheDirectory" (in the error's failure reason), when a directory cannot be made.
  bool setStoragePath(const std::string& path, core::Error* error = nullptr);
  int defaultCachePolicy() const override;
  void setDefaultCachePolicy(int policy);  // 0 stores AskServerIfModifiedWhenStale (4)
  bool shouldRespectCacheControlHeaders() const;
  void setShouldRespectCacheControlHeaders(bool respect);
  std::recursive_mutex& accessLock() { return accessLock_; }

  void storeResponseForRequest(HTTPRequest& request, double maxAge) override;
  void updateExpiryForRequest(HTTPRequest& request, double maxAge) override;
  std::optional<double> expiryDateForRequest(HTTPRequest& request, double maxAge);
  core::Value cachedResponseHeadersForURL(const core::URL& url) override;
  std::optional<std::string> cachedResponseDataForURL(const core::URL& url) override;
  std::optional<std::string> pathToCachedResponseDataForURL(const core::URL& url) override;
  std::optional<std::string> pathToCachedResponseHeadersForURL(const core::URL& url);
  std::optional<std::string> pathToStoreCachedResponseDataForRequest(HTTPRequest& request);
  std::optional<std::string> pathToStoreCachedResponseHeadersForRequest(HTTPRequest& request);
  std::optional<std::string> pathToFile(const std::string& fileName);
  void removeCachedDataForURL(const core::URL& url);
  void removeCachedDataForRequest(HTTPRequest& request);
  bool isCachedDataCurrentForRequest(HTTPRequest& request);
  bool canUseCachedDataForRequest(HTTPRequest& request) override;
  void clearCachedResponsesForStoragePolicy(int storagePolicy) override;
  // The same, reporting "FailedToTraverseCacheDirectory" / "FailedToRemoveCacheFile".
  bool clearCachedResponses(int storagePolicy, core::Error* error);

  // NO when "Cache-Control" carries the directive "no-cache" or "no-store", or "Pragma" carries
  // "no-cache" (directives matched as tokens, in any case).
  static bool serverAllowsResponseCachingForRequest(HTTPRequest& request);
  static bool serverAllowsResponseCachingForHeaders(const core::Value& responseHeaders);
  static std::optional<std::string> keyForURL(const core::URL& url);
  static const std::vector<std::string>& fileExtensionsToHandleAsHTML();
  // Seconds since 1970: now + maxAge when given, else now + the "Cache-Control" max-age, else "Expires".
  // Now is the system's clock, or `now` in the second form.
  static std::optional<double> expiryDateForResponseHeaders(const core::Value& headers, double maxAge);
  static std::optional<double> expiryDateForResponseHeaders(const core::Value& headers, double maxAge,
                                                            double now);
  // "Sun, 06 Nov 1994 08:49:37 GMT", "06 Nov 1994 08:49 GMT" and the mixed forms; nullopt otherwise.
  static std::optional<double> dateFromRFC1123String(std::string_view text);
  // The time on this cache's clock.
  double now() const;

 private:
  std::optional<std::string> fileNameForData(const core::URL& url) const;
  std::string directoryForPolicy(int storagePolicy) const;

  const WallClock clock_;
  mutable std::recursive_mutex accessLock_;
  std::string storagePath_;
  int defaultCachePolicy_ = 4;
  bool shouldRespectCacheControlHeaders_ = true;
};
