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

struct DepthGuard {
  explicit DepthGuard(std::size_t& depth) : depth_(depth) { ++depth_; }
  ~DepthGuard() { --depth_; }
  std::size_t& depth_;
};

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
  switch (object.type()) {
    case core::Value::Type::Null:
      return serializeNull(object, exception);
    case core::Value::Type::Bool:
    case core::Value::Type::Integer:
    case core::Value::Type::Decimal:
    case core::Value::Type::Double:
      return serializeNumber(object, exception);
    case core::Value::Type::String:
      return serializeString(object.str(), exception);
    case core::Value::Type::Array:
      return serializeArray(object, exception);
    case core::Value::Type::Dictionary:
      return serializeDictionary(object, exception);
    case core::Value::Type::Data: {
      const core::Bytes& bytes = object.data();
      return serializeString(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                             exception);
    }
    default:
      return raise("Cannot serialize data of type '" + altjson::kindName(object) + "'", exception);
  }
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
  DepthGuard guard(depth_);
  core::Bytes out{'['};
  bool first = true;
  for (const core::Value& item : array.array()) {
    core::Error cause;
    const std::optional<core::Bytes> part = serializeObject(item, &cause);
    if (!part) return partFailed(array, cause, exception);
    if (!first) out.push_back(',');
    first = false;
    altjson::append(out, *part);
  }
  out.push_back(']');
  return out;
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
  DepthGuard guard(depth_);
  core::Bytes out{'{'};
  bool first = true;
  for (const auto& [key, item] : dictionary.dict()) {
    core::Error cause;
    const std::optional<core::Bytes> keyPart = serializeString(key, &cause);
    if (!keyPart) return partFailed(dictionary, cause, exception);
    const std::optional<core::Bytes> valuePart = serializeObject(item, &cause);
    if (!valuePart) return partFailed(dictionary, cause, exception);
    if (!first) out.push_back(',');
    first = false;
    altjson::append(out, *keyPart);
    out.push_back(':');
    altjson::append(out, *valuePart);
  }
  out.push_back('}');
  return out;
}
