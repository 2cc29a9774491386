#pragma once
// Small helpers for the second JSON codec's tests.

#include <string>
#include <string_view>

#include "librarys/altjson/AltJSONDeserializer.h"
#include "librarys/altjson/AltJSONSerializer.h"
#include "platform/core/Value.h"

namespace periphery {

inline core::Bytes bytesOf(std::string_view text) { return core::Bytes(text.begin(), text.end()); }

inline std::string textOf(const core::Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// The value read from `text` by a default deserializer.
inline core::Value read(std::string_view text, core::Error* error = nullptr) {
  const core::Bytes data = bytesOf(text);
  return AltJSONDeserializer().deserialize(&data, error);
}

// The compact text a default serializer writes for `value`; "<failed>" when it fails.
inline std::string write(const core::Value& value) {
  const auto data = AltJSONSerializer().serializeObject(value);
  return data ? textOf(*data) : "<failed>";
}

}  // namespace periphery
