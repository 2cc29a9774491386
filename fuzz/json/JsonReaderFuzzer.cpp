// Feeds arbitrary bytes to the JSON reader. Whatever it accepts must survive a round trip: written
// back, it reads as an equal tree, and writing that tree again gives the same text. The same bytes
// handed over in two pieces must give the same outcome as the whole.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "librarys/json/JsonParser.h"
#include "librarys/json/JsonStreamParser.h"
#include "librarys/json/JsonStreamParserAccumulator.h"
#include "librarys/json/JsonStreamParserAdapter.h"
#include "librarys/json/JsonWriter.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

// The same parse with the input split after `cut` bytes.
core::Value parseInTwoPieces(const std::uint8_t* data, std::size_t size, std::size_t cut) {
  JsonStreamParserAccumulator accumulator;
  JsonStreamParserAdapter adapter;
  adapter.setDelegate(&accumulator);
  JsonStreamParser parser;
  parser.setDelegate(&adapter);
  JsonStreamParserStatus status = parser.parse(data, cut);
  if (status != JsonStreamParserStatus::Error) status = parser.parse(data + cut, size - cut);
  return status == JsonStreamParserStatus::Complete ? accumulator.value() : core::Value();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  JsonParser parser;
  const core::Value value = parser.objectWithData(data, size);

  if (size > 0) {
    const std::size_t cut = data[0] % (size + 1);
    const core::Value pieces = parseInTwoPieces(data, size, cut);
    check(pieces.isNil() == value.isNil());
    if (!value.isNil()) check(pieces == value);
  }

  if (value.isNil()) {
    check(!parser.error().empty());
    return 0;
  }
  check(value.isArray() || value.isDictionary());

  JsonWriter writer;
  const auto text = writer.stringWithObject(value);
  check(text.has_value());
  JsonParser again;
  const core::Value back = again.objectWithString(*text);
  check(back == value);
  check(writer.stringWithObject(back) == text);

  // The indented, sorted form reads back as the same tree too.
  JsonWriter pretty;
  pretty.setHumanReadable(true);
  pretty.setSortKeys(true);
  const auto prettyText = pretty.stringWithObject(value);
  check(prettyText.has_value());
  check(JSONValue(*prettyText) == value);
  return 0;
}
