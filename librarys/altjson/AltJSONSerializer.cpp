#include "librarys/altjson/AltJSONSerializer.h"

#include <string>

#include "librarys/altjson/AltJSONWriting.h"

std::shared_ptr<AltJSONSerializer> AltJSONSerializer::serializer() {
  return std::make_shared<AltJSONSerializer>();
}

bool AltJSONSerializer::isValidJSONObject(const core::Value& object) const {
  switch (object.type()) {
    case core::Value::Type::Null:
    case core::Value::Type::Bool:
    case core::Value::Type::Integer:
    case core::Value::Type::Decimal:
    case core::Value::Type::Double:
    case core::Value::Type::String:
    case core::Value::Type::Array:
    case core::Value::Type::Dictionary:
    case core::Value::Type::Data:
      return true;
    default:
      return false;
  }
}

std::optional<core::Bytes> AltJSONSerializer::cannotSerialize(const core::Value& object, core::Error* error) {
  if (error) {
    *error = core::Error(kErrorDomain, kErrorCode,
                         "Cannot serialize data of type '" + altjson::kindName(object) + "'");
  }
  return std::nullopt;
}

std::optional<core::Bytes> AltJSONSerializer::partFailed(const core::Value& container,
                                                         const core::Error& cause, core::Error* error) {
  if (error) {
    core::Dictionary info;
    info.set("NSUnderlyingError",
             altjson::underlyingOf(cause.domain, cause.code, cause.description, cause.userInfo));
    *error = core::Error(kErrorDomain, kErrorCode,
                         "Could not serialize object '" + altjson::describeForError(container) + "'",
                         core::Value(info));
  }
  return std::nullopt;
}

std::optional<core::Bytes> AltJSONSerializer::serializeObject(const core::Value& object, core::Error* error) {
  return serializeByKind(object, error);
}

std::optional<core::Bytes> AltJSONSerializer::serializeObject(const AltJSONSerializable& object,
                                                              core::Error* error) {
  return object.serializedJSONData();
}

std::optional<core::Bytes> AltJSONSerializer::serializeByKind(const core::Value& object, core::Error* error) {
  return altjson::writeByKind(*this, object, error, [&] { return cannotSerialize(object, error); });
}

std::optional<core::Bytes> AltJSONSerializer::serializeNull(const core::Value& null, core::Error* error) {
  if (!null.isNull()) return cannotSerialize(null, error);
  return core::Bytes{'n', 'u', 'l', 'l'};
}

std::optional<core::Bytes> AltJSONSerializer::serializeNumber(const core::Value& number, core::Error* error) {
  const std::optional<std::string> text = altjson::numberText(number);
  if (!text) return cannotSerialize(number, error);
  return core::Bytes(text->begin(), text->end());
}

std::optional<core::Bytes> AltJSONSerializer::serializeString(std::string_view utf8, core::Error* error) {
  const auto slash =
      (options_ & kEscapeSlash) ? altjson::SlashEscaping::Always : altjson::SlashEscaping::Never;
  const std::optional<std::string> text = altjson::quotedString(utf8, slash);
  if (!text) {
    if (error) *error = core::Error(kErrorDomain, kErrorCode, "Cannot serialize string: not valid UTF-8");
    return std::nullopt;
  }
  return core::Bytes(text->begin(), text->end());
}

std::optional<core::Bytes> AltJSONSerializer::serializeArray(const core::Value& array, core::Error* error) {
  if (!array.isArray()) return cannotSerialize(array, error);
  if (depth_ >= maxDepth_) {
    return partFailed(array, core::Error(kErrorDomain, kErrorCode, "Containers are nested too deep"), error);
  }
  altjson::DepthGuard guard(depth_);
  return altjson::writeArray(
      array, [this](const core::Value& item, core::Error* cause) { return serializeObject(item, cause); },
      [&](const core::Error& cause) { return partFailed(array, cause, error); });
}

std::optional<core::Bytes> AltJSONSerializer::serializeDictionary(const core::Value& dictionary,
                                                                  core::Error* error) {
  if (!dictionary.isDictionary()) return cannotSerialize(dictionary, error);
  if (depth_ >= maxDepth_) {
    return partFailed(dictionary, core::Error(kErrorDomain, kErrorCode, "Containers are nested too deep"),
                      error);
  }
  altjson::DepthGuard guard(depth_);
  return altjson::writeDictionary(
      dictionary, [this](const std::string& key, core::Error* cause) { return serializeString(key, cause); },
      [this](const core::Value& item, core::Error* cause) { return serializeObject(item, cause); },
      [&](const core::Error& cause) { return partFailed(dictionary, cause, error); });
}
