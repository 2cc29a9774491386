#pragma once
// HTTPDownloadCache: what an HTTPRequest asks of a download cache (DownloadCache implements it). A request
// uses a cache only when it is given one, directly or as the class's default cache.

#include <optional>
#include <string>

#include "platform/core/URL.h"
#include "platform/core/Value.h"

class HTTPRequest;

struct HTTPDownloadCache {
  virtual ~HTTPDownloadCache() = default;

  // The policy bits used for a request whose own policy is 0.
  virtual int defaultCachePolicy() const = 0;
  virtual bool canUseCachedDataForRequest(HTTPRequest& request) = 0;
  virtual void storeResponseForRequest(HTTPRequest& request, double maxAge) = 0;
  virtual void updateExpiryForRequest(HTTPRequest& request, double maxAge) = 0;
  // The stored response headers (a dictionary), or Nil.
  virtual core::Value cachedResponseHeadersForURL(const core::URL& url) = 0;
  virtual std::optional<std::string> cachedResponseDataForURL(const core::URL& url) = 0;
  virtual std::optional<std::string> pathToCachedResponseDataForURL(const core::URL& url) = 0;
  // Storage policy 0: the responses kept for this session only.
  virtual void clearCachedResponsesForStoragePolicy(int storagePolicy) = 0;
};
