// Arbitrary "Set-Cookie" lines (one per input line, those the response parser would let through) received
// for one of a few URLs (the first byte chooses), and each line also read as an HTTP date.
//
// A cookie kept has a name, belongs to the URL's host (its domain is the host, or a domain the host lies
// in), and holds no control character in what goes back out in a "Cookie" header. An HTTP date that
// parses is a whole second that prints (RFC 1123, through the date formatter) as a date that parses to
// the same second.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "librarys/http/HTTPCookie.h"
#include "platform/core/DateFormatter.h"
#include "platform/core/Text.h"

namespace {

constexpr const char* kURLs[] = {"http://www.example.com/a/b/c?q=1", "https://example.com/",
                                 "http://127.0.0.1:8080/x", "http://sub.deep.example.org"};

void fail(const char* what, std::string_view line) {
  std::fprintf(stderr, "set_cookie_fuzzer: %s: %.*s\n", what, static_cast<int>(line.size()), line.data());
  std::abort();
}

// A control byte a header value may not carry (tab may).
bool hasControl(std::string_view s) {
  for (char c : s)
    if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7f) return true;
  return false;
}

bool belongsTo(const std::string& host, const std::string& domain) {
  if (domain == host) return true;
  if (domain.empty() || domain[0] != '.') return false;
  return host == domain.substr(1) || core::hasSuffix(host, domain);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const core::URL url = *core::URL::parse(kURLs[data[0] % (sizeof kURLs / sizeof *kURLs)]);
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  net::HeaderList lines;
  for (const std::string& line : core::split(text, "\n")) {
    // A header value from the wire holds no control byte but tab (the response parser refuses them).
    bool fromTheWire = true;
    for (char c : line)
      if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7f) fromTheWire = false;
    if (fromTheWire) lines.emplace_back("Set-Cookie", line);
  }

  for (const HTTPCookie& c : HTTPCookie::cookiesWithResponseHeaderLines(lines, url, 1.7e9)) {
    if (c.name.empty()) fail("a cookie without a name", c.value);
    if (!belongsTo(url.host, c.domain)) fail("a cookie for a domain the host is not in", c.domain);
    if (hasControl(c.name) || hasControl(c.value)) fail("a control character in a cookie", c.name);
    if (c.expiresDate && !std::isfinite(*c.expiresDate)) fail("an expiry date that is not finite", c.name);
  }

  static const core::DateFormatter rfc1123("EEE, dd MMM yyyy HH:mm:ss 'GMT'", core::TimeZone::utc());
  for (const auto& [name, line] : lines) {
    auto t = HTTPCookie::parseHTTPDate(line);
    if (!t) continue;
    if (!std::isfinite(*t) || std::floor(*t) != *t) fail("an HTTP date that is not a whole second", line);
    // Four-digit years from 1000 (a year below 100 is read as 19xx or 20xx, as the formats want).
    if (*t < -30610224000.0 || *t > 253402300799.0) continue;
    const std::string printed = rfc1123.format(core::Date{*t});
    auto again = HTTPCookie::parseHTTPDate(printed);
    if (!again || *again != *t) fail("an HTTP date does not survive printing", line);
  }
  return 0;
}
