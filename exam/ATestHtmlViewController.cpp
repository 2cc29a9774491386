#include "exam/ATestHtmlViewController.h"

#include "exam/PageText.h"
#include "exam/QuestionChoices.h"

std::string ATestHtmlViewController::loadReplyAreaHtml(const QuestionPageInput& input,
                                                       QuestionImageStep& images) {
  const char* handler = nullptr;
  if (input.mode == static_cast<int>(AnsweringMode::Practice) ||
      input.mode == static_cast<int>(AnsweringMode::Reading))
    handler = "radioReplyClick(this)";
  else if (input.mode == static_cast<int>(AnsweringMode::Exam))
    handler = "radioReplyClickForTest(this)";
  std::string paragraphs;
  if (handler) {
    for (const QuestionChoice& choice : questionChoices(input.question)) {
      const std::string n = htmlEscaped(choice.name);
      paragraphs += "<p><input type=\"radio\" id=\"radio_" + n + "\" name=\"radiogroup\" value=\"" + n +
                    "\" onclick='" + handler + "'/><label for=\"radio_" + n +
                    "\" onclick='javascript:void(0)'> " + n + "." + images.imageTextHtml(choice.text) +
                    " </label><img name=\"right_" + n +
                    "\" src=\"right.png\" style='display:none;'/><img name=\"wrong_" + n +
                    "\" src=\"wrong.png\" style='display:none;'/></p>";
    }
  }
  return choiceTable(paragraphs);
}

BaseTestHtmlViewController::PageAreas ATestHtmlViewController::pageAreas() const {
  return {&ATestHtmlViewController::loadReplyAreaHtml, &BaseTestHtmlViewController::loadHiddenAnswerHtml};
}

void ATestHtmlViewController::replyClick(const std::string& reply) {
  BaseTestHtmlViewController::replyClick(reply);
  if (!currentTest()) return;
  currentTest()->state = currentTest()->Answer == reply ? AnswerState::Right : AnswerState::Wrong;
  currentTest()->reply = reply;
  jsClickType(1);  // userDisAnalysis()
}

void ATestHtmlViewController::displaySelect(const std::string& reply) {
  evaluate("displayRadioSelect('" + javaScriptEscaped(reply) + "')");
}

void ATestHtmlViewController::displayResult() {
  BaseTestHtmlViewController::displayResult();
  evaluate("displayRadioResult('" + javaScriptEscaped(currentTest() ? currentTest()->reply : std::string()) +
           "')");
}

void ATestHtmlViewController::displayExplain(bool show) {
  if (show) {
    evaluate("displayRadioResult()");
    jsClickType(2);  // updateAnalysisImage()
  } else {
    evaluate("dismissRadioResult()");
    jsClickType(3);  // updateAnalysisImageR()
  }
}
