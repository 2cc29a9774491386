#include "librarys/http/DownloadCache.h"

#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "librarys/http/HTTPRequest.h"
#include "platform/core/Date.h"
#include "platform/core/Paths.h"
#include "platform/core/PropertyList.h"
#include "platform/core/Text.h"
#include "platform/security/MD5.h"

namespace {

constexpr const char* kSessionStore = "SessionStore";
constexpr const char* kPermanentStore = "PermanentStore";
constexpr const char* kExpiresKey = "X-HTTPRequest-Expires";
constexpr const char* kStatusKey = "X-HTTPRequest-Response-Status-Code";

// A header of a dictionary of response headers, whatever the spelling of its name.
std::optional<std::string> header(const core::Value& headers, std::string_view name) {
  if (!headers.isDictionary()) return std::nullopt;
  for (const auto& [key, value] : headers.dict())
    if (core::equalsIgnoringCase(key, name)) return value.toString();
  return std::nullopt;
}

// The directives of a "Cache-Control"/"Pragma" value: lower-case names with their values.
std::vector<std::pair<std::string, std::string>> directives(const std::string& value) {
  std::vector<std::pair<std::string, std::string>> out;
  for (const std::string& part : core::split(value, ",")) {
    std::string item = core::trim(part);
    if (item.empty()) continue;
    auto eq = item.find('=');
    std::string name = core::toLower(core::trim(item.substr(0, eq)));
    std::string v = eq == std::string::npos ? "" : core::trim(item.substr(eq + 1));
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    out.emplace_back(name, v);
  }
  return out;
}

core::Value dropHeader(core::Value headers, std::string_view name) {
  std::vector<std::string> remove;
  for (const auto& [key, value] : headers.dict())
    if (core::equalsIgnoringCase(key, name)) remove.push_back(key);
  for (const auto& k : remove) headers.remove(k);
  return headers;
}

}  // namespace

DownloadCache::DownloadCache(WallClock clock) : clock_(std::move(clock)) {}

std::shared_ptr<DownloadCache> DownloadCache::sharedCache() {
  static std::mutex monitor;
  static std::shared_ptr<DownloadCache> shared;
  std::lock_guard lock(monitor);
  if (!shared) {
    shared = std::make_shared<DownloadCache>();
    shared->setStoragePath(core::Paths::join(core::Paths::caches(), "HTTPRequestCache"));
  }
  return shared;
}

double DownloadCache::now() const { return clock_ ? clock_() : core::Date::now().secondsSince1970; }

std::string DownloadCache::storagePath() const {
  std::lock_guard lock(accessLock_);
  return storagePath_;
}

bool DownloadCache::setStoragePath(const std::string& path, core::Error* error) {
  std::lock_guard lock(accessLock_);
  clearCachedResponsesForStoragePolicy(CacheForSessionDurationCacheStoragePolicy);
  storagePath_ = path;
  for (const std::string& dir :
       {path, core::Paths::join(path, kSessionStore), core::Paths::join(path, kPermanentStore)}) {
    if (core::Paths::fileExists(dir) && !core::Paths::isDirectory(dir)) {
      if (error)
        *error = core::Error(
            kDownloadCacheErrorDomain, 1,
            "Cannot create a directory for the cache at '" + dir + "', because a file already exists",
            core::Value(core::Dictionary{{"NSLocalizedFailureReason", "FileExistsAtCachePath"}}));
      return false;
    }
    if (!core::Paths::fileExists(dir)) ::mkdir(dir.c_str(), 0755);
    if (!core::Paths::isDirectory(dir)) {
      if (error)
        *error = core::Error(
            kDownloadCacheErrorDomain, 2, "Failed to create a directory for the cache at '" + dir + "'",
            core::Value(core::Dictionary{{"NSLocalizedFailureReason", "FailedToCreateCacheDirectory"}}));
      return false;
    }
  }
  clearCachedResponsesForStoragePolicy(CacheForSessionDurationCacheStoragePolicy);
  return true;
}

int DownloadCache::defaultCachePolicy() const {
  std::lock_guard lock(accessLock_);
  return defaultCachePolicy_;
}

void DownloadCache::setDefaultCachePolicy(int policy) {
  std::lock_guard lock(accessLock_);
  defaultCachePolicy_ = policy == 0 ? AskServerIfModifiedWhenStaleCachePolicy : policy;
}

bool DownloadCache::shouldRespectCacheControlHeaders() const {
  std::lock_guard lock(accessLock_);
  return shouldRespectCacheControlHeaders_;
}

void DownloadCache::setShouldRespectCacheControlHeaders(bool respect) {
  std::lock_guard lock(accessLock_);
  shouldRespectCacheControlHeaders_ = respect;
}

const std::vector<std::string>& DownloadCache::fileExtensionsToHandleAsHTML() {
  static const std::vector<std::string> list{"asp", "aspx", "jsp", "php", "rb", "py", "pl", "cgi"};
  return list;
}

std::optional<std::string> DownloadCache::keyForURL(const core::URL& url) {
  std::string text = url.toString();
  if (text.empty()) return std::nullopt;
  if (text.back() == '/') text.pop_back();
  auto digest = sec::MD5::digest(text);
  std::string key;
  char buf[3];
  for (auto b : digest) {
    std::snprintf(buf, sizeof buf, "%02X", b);
    key += buf;
  }
  return key;
}

std::optional<std::string> DownloadCache::fileNameForData(const core::URL& url) const {
  auto key = keyForURL(url);
  if (!key) return std::nullopt;
  std::string last = core::Paths::lastComponent(url.path);
  std::string ext;
  if (auto dot = last.rfind('.'); dot != std::string::npos) ext = core::toLower(last.substr(dot + 1));
  const auto& html = fileExtensionsToHandleAsHTML();
  if (ext.empty() || std::find(html.begin(), html.end(), ext) != html.end()) ext = "html";
  return *key + "." + ext;
}

std::string DownloadCache::directoryForPolicy(int storagePolicy) const {
  return core::Paths::join(storagePath_, storagePolicy == 0 ? kSessionStore : kPermanentStore);
}

std::optional<std::string> DownloadCache::pathToFile(const std::string& fileName) {
  std::lock_guard lock(accessLock_);
  if (storagePath_.empty()) return std::nullopt;
  for (const char* dir : {kSessionStore, kPermanentStore}) {
    std::string p = core::Paths::join(core::Paths::join(storagePath_, dir), fileName);
    if (core::Paths::fileExists(p)) return p;
  }
  return std::nullopt;
}

std::optional<std::string> DownloadCache::pathToCachedResponseDataForURL(const core::URL& url) {
  auto name = fileNameForData(url);
  return name ? pathToFile(*name) : std::nullopt;
}

std::optional<std::string> DownloadCache::pathToCachedResponseHeadersForURL(const core::URL& url) {
  auto key = keyForURL(url);
  return key ? pathToFile(*key + ".cachedheaders") : std::nullopt;
}

std::optional<std::string> DownloadCache::pathToStoreCachedResponseDataForRequest(HTTPRequest& request) {
  std::lock_guard lock(accessLock_);
  auto url = request.url();
  if (storagePath_.empty() || !url) return std::nullopt;
  auto name = fileNameForData(*url);
  if (!name) return std::nullopt;
  return core::Paths::join(directoryForPolicy(request.cacheStoragePolicy()), *name);
}

std::optional<std::string> DownloadCache::pathToStoreCachedResponseHeadersForRequest(HTTPRequest& request) {
  std::lock_guard lock(accessLock_);
  auto url = request.url();
  if (storagePath_.empty() || !url) return std::nullopt;
  auto key = keyForURL(*url);
  if (!key) return std::nullopt;
  return core::Paths::join(directoryForPolicy(request.cacheStoragePolicy()), *key + ".cachedheaders");
}

core::Value DownloadCache::cachedResponseHeadersForURL(const core::URL& url) {
  std::lock_guard lock(accessLock_);
  auto path = pathToCachedResponseHeadersForURL(url);
  if (!path) return core::Value();
  core::Value v = core::PropertyList::readFile(*path);
  return v.isDictionary() ? v : core::Value();
}

std::optional<std::string> DownloadCache::cachedResponseDataForURL(const core::URL& url) {
  std::lock_guard lock(accessLock_);
  auto path = pathToCachedResponseDataForURL(url);
  if (!path) return std::nullopt;
  auto bytes = core::Paths::readFile(*path);
  if (!bytes) return std::nullopt;
  return std::string(bytes->begin(), bytes->end());
}

bool DownloadCache::serverAllowsResponseCachingForRequest(HTTPRequest& request) {
  return serverAllowsResponseCachingForHeaders(request.responseHeaders());
}

bool DownloadCache::serverAllowsResponseCachingForHeaders(const core::Value& headers) {
  if (auto cc = header(headers, "Cache-Control")) {
    for (const auto& [name, value] : directives(*cc))
      if (name == "no-cache" || name == "no-store") return false;
  }
  if (auto pragma = header(headers, "Pragma")) {
    for (const auto& [name, value] : directives(*pragma))
      if (name == "no-cache") return false;
  }
  return true;
}

std::optional<double> DownloadCache::expiryDateForResponseHeaders(const core::Value& headers, double maxAge) {
  return expiryDateForResponseHeaders(headers, maxAge, core::Date::now().secondsSince1970);
}

std::optional<double> DownloadCache::expiryDateForResponseHeaders(const core::Value& headers, double maxAge,
                                                                  double now) {
  if (maxAge != 0) return now + maxAge;
  if (auto cc = header(headers, "Cache-Control")) {
    for (const auto& [name, value] : directives(*cc)) {
      if (name != "max-age") continue;
      char* end = nullptr;
      double age = std::strtod(value.c_str(), &end);
      if (end != value.c_str() && age != 0) return now + age;
    }
  }
  if (auto expires = header(headers, "Expires")) return dateFromRFC1123String(*expires);
  return std::nullopt;
}

std::optional<double> DownloadCache::expiryDateForRequest(HTTPRequest& request, double maxAge) {
  return expiryDateForResponseHeaders(request.responseHeaders(), maxAge, now());
}

std::optional<double> DownloadCache::dateFromRFC1123String(std::string_view input) {
  std::string text = core::trim(std::string(input));
  if (text.find(',') != std::string::npos) text = core::trim(text.substr(text.find(',') + 1));
  int day = 0, year = 0, hour = 0, minute = 0, second = 0, used = 0;
  char mon[4] = {};
  char zone[8] = {};
  int colons = static_cast<int>(std::count(text.begin(), text.end(), ':'));
  int got;
  if (colons == 2)
    got = std::sscanf(text.c_str(), "%2d %3s %4d %2d:%2d:%2d %7s%n", &day, mon, &year, &hour, &minute,
                      &second, zone, &used);
  else if (colons == 1)
    got = std::sscanf(text.c_str(), "%2d %3s %4d %2d:%2d %7s%n", &day, mon, &year, &hour, &minute, zone,
                      &used) +
          1;
  else
    return std::nullopt;
  if (got != 7 || static_cast<std::size_t>(used) != text.size()) return std::nullopt;
  static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  int m = -1;
  for (int i = 0; i < 12; ++i)
    if (core::equalsIgnoringCase(mon, months[i])) m = i;
  std::string z = zone;
  if (m < 0 || !(z == "GMT" || z == "UTC" || z == "Z")) return std::nullopt;
  if (day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60) return std::nullopt;
  struct tm t {};
  t.tm_year = year - 1900;
  t.tm_mon = m;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return static_cast<double>(timegm(&t));
}

void DownloadCache::storeResponseForRequest(HTTPRequest& request, double maxAge) {
  std::lock_guard lock(accessLock_);
  if (request.error() || !request.responseHeaders().isDictionary() ||
      (request.cachePolicy() & DoNotWriteToCacheCachePolicy))
    return;
  int status = request.responseStatusCode();
  if (status != 200 && status != 301 && status != 302 && status != 303 && status != 307) return;
  if (shouldRespectCacheControlHeaders_ && !serverAllowsResponseCachingForRequest(request)) return;
  auto headerPath = pathToStoreCachedResponseHeadersForRequest(request);
  auto dataPath = pathToStoreCachedResponseDataForRequest(request);
  if (!headerPath || !dataPath) return;
  core::Value headers = request.responseHeaders().deepCopy();
  if (request.isResponseCompressed()) headers = dropHeader(headers, "Content-Encoding");
  if (auto expires = expiryDateForRequest(request, maxAge)) headers.set(kExpiresKey, *expires);
  headers.set(kStatusKey, static_cast<std::int64_t>(status));
  core::PropertyList::writeFile(*headerPath, headers);
  std::string downloaded = request.downloadDestinationPath();
  if (downloaded.empty()) {
    core::Paths::atomicWrite(*dataPath, request.responseData());
  } else if (downloaded != *dataPath) {
    std::remove(dataPath->c_str());
    std::error_code ec;
    std::filesystem::copy_file(downloaded, *dataPath, ec);
  }
}

void DownloadCache::updateExpiryForRequest(HTTPRequest& request, double maxAge) {
  std::lock_guard lock(accessLock_);
  auto headerPath = pathToStoreCachedResponseHeadersForRequest(request);
  if (!headerPath) return;
  core::Value headers = core::PropertyList::readFile(*headerPath);
  if (!headers.isDictionary()) return;
  auto expires = expiryDateForRequest(request, maxAge);
  if (!expires) return;
  headers.set(kExpiresKey, *expires);
  core::PropertyList::writeFile(*headerPath, headers);
}

void DownloadCache::removeCachedDataForURL(const core::URL& url) {
  std::lock_guard lock(accessLock_);
  if (storagePath_.empty()) return;
  if (auto p = pathToCachedResponseHeadersForURL(url)) std::remove(p->c_str());
  if (auto p = pathToCachedResponseDataForURL(url)) std::remove(p->c_str());
}

void DownloadCache::removeCachedDataForRequest(HTTPRequest& request) {
  if (auto url = request.url()) removeCachedDataForURL(*url);
}

bool DownloadCache::isCachedDataCurrentForRequest(HTTPRequest& request) {
  std::lock_guard lock(accessLock_);
  auto url = request.url();
  if (storagePath_.empty() || !url) return false;
  core::Value cached = cachedResponseHeadersForURL(*url);
  if (!cached.isDictionary() || !pathToCachedResponseDataForURL(*url)) return false;
  if (request.responseStatusCode() == 304) return true;
  if (request.responseHeaders().isDictionary() && request.complete()) {
    for (const char* name : {"Etag", "Last-Modified"}) {
      auto mine = header(request.responseHeaders(), name);
      auto stored = header(cached, name);
      if (!mine || !stored || *mine != *stored) return false;
    }
  }
  if (!shouldRespectCacheControlHeaders_) return true;
  const core::Value& expires = cached[kExpiresKey];
  if (expires.isNil()) return false;
  return expires.toDouble() >= now();
}

bool DownloadCache::canUseCachedDataForRequest(HTTPRequest& request) {
  std::lock_guard lock(accessLock_);
  int policy = request.cachePolicy();
  if (policy & DoNotReadFromCacheCachePolicy) return false;
  if (policy & DontLoadCachePolicy) return true;
  auto url = request.url();
  if (!url || !cachedResponseHeadersForURL(*url).isDictionary() || !pathToCachedResponseDataForURL(*url))
    return false;
  if ((policy & OnlyLoadIfNotCachedCachePolicy) ||
      ((policy & FallbackToCacheIfLoadFailsCachePolicy) && request.complete()))
    return true;
  if ((policy & AskServerIfModifiedWhenStaleCachePolicy) ||
      ((policy & AskServerIfModifiedCachePolicy) && request.responseHeaders().isDictionary()))
    return isCachedDataCurrentForRequest(request);
  return false;
}

void DownloadCache::clearCachedResponsesForStoragePolicy(int storagePolicy) {
  clearCachedResponses(storagePolicy, nullptr);
}

bool DownloadCache::clearCachedResponses(int storagePolicy, core::Error* error) {
  std::lock_guard lock(accessLock_);
  if (storagePath_.empty()) return true;
  std::string dir = directoryForPolicy(storagePolicy);
  if (!core::Paths::isDirectory(dir)) return true;
  std::error_code ec;
  std::vector<std::filesystem::path> items;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    items.push_back(it->path());
  if (ec) {
    if (error)
      *error = core::Error(
          kDownloadCacheErrorDomain, 3, "Listing cache directory failed at path '" + dir + "'",
          core::Value(core::Dictionary{{"NSLocalizedFailureReason", "FailedToTraverseCacheDirectory"}}));
    return false;
  }
  for (const auto& p : items) {
    std::filesystem::remove_all(p, ec);
    if (ec) {
      if (error)
        *error = core::Error(
            kDownloadCacheErrorDomain, 4, "Failed to remove cached data at path '" + dir + "'",
            core::Value(core::Dictionary{{"NSLocalizedFailureReason", "FailedToRemoveCacheFile"}}));
      return false;
    }
  }
  return true;
}
