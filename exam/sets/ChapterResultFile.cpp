#include "exam/sets/ChapterResultFile.h"

#include <cstdio>

#include "exam/sets/RecordArrayFile.h"
#include "platform/core/Paths.h"
#include "platform/core/PropertyList.h"
#include "platform/core/PropertyListWriter.h"

std::string ChapterResultFile::pathFor(const std::string& directory, bool isChapterTest) {
  return core::Paths::join(directory, isChapterTest ? kChapterTestName : kChapterCheckName);
}

std::string ChapterResultFile::percentText(double percent) {
  char text[64];
  std::snprintf(text, sizeof text, "%.0f%%", percent);
  return text;
}

core::Value ChapterResultFile::entry(const std::string& chapterID, const std::string& userNameMD5,
                                     const std::string& eName, int answered, int right, double percent) {
  core::Value e = core::Value::newDictionary();
  if (!chapterID.empty()) e.set("ID", chapterID);
  e.set("UserName", userNameMD5);
  e.set("EName", eName);
  e.set("yidaResult", std::to_string(answered));
  e.set("daduiResult", std::to_string(right));
  e.set("percent", percentText(percent));
  return e;
}

bool ChapterResultFile::isRemoveOld(const core::Value& older, const core::Value& entry) {
  return older["UserName"].toString() == entry["UserName"].toString() &&
         older["EName"].toString() == entry["EName"].toString() &&
         older["ID"].describe() == entry["ID"].describe();
}

core::Value ChapterResultFile::read() const { return RecordArrayFile::readArray(path_); }

bool ChapterResultFile::store(const core::Value& entry) const {
  if (!entry.contains("ID")) return false;
  core::Value results = read();
  for (std::size_t i = 0; i < results.size(); ++i) {
    if (isRemoveOld(results[i], entry)) {
      results.array().erase(i);
      break;
    }
  }
  results.array().insert(0, entry);
  // Off the main thread of the running application (core::PropertyListWriter).
  return core::PropertyListWriter::shared().writeFile(path_, results);
}
