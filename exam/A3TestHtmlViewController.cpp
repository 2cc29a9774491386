#include "exam/A3TestHtmlViewController.h"

#include "exam/PageText.h"
#include "exam/QuestionChoices.h"

std::string A3TestHtmlViewController::loadReplyAreaHtml(const QuestionPageInput& input,
                                                        QuestionImageStep& images) {
  const char* onclick = nullptr;
  if (input.mode == static_cast<int>(AnsweringMode::Practice) ||
      input.mode == static_cast<int>(AnsweringMode::Exam))
    onclick = " onclick='checkboxReplyClick()'";
  else if (input.mode == static_cast<int>(AnsweringMode::Reading))
    onclick = "";
  std::string paragraphs;
  if (onclick) {
    for (const QuestionChoice& choice : questionChoices(input.question)) {
      const std::string n = htmlEscaped(choice.name);
      paragraphs += "<p><input type=\"checkbox\" id=\"checkbox_" + n + "\" name=\"checkboxgroup\" value=\"" +
                    n + "\"" + onclick + " /><label for=\"checkbox_" + n +
                    "\" onclick='javascript:void(0)'> " + n + "." + images.imageTextHtml(choice.text) +
                    " </label><img name=\"right_" + n +
                    "\" src=\"right.png\" style='display:none;'/><img name=\"wrong_" + n +
                    "\" src=\"wrong.png\" style='display:none;'/><p>";
    }
  }
  return choiceTable(paragraphs);
}

std::string A3TestHtmlViewController::loadHiddenAnswerHtml(const QuestionPageInput& input) {
  std::string out = BaseTestHtmlViewController::loadHiddenAnswerHtml(input);
  if (input.mode == static_cast<int>(AnsweringMode::Practice)) {
    out +=
        " <TABLE width=\"95%\" border=0 align=\"center\" cellPadding=0 cellSpacing=3><TR><TD "
        "class=\"TestContent\" "
        "align=\"center\"><input id=\"btnShowAnswer\" type=\"button\" value=\"确认\" "
        "style=\"width:95%;height:25px;\" onclick=\"saveAndDisplayAnswerClick()\" /></TD></TR></TABLE>";
  }
  return out;
}

BaseTestHtmlViewController::PageAreas A3TestHtmlViewController::pageAreas() const {
  return {&A3TestHtmlViewController::loadReplyAreaHtml, &A3TestHtmlViewController::loadHiddenAnswerHtml};
}

void A3TestHtmlViewController::replyClick(const std::string& reply) {
  BaseTestHtmlViewController::replyClick(reply);
  if (!currentTest()) return;
  if (!reply.empty()) {
    currentTest()->state = currentTest()->Answer == reply ? AnswerState::Right : AnswerState::Wrong;
    currentTest()->reply = reply;
  } else {
    currentTest()->state = AnswerState::NotAnswered;
    currentTest()->reply.clear();
  }
}

void A3TestHtmlViewController::replyClickOK(const std::string& reply) {
  BaseTestHtmlViewController::replyClickOK(reply);
  if (!currentTest()) return;
  currentTest()->state = AnswerState::NotAnswered;
  currentTest()->reply = reply;
}

void A3TestHtmlViewController::displaySelect(const std::string& reply) {
  evaluate("displayCheckboxSelect('" + javaScriptEscaped(reply) + "')");
}

void A3TestHtmlViewController::displayResult() {
  BaseTestHtmlViewController::displayResult();
  evaluate("displayCheckBoxResult('" +
           javaScriptEscaped(currentTest() ? currentTest()->reply : std::string()) + "')");
}

void A3TestHtmlViewController::displayExplain(bool show) {
  evaluate(show ? "displayCheckBoxResult()" : "dismissCheckBoxResult()");
}
