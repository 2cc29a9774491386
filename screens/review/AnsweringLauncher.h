#pragma once
// AnsweringLauncher: opens the answering screen ("examming") in reading mode over the questions of a
// list page, as the review lists do: a pager over the whole page whose current question is the one
// chosen, reading mode, practice as the redo mode, the list's module and caption, no learning record
// on leaving, and (when given) the page's reply for the records.

#include <memory>
#include <optional>
#include <string>

#include "model/FunctionModule.h"
#include "model/Questions.h"
#include "platform/core/Value.h"
#include "ui/ViewController.h"

class AnsweringLauncher {
 public:
  // Pushes the screen on `from`'s navigation controller. False (nothing opened) when the page has no
  // questions, `current` is not one of them, or the screen cannot be made or pushed.
  static bool open(ui::ViewController& from, const QuestionsArray& page,
                   const std::shared_ptr<Questions>& current, FunctionModule module,
                   const std::string& chapterName, const std::optional<core::Value>& testsJSON);
};
