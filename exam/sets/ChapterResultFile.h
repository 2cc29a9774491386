#pragma once
// ChapterResultFile: the results of finished runs that the chapter list shows, one per chapter, user
// and bank. A property-list array at <directory>/"tkChapterTestArr" (chapter tests) or
// <directory>/"tkChapterCheckArr" (the others), directory being the documents folder's "yizuo";
// newest first, no limit. An entry (entry()):
//   {"ID": chapter id, "UserName": MD5 of the user name ("" for a guest), "EName": the bank's English
//    name ("" when unknown), "yidaResult": "%d" answered, "daduiResult": "%d" right,
//    "percent": accuracy rounded to a whole number followed by "%"}
// store() drops the first older entry of the same chapter, user and bank and puts the new one first,
// written atomically; an entry without an "ID" is not stored. A missing file reads as empty; an
// unreadable one is put aside, never overwritten (RecordArrayFile).

#include <string>

#include "platform/core/Value.h"

class ChapterResultFile {
 public:
  static constexpr const char* kChapterTestName = "tkChapterTestArr";
  static constexpr const char* kChapterCheckName = "tkChapterCheckArr";

  static std::string pathFor(const std::string& directory, bool isChapterTest);
  // newResultDic: the entry of a result. An empty chapterID leaves "ID" out.
  static core::Value entry(const std::string& chapterID, const std::string& userNameMD5,
                           const std::string& eName, int answered, int right, double percent);
  // The text of an accuracy: "%.0f%%".
  static std::string percentText(double percent);
  // isRemoveOld: the same chapter, user and bank.
  static bool isRemoveOld(const core::Value& older, const core::Value& entry);

  explicit ChapterResultFile(std::string path) : path_(std::move(path)) {}
  const std::string& path() const { return path_; }

  core::Value read() const;
  // saveRecord: false when nothing was written (no "ID", or the write failed).
  bool store(const core::Value& entry) const;

 private:
  std::string path_;
};
