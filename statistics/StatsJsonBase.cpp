#include "statistics/StatsJsonBase.h"

#include <utility>

namespace {

core::Value errorAsValue(const core::Error& e) {
  return core::Dictionary{
      {"domain", e.domain}, {"code", e.code}, {"description", e.description}, {"userInfo", e.userInfo}};
}

}  // namespace

void StatsJsonBase::addError(ErrorCode code, std::string description) {
  core::Dictionary info{{"NSLocalizedDescription", description}};
  // The previous error's value shares its containers, so a long chain costs one entry per error.
  if (!errorTrace_.empty()) info.set("NSUnderlyingError", errorAsValue(errorTrace_.back()));
  errorTrace_.emplace_back(kErrorDomain, code, std::move(description), core::Value(info));
}

std::vector<std::string> StatsJsonBase::errorDescriptions() const {
  std::vector<std::string> texts;
  texts.reserve(errorTrace_.size());
  for (const auto& e : errorTrace_) texts.push_back(e.description);
  return texts;
}

std::string StatsJsonBase::describeErrorTrace() const {
  core::Array lines;
  for (const auto& e : errorTrace_) {
    lines.push_back("Error Domain=" + e.domain + " Code=" + std::to_string(e.code) + " \"" + e.description +
                    "\"");
  }
  return core::Value(lines).describe();
}
