#pragma once
// The JSON reader every server reply and every JSON text of the question bank goes through.
//
// A parse yields the top-level dictionary or array, or Nil with error() set. Objects become ordered
// dictionaries (a repeated key keeps the place of its first appearance and the value that came last),
// arrays arrays, numbers 64-bit integers or exact decimals (fractions, exponents, whole numbers beyond
// the 64-bit range), true and false Bool values, null the Null value. The top level must be an object
// or an array, nested at most maxDepth() deep (32 by default).
//
// Each parse reads the whole input at once with a fresh single-pass reader (JsonDocumentReader); a text
// that reader refuses is read again by the stream parser (tokeniser, grammar machine and tree builder),
// which decides and names the failure. A parser keeps nothing between calls but its settings and the
// text of its last failure.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/core/Error.h"
#include "platform/core/Value.h"

class JsonParser {
 public:
  // The domain of the errors objectWithString(text, error) reports (code 0).
  static constexpr const char* kErrorDomain = "JsonParserErrorDomain";

  // The user-info key under which the error value repeats the description.
  static constexpr const char* kLocalizedDescriptionKey = "NSLocalizedDescription";

  JsonParser() = default;

  // UTF-8 JSON text; nullptr stands for no input at all ("Input was 'nil'").
  core::Value objectWithData(const core::Bytes* data);
  core::Value objectWithData(const core::Bytes& data) { return objectWithData(data.data(), data.size()); }
  core::Value objectWithData(const std::uint8_t* bytes, std::size_t length);
  core::Value objectWithString(std::string_view text);
  // As above; on failure `error` (when given) receives the failure as an error value.
  core::Value objectWithString(std::string_view text, core::Error* error);

  std::uint32_t maxDepth() const { return maxDepth_; }
  void setMaxDepth(std::uint32_t maxDepth) { maxDepth_ = maxDepth; }
  // The text of the last failure; a successful parse does not clear it.
  const std::string& error() const { return error_; }

 private:
  std::uint32_t maxDepth_ = 32;
  std::string error_;
};

// One-call parse with a default parser: the dictionary or array, or Nil on any failure.
core::Value JSONValue(std::string_view text);
core::Value JSONValue(const core::Bytes& data);
