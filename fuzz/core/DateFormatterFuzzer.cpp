// Arbitrary text parsed as a date with the patterns the application reads server dates with (or, for a
// first byte of 0xFF, with a pattern taken from the input up to its first newline).
//
// A text that parses gives a date that formats back to text that parses to the same date (within the
// millisecond a fraction field keeps), in UTC and in a fixed zone east of it.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/core/DateFormatter.h"

namespace {

constexpr const char* kPatterns[] = {
    "yyyy-MM-dd HH:mm:ss",
    "yyyy-MM-dd",
    "yyyyMMdd",
    "yyyy-MM",
    "HH:mm",
    "MM-dd",
    "yyyy年MM月dd日",
    "yyyy-MM-dd HH:mm:ss.SSS",
    "EEE, dd MMM yyyy HH:mm:ss 'GMT'",
    "h:mm a",
    "yy/M/d",
    "EEEE MMMM d yyyy",
};

void fail(const char* what, std::string_view pattern, std::string_view text) {
  std::fprintf(stderr, "date_formatter_fuzzer: %s: pattern \"%.*s\" text \"%.*s\"\n", what,
               static_cast<int>(pattern.size()), pattern.data(), static_cast<int>(text.size()), text.data());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::string_view in(reinterpret_cast<const char*>(data + 1), size - 1);
  std::string pattern;
  bool known = data[0] != 0xFF;
  if (known) {
    pattern = kPatterns[data[0] % (sizeof kPatterns / sizeof *kPatterns)];
  } else {
    const std::size_t nl = in.find('\n');
    if (nl == std::string_view::npos || nl > 64) return 0;
    pattern = std::string(in.substr(0, nl));
    in.remove_prefix(nl + 1);
  }
  for (const core::TimeZone& zone : {core::TimeZone::utc(), core::TimeZone::fixed(8 * 3600)}) {
    core::DateFormatter formatter(pattern, zone);
    auto date = formatter.parse(in);
    if (!date) continue;
    if (!std::isfinite(date->secondsSince1970)) fail("a parsed date is not finite", pattern, in);
    const std::string text = formatter.format(*date);
    auto again = formatter.parse(text);
    // Patterns of the input may drop what they parse (an hour without AM/PM, a weekday): only the known
    // ones must round-trip.
    if (!known) continue;
    if (!again) fail("a formatted date does not parse", pattern, text);
    if (std::fabs(again->secondsSince1970 - date->secondsSince1970) > 0.001)
      fail("a date does not survive format and parse", pattern, in);
  }
  return 0;
}
