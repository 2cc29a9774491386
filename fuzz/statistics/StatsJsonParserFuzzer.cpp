// Feeds arbitrary bytes to the statistics component's JSON parser. A refusal must leave an error trace
// in the parser's domain; whatever is accepted must survive a round trip through the component's writer
// (read back as an equal value, written again as the same text); and the object reader must agree with
// the fragment reader.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "statistics/StatsJsonParser.h"
#include "statistics/StatsJsonWriter.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  StatsJsonParser parser;
  const core::Value value = parser.fragmentWithString(text);

  StatsJsonParser objects;
  const core::Value object = objects.objectWithString(text);
  check(object.isNil() == (value.isNil() || !(value.isArray() || value.isDictionary())));

  if (value.isNil()) {
    check(!parser.errorTrace().empty());
    check(parser.errorTrace().front().domain == StatsJsonBase::kErrorDomain);
    return 0;
  }
  check(parser.errorTrace().empty());

  StatsJsonWriter writer;
  const auto written = writer.stringWithFragment(value);
  check(written.has_value());
  StatsJsonParser again;
  const core::Value back = again.fragmentWithString(*written);
  check(back == value);
  check(writer.stringWithFragment(back) == written);

  StatsJsonWriter pretty;
  pretty.setSortKeys(true);
  pretty.setHumanReadable(true);
  const auto prettyText = pretty.stringWithFragment(value);
  check(prettyText.has_value());
  check(StatsJsonParser().fragmentWithString(*prettyText) == value);
  return 0;
}
