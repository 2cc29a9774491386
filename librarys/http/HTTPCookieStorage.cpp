#include "librarys/http/HTTPCookieStorage.h"

#include <algorithm>

#include "platform/core/Date.h"

HTTPCookieStorage& HTTPCookieStorage::sharedHTTPCookieStorage() {
  static HTTPCookieStorage* storage = new HTTPCookieStorage;  // lives as long as the process
  return *storage;
}

void HTTPCookieStorage::setCookie(const HTTPCookie& cookie) {
  double now = core::Date::now().secondsSince1970;
  std::lock_guard lock(mutex_);
  auto it = std::find_if(cookies_.begin(), cookies_.end(),
                         [&](const HTTPCookie& c) { return c.sameIdentity(cookie); });
  if (cookie.isExpired(now)) {
    if (it != cookies_.end()) cookies_.erase(it);
    return;
  }
  if (it != cookies_.end()) {
    *it = cookie;
  } else {
    cookies_.push_back(cookie);
  }
}

void HTTPCookieStorage::setCookies(const std::vector<HTTPCookie>& cookies, const core::URL& url) {
  for (const HTTPCookie& c : cookies)
    if (!c.secure || url.scheme == "https") setCookie(c);
}

void HTTPCookieStorage::deleteCookie(const HTTPCookie& cookie) {
  std::lock_guard lock(mutex_);
  auto it = std::find_if(cookies_.begin(), cookies_.end(),
                         [&](const HTTPCookie& c) { return c.sameIdentity(cookie); });
  if (it != cookies_.end()) cookies_.erase(it);
}

std::vector<HTTPCookie> HTTPCookieStorage::cookiesForURL(const core::URL& url) const {
  double now = core::Date::now().secondsSince1970;
  std::lock_guard lock(mutex_);
  std::vector<HTTPCookie> out;
  for (const HTTPCookie& c : cookies_)
    if (!c.isExpired(now) && c.matchesURL(url)) out.push_back(c);
  return out;
}

std::vector<HTTPCookie> HTTPCookieStorage::cookies() const {
  std::lock_guard lock(mutex_);
  return cookies_;
}

void HTTPCookieStorage::removeAllCookies() {
  std::lock_guard lock(mutex_);
  cookies_.clear();
}
