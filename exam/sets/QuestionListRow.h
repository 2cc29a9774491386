#pragma once
// QuestionListRow: one question as a short row of a question list (favourites, wrong answers, search
// results, ranks, fast learning): its id, its title and its right answer written out. Made by
// CreateTestsList::analysisListItem; screens keep their own copies.

#include <string>

struct QuestionListRow {
  std::string AID;         // "%@" of the question's "AllTestID"
  std::string Title;       // "FrontTitle" followed by "MainTitle", image markers shown as "[图]"
  std::string AnswerText;  // the answer written out as option text, image markers shown as "[图]"
};
