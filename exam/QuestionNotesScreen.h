#pragma once
// QuestionNotesScreen: what the answering screen hands the notes screen of one question ("allNote")
// before pushing it. The notes screen implements it; the answering screen finds it with a dynamic cast
// of the made controller (a screen that does not implement it is pushed as it is).

#include "platform/core/Value.h"

class QuestionNotesScreen {
 public:
  virtual ~QuestionNotesScreen() = default;
  // The user's own notes on the question: an array of note items, each "ID" once.
  virtual void setMyNoteJson(const core::Value& notes) = 0;
  // The first page of everyone's notes on the question: the reply's "Body" (Nil when the request failed).
  virtual void setJson(const core::Value& notes) = 0;
};
