#include "librarys/json/JsonParser.h"

#include "librarys/json/JsonDocumentReader.h"
#include "librarys/json/JsonStreamParser.h"
#include "librarys/json/JsonStreamParserAccumulator.h"
#include "librarys/json/JsonStreamParserAdapter.h"

core::Value JsonParser::objectWithData(const core::Bytes* data) {
  if (!data) {
    error_ = "Input was 'nil'";
    return core::Value();
  }
  return objectWithData(data->data(), data->size());
}

core::Value JsonParser::objectWithData(const std::uint8_t* bytes, std::size_t length) {
  if (!bytes && length > 0) {
    error_ = "Input was 'nil'";
    return core::Value();
  }
  // The whole text is at hand: the single-pass reader builds the tree. Whatever it refuses goes
  // through the stream parser, which has the last word and the failure text.
  if (bytes) {
    if (std::optional<core::Value> tree = JsonDocumentReader(maxDepth_).read(bytes, length)) return *tree;
  }
  JsonStreamParserAccumulator accumulator;
  JsonStreamParserAdapter adapter;
  adapter.setDelegate(&accumulator);
  JsonStreamParser parser;
  parser.setMaxDepth(maxDepth_);
  parser.setDelegate(&adapter);

  switch (parser.parse(bytes, length)) {
    case JsonStreamParserStatus::Complete:
      return accumulator.value();
    case JsonStreamParserStatus::WaitingForData:
      error_ = "Unexpected end of input";
      break;
    case JsonStreamParserStatus::Error:
      error_ = parser.error();
      break;
  }
  return core::Value();
}

core::Value JsonParser::objectWithString(std::string_view text) {
  return objectWithData(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

core::Value JsonParser::objectWithString(std::string_view text, core::Error* error) {
  core::Value value = objectWithString(text);
  if (value.isNil() && error) {
    *error = core::Error(kErrorDomain, 0, error_,
                         core::Value(core::Dictionary{{kLocalizedDescriptionKey, error_}}));
  }
  return value;
}

core::Value JSONValue(std::string_view text) { return JsonParser().objectWithString(text); }

core::Value JSONValue(const core::Bytes& data) { return JsonParser().objectWithData(data); }
