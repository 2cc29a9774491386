#include "exam/JDTestHtmlViewController.h"

#include "exam/PageText.h"
#include "exam/QuestionChoices.h"

std::string JDTestHtmlViewController::loadReplyAreaHtml(const QuestionPageInput& input, QuestionImageStep&) {
  const std::string reply = htmlEscaped(input.question.reply);
  return choiceTable("<textarea id=\"textarea_reply\" name=\"textarea_reply\" value=\"" + reply +
                     "\" onblur=\"getTextarea()\" cols='45' rows=\"5\" class=\"FlatInput\">" + reply +
                     "</textarea>");
}

BaseTestHtmlViewController::PageAreas JDTestHtmlViewController::pageAreas() const {
  return {&JDTestHtmlViewController::loadReplyAreaHtml, &BaseTestHtmlViewController::loadHiddenAnswerHtml};
}

void JDTestHtmlViewController::replyClick(const std::string& reply) {
  if (reply.empty() || !currentTest()) return;
  currentTest()->state = AnswerState::FreeText;
  currentTest()->reply = reply;
}
