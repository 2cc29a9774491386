#pragma once
// QuestionType: the seven kinds of question, as the text values of Questions::type and of a question
// set's session "Type". Any other text is no question type: question sets skip such a session and no
// question page is made for it.
//
//   "ATEST"   single-answer choice                                          one option letter
//   "BTEST"   shared option list: sub-questions under one case stem          one option letter
//   "A3TEST"  case with sub-questions, each with its own options             option letters
//   "XTEST"   multiple answers                                               option letters
//   "PDTEST"  true/false                                                     one option letter
//   "JDTEST"  short answer                                                   text
//   "TKTEST"  fill in the blank                                              text

#include <optional>
#include <string_view>

enum class QuestionType { ATEST, BTEST, A3TEST, XTEST, PDTEST, JDTEST, TKTEST };

// The type a text names (exactly, upper case); nothing for any other text.
std::optional<QuestionType> questionTypeNamed(std::string_view text);
// The text of a type ("ATEST").
const char* questionTypeName(QuestionType type);
