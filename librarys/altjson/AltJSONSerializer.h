#pragma once
// The second JSON codec's writer: core::Value in, compact UTF-8 JSON text out, or nothing with an
// error in kErrorDomain (code kErrorCode).
//
// By kind: Null "null"; Bool "true"/"false"; Integer and Decimal their decimal text; Double its
// shortest text (infinities and NaN have none and fail); String quoted; Array "[a,b]"; Dictionary
// {"k":v} in the dictionary's own key order; Data decoded as UTF-8 and written as a string. Anything
// else fails with "Cannot serialize data of type '<kind>'"; a container with a part that fails fails
// with "Could not serialize object '<container>'", keeping the first cause under "NSUnderlyingError".
// A scalar may stand at the top level.
//
// Strings are written from their UTF-8 bytes with the quotation mark, the backslash and every control
// byte escaped (\b \t \n \f \r, the others as \u00XX); the slash is escaped only with kEscapeSlash.
// Text that is not valid UTF-8 fails with "Cannot serialize string: not valid UTF-8". Containers nest
// at most maxDepth() deep, which also stops a container that holds itself.

#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>

#include "librarys/altjson/AltJSONSerializable.h"
#include "platform/core/Error.h"
#include "platform/core/Value.h"

class AltJSONSerializer {
 public:
  static constexpr const char* kErrorDomain = "TODO_DOMAIN";
  static constexpr int kErrorCode = -1;
  enum Options : unsigned { kEscapeSlash = 1 };
  static constexpr std::size_t kDefaultMaxDepth = 512;

  static std::shared_ptr<AltJSONSerializer> serializer();
  AltJSONSerializer() = default;
  virtual ~AltJSONSerializer() = default;

  unsigned options() const { return options_; }
  void setOptions(unsigned options) { options_ = options; }
  std::size_t maxDepth() const { return maxDepth_; }
  void setMaxDepth(std::size_t depth) { maxDepth_ = depth; }

  // Whether the value is of a kind this writer takes (it does not look inside containers).
  bool isValidJSONObject(const core::Value& object) const;

  virtual std::optional<core::Bytes> serializeObject(const core::Value& object, core::Error* error = nullptr);
  // Text that already is JSON, copied unchanged.
  std::optional<core::Bytes> serializeObject(const AltJSONSerializable& object, core::Error* error = nullptr);

  std::optional<core::Bytes> serializeNull(const core::Value& null, core::Error* error = nullptr);
  std::optional<core::Bytes> serializeNumber(const core::Value& number, core::Error* error = nullptr);
  std::optional<core::Bytes> serializeString(std::string_view utf8, core::Error* error = nullptr);
  std::optional<core::Bytes> serializeArray(const core::Value& array, core::Error* error = nullptr);
  std::optional<core::Bytes> serializeDictionary(const core::Value& dictionary, core::Error* error = nullptr);

 protected:
  // Writes `object` by its kind, without any filtering a subclass adds.
  std::optional<core::Bytes> serializeByKind(const core::Value& object, core::Error* error);

 private:
  std::optional<core::Bytes> cannotSerialize(const core::Value& object, core::Error* error);
  std::optional<core::Bytes> partFailed(const core::Value& container, const core::Error& cause,
                                        core::Error* error);

  unsigned options_ = 0;
  std::size_t maxDepth_ = kDefaultMaxDepth;
  std::size_t depth_ = 0;
};
