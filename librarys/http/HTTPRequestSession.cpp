// HTTPRequest, class side: session credentials and cookies, the kept credentials, the default user agent,
// MIME types, "Content-Type" parsing and Base64.

#include <iconv.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "librarys/http/HTTPCookieStorage.h"
#include "librarys/http/HTTPRequest.h"
#include "librarys/http/HTTPRequestClassState.h"
#include "platform/core/Bundle.h"
#include "platform/core/Paths.h"
#include "platform/core/Text.h"
#include "platform/security/Keychain.h"
#include "platform/system/Device.h"

namespace {

std::string spaceKey(const std::string& kind, const std::string& host, int port, const std::string& protocol,
                     const std::string& realm) {
  return kind + "\n" + host + "\n" + std::to_string(port) + "\n" + protocol + "\n" + realm;
}

bool sameCredentialsObject(const core::Value& a, const core::Value& b) { return a.sameAs(b); }

std::string localeIdentifier() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* v = std::getenv(name);
    if (!v || !*v) continue;
    std::string s(v);
    s = s.substr(0, s.find_first_of(".@"));
    if (s == "C" || s == "POSIX") return "en_US";
    return s;
  }
  return "en_US";
}

bool isKnownCharset(const std::string& name) {
  iconv_t cd = iconv_open("UTF-8", name.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  iconv_close(cd);
  return true;
}

const std::map<std::string, std::string>& mimeTypesByExtension() {
  static const std::map<std::string, std::string>* types = [] {
    auto* map = new std::map<std::string, std::string>;
    std::ifstream in("/etc/mime.types");
    std::string line;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '#') continue;
      std::istringstream words(line);
      std::string type;
      words >> type;
      std::string ext;
      while (words >> ext) map->emplace(core::toLower(ext), type);
    }
    return map;
  }();
  return *types;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Session credentials

std::vector<HTTPRequest::SessionCredentials>& HTTPRequest::sessionCredentialsStore() {
  return classState().sessionCredentials;
}

std::vector<HTTPRequest::SessionCredentials>& HTTPRequest::sessionProxyCredentialsStore() {
  return classState().sessionProxyCredentials;
}

void HTTPRequest::storeAuthenticationCredentialsInSessionStore(const SessionCredentials& entry) {
  std::lock_guard lock(classState().sessionCredentialsLock);
  auto& store = classState().sessionCredentials;
  auto it = std::find_if(store.begin(), store.end(), [&](const SessionCredentials& e) {
    return sameCredentialsObject(e.credentials, entry.credentials);
  });
  if (it != store.end()) store.erase(it);
  store.push_back(entry);
}

void HTTPRequest::storeProxyAuthenticationCredentialsInSessionStore(const SessionCredentials& entry) {
  std::lock_guard lock(classState().sessionCredentialsLock);
  auto& store = classState().sessionProxyCredentials;
  auto it = std::find_if(store.begin(), store.end(), [&](const SessionCredentials& e) {
    return sameCredentialsObject(e.credentials, entry.credentials);
  });
  if (it != store.end()) store.erase(it);
  store.push_back(entry);
}

void HTTPRequest::removeAuthenticationCredentialsFromSessionStore(const core::Value& credentials) {
  std::lock_guard lock(classState().sessionCredentialsLock);
  auto& store = classState().sessionCredentials;
  auto it = std::find_if(store.begin(), store.end(), [&](const SessionCredentials& e) {
    return sameCredentialsObject(e.credentials, credentials);
  });
  if (it != store.end()) store.erase(it);
}

void HTTPRequest::removeProxyAuthenticationCredentialsFromSessionStore(const core::Value& credentials) {
  std::lock_guard lock(classState().sessionCredentialsLock);
  auto& store = classState().sessionProxyCredentials;
  auto it = std::find_if(store.begin(), store.end(), [&](const SessionCredentials& e) {
    return sameCredentialsObject(e.credentials, credentials);
  });
  if (it != store.end()) store.erase(it);
}

std::optional<HTTPRequest::SessionCredentials> HTTPRequest::findSessionAuthenticationCredentials() const {
  std::lock_guard lock(classState().sessionCredentialsLock);
  if (!url_) return std::nullopt;
  std::optional<SessionCredentials> closeMatch;
  for (const SessionCredentials& entry : classState().sessionCredentials) {
    if (!entry.url) continue;
    bool exact = *entry.url == *url_;
    if (!exact) {
      if (closeMatch) continue;
      bool samePort =
          (entry.url->port < 0 && url_->port < 0) || (url_->port >= 0 && entry.url->port == url_->port);
      if (!(entry.url->host == url_->host && samePort && entry.url->scheme == url_->scheme)) continue;
    }
    if (!authenticationRealm_.empty() && !entry.authenticationRealm.empty() &&
        entry.authenticationRealm != authenticationRealm_)
      continue;
    if (!username_.empty() && !password_.empty()) {
      if (entry.credentials["username"].toString() != username_ ||
          entry.credentials["password"].toString() != password_)
        continue;
    }
    if (exact) return entry;
    closeMatch = entry;
  }
  return closeMatch;
}

std::optional<HTTPRequest::SessionCredentials> HTTPRequest::findSessionProxyAuthenticationCredentials()
    const {
  std::lock_guard lock(classState().sessionCredentialsLock);
  for (const SessionCredentials& entry : classState().sessionProxyCredentials)
    if (entry.host == proxyHost_ && entry.port == proxyPort_) return entry;
  return std::nullopt;
}

// ---------------------------------------------------------------------------------------------------
// Kept credentials: the platform credential store. Saved credentials are permanent: they go to the
// keychain (service "HTTPRequestCredentials", one item per protection space: the user name as the item's
// label, the password as its secret) and are kept in memory for the process as well.

namespace {

constexpr const char* kCredentialService = "HTTPRequestCredentials";

void keepCredential(std::map<std::string, core::Value>& memory, const std::string& key,
                    const core::Value& credential) {
  memory[key] = credential.deepCopy();
  std::string user = credential["username"].toString();
  std::string password = credential["password"].toString();
  if (user.empty()) return;
  sec::KeychainAttributes query{
      {sec::kSecAttrService, kCredentialService}, {sec::kSecAttrAccount, key}, {sec::kSecAttrGeneric, key}};
  sec::KeychainAttributes attributes{{sec::kSecAttrLabel, user},
                                     {sec::kSecAttrDescription, credential["domain"].toString()}};
  std::vector<std::uint8_t> secret(password.begin(), password.end());
  auto keychain = sec::Keychain::standard();
  if (!keychain.update(query, attributes, secret)) {
    sec::KeychainItem item;
    item.attributes = query;
    item.attributes.insert(attributes.begin(), attributes.end());
    item.data = secret;
    keychain.add(item);
  }
}

core::Value keptCredential(std::map<std::string, core::Value>& memory, const std::string& key) {
  if (auto it = memory.find(key); it != memory.end()) return it->second.deepCopy();
  auto item = sec::Keychain::standard().find(
      {{sec::kSecAttrService, kCredentialService}, {sec::kSecAttrAccount, key}});
  if (!item) return core::Value();
  core::Value credential(core::Dictionary{});
  auto label = item->attributes.find(sec::kSecAttrLabel);
  credential.set("username", label == item->attributes.end() ? std::string() : label->second);
  credential.set("password", std::string(item->data.begin(), item->data.end()));
  auto domain = item->attributes.find(sec::kSecAttrDescription);
  if (domain != item->attributes.end() && !domain->second.empty()) credential.set("domain", domain->second);
  memory[key] = credential.deepCopy();
  return credential;
}

void forgetCredential(std::map<std::string, core::Value>& memory, const std::string& key) {
  memory.erase(key);
  sec::Keychain::standard().remove({{sec::kSecAttrService, kCredentialService}, {sec::kSecAttrAccount, key}});
}

}  // namespace

void HTTPRequest::saveCredentials(const core::Value& credential, const std::string& host, int port,
                                  const std::string& protocol, const std::string& realm) {
  std::lock_guard lock(classState().savedCredentialsLock);
  keepCredential(classState().savedCredentials, spaceKey("server", host, port, protocol, realm), credential);
}

core::Value HTTPRequest::savedCredentialsForHost(const std::string& host, int port,
                                                 const std::string& protocol, const std::string& realm) {
  std::lock_guard lock(classState().savedCredentialsLock);
  return keptCredential(classState().savedCredentials, spaceKey("server", host, port, protocol, realm));
}

void HTTPRequest::removeCredentialsForHost(const std::string& host, int port, const std::string& protocol,
                                           const std::string& realm) {
  std::lock_guard lock(classState().savedCredentialsLock);
  forgetCredential(classState().savedCredentials, spaceKey("server", host, port, protocol, realm));
}

void HTTPRequest::saveCredentialsForProxy(const core::Value& credential, const std::string& host, int port,
                                          const std::string& realm) {
  std::lock_guard lock(classState().savedCredentialsLock);
  keepCredential(classState().savedCredentials, spaceKey("proxy", host, port, "http", realm), credential);
}

core::Value HTTPRequest::savedCredentialsForProxy(const std::string& host, int port, const std::string&,
                                                  const std::string& realm) {
  std::lock_guard lock(classState().savedCredentialsLock);
  return keptCredential(classState().savedCredentials, spaceKey("proxy", host, port, "http", realm));
}

void HTTPRequest::removeCredentialsForProxy(const std::string& host, int port, const std::string& realm) {
  std::lock_guard lock(classState().savedCredentialsLock);
  forgetCredential(classState().savedCredentials, spaceKey("proxy", host, port, "http", realm));
}

// ---------------------------------------------------------------------------------------------------
// Session cookies

std::vector<HTTPCookie> HTTPRequest::sessionCookies() {
  std::lock_guard lock(classState().sessionCookiesLock);
  if (!classState().sessionCookies) classState().sessionCookies.emplace();
  return *classState().sessionCookies;
}

void HTTPRequest::setSessionCookies(std::optional<std::vector<HTTPCookie>> cookies) {
  std::lock_guard lock(classState().sessionCookiesLock);
  if (classState().sessionCookies) {
    for (const HTTPCookie& c : *classState().sessionCookies)
      HTTPCookieStorage::sharedHTTPCookieStorage().deleteCookie(c);
  }
  classState().sessionCookies = std::move(cookies);
}

void HTTPRequest::addSessionCookie(const HTTPCookie& cookie) {
  std::lock_guard lock(classState().sessionCookiesLock);
  if (!classState().sessionCookies) classState().sessionCookies.emplace();
  auto& list = *classState().sessionCookies;
  auto it =
      std::find_if(list.begin(), list.end(), [&](const HTTPCookie& c) { return c.sameIdentity(cookie); });
  if (it != list.end()) list.erase(it);
  list.push_back(cookie);
}

void HTTPRequest::clearSession() {
  {
    std::lock_guard lock(classState().sessionCredentialsLock);
    classState().sessionCredentials.clear();
  }
  setSessionCookies(std::nullopt);
  if (auto cache = defaultCache()) cache->clearCachedResponsesForStoragePolicy(0);
}

// ---------------------------------------------------------------------------------------------------
// User agent

std::optional<std::string> HTTPRequest::userAgentFromBundleInfo(const core::Value& info,
                                                                const std::string& model,
                                                                const std::string& systemName,
                                                                const std::string& systemVersion,
                                                                const std::string& locale) {
  std::string name = info["CFBundleDisplayName"].toString();
  if (name.empty()) name = info["CFBundleName"].toString();
  if (name.empty()) return std::nullopt;
  // The header carries the name's UTF-8 bytes as they are, one byte per character.
  std::string shortVersion = info["CFBundleShortVersionString"].toString();
  std::string bundleVersion = info["CFBundleVersion"].toString();
  std::string version;
  if (!shortVersion.empty() && !bundleVersion.empty() && shortVersion != bundleVersion) {
    version = shortVersion + " rv:" + bundleVersion;
  } else {
    version = !shortVersion.empty() ? shortVersion : bundleVersion;
  }
  return name + " " + version + " (" + model + "; " + systemName + " " + systemVersion + "; " + locale + ")";
}

std::optional<std::string> HTTPRequest::defaultUserAgentString() {
  auto& cs = classState();
  std::lock_guard lock(cs.classMonitor);
  if (cs.defaultUserAgentMade) return cs.defaultUserAgent;
  auto agent =
      userAgentFromBundleInfo(core::Value(core::Bundle::main().infoDictionary()), sys::Device::model(),
                              sys::Device::systemName(), sys::Device::systemVersion(), localeIdentifier());
  if (!agent) return std::nullopt;  // nothing stored: asked again next time
  cs.defaultUserAgent = agent;
  cs.defaultUserAgentMade = true;
  return agent;
}

void HTTPRequest::setDefaultUserAgentString(std::optional<std::string> agent) {
  auto& cs = classState();
  std::lock_guard lock(cs.classMonitor);
  cs.defaultUserAgent = std::move(agent);
  cs.defaultUserAgentMade = cs.defaultUserAgent.has_value();
}

// ---------------------------------------------------------------------------------------------------
// Helpers

std::optional<std::string> HTTPRequest::mimeTypeForFileAtPath(const std::string& path) {
  if (!core::Paths::fileExists(path)) return std::nullopt;
  std::string name = core::Paths::lastComponent(path);
  auto dot = name.rfind('.');
  if (dot != std::string::npos && dot + 1 < name.size()) {
    const auto& types = mimeTypesByExtension();
    auto it = types.find(core::toLower(name.substr(dot + 1)));
    if (it != types.end()) return it->second;
  }
  return std::string("application/octet-stream");
}

void HTTPRequest::parseMimeType(std::string* mimeType, std::string* encoding,
                                const std::string& contentType) {
  if (contentType.empty()) return;
  auto semicolon = contentType.find(';');
  if (semicolon == std::string::npos || semicolon == 0) {
    if (mimeType) *mimeType = core::trim(contentType);
    return;
  }
  if (mimeType) *mimeType = core::trim(contentType.substr(0, semicolon));
  auto charset = contentType.find("charset=", semicolon);
  if (charset == std::string::npos) return;
  std::size_t start = charset + 8;
  std::size_t end = contentType.find(';', start);
  std::string name =
      core::trim(contentType.substr(start, end == std::string::npos ? std::string::npos : end - start));
  if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
  if (!name.empty() && isKnownCharset(name) && encoding) *encoding = core::toUpper(name);
}

std::string HTTPRequest::base64forData(std::string_view data) {
  static const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((data.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 2 < data.size(); i += 3) {
    unsigned v = (static_cast<unsigned char>(data[i]) << 16) |
                 (static_cast<unsigned char>(data[i + 1]) << 8) | static_cast<unsigned char>(data[i + 2]);
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += kAlphabet[v & 63];
  }
  std::size_t rest = data.size() - i;
  if (rest == 1) {
    unsigned v = static_cast<unsigned char>(data[i]) << 16;
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += "==";
  } else if (rest == 2) {
    unsigned v = (static_cast<unsigned char>(data[i]) << 16) | (static_cast<unsigned char>(data[i + 1]) << 8);
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += '=';
  }
  return out;
}
