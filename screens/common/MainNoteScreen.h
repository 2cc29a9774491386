#pragma once
// MainNoteScreen: what the home screen sets on the note list it opens ("mainNote") before pushing it:
// the "Body" of the first page of the user's notes, or Nil. The note screen implements it; the home
// screen finds it with a dynamic cast of the screen the factory makes.

#include "platform/core/Value.h"

class MainNoteScreen {
 public:
  virtual ~MainNoteScreen() = default;
  virtual void setJson(const core::Value& notes) = 0;
};
