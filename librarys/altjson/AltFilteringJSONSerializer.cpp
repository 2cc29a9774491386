#include "librarys/altjson/AltFilteringJSONSerializer.h"

void AltFilteringJSONSerializer::addTest(Test test) {
  if (test) tests_.push_back(std::move(test));
}

void AltFilteringJSONSerializer::addConverter(Converter converter, std::string name) {
  if (converter) convertersByName_[std::move(name)] = std::move(converter);
}

std::optional<core::Bytes> AltFilteringJSONSerializer::serializeObject(const core::Value& object,
                                                                       core::Error* error) {
  for (const Test& test : tests_) {
    const std::optional<std::string> name = test(object);
    if (!name) continue;
    const auto found = convertersByName_.find(*name);
    if (found == convertersByName_.end()) continue;
    const core::Value replacement = found->second(object);
    if (replacement.isNil()) continue;
    if (replacement.isData()) return replacement.data();
    core::Error ignored;
    std::optional<core::Bytes> written = serializeByKind(replacement, &ignored);
    if (written) return written;
  }
  return serializeByKind(object, error);
}
