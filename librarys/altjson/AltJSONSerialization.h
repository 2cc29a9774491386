#pragma once
// One-call front of the second JSON codec, shaped like the platform's JSON serialization class. The
// options arguments are accepted and not used.

#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>

#include "platform/core/Error.h"
#include "platform/core/Value.h"

class AltJSONSerialization {
 public:
  static bool isValidJSONObject(const core::Value& object);
  // A new AltJSONSerializer's text of `object`.
  static std::optional<core::Bytes> dataWithJSONObject(const core::Value& object, unsigned options,
                                                       core::Error* error = nullptr);
  // A new AltJSONDeserializer's value of `data` (any kind at the top level).
  static core::Value JSONObjectWithData(const core::Bytes& data, unsigned options,
                                        core::Error* error = nullptr);
  // Writes the text of `object` to `stream`: the number of bytes written, or -1 when the object could
  // not be serialised or the stream did not take the bytes.
  static std::int64_t writeJSONObject(const core::Value& object, std::ostream& stream, unsigned options,
                                      core::Error* error = nullptr);
  // Reading from a stream is not offered: always Nil, with an error saying so.
  static core::Value JSONObjectWithStream(std::istream& stream, unsigned options,
                                          core::Error* error = nullptr);
};
