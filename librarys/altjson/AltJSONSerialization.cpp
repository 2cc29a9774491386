#include "librarys/altjson/AltJSONSerialization.h"

#include "librarys/altjson/AltJSONDeserializer.h"
#include "librarys/altjson/AltJSONSerializer.h"

bool AltJSONSerialization::isValidJSONObject(const core::Value& object) {
  return AltJSONSerializer().isValidJSONObject(object);
}

std::optional<core::Bytes> AltJSONSerialization::dataWithJSONObject(const core::Value& object,
                                                                    unsigned options, core::Error* error) {
  return AltJSONSerializer().serializeObject(object, error);
}

core::Value AltJSONSerialization::JSONObjectWithData(const core::Bytes& data, unsigned options,
                                                     core::Error* error) {
  return AltJSONDeserializer().deserialize(&data, error);
}

std::int64_t AltJSONSerialization::writeJSONObject(const core::Value& object, std::ostream& stream,
                                                   unsigned options, core::Error* error) {
  const std::optional<core::Bytes> data = AltJSONSerializer().serializeObject(object, error);
  if (!data) return -1;
  stream.write(reinterpret_cast<const char*>(data->data()), static_cast<std::streamsize>(data->size()));
  if (!stream) {
    if (error) {
      *error = core::Error(AltJSONSerializer::kErrorDomain, AltJSONSerializer::kErrorCode,
                           "Could not write the JSON text to the stream");
    }
    return -1;
  }
  return static_cast<std::int64_t>(data->size());
}

core::Value AltJSONSerialization::JSONObjectWithStream(std::istream& stream, unsigned options,
                                                       core::Error* error) {
  if (error) {
    *error = core::Error(AltJSONDeserializer::kErrorDomain, AltJSONDeserializer::kErrorNothingToDeserialize,
                         "Reading JSON from a stream is not supported");
  }
  return {};
}
