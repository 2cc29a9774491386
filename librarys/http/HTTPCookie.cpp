#include "librarys/http/HTTPCookie.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/core/Text.h"

namespace {

std::string_view trimView(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// The default path of a cookie: the request path up to (not including) its last "/".
std::string defaultPath(const core::URL& url) {
  const std::string& p = url.path;
  if (p.empty() || p[0] != '/') return "/";
  auto slash = p.rfind('/');
  if (slash == 0) return "/";
  return p.substr(0, slash);
}

bool domainMatches(const std::string& host, const std::string& domain) {
  if (domain.empty()) return false;
  if (domain[0] == '.') {
    std::string bare = domain.substr(1);
    if (host == bare) return true;
    return host.size() > domain.size() &&
           host.compare(host.size() - domain.size(), domain.size(), domain) == 0;
  }
  return host == domain;
}

bool pathMatches(const std::string& requestPath, const std::string& cookiePath) {
  std::string path = requestPath.empty() ? "/" : requestPath;
  if (path == cookiePath) return true;
  if (path.compare(0, cookiePath.size(), cookiePath) != 0) return false;
  if (!cookiePath.empty() && cookiePath.back() == '/') return true;
  return path.size() > cookiePath.size() && path[cookiePath.size()] == '/';
}

int monthIndex(std::string_view m) {
  static const char* kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                  "jul", "aug", "sep", "oct", "nov", "dec"};
  std::string lower = core::toLower(m);
  for (int i = 0; i < 12; ++i)
    if (lower.compare(0, 3, kMonths[i]) == 0) return i;
  return -1;
}

}  // namespace

bool HTTPCookie::matchesURL(const core::URL& url) const {
  if (!domainMatches(url.host, domain)) return false;
  if (!pathMatches(url.path, path)) return false;
  if (secure && url.scheme != "https") return false;
  return true;
}

std::optional<double> HTTPCookie::parseHTTPDate(std::string_view text) {
  // Tokens: day of month, month name, year, hh:mm:ss, in any of the three common layouts.
  std::string s(text);
  for (char& c : s)
    if (c == ',' || c == '-') c = ' ';
  int day = -1, month = -1, year = -1, hh = -1, mm = -1, ss = -1;
  for (const std::string& token : core::split(s, " ")) {
    if (token.empty()) continue;
    if (token.find(':') != std::string::npos) {
      if (std::sscanf(token.c_str(), "%d:%d:%d", &hh, &mm, &ss) != 3) return std::nullopt;
    } else if (std::isdigit(static_cast<unsigned char>(token[0]))) {
      int n = std::atoi(token.c_str());
      if (day < 0 && token.size() <= 2) {
        day = n;
      } else if (year < 0) {
        year = n;
      }
    } else if (month < 0) {
      month = monthIndex(token);
    }
  }
  if (day < 1 || day > 31 || month < 0 || year < 0 || hh < 0 || hh > 23 || mm < 0 || mm > 59 || ss < 0 ||
      ss > 60)
    return std::nullopt;
  if (year < 70)
    year += 2000;
  else if (year < 100)
    year += 1900;
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month;
  tm.tm_mday = day;
  tm.tm_hour = hh;
  tm.tm_min = mm;
  tm.tm_sec = ss;
  return static_cast<double>(timegm(&tm));
}

std::optional<HTTPCookie> HTTPCookie::parse(std::string_view setCookie, const core::URL& url, double now) {
  std::vector<std::string> parts = core::split(setCookie, ";");
  std::string_view first = trimView(parts[0]);
  auto eq = first.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  HTTPCookie cookie;
  cookie.name = std::string(trimView(first.substr(0, eq)));
  cookie.value = std::string(trimView(first.substr(eq + 1)));
  if (cookie.name.empty()) return std::nullopt;
  cookie.domain = url.host;
  cookie.path = defaultPath(url);
  std::optional<double> maxAgeExpiry;
  for (std::size_t i = 1; i < parts.size(); ++i) {
    std::string_view attr = trimView(parts[i]);
    auto aeq = attr.find('=');
    std::string key = core::toLower(trimView(attr.substr(0, aeq)));
    std::string_view val =
        aeq == std::string_view::npos ? std::string_view() : trimView(attr.substr(aeq + 1));
    if (key == "domain" && !val.empty()) {
      std::string d = core::toLower(val);
      if (d[0] != '.') d = "." + d;
      if (!domainMatches(url.host, d)) return std::nullopt;
      cookie.domain = d;
    } else if (key == "path" && !val.empty() && val[0] == '/') {
      cookie.path = std::string(val);
    } else if (key == "expires") {
      if (auto t = parseHTTPDate(val)) cookie.expiresDate = *t;
    } else if (key == "max-age") {
      std::string v(val);
      char* end = nullptr;
      long long secs = std::strtoll(v.c_str(), &end, 10);
      if (!v.empty() && end && *end == '\0')
        maxAgeExpiry = secs <= 0 ? now - 1 : now + static_cast<double>(secs);
    } else if (key == "secure") {
      cookie.secure = true;
    } else if (key == "httponly") {
      cookie.httpOnly = true;
    }
  }
  if (maxAgeExpiry) cookie.expiresDate = maxAgeExpiry;
  return cookie;
}

std::vector<HTTPCookie> HTTPCookie::cookiesWithResponseHeaderLines(const net::HeaderList& lines,
                                                                   const core::URL& url, double now) {
  std::vector<HTTPCookie> out;
  for (const auto& [name, value] : lines) {
    if (!net::equalsIgnoringCase(name, "Set-Cookie")) continue;
    if (auto c = parse(value, url, now)) out.push_back(std::move(*c));
  }
  return out;
}
