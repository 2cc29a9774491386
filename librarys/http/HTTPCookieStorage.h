#pragma once
// HTTPCookieStorage: the process-wide cookie store (the shared cookie storage of the phone platform):
// cookies set by responses, handed back to later requests whose URL they match. Kept in memory for the
// life of the process. Thread-safe.

#include <mutex>
#include <vector>

#include "librarys/http/HTTPCookie.h"
#include "platform/core/URL.h"

class HTTPCookieStorage {
 public:
  static HTTPCookieStorage& sharedHTTPCookieStorage();

  // Stores the cookies a response for `url` set: each replaces a kept one of the same identity; one
  // already expired removes it.
  void setCookies(const std::vector<HTTPCookie>& cookies, const core::URL& url);
  void setCookie(const HTTPCookie& cookie);
  void deleteCookie(const HTTPCookie& cookie);
  // The unexpired cookies that go with a request for `url`, in the order they were stored.
  std::vector<HTTPCookie> cookiesForURL(const core::URL& url) const;
  std::vector<HTTPCookie> cookies() const;
  void removeAllCookies();

 private:
  mutable std::mutex mutex_;
  std::vector<HTTPCookie> cookies_;
};
