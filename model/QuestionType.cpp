#include "model/QuestionType.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<QuestionType, const char*>, 7> kNames = {{
    {QuestionType::ATEST, "ATEST"},
    {QuestionType::BTEST, "BTEST"},
    {QuestionType::A3TEST, "A3TEST"},
    {QuestionType::XTEST, "XTEST"},
    {QuestionType::PDTEST, "PDTEST"},
    {QuestionType::JDTEST, "JDTEST"},
    {QuestionType::TKTEST, "TKTEST"},
}};

}  // namespace

std::optional<QuestionType> questionTypeNamed(std::string_view text) {
  for (const auto& [type, name] : kNames)
    if (text == name) return type;
  return std::nullopt;
}

const char* questionTypeName(QuestionType type) {
  for (const auto& [t, name] : kNames)
    if (t == type) return name;
  return "";
}
