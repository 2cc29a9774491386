#pragma once
// Questions: one question as the user sees, answers, marks and stores it. Every question of a run is one
// such flat record, made by the question-set builder (TestBuilder) from a question set and the local
// question bank; while the user works, the answering screen and the question pages change IsFav, state
// and reply. A plain record: every field is public. Texts are UTF-8; a text the builder has nothing for
// is empty, except the fields it formats as "%@" of a value (marked below), where a missing value gives
// "(null)" and a JSON null "<null>".
//
// Records are shared (std::shared_ptr) between the pager, the pages and the answer card of one run, all
// on the main thread.

#include <memory>
#include <string>
#include <vector>

#include "model/AnswerState.h"
#include "platform/core/Value.h"

class Questions {
 public:
  std::string Cptid;          // "%@" of the set's "ID" (the chapter id for chapter sets)
  std::string Chapter;        // the set's "Name"
  std::string styleID;        // "%@" of the session's "StyleID"
  std::string style;          // the session's "Style": the group's display name
  std::string type;           // the session's "Type": a QuestionType text
  std::string Style_Explain;  // the session's "Description": the group's instructions
  bool IsFirst = false;       // the first question its session produced: the instructions show above it
  std::string FrontTitle;     // the case stem of an A3TEST or BTEST question; empty for the others
  std::string MainTitle;      // the question's own title
  std::string ItemNum;        // "%@" of the option count ("(null)" for the types without options)
  core::Value ChoiceItems;    // the options: [{"Name": letter, "Text": text}]; Nil without options
  std::string Answer;         // option letters for choice types, the model answer for JDTEST/TKTEST
  std::string Explain;        // the explanation
  std::string AllTestID;      // "%@" of the row's "AID": the question's server-wide id
  std::string AllTest_EplID;  // "%@" of the question's own "ID" (a sub-question's for case types)
  bool IsFav = false;         // in the user's favourites of the session
  std::string FavId;          // "1" for a favourite, "-1" otherwise
  AnswerState state = AnswerState::NotAnswered;
  std::string reply;  // the user's reply; empty while there is none

  // Carried with the record; no part of the application fills or reads them.
  std::string Subject, TestedNum, Star, ItemTestNum, FavDateTime, ErrDateTime, ErrTestedNum, Style_Sortid,
      testNum, score, BTitle, AllTest_ImgID, ATestID, A3TestID, A3TestItemID, BTestID, BTestItemID, JDTestID,
      PDTestID, TKTestID, XTestID;
};

// An ordered list of questions: the order of paging, of the answer card and of stored records.
using QuestionsArray = std::vector<std::shared_ptr<Questions>>;
