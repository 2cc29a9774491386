#pragma once
// The front of the second JSON codec's reader: JSON bytes in, one core::Value out.
//
// deserialize() reads the first complete value of any kind and ignores whatever follows it;
// deserializeAsDictionary() and deserializeAsArray() require that value to be an object or an array.
// A missing or empty buffer fails with kErrorNothingToDeserialize in kErrorDomain (no description);
// everything else the scanner reports comes in its own domain (AltJSONScanner::kErrorDomain). Letters
// that spell no literal at the top level give Nil without an error.
//
// The completion forms scan in a task on the main thread's loop and then, in a later task there,
// call the block with the value (Nil on failure) and the error (none on success). A missing or empty
// buffer is reported to the block at once, on the caller's thread, and nothing is scanned.

#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "librarys/altjson/AltJSONScanner.h"
#include "platform/core/Error.h"
#include "platform/core/Value.h"

class AltJSONDeserializer {
 public:
  static constexpr const char* kErrorDomain = "AltJSONDeserializerErrorDomain";
  static constexpr int kErrorNothingToDeserialize = -11;
  using Completion = std::function<void(const core::Value& value, const std::optional<core::Error>& error)>;

  static std::shared_ptr<AltJSONDeserializer> deserializer();
  AltJSONDeserializer() = default;

  // The scanner every synchronous call reuses (its settings are the deserializer's).
  AltJSONScanner& scanner() { return scanner_; }

  unsigned options() const { return scanner_.options(); }
  void setOptions(unsigned options) { scanner_.setOptions(options); }
  const core::Value& nullObject() const { return scanner_.nullObject(); }
  void setNullObject(core::Value object) { scanner_.setNullObject(std::move(object)); }
  AltTextEncoding allowedEncoding() const { return scanner_.allowedEncoding(); }
  void setAllowedEncoding(AltTextEncoding encoding) { scanner_.setAllowedEncoding(encoding); }

  // A null pointer stands for no buffer at all.
  core::Value deserialize(const core::Bytes* data, core::Error* error = nullptr);
  core::Value deserialize(const core::Bytes& data, core::Error* error = nullptr) {
    return deserialize(&data, error);
  }
  core::Value deserialize(std::string_view text, core::Error* error = nullptr);
  core::Value deserializeAsDictionary(const core::Bytes* data, core::Error* error = nullptr);
  core::Value deserializeAsArray(const core::Bytes* data, core::Error* error = nullptr);

  void deserializeAsDictionary(const core::Bytes* data, Completion block);
  void deserializeAsArray(const core::Bytes* data, Completion block);

 private:
  enum class Kind { Any, Dictionary, Array };
  static core::Value run(AltJSONScanner& scanner, const core::Bytes* data, Kind kind, core::Error* error);
  void runLater(const core::Bytes* data, Kind kind, Completion block);

  AltJSONScanner scanner_;
};
