#include "platform/net/ProxyConfig.h"

#include <cctype>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/net/HTTPMessage.h"

namespace net {

namespace {

std::optional<std::string> env(const char* lowerName, const char* upperName) {
  if (const char* v = std::getenv(lowerName); v && *v) return std::string(v);
  if (upperName) {
    if (const char* v = std::getenv(upperName); v && *v) return std::string(v);
  }
  return std::nullopt;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool bypasses(const std::string& host, const std::string& noProxy) {
  std::string_view list = noProxy;
  while (!list.empty()) {
    auto comma = list.find(',');
    std::string_view item = trim(list.substr(0, comma));
    list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    if (item.empty()) continue;
    if (item == "*") return true;
    // Ports are ignored; a leading "." or "*." means the same as none: the name and its subdomains.
    if (item.front() != '[') {
      auto colon = item.rfind(':');
      if (colon != std::string_view::npos && item.find(':') == colon) item = item.substr(0, colon);
    } else if (auto close = item.find(']'); close != std::string_view::npos) {
      item = item.substr(1, close - 1);
    }
    if (item.substr(0, 2) == "*.") item.remove_prefix(2);
    if (!item.empty() && item.front() == '.') item.remove_prefix(1);
    if (item.empty()) continue;
    if (equalsIgnoringCase(host, item)) return true;
    if (host.size() > item.size() && host[host.size() - item.size() - 1] == '.' &&
        equalsIgnoringCase(std::string_view(host).substr(host.size() - item.size()), item)) {
      return true;
    }
  }
  return false;
}

std::optional<ProxySettings> parseProxy(const std::string& value) {
  std::string text = value;
  ProxySettings p;
  p.type = ProxySettings::Type::HTTP;
  int defaultPort = 80;
  if (text.find("://") == std::string::npos) text = "http://" + text;
  auto url = core::URL::parse(text);
  if (!url || url->host.empty()) return std::nullopt;
  if (url->scheme == "socks5" || url->scheme == "socks5h" || url->scheme == "socks") {
    p.type = ProxySettings::Type::SOCKS;
    defaultPort = 1080;
  } else if (url->scheme != "http") {
    return std::nullopt;
  }
  p.host = url->host;
  p.port = url->port >= 0 ? url->port : defaultPort;
  if (p.port <= 0 || p.port > 65535) return std::nullopt;
  return p;
}

}  // namespace

std::optional<std::vector<ProxySettings>> proxiesForURL(const core::URL& url) {
  std::vector<ProxySettings> out;
  std::optional<std::string> value;
  if (url.scheme == "https") {
    value = env("https_proxy", "HTTPS_PROXY");
  } else if (url.scheme == "http") {
    value = env("http_proxy", std::getenv("REQUEST_METHOD") ? nullptr : "HTTP_PROXY");
  } else {
    return out;
  }
  if (!value) value = env("all_proxy", "ALL_PROXY");
  if (!value) return out;
  if (auto noProxy = env("no_proxy", "NO_PROXY"); noProxy && bypasses(url.host, *noProxy)) return out;
  auto proxy = parseProxy(*value);
  if (!proxy) return std::nullopt;
  out.push_back(*proxy);
  return out;
}

std::optional<core::URL> autoConfigURLForURL(const core::URL& url) {
  auto value = env("auto_proxy", "AUTO_PROXY");
  if (!value) return std::nullopt;
  if (auto noProxy = env("no_proxy", "NO_PROXY"); noProxy && bypasses(url.host, *noProxy))
    return std::nullopt;
  std::string text(trim(*value));
  if (!text.empty() && text.front() == '/') text = "file://" + text;
  return core::URL::parse(text);
}

std::optional<ProxySettings> proxyFromPACAnswer(std::string_view answer) {
  std::string_view first = trim(answer.substr(0, answer.find(';')));
  auto space = first.find_first_of(" \t");
  std::string kind(first.substr(0, space));
  for (char& c : kind) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  ProxySettings proxy;
  if (kind == "DIRECT") return proxy;
  if (space == std::string_view::npos) return std::nullopt;
  std::string_view where = trim(first.substr(space + 1));
  if (kind == "PROXY" || kind == "HTTP")
    proxy.type = ProxySettings::Type::HTTP;
  else if (kind == "SOCKS" || kind == "SOCKS5")
    proxy.type = ProxySettings::Type::SOCKS;
  else
    return std::nullopt;
  auto colon = where.rfind(':');
  if (colon == std::string_view::npos || colon == 0) return std::nullopt;
  proxy.host = std::string(where.substr(0, colon));
  int port = 0;
  for (char c : where.substr(colon + 1)) {
    if (c < '0' || c > '9' || port > 65535) return std::nullopt;
    port = port * 10 + (c - '0');
  }
  if (port <= 0 || port > 65535) return std::nullopt;
  proxy.port = port;
  return proxy;
}

}  // namespace net
