// Arbitrary bytes as a property list (XML or binary, as user defaults and bundle files are read).
//
// Whatever reads as a property list must write back: in binary form it must read again to the same
// value, and its XML form must be stable (the XML written from the value read back from XML is the same
// text).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/core/PropertyList.h"

namespace {

void fail(const char* what) {
  std::fprintf(stderr, "property_list_fuzzer: %s\n", what);
  std::abort();
}

// Deep equality where a NaN equals a NaN and dates allow for the limits of libplist's date interface (see
// PropertyList.cpp).
bool same(const core::Value& a, const core::Value& b) {
  if (a.type() != b.type()) return false;
  if (a.isDouble()) return a == b || (std::isnan(a.toDouble()) && std::isnan(b.toDouble()));
  if (a.isDate()) {
    const double x = a.date().secondsSinceReferenceDate(), y = b.date().secondsSinceReferenceDate();
    // libplist reads a binary date's microseconds rounded down: a microsecond may go per write. Within a
    // second of 2001 or of the ends of the dates it holds, a fraction may be lost.
    const bool edge = std::fabs(x) < 1 || std::fabs(x) > 2147483646.0;
    return std::fabs(x - y) < 2.5e-6 || (edge && std::fabs(x - y) < 1);
  }
  if (a.isArray()) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
      if (!same(a.array()[i], b.array()[i])) return false;
    return true;
  }
  if (a.isDictionary()) {
    if (a.dict().keys() != b.dict().keys()) return false;
    for (const std::string& k : a.dict().keys())
      if (!same(a[k], b[k])) return false;
    return true;
  }
  return a == b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const core::Value value =
      core::PropertyList::fromData(std::string_view(reinterpret_cast<const char*>(data), size));
  if (value.isNil()) return 0;
  if (value.isNull()) fail("a property list read as Null");

  auto binary = core::PropertyList::toBinary(value);
  if (!binary) fail("a value read from a property list does not write as binary");
  const core::Value fromBinary = core::PropertyList::fromData(*binary);
  if (!same(fromBinary, value)) fail("the binary form does not read back to the same value");

  auto xml = core::PropertyList::toXML(value);
  if (!xml) fail("a value read from a property list does not write as XML");
  const core::Value fromXML = core::PropertyList::fromData(std::string_view(*xml));
  if (fromXML.isNil()) fail("the XML written does not read");
  auto again = core::PropertyList::toXML(fromXML);
  if (!again || *again != *xml) fail("the XML form is not stable");
  return 0;
}
