#pragma once
// Pieces the writers of the second JSON codec share (not a public interface).

#include <optional>
#include <string>
#include <string_view>

#include "platform/core/Error.h"
#include "platform/core/Value.h"

namespace altjson {

enum class SlashEscaping { Never, Always };

// The JSON text of a number or a boolean; nothing for other kinds and for doubles that are not
// finite (JSON has no text for them).
std::optional<std::string> numberText(const core::Value& number);
// The quoted JSON text of UTF-8 text: quotation mark, backslash and the control bytes escaped (the
// five with a short form as \b \t \n \f \r, the rest as \u00XX), the slash as the caller chooses.
// Nothing when the text is not valid UTF-8.
std::optional<std::string> quotedString(std::string_view utf8, SlashEscaping slash);
// The name of a value's kind, as a writer's error names it ("Date", "nil").
std::string kindName(const core::Value& value);
// The "%@" text of a value for an error message, kept short: a large or deeply nested container is
// summarised by its kind and size (a container may even hold itself).
std::string describeForError(const core::Value& value);
// `error`'s first cause in the form the writers keep under "NSUnderlyingError".
core::Value underlyingOf(const std::string& domain, std::int64_t code, const std::string& description,
                         const core::Value& causeUserInfo);

void append(core::Bytes& out, std::string_view text);
void append(core::Bytes& out, const core::Bytes& bytes);

// One level of a writer's nesting, counted while a container is written.
class DepthGuard {
 public:
  explicit DepthGuard(std::size_t& depth) : depth_(depth) { ++depth_; }
  ~DepthGuard() { --depth_; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;

 private:
  std::size_t& depth_;
};

// Writes `object` through the writer's own methods for its kind (serializeNull, serializeNumber,
// serializeString, serializeArray, serializeDictionary; data as its bytes taken for text); `unknown()`
// answers a kind JSON has no text for.
template <class Writer, class Unknown>
std::optional<core::Bytes> writeByKind(Writer& writer, const core::Value& object, core::Error* error,
                                       Unknown unknown) {
  switch (object.type()) {
    case core::Value::Type::Null:
      return writer.serializeNull(object, error);
    case core::Value::Type::Bool:
    case core::Value::Type::Integer:
    case core::Value::Type::Decimal:
    case core::Value::Type::Double:
      return writer.serializeNumber(object, error);
    case core::Value::Type::String:
      return writer.serializeString(object.str(), error);
    case core::Value::Type::Array:
      return writer.serializeArray(object, error);
    case core::Value::Type::Dictionary:
      return writer.serializeDictionary(object, error);
    case core::Value::Type::Data: {
      const core::Bytes& bytes = object.data();
      return writer.serializeString(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                                    error);
    }
    default:
      return unknown();
  }
}

// "[a,b]" from each item's text (`item(value, &cause)`); the first item that fails ends the array with
// `failed(cause)`.
template <class Item, class Failed>
std::optional<core::Bytes> writeArray(const core::Value& array, Item item, Failed failed) {
  core::Bytes out{'['};
  bool first = true;
  for (const core::Value& value : array.array()) {
    core::Error cause;
    const std::optional<core::Bytes> part = item(value, &cause);
    if (!part) return failed(cause);
    if (!first) out.push_back(',');
    first = false;
    append(out, *part);
  }
  out.push_back(']');
  return out;
}

// "{"k":v}" from each member's key text (`key(name, &cause)`) and value text (`item(value, &cause)`), in
// the dictionary's order; the first part that fails ends it with `failed(cause)`.
template <class Key, class Item, class Failed>
std::optional<core::Bytes> writeDictionary(const core::Value& dictionary, Key key, Item item, Failed failed) {
  core::Bytes out{'{'};
  bool first = true;
  for (const auto& [name, value] : dictionary.dict()) {
    core::Error cause;
    const std::optional<core::Bytes> keyPart = key(name, &cause);
    if (!keyPart) return failed(cause);
    const std::optional<core::Bytes> valuePart = item(value, &cause);
    if (!valuePart) return failed(cause);
    if (!first) out.push_back(',');
    first = false;
    append(out, *keyPart);
    out.push_back(':');
    append(out, *valuePart);
  }
  out.push_back('}');
  return out;
}

}  // namespace altjson
