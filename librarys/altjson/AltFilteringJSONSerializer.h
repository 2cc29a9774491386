#pragma once
// A writer that lets its owner replace values before they are written. Each test looks at a value and
// may name a converter; the converter returns a replacement (Nil: none). For the first test, in the
// order they were added, that names a known converter which returns something: a Data replacement is
// taken as finished JSON text and copied unchanged, any other replacement is written in place of the
// value (when writing it fails, the next test is tried). When no test applies the value is written as
// usual. Values inside arrays and dictionaries pass through the same filtering.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "librarys/altjson/AltJSONSerializer.h"

class AltFilteringJSONSerializer : public AltJSONSerializer {
 public:
  using Test = std::function<std::optional<std::string>(const core::Value& value)>;
  using Converter = std::function<core::Value(const core::Value& value)>;

  AltFilteringJSONSerializer() = default;

  void addTest(Test test);
  void addConverter(Converter converter, std::string name);

  using AltJSONSerializer::serializeObject;
  std::optional<core::Bytes> serializeObject(const core::Value& object,
                                             core::Error* error = nullptr) override;

 private:
  std::vector<Test> tests_;
  std::map<std::string, Converter> convertersByName_;
};
