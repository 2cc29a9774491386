#pragma once
// LearningRecordFile: a user's learning history, the runs left unfinished that can be reopened later
// (the learning-record lists). One property-list file per user, <directory>/<MD5 of the user name>
// (the documents folder's "lr"), holding an array of bank entries, the bank written last first:
//   [{"SoftEName": the bank's English name, "LearningRecordArr": [learning record, ...]}]
// with at most kMaxRecords records per bank, newest first. A learning record (record(), also the
// record of the run in progress, LastLearningRecordFile) is
//   {"ReplyRecord": {"ExamingMode": mode number, "ChapterName", "SaveTime": "yyyy-MM-dd HH:mm:ss",
//                    "TestsRecord": [{"AllTestID", "Reply" ("" for none)}] in set order,
//                    "CurrentID": the current question's AllTestID},
//    "TestsJSON": JSON text of the server reply the set was built from}
// and restoreLearningRecord (RestoredRun.h) turns it back into a run.
//
// store() replaces the bank's record of the same chapter left at the same question (it moves to the
// top), else adds the new record on top; the bank's entry moves to the front; other banks' entries are
// kept as they are. The file is written atomically. A missing file reads as empty; an unreadable one is
// put aside, never overwritten (RecordArrayFile).

#include <memory>
#include <optional>
#include <string>

#include "model/AnsweringMode.h"
#include "model/Questions.h"
#include "platform/core/Date.h"
#include "platform/core/Value.h"

class LearningRecordFile {
 public:
  static constexpr std::size_t kMaxRecords = 5;

  // <directory>/<MD5 of userName>; nothing for an empty user name (no user logged in).
  static std::optional<std::string> pathFor(const std::string& directory, const std::string& userName);

  // A learning record of a run. `current` may be null (then "CurrentID" is ""); a Nil testsJSON is
  // stored as "".
  static core::Value record(AnsweringMode mode, const std::string& chapterName, core::Date saveTime,
                            const QuestionsArray& tests, const std::shared_ptr<Questions>& current,
                            const core::Value& testsJSON);

  explicit LearningRecordFile(std::string path) : path_(std::move(path)) {}
  const std::string& path() const { return path_; }

  // The bank entries (an empty array when there are none).
  core::Value read() const;
  // The records of one bank, newest first (an empty array when it has none).
  core::Value records(const std::string& bank) const;
  // Stores `record` for `bank` as described above; false when the file could not be written.
  bool store(const std::string& bank, const core::Value& record) const;

 private:
  std::string path_;
};
