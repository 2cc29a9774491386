#pragma once
// PracticeLaunch: what the practice screens share to open the answering screen ("examming"): make it
// through the screen factory, give it a pager over the questions at the chosen one, let the caller set
// the remaining launch properties, and push it on the screen's navigation controller. Also the texts of
// the bundle's strings table and the session the practice screens read.

#include <functional>
#include <memory>
#include <string>

#include "exam/sets/AnsweringScreen.h"
#include "exam/sets/RestoredRun.h"
#include "model/Questions.h"
#include "platform/core/Value.h"
#include "ui/ViewController.h"

class PracticeLaunch {
 public:
  using Configure = std::function<void(AnsweringScreen&)>;

  // False (nothing opened) when there are no questions, `current` is not one of them (nullptr: the
  // first), or the screen cannot be made or pushed.
  static bool open(ui::ViewController& from, const QuestionsArray& tests, std::shared_ptr<Questions> current,
                   const Configure& configure);
  // A stored run (RestoredRun::applyTo) with the further properties of `configure`; false without
  // questions.
  static bool resume(ui::ViewController& from, const RestoredRun& run, const Configure& configure);

  // The text of a key of the bundle's strings table.
  static std::string localized(const char* key);
  // The application delegate's user session (Nil without a delegate).
  static core::Value session();
  static bool isLoggedIn();
  // A failed or empty question set's text: `noReplyKey`'s text without a reply; the reply's "Message"
  // when it has one (shortened, ReplyCheck); `emptyKey`'s text when its "Body" is empty, null or a set
  // (that gave no question); ReplyCheck::kMalformedMessage for a reply of any other shape.
  static std::string failureText(const core::Value& reply, const char* noReplyKey, const char* emptyKey);
};
