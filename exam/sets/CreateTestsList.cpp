#include "exam/sets/CreateTestsList.h"

#include <vector>

#include "platform/core/Regex.h"
#include "platform/core/Text.h"

namespace {

constexpr const char* kImageMarker = R"(\[{1}(\S)*?\.(gif|jpg|jpeg|png|bmp)\]{1})";

// A text of the question: the string itself, "" for a missing value or a JSON null, "%@" otherwise.
std::string text(const core::Value& v) {
  if (v.isString()) return v.str();
  if (v.isNilOrNull()) return std::string();
  return v.describe();
}

// The characters of a text (code points, each as its UTF-8 bytes).
std::vector<std::string> characters(const std::string& s) {
  std::vector<std::string> out;
  std::size_t i = 0;
  while (i < s.size()) {
    const std::size_t start = i;
    core::nextCodePoint(s, i);
    out.push_back(s.substr(start, i - start));
  }
  return out;
}

std::string answerText(const core::Value& answerValue, const core::Value& items) {
  const std::string answer = text(answerValue);
  const std::vector<std::string> letters = characters(answer);
  if (letters.size() == 1) return CreateTestsList::analysisAnswerText(answer, items);
  if (!items.isArray() || items.size() == 0) return answer;
  std::string out;
  for (const std::string& letter : letters) out += CreateTestsList::analysisAnswerText(letter, items) + "。";
  return out;
}

}  // namespace

QuestionListRow CreateTestsList::analysisListItem(const core::Value& question) {
  QuestionListRow row;
  row.AID = question["AllTestID"].describe();
  row.Title = changeString(text(question["FrontTitle"]) + text(question["MainTitle"]));
  row.AnswerText = changeString(answerText(question["Answer"], question["ChoiceItems"]));
  return row;
}

QuestionListRow CreateTestsList::analysisListItem(const Questions& q) {
  return analysisListItem(core::Value(core::Dictionary{{"AllTestID", q.AllTestID},
                                                       {"FrontTitle", q.FrontTitle},
                                                       {"MainTitle", q.MainTitle},
                                                       {"Answer", q.Answer},
                                                       {"ChoiceItems", q.ChoiceItems}}));
}

std::string CreateTestsList::analysisAnswerText(const std::string& letter, const core::Value& items) {
  if (!items.isArray()) return std::string();
  for (const core::Value& item : items.array())
    if (text(item["Name"]) == letter) return text(item["Text"]);
  return std::string();
}

std::string CreateTestsList::changeString(const std::string& s) {
  auto marker = core::Regex::cached(kImageMarker, core::Regex::CaseInsensitive);
  return marker->valid() ? marker->replaceAll(s, "[图]") : s;
}
