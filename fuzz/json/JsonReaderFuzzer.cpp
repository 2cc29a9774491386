// Feeds arbitrary bytes to the JSON reader. Whatever it accepts must survive a round trip: written
// back, it reads as an equal tree, and writing that tree again gives the same text. The same bytes
// handed over in two pieces must give the same outcome as the whole, and the stream parser reading the
// whole text in one call must give the very tree (types and key order included) the parser's
// single-pass reader gives.

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

// Equal and of the same types all the way down, keys in the same order.
bool sameTree(const core::Value& a, const core::Value& b) {
  if (a.type() != b.type()) return false;
  if (a.isArray()) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (!sameTree(a[i], b[i])) return false;
    }
    return true;
  }
  if (a.isDictionary()) {
    const auto& x = a.dict().entries();
    const auto& y = b.dict().entries();
    if (x.size() != y.size()) return false;
    for (std::size_t i = 0; i < x.size(); ++i) {
      if (x[i].first != y[i].first || !sameTree(x[i].second, y[i].second)) return false;
    }
    return true;
  }
  return a == b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  JsonParser parser;
  const core::Value value = parser.objectWithData(data, size);

  check(sameTree(parseInTwoPieces(data, size, size), value));

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
