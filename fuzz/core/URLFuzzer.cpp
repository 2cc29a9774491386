// Arbitrary text as URLs: a packet address or a base URL (up to the first newline) and a "Location"
// reference resolved against it (the rest).
//
// A URL that parses must print as text that parses to the same URL; what goes on a request line and in
// the "Host" header (request target, host and port) never holds a space, a control character or DEL, so
// no server-given address can add a header or a second request; a resolved reference is such a URL too.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/core/URL.h"

namespace {

void fail(const char* what, std::string_view text) {
  std::fprintf(stderr, "url_fuzzer: %s: %.*s\n", what, static_cast<int>(text.size()), text.data());
  std::abort();
}

bool cleanForTheWire(std::string_view s) {
  for (char c : s) {
    auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u == 0x7f) return false;
  }
  return true;
}

void check(const core::URL& url, std::string_view source) {
  const std::string text = url.toString();
  auto again = core::URL::parse(text);
  if (!again) fail("a parsed URL prints as text that does not parse", source);
  if (again->toString() != text) fail("a URL does not print the same after a round trip", source);
  if (url.scheme.empty()) fail("a URL without a scheme", source);
  if (!cleanForTheWire(url.requestTarget())) fail("the request target is not safe on a request line", source);
  if (!url.host.empty() && !cleanForTheWire(url.hostAndPort())) fail("the Host value is not safe", source);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  const std::size_t nl = in.find('\n');
  const std::string_view base = in.substr(0, nl);
  const std::string_view reference = nl == std::string_view::npos ? std::string_view() : in.substr(nl + 1);

  auto url = core::URL::parse(base);
  if (url) {
    check(*url, base);
    if (auto resolved = url->resolve(reference)) check(*resolved, reference);
  }
  // Escaping for one component undoes exactly.
  const std::string escaped = core::escapeComponent(base);
  if (!cleanForTheWire(escaped)) fail("an escaped component is not safe", base);
  auto unescaped = core::removingPercentEscapes(escaped);
  if (unescaped && *unescaped != base) fail("escapeComponent does not round-trip", base);
  return 0;
}
