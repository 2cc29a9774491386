#pragma once
// CreateTestsList: the list row of a question (QuestionListRow).
//
// The question is a dictionary with "AllTestID", "FrontTitle", "MainTitle", "Answer" (one or more
// option letters, or a model answer) and "ChoiceItems" ([{"Name": letter, "Text": text}]), as the
// server or a Questions record gives it. The answer text:
//   - an answer of exactly one character: the text of that option ("" when no option has the letter);
//   - else, without options: the answer itself (a short-answer question's model answer);
//   - else: the text of each answer letter's option followed by "。", in the answer's order.
// Missing texts read as empty. Image markers ("[name.png]" and the like) become "[图]" in both texts.

#include <string>

#include "exam/sets/QuestionListRow.h"
#include "model/Questions.h"
#include "platform/core/Value.h"

class CreateTestsList {
 public:
  static QuestionListRow analysisListItem(const core::Value& question);
  // The same for a record (its fields read by their names).
  static QuestionListRow analysisListItem(const Questions& question);
  // The "Text" of the first option whose "Name" is `letter`; "" when none is.
  static std::string analysisAnswerText(const std::string& letter, const core::Value& items);
  // The text with every image marker replaced by "[图]". A marker is "[", then non-space characters
  // (as few as possible), then "." and gif, jpg, jpeg, png or bmp in any case, then "]".
  static std::string changeString(const std::string& text);
};
