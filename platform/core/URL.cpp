#include "platform/core/URL.h"

#include <cctype>

#include "platform/core/Text.h"

namespace core {

namespace {

bool isAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isUnreserved(char c) { return isAlpha(c) || isDigit(c) || c == '-' || c == '.' || c == '_' || c == '~'; }

bool keptByUrlEscaping(char c) {
  if (isAlpha(c) || isDigit(c)) return true;
  switch (c) {
    case '!':
    case '$':
    case '&':
    case '\'':
    case '(':
    case ')':
    case '*':
    case '+':
    case ',':
    case '-':
    case '.':
    case '/':
    case ':':
    case ';':
    case '=':
    case '?':
    case '@':
    case '_':
    case '~':
    case '#':
      return true;
    default:
      return false;
  }
}

void appendEscaped(std::string& out, unsigned char c) {
  static const char* hex = "0123456789ABCDEF";
  out += '%';
  out += hex[c >> 4];
  out += hex[c & 0xF];
}

int hexValue(char c) {
  if (isDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool hasForbiddenBytes(std::string_view s) {
  for (char ch : s) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c <= 0x20 || c >= 0x7F) return true;
  }
  return false;
}

// The components of an absolute or relative reference (RFC 3986 section 3).
struct Parts {
  std::optional<std::string> scheme;
  bool hasAuthority = false;
  std::string authority;
  std::string path;
  std::optional<std::string> query;
  std::optional<std::string> fragment;
};

Parts split(std::string_view s) {
  Parts p;
  // scheme
  std::size_t i = 0;
  if (!s.empty() && isAlpha(s[0])) {
    std::size_t j = 1;
    while (j < s.size() && (isAlpha(s[j]) || isDigit(s[j]) || s[j] == '+' || s[j] == '-' || s[j] == '.')) ++j;
    if (j < s.size() && s[j] == ':') {
      p.scheme = toLower(s.substr(0, j));
      i = j + 1;
    }
  }
  if (s.substr(i, 2) == "//") {
    p.hasAuthority = true;
    std::size_t end = s.find_first_of("/?#", i + 2);
    if (end == std::string_view::npos) end = s.size();
    p.authority = std::string(s.substr(i + 2, end - i - 2));
    i = end;
  }
  std::size_t end = s.find_first_of("?#", i);
  if (end == std::string_view::npos) end = s.size();
  p.path = std::string(s.substr(i, end - i));
  i = end;
  if (i < s.size() && s[i] == '?') {
    end = s.find('#', i);
    if (end == std::string_view::npos) end = s.size();
    p.query = std::string(s.substr(i + 1, end - i - 1));
    i = end;
  }
  if (i < s.size() && s[i] == '#') p.fragment = std::string(s.substr(i + 1));
  return p;
}

// RFC 3986 section 5.2.4.
std::string removeDotSegments(std::string_view in) {
  std::string input(in);
  std::string out;
  while (!input.empty()) {
    if (hasPrefix(input, "../")) {
      input.erase(0, 3);
    } else if (hasPrefix(input, "./")) {
      input.erase(0, 2);
    } else if (hasPrefix(input, "/./")) {
      input.erase(0, 2);
    } else if (input == "/.") {
      input = "/";
    } else if (hasPrefix(input, "/../") || input == "/..") {
      input = input == "/.." ? "/" : input.substr(3);
      auto slash = out.rfind('/');
      out.erase(slash == std::string::npos ? 0 : slash);
    } else if (input == "." || input == "..") {
      input.clear();
    } else {
      std::size_t next = input.find('/', input[0] == '/' ? 1 : 0);
      if (next == std::string::npos) next = input.size();
      out += input.substr(0, next);
      input.erase(0, next);
    }
  }
  return out;
}

// Fills host, user and port from an authority text; false when the port is not a number up to 65535.
// A host as a URL may write it: a name or IPv4 address of letters, digits, "-._~", "%" escapes and
// "!$&'()*+,;="; between brackets an IPv6 address (hex digits, ":" and "."). Anything else (a ":" or a
// bracket outside brackets, an "@") would print as a different URL.
bool isValidHost(std::string_view host, bool bracketed) {
  for (char c : host) {
    const bool ok = bracketed ? (std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.')
                              : (std::isalnum(static_cast<unsigned char>(c)) ||
                                 std::string_view("-._~%!$&'()*+,;=").find(c) != std::string_view::npos);
    if (!ok) return false;
  }
  return !bracketed || host.find(':') != std::string_view::npos;
}

bool applyAuthority(URL& url, std::string_view authority) {
  url.hasAuthority = true;
  auto at = authority.rfind('@');
  if (at != std::string_view::npos) {
    url.user = std::string(authority.substr(0, at));
    authority.remove_prefix(at + 1);
  }
  std::string_view host = authority, port;
  if (!authority.empty() && authority[0] == '[') {
    auto close = authority.find(']');
    if (close == std::string_view::npos) return false;
    host = authority.substr(1, close - 1);
    std::string_view rest = authority.substr(close + 1);
    if (!rest.empty()) {
      if (rest[0] != ':') return false;
      port = rest.substr(1);
    }
  } else if (auto colon = authority.rfind(':'); colon != std::string_view::npos) {
    host = authority.substr(0, colon);
    port = authority.substr(colon + 1);
  }
  if (!isValidHost(host, authority.size() > 0 && authority[0] == '[')) return false;
  url.host = toLower(host);
  url.port = -1;
  if (!port.empty()) {
    if (port.size() > 5) return false;
    int v = 0;
    for (char c : port) {
      if (!isDigit(c)) return false;
      v = v * 10 + (c - '0');
    }
    if (v > 65535) return false;
    url.port = v;
  }
  return true;
}

// Escapes the bytes a URL text may not hold as they are (spaces, controls, non-ASCII), as a browser
// does with a Location header.
std::string escapeForbidden(std::string_view s) {
  std::string out;
  for (char ch : s) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c <= 0x20 || c >= 0x7F) {
      appendEscaped(out, c);
    } else {
      out += ch;
    }
  }
  return out;
}

}  // namespace

std::string addingPercentEscapes(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (char c : utf8) {
    if (keptByUrlEscaping(c)) {
      out += c;
    } else {
      appendEscaped(out, static_cast<unsigned char>(c));
    }
  }
  return out;
}

std::string escapeComponent(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (char c : utf8) {
    if (isUnreserved(c)) {
      out += c;
    } else {
      appendEscaped(out, static_cast<unsigned char>(c));
    }
  }
  return out;
}

std::optional<std::string> removingPercentEscapes(std::string_view text, bool plusAsSpace) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '%') {
      if (i + 2 >= text.size()) return std::nullopt;
      const int hi = hexValue(text[i + 1]), lo = hexValue(text[i + 2]);
      if (hi < 0 || lo < 0) return std::nullopt;
      out += static_cast<char>(hi * 16 + lo);
      i += 2;
    } else if (c == '+' && plusAsSpace) {
      out += ' ';
    } else {
      out += c;
    }
  }
  if (!isValidUtf8(out)) return std::nullopt;
  return out;
}

std::optional<URL> URL::parse(std::string_view text) {
  if (text.empty() || hasForbiddenBytes(text)) return std::nullopt;
  Parts p = split(text);
  if (!p.scheme) return std::nullopt;
  URL url;
  url.scheme = *p.scheme;
  if (p.hasAuthority && !applyAuthority(url, p.authority)) return std::nullopt;
  url.path = p.hasAuthority ? removeDotSegments(p.path) : p.path;
  url.query = p.query;
  url.fragment = p.fragment;
  return url;
}

std::string URL::toString() const {
  std::string out = scheme + ":";
  if (hasAuthority || !host.empty()) {
    out += "//";
    if (!user.empty()) out += user + "@";
    out += host.find(':') != std::string::npos ? "[" + host + "]" : host;
    if (port >= 0) out += ":" + std::to_string(port);
    if (!path.empty() && path[0] != '/') out += '/';
  } else if (path.size() >= 2 && path[0] == '/' && path[1] == '/') {
    out += "/.";  // a path that starts with "//" would read back as an authority
  }
  out += path;
  if (query) out += "?" + *query;
  if (fragment) out += "#" + *fragment;
  return out;
}

int URL::effectivePort() const {
  if (port >= 0) return port;
  if (scheme == "http") return 80;
  if (scheme == "https") return 443;
  return -1;
}

std::string URL::hostAndPort() const {
  std::string out = host.find(':') != std::string::npos ? "[" + host + "]" : host;
  if (port >= 0) out += ":" + std::to_string(port);
  return out;
}

std::string URL::requestTarget() const {
  std::string out = path.empty() ? "/" : path;
  if (query) out += "?" + *query;
  return out;
}

std::optional<URL> URL::resolve(std::string_view reference) const {
  const std::string ref = escapeForbidden(trim(reference));
  Parts r = split(ref);
  if (r.scheme) return parse(ref);
  URL t;
  t.scheme = scheme;
  if (r.hasAuthority) {
    if (!applyAuthority(t, r.authority)) return std::nullopt;
    t.path = removeDotSegments(r.path);
    t.query = r.query;
  } else {
    t.hasAuthority = hasAuthority;
    t.user = user;
    t.host = host;
    t.port = port;
    if (r.path.empty()) {
      t.path = path;
      t.query = r.query ? r.query : query;
    } else {
      if (r.path[0] == '/') {
        t.path = removeDotSegments(r.path);
      } else {
        std::string merged;
        if ((hasAuthority || !host.empty()) && path.empty()) {
          merged = "/" + r.path;
        } else {
          auto slash = path.rfind('/');
          merged = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + r.path;
        }
        t.path = removeDotSegments(merged);
      }
      t.query = r.query;
    }
  }
  t.fragment = r.fragment;
  return t;
}

}  // namespace core
