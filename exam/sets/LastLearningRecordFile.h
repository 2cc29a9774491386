#pragma once
// LastLearningRecordFile: the run in progress of a user, which the home screen offers to resume. One
// property-list file per user, <directory>/<MD5 of the user name> (the documents folder's "la"),
// holding an array of exactly one dictionary:
//   {"SoftEName": the bank's English name, "LearningRecordArr": ONE learning record (a dictionary, see
//    LearningRecordFile::record), "CurrentModule": the module number, "PackageName": packageName()}
// Rewritten whole (atomically) after every page move and answer; removed when the run is submitted.
// The answering screen does both with save() and discard(), written off the main thread
// (core::PropertyListWriter); read() sees what still waits to be written.
// A file is only taken for a resume when it is this build's (its "PackageName"), of the chosen bank and
// of the module being opened (matches()).

#include <string>

#include "platform/core/Value.h"

class LastLearningRecordFile {
 public:
  // "AlixPay" followed by the bundle's "CFBundleName".
  static std::string packageName();
  // Whether a stored element (the array's first dictionary) is for this build, `bank` and `module`.
  static bool matches(const core::Value& element, const std::string& bank, int module);

  // The one element the file holds for `record` of `bank`, opened in `currentModule`.
  static core::Value element(const std::string& bank, const core::Value& record, int currentModule);

  explicit LastLearningRecordFile(std::string path) : path_(std::move(path)) {}
  const std::string& path() const { return path_; }

  // The stored element (the one the writer still has waiting, if any); Nil when the file is missing or
  // is not an array holding a dictionary, or its removal is waiting.
  core::Value read() const;
  // Replaces the file with the one element for `record` on the calling thread; false when it could not
  // be written.
  bool write(const std::string& bank, const core::Value& record, int currentModule) const;
  // Removes the file; a missing file is no error.
  void remove() const;
  // write() and remove() queued on core::PropertyListWriter: they return at once, a newer call replaces
  // one still waiting, and read() answers with what waits.
  void save(const std::string& bank, const core::Value& record, int currentModule) const;
  void discard() const;

 private:
  std::string path_;
};
