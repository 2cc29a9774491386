#include "librarys/altjson/AltJSONDataSerializer.h"

#include <string>

#include "librarys/altjson/AltJSONWriting.h"

namespace {

// The three literal texts, made once (thread-safe static initialisation).
const core::Bytes& literal(int which) {
  static const core::Bytes kNull{'n', 'u', 'l', 'l'};
  static const core::Bytes kTrue{'t', 'r', 'u', 'e'};
  static const core::Bytes kFalse{'f', 'a', 'l', 's', 'e'};
  return which == 0 ? kNull : which == 1 ? kTrue : kFalse;
}

}  // namespace

std::shared_ptr<AltJSONDataSerializer> AltJSONDataSerializer::serializer() {
  return std::make_shared<AltJSONDataSerializer>();
}

std::optional<core::Bytes> AltJSONDataSerializer::raise(std::string text, core::Error* exception,
                                                        core::Value userInfo) {
  if (exception) *exception = core::Error(kExceptionDomain, 0, std::move(text), std::move(userInfo));
  return std::nullopt;
}

std::optional<core::Bytes> AltJSONDataSerializer::partFailed(const core::Value& container,
                                                             const core::Error& cause,
                                                             core::Error* exception) {
  core::Dictionary info;
  info.set("NSUnderlyingError",
           altjson::underlyingOf(cause.domain, cause.code, cause.description, cause.userInfo));
  return raise("Could not serialize object '" + altjson::describeForError(container) + "'", exception,
               core::Value(info));
}

std::optional<core::Bytes> AltJSONDataSerializer::serializeObject(const core::Value& object,
                                                                  core::Error* exception) {
  return altjson::writeByKind(*this, object, exception, [&] {
    return raise("Cannot serialize data of type '" + altjson::kindName(object) + "'", exception);
  });
}

std::optional<core::Bytes> AltJSONDataSerializer::serializeObject(const AltSerializedJSONData& object,
                                                                  core::Error* exception) {
  return object.data();
}

std::optional<core::Bytes> AltJSONDataSerializer::serializeNull(const core::Value& null,
                                                                core::Error* exception) {
  if (!null.isNull())
    return raise("Cannot serialize data of type '" + altjson::kindName(null) + "'", exception);
  return literal(0);
}

std::optional<core::Bytes> AltJSONDataSerializer::serializeNumber(const core::Value& number,
                                                                  core::Error* exception) {
  if (number.isBool()) return literal(number.boolean() ? 1 : 2);
  const std::optional<std::string> text = altjson::numberText(number);
  if (!text) return raise("Cannot serialize data of type '" + altjson::kindName(number) + "'", exception);
  return core::Bytes(text->begin(), text->end());
}

std::optional<core::Bytes> AltJSONDataSerializer::serializeString(std::string_view utf8,
                                                                  core::Error* exception) {
  const std::optional<std::string> text = altjson::quotedString(utf8, altjson::SlashEscaping::Always);
  if (!text) return raise("Cannot serialize string: not valid UTF-8", exception);
  return core::Bytes(text->begin(), text->end());
}

std::optional<core::Bytes> AltJSONDataSerializer::serializeArray(const core::Value& array,
                                                                 core::Error* exception) {
  if (!array.isArray())
    return raise("Cannot serialize data of type '" + altjson::kindName(array) + "'", exception);
  if (depth_ >= maxDepth_)
    return partFailed(array, core::Error(kExceptionDomain, 0, "Containers are nested too deep"), exception);
  altjson::DepthGuard guard(depth_);
  return altjson::writeArray(
      array, [this](const core::Value& item, core::Error* cause) { return serializeObject(item, cause); },
      [&](const core::Error& cause) { return partFailed(array, cause, exception); });
}

std::optional<core::Bytes> AltJSONDataSerializer::serializeDictionary(const core::Value& dictionary,
                                                                      core::Error* exception) {
  if (!dictionary.isDictionary()) {
    return raise("Cannot serialize data of type '" + altjson::kindName(dictionary) + "'", exception);
  }
  if (depth_ >= maxDepth_) {
    return partFailed(dictionary, core::Error(kExceptionDomain, 0, "Containers are nested too deep"),
                      exception);
  }
  altjson::DepthGuard guard(depth_);
  return altjson::writeDictionary(
      dictionary, [this](const std::string& key, core::Error* cause) { return serializeString(key, cause); },
      [this](const core::Value& item, core::Error* cause) { return serializeObject(item, cause); },
      [&](const core::Error& cause) { return partFailed(dictionary, cause, exception); });
}
