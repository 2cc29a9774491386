#pragma once
// net::proxiesForURL: the system's proxy settings for a URL, from the environment (the Linux convention):
// "http_proxy" for http URLs, "https_proxy" for https URLs, "all_proxy" for both when the specific one is
// not set (the lower-case name is read first, then the upper-case one; "HTTP_PROXY" is ignored where
// "REQUEST_METHOD" is set, as CGI programs must), and "no_proxy" / "NO_PROXY" (comma-separated host
// suffixes, "*" for all, ports ignored) to go direct.
//
// A proxy value is "host:port", "http://host:port" (HTTP proxy; port 80 when missing, 1080 for socks) or
// "socks5://host:port" / "socks5h://host:port" / "socks://host:port" (SOCKS). The answer is an empty list
// for a direct connection, or one entry. A value that cannot be read answers nullopt: the caller has no
// proxy information for the request.

#include <optional>
#include <string_view>
#include <vector>

#include "platform/core/URL.h"
#include "platform/net/HTTPReadStream.h"

namespace net {

std::optional<std::vector<ProxySettings>> proxiesForURL(const core::URL& url);

// The proxy auto-configuration script of the environment for a URL: "auto_proxy" / "AUTO_PROXY" (a file
// path, "file://", "http://" or "https://" URL), unless "no_proxy" exempts the URL's host. Nullopt when
// none is set or the value cannot be read as a URL.
std::optional<core::URL> autoConfigURLForURL(const core::URL& url);

// The first entry of a PAC script's answer ("PROXY host:port; SOCKS host:port; DIRECT"): an HTTP proxy for
// "PROXY" (and "HTTP"), a SOCKS proxy for "SOCKS"/"SOCKS5", type None for "DIRECT". Nullopt when the first
// entry cannot be read.
std::optional<ProxySettings> proxyFromPACAnswer(std::string_view answer);

}  // namespace net
