#pragma once
// HTTPCookie: one cookie as a server set it ("Set-Cookie"), with the rules that say which requests carry
// it back.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/URL.h"
#include "platform/net/HTTPMessage.h"

struct HTTPCookie {
  std::string name;
  std::string value;
  std::string domain;  // lower case; a leading "." marks a cookie for the domain and its sub-domains
  std::string path = "/";
  std::optional<double> expiresDate;  // seconds since 1970; none for a session cookie
  bool secure = false;
  bool httpOnly = false;

  bool isSessionOnly() const { return !expiresDate.has_value(); }
  bool isExpired(double nowSince1970) const { return expiresDate && *expiresDate <= nowSince1970; }
  // The cookie goes with a request for `url`: domain, path and "Secure" allow it (expiry not looked at).
  bool matchesURL(const core::URL& url) const;
  // Same cookie (a later one replaces an earlier one): same domain, path and name.
  bool sameIdentity(const HTTPCookie& other) const {
    return domain == other.domain && path == other.path && name == other.name;
  }

  // Reads one "Set-Cookie" value received for `url`. Nullopt for a value without "name=" or for a
  // "Domain" that `url`'s host does not belong to.
  static std::optional<HTTPCookie> parse(std::string_view setCookie, const core::URL& url,
                                         double nowSince1970);
  // Every cookie the response's header lines set for `url`, in the order they came.
  static std::vector<HTTPCookie> cookiesWithResponseHeaderLines(const net::HeaderList& lines,
                                                                const core::URL& url, double nowSince1970);
  // An RFC 1123 date ("Sun, 06 Nov 1994 08:49:37 GMT", also the RFC 850 and asctime forms) as seconds
  // since 1970.
  static std::optional<double> parseHTTPDate(std::string_view text);
};
