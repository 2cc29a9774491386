#pragma once
// LearningRecordList: what the learning-record screens share: the logged-in user's stored runs of the
// chosen bank, their row texts, and the way back into the answering screen ("examming") through the
// one restore of a stored run (RestoredRun).

#include <functional>
#include <string>

#include "platform/core/Value.h"
#include "ui/ViewController.h"

class LearningRecordList {
 public:
  // The records of the chosen bank ("Value" of the chosen subject) in the user's history file, newest
  // first: empty when no user name is given, the file is missing or unreadable, or it has no entry of
  // the bank.
  static core::Value getLearningRecordByUser(const std::string& userName);
  // The records of the logged-in user (the session's "userInfo" "UserName"); empty when nobody is.
  static core::Value ofLoggedInUser();

  // "yyyy-MM-dd HH:mm:ss" as "yyyy年MM月dd日 HH:mm:ss". A text too short to hold a date comes back as it is.
  static std::string formatDate(const std::string& saveTime);
  // 0 "练习模式", 1 "测验模式", 2 "阅读模式", any other mode "".
  static std::string modeName(int examingMode);
  // A record's row: "【<mode name>】 <chapter name>", and the detail: its save time formatted.
  static std::string rowText(const core::Value& record);
  static std::string detailText(const core::Value& record);

  // Rebuilds the record's run from the local bank on a worker, then, back on the main thread and while
  // `from` is still there, pushes the answering screen over it on `from`'s navigation controller, at the
  // question the run was left at (the first when that one is gone), and tells `done` whether it opened.
  // Nothing opens when none of its questions are in the bank any more (or there is no navigation
  // controller or answering screen).
  static void pushToExamingVC(ui::ViewController& from, const core::Value& record,
                              std::function<void(bool opened)> done);
};
