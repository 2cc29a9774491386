#include "librarys/json/JsonWriter.h"

#include "librarys/json/JsonStreamWriterAccumulator.h"

namespace {

// Collects the bytes as a string, for the callers that want text.
class StringAccumulator : public JsonStreamWriterDelegate {
 public:
  void writerAppendBytes(JsonStreamWriter&, const std::uint8_t* bytes, std::size_t length) override {
    text.append(reinterpret_cast<const char*>(bytes), length);
  }
  std::string text;
};

}  // namespace

template <class Accumulator>
bool JsonWriter::write(const core::Value& value, Accumulator& accumulator) {
  error_.clear();
  if (!value.isDictionary() && !value.isArray()) {
    error_ = "Not valid type for JSON";
    return false;
  }

  JsonStreamWriter writer;
  writer.setSortKeys(sortKeys_);
  writer.setMaxDepth(maxDepth_);
  writer.setSortKeysComparator(sortKeysComparator_);
  writer.setHumanReadable(humanReadable_);
  writer.setDelegate(&accumulator);

  const bool ok = value.isDictionary() ? writer.writeObject(value.dict()) : writer.writeArray(value.array());
  if (!ok) error_ = writer.error();
  return ok;
}

std::optional<core::Bytes> JsonWriter::dataWithObject(const core::Value& value) {
  JsonStreamWriterAccumulator accumulator;
  if (!write(value, accumulator)) return std::nullopt;
  return accumulator.takeData();
}

std::optional<std::string> JsonWriter::stringWithObject(const core::Value& value) {
  // The writer refuses strings that are not UTF-8, so the text is always valid.
  StringAccumulator accumulator;
  if (!write(value, accumulator)) return std::nullopt;
  return std::move(accumulator.text);
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
