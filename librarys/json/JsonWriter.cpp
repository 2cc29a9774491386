#include "librarys/json/JsonWriter.h"

#include "librarys/json/JsonStreamWriterAccumulator.h"

std::optional<core::Bytes> JsonWriter::dataWithObject(const core::Value& value) {
  error_.clear();
  if (!value.isDictionary() && !value.isArray()) {
    error_ = "Not valid type for JSON";
    return std::nullopt;
  }

  JsonStreamWriterAccumulator accumulator;
  JsonStreamWriter writer;
  writer.setSortKeys(sortKeys_);
  writer.setMaxDepth(maxDepth_);
  writer.setSortKeysComparator(sortKeysComparator_);
  writer.setHumanReadable(humanReadable_);
  writer.setDelegate(&accumulator);

  const bool ok = value.isDictionary() ? writer.writeObject(value.dict()) : writer.writeArray(value.array());
  if (!ok) {
    error_ = writer.error();
    return std::nullopt;
  }
  return accumulator.takeData();
}

std::optional<std::string> JsonWriter::stringWithObject(const core::Value& value) {
  std::optional<core::Bytes> data = dataWithObject(value);
  if (!data) return std::nullopt;
  // The writer refuses strings that are not UTF-8, so the text is always valid.
  return std::string(data->begin(), data->end());
}

std::optional<std::string> JsonWriter::stringWithObject(const core::Value& value, core::Error* error) {
  std::optional<std::string> text = stringWithObject(value);
  if (!text && error) {
    *error = core::Error(kErrorDomain, 0, error_,
                         core::Value(core::Dictionary{{kLocalizedDescriptionKey, error_}}));
  }
  return text;
}

std::optional<std::string> JSONRepresentation(const core::Value& value) {
  return JsonWriter().stringWithObject(value);
}
