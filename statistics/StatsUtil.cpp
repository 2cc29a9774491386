#include "statistics/StatsUtil.h"

#include <sys/random.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>

#include "platform/core/Bundle.h"
#include "platform/core/Text.h"
#include "platform/core/URL.h"
#include "platform/security/MD5.h"
#include "statistics/StatsDeviceID.h"
#include "statistics/StatsJsonParser.h"
#include "statistics/StatsJsonWriter.h"
#include "statistics/StatsLog.h"
#include "statistics/StatsServices.h"

std::optional<std::string> StatsUtil::JSONFragment(const core::Value& value) {
  StatsJsonWriter writer;
  auto text = writer.stringWithFragment(value);
  if (!text) StatsLog::log("-JSONFragment failed. Error trace is: " + writer.describeErrorTrace());
  return text;
}

std::optional<std::string> StatsUtil::JSONRepresentation(const core::Value& value) {
  StatsJsonWriter writer;
  auto text = writer.stringWithObject(value);
  if (!text) StatsLog::log("-JSONRepresentation failed. Error trace is: " + writer.describeErrorTrace());
  return text;
}

core::Value StatsUtil::JSONValue(std::string_view text) {
  StatsJsonParser parser;
  core::Value value = parser.objectWithString(text);
  if (value.isNil()) StatsLog::log("-JSONValue failed. Error trace is: " + parser.describeErrorTrace());
  return value;
}

std::string StatsUtil::urlEncode(std::string_view text) { return core::escapeComponent(text); }

std::string StatsUtil::md5Value(std::string_view text) { return core::toUpper(sec::MD5::hexDigest(text)); }

std::string StatsUtil::getString(std::string_view text, std::size_t bytes) {
  if (text.size() <= bytes || !core::isValidUtf8(text)) return std::string(text);
  std::size_t end = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    core::nextCodePoint(text, i);
    if (i > bytes) break;
    end = i;
  }
  return std::string(text.substr(0, end));
}

std::optional<core::Bytes> StatsUtil::deflatedData(const core::Bytes& source) {
  return deflatedDataPrefixedWith({}, Z_DEFAULT_COMPRESSION, source);
}

std::optional<core::Bytes> StatsUtil::deflatedDataPrefixedWith(const core::Bytes& prefix, int level,
                                                               const core::Bytes& source) {
  // Room for the worst case: the component's traditional estimate, or zlib's own bound when that is
  // larger (small incompressible inputs).
  const uLong estimate = static_cast<uLong>(source.size() * 1001 / 1000 + 12);
  uLongf room = std::max<uLong>(estimate, compressBound(static_cast<uLong>(source.size())));
  core::Bytes out(prefix.size() + room);
  std::copy(prefix.begin(), prefix.end(), out.begin());
  const int rc =
      compress2(out.data() + prefix.size(), &room, source.data(), static_cast<uLong>(source.size()), level);
  if (rc != Z_OK) return std::nullopt;
  out.resize(prefix.size() + room);
  return out;
}

std::string StatsUtil::sharedUDIDString() { return StatsDeviceID::shared().value(); }

std::string StatsUtil::newUUIDString() {
  unsigned char b[16] = {};
  std::size_t got = 0;
  while (got < sizeof b) {
    const ssize_t n = getrandom(b + got, sizeof b - got, 0);
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  b[6] = static_cast<unsigned char>((b[6] & 0x0F) | 0x40);  // version 4
  b[8] = static_cast<unsigned char>((b[8] & 0x3F) | 0x80);  // RFC 4122 variant
  char text[37];
  std::snprintf(text, sizeof text, "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14],
                b[15]);
  return text;
}

core::Date StatsUtil::now() {
  const auto clock = StatsServices::installed().clock;
  return clock ? clock() : core::Date::now();
}

std::string StatsUtil::appShortVersionString() { return core::Bundle::main().shortVersion(); }
