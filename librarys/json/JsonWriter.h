#pragma once
// The JSON writer every request body goes through. The top level must be a dictionary or an array;
// the result is UTF-8 JSON text, or nothing with error() set. By default the text is compact (no
// white space at all), the keys of each object come in the dictionary's own order and containers nest
// at most 32 deep. Booleans are written as true and false, never as 0 or 1; doubles in the "%.17g"
// form; decimals as their own decimal text.
//
// Each conversion builds a fresh stream writer and discards it with any partial output.

#include <cstdint>
#include <optional>
#include <string>

#include "librarys/json/JsonStreamWriter.h"
#include "platform/core/Error.h"
#include "platform/core/Value.h"

class JsonWriter {
 public:
  // The domain of the errors stringWithObject(value, error) reports (code 0).
  static constexpr const char* kErrorDomain = "JsonWriterErrorDomain";

  // The user-info key under which the error value repeats the description.
  static constexpr const char* kLocalizedDescriptionKey = "NSLocalizedDescription";

  JsonWriter() = default;

  std::optional<core::Bytes> dataWithObject(const core::Value& value);
  std::optional<std::string> stringWithObject(const core::Value& value);
  // As above; on failure `error` (when given) receives the failure as an error value.
  std::optional<std::string> stringWithObject(const core::Value& value, core::Error* error);

  bool sortKeys() const { return sortKeys_; }
  void setSortKeys(bool on) { sortKeys_ = on; }
  bool humanReadable() const { return humanReadable_; }
  void setHumanReadable(bool on) { humanReadable_ = on; }
  // 0 means no limit.
  std::uint32_t maxDepth() const { return maxDepth_; }
  void setMaxDepth(std::uint32_t maxDepth) { maxDepth_ = maxDepth; }
  // Orders the keys when sortKeys is set (a stable sort); without one keys sort by their bytes.
  const JsonStreamWriter::KeyComparator& sortKeysComparator() const { return sortKeysComparator_; }
  void setSortKeysComparator(JsonStreamWriter::KeyComparator c) { sortKeysComparator_ = std::move(c); }
  // The text of the last failure; cleared at the start of each conversion.
  const std::string& error() const { return error_; }

 private:
  // The conversion itself, its bytes going to `accumulator`; false with error() set on failure.
  template <class Accumulator>
  bool write(const core::Value& value, Accumulator& accumulator);

  bool sortKeys_ = false;
  bool humanReadable_ = false;
  std::uint32_t maxDepth_ = 32;
  JsonStreamWriter::KeyComparator sortKeysComparator_;
  std::string error_;
};

// One-call write with a default writer: compact text, or nothing on any failure.
std::optional<std::string> JSONRepresentation(const core::Value& value);
