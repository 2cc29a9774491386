#pragma once
// core::URL and percent escaping.
//
// addingPercentEscapes() escapes a UTF-8 text for use as a whole URL, the way the application's URL
// texts have always been escaped: it leaves ASCII letters, digits and ! $ & ' ( ) * + , - . / : ; = ? @
// _ ~ # alone and writes every other byte (space, %, ", <, >, [, ], {, }, |, \, ^, `, control bytes and
// all bytes of non-ASCII characters) as %XX with upper-case hex. It does not protect the structure of
// the URL, so a text that becomes one path segment or one query value must go through
// escapeComponent(), which leaves only letters, digits and - . _ ~.

#include <optional>
#include <string>
#include <string_view>

namespace core {

std::string addingPercentEscapes(std::string_view utf8);
std::string escapeComponent(std::string_view utf8);
// Decodes %XX sequences ("+" stays "+" unless plusAsSpace). Nullopt when a "%" is not followed by two
// hex digits or the result is not valid UTF-8.
std::optional<std::string> removingPercentEscapes(std::string_view text, bool plusAsSpace = false);

class URL {
 public:
  std::string scheme;         // lower case, without ":"
  bool hasAuthority = false;  // "//" followed the scheme ("file:///x" has one with an empty host)
  std::string user;           // user info before "@", as written (may be empty)
  std::string host;           // lower case; IPv6 addresses without brackets
  int port = -1;              // -1: none given
  std::string path;           // as written (still escaped); "" or starting with "/" when there is a host
  std::optional<std::string> query;     // after "?", without it
  std::optional<std::string> fragment;  // after "#", without it

  // Parses an absolute URL ("scheme:..."). Nullopt for a text without a valid scheme, with a bad port
  // or with spaces or control characters (escape first).
  static std::optional<URL> parse(std::string_view text);

  std::string toString() const;
  // Port given, else 80 for http and 443 for https, else -1.
  int effectivePort() const;
  // "host" or "host:port" (with brackets for IPv6), as a Host header wants it.
  std::string hostAndPort() const;
  // path + "?" + query, "/" when the path is empty: the target of an HTTP request line.
  std::string requestTarget() const;

  // Resolves a reference (absolute, "//host/x", "/x", "x", "?q", "#f", "../x") against this URL, as a
  // redirect's Location is resolved. Nullopt when the reference is malformed.
  std::optional<URL> resolve(std::string_view reference) const;

  friend bool operator==(const URL& a, const URL& b) { return a.toString() == b.toString(); }
};

}  // namespace core
