#pragma once
// The older writer of the second JSON codec. It writes the same kinds as AltJSONSerializer, in the
// order null, number, string, array, dictionary, byte buffer, finished text (AltSerializedJSONData);
// it always escapes the slash. Where the original raised an exception this one answers nothing and
// fills `exception` (domain kExceptionDomain): "Cannot serialize data of type '<kind>'" for a kind it
// does not write, "Could not serialize object '<container>'" for a container with a part that fails.
// Strings are escaped like AltJSONSerializer's (control bytes included); text that is not valid UTF-8
// fails. Containers nest at most maxDepth() deep.

#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>

#include "librarys/altjson/AltSerializedJSONData.h"
#include "platform/core/Error.h"
#include "platform/core/Value.h"

class AltJSONDataSerializer {
 public:
  static constexpr const char* kExceptionDomain = "NSGenericException";
  static constexpr std::size_t kDefaultMaxDepth = 512;

  static std::shared_ptr<AltJSONDataSerializer> serializer();
  AltJSONDataSerializer() = default;

  std::size_t maxDepth() const { return maxDepth_; }
  void setMaxDepth(std::size_t depth) { maxDepth_ = depth; }

  std::optional<core::Bytes> serializeObject(const core::Value& object, core::Error* exception = nullptr);
  std::optional<core::Bytes> serializeObject(const AltSerializedJSONData& object,
                                             core::Error* exception = nullptr);
  std::optional<core::Bytes> serializeNull(const core::Value& null, core::Error* exception = nullptr);
  std::optional<core::Bytes> serializeNumber(const core::Value& number, core::Error* exception = nullptr);
  std::optional<core::Bytes> serializeString(std::string_view utf8, core::Error* exception = nullptr);
  std::optional<core::Bytes> serializeArray(const core::Value& array, core::Error* exception = nullptr);
  std::optional<core::Bytes> serializeDictionary(const core::Value& dictionary,
                                                 core::Error* exception = nullptr);

 private:
  std::optional<core::Bytes> raise(std::string text, core::Error* exception, core::Value userInfo = {});
  std::optional<core::Bytes> partFailed(const core::Value& container, const core::Error& cause,
                                        core::Error* exception);

  std::size_t maxDepth_ = kDefaultMaxDepth;
  std::size_t depth_ = 0;
};
