#include "librarys/altjson/NSDictionary_JSONExtensions.h"

#include "librarys/altjson/AltJSONDeserializer.h"

core::Value NSDictionary_JSONExtensions::dictionaryWithJSONData(const core::Bytes& data, core::Error* error) {
  return AltJSONDeserializer().deserialize(&data, error);
}

core::Value NSDictionary_JSONExtensions::dictionaryWithJSONString(std::string_view text, core::Error* error) {
  const core::Bytes data(text.begin(), text.end());
  return AltJSONDeserializer().deserialize(&data, error);
}
