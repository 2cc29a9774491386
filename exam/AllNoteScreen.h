#pragma once
// AllNoteScreen: what the answering screen sets on the notes screen of the question on show ("allNote")
// after making it with the screen factory and before pushing it. The notes screen implements it; the
// answering screen finds it with a dynamic cast of the made controller. It stores the question's id in
// the user session's "ALLTESTID" before it asks for the two halves.

#include "platform/core/Value.h"

class AllNoteScreen {
 public:
  virtual ~AllNoteScreen() = default;
  // The first page of everyone's notes on the question: the "Body" array of the all-notes reply, or Nil
  // when that reply failed or held no items.
  virtual void setJson(const core::Value& notes) = 0;
  // The user's own notes on the question: the items of the my-note reply without repeated "ID" (the
  // first of each kept), or Nil.
  virtual void setMyNoteJson(const core::Value& myNotes) = 0;
};
