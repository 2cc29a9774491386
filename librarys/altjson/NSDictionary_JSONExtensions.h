#pragma once
// Dictionary-making shortcuts over the second JSON codec. Each reads the first value of any kind, as
// AltJSONDeserializer::deserialize does: the result need not be a dictionary.

#include <string_view>

#include "platform/core/Error.h"
#include "platform/core/Value.h"

struct NSDictionary_JSONExtensions {
  static core::Value dictionaryWithJSONData(const core::Bytes& data, core::Error* error = nullptr);
  // The text's UTF-8 bytes.
  static core::Value dictionaryWithJSONString(std::string_view text, core::Error* error = nullptr);
};
