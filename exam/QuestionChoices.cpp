#include "exam/QuestionChoices.h"

std::vector<QuestionChoice> questionChoices(const Questions& question) {
  std::vector<QuestionChoice> out;
  if (!question.ChoiceItems.isArray()) return out;
  for (const core::Value& item : question.ChoiceItems.array())
    out.push_back({item["Name"].describe(), item["Text"].describe()});
  return out;
}

std::string choiceTable(const std::string& paragraphs) {
  return "<TABLE width=\"95%\" border=0 align=\"center\" cellPadding=0 cellSpacing=3><TR> <TD "
         "class=\"TestContent\">" +
         paragraphs + "</TD></TR></TABLE>";
}
