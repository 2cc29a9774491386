#include "exam/sets/LearningRecordFile.h"

#include "exam/sets/RecordArrayFile.h"
#include "librarys/json/JsonWriter.h"
#include "platform/core/DateFormatter.h"
#include "platform/core/Paths.h"
#include "platform/core/PropertyList.h"
#include "platform/core/PropertyListWriter.h"
#include "util/MD5Digest.h"

std::optional<std::string> LearningRecordFile::pathFor(const std::string& directory,
                                                       const std::string& userName) {
  const auto name = stringFromMD5(userName);
  if (!name) return std::nullopt;
  return core::Paths::join(directory, *name);
}

core::Value LearningRecordFile::record(AnsweringMode mode, const std::string& chapterName,
                                       core::Date saveTime, const QuestionsArray& tests,
                                       const std::shared_ptr<Questions>& current,
                                       const core::Value& testsJSON) {
  core::Value replies = core::Value::newArray();
  for (const auto& q : tests)
    replies.push_back(core::Dictionary{{"AllTestID", q->AllTestID}, {"Reply", q->reply}});
  core::Value replyRecord =
      core::Dictionary{{"ExamingMode", static_cast<int>(mode)},
                       {"ChapterName", chapterName},
                       {"SaveTime", core::DateFormatter("yyyy-MM-dd HH:mm:ss").format(saveTime)},
                       {"TestsRecord", replies},
                       {"CurrentID", current ? current->AllTestID : std::string()}};
  const std::string json = testsJSON.isNil() ? std::string() : JSONRepresentation(testsJSON).value_or("");
  return core::Dictionary{{"ReplyRecord", replyRecord}, {"TestsJSON", json}};
}

core::Value LearningRecordFile::read() const { return RecordArrayFile::readArray(path_); }

core::Value LearningRecordFile::records(const std::string& bank) const {
  for (const core::Value& entry : read().array())
    if (entry["SoftEName"].toString() == bank && entry["LearningRecordArr"].isArray())
      return entry["LearningRecordArr"];
  return core::Value::newArray();
}

bool LearningRecordFile::store(const std::string& bank, const core::Value& record) const {
  core::Value banks = read();
  const std::string chapter = record["ReplyRecord"]["ChapterName"].toString();
  const std::string currentID = record["ReplyRecord"]["CurrentID"].toString();

  std::optional<std::size_t> found;
  for (std::size_t i = 0; i < banks.size(); ++i) {
    if (banks[i]["SoftEName"].toString() == bank) {
      found = i;
      break;
    }
  }
  if (found) {
    core::Value old = banks[*found]["LearningRecordArr"];
    core::Array kept;
    kept.push_back(record);
    bool replaced = false;
    for (const core::Value& r : old.array()) {
      const core::Value reply = r["ReplyRecord"];
      if (!replaced && reply["ChapterName"].toString() == chapter &&
          reply["CurrentID"].toString() == currentID) {
        replaced = true;  // the same chapter left at the same question: the new record takes its place
        continue;
      }
      if (kept.size() < kMaxRecords) kept.push_back(r);
    }
    banks.array().erase(*found);
    banks.array().insert(0, core::Dictionary{{"SoftEName", bank}, {"LearningRecordArr", kept}});
  } else {
    banks.array().insert(0,
                         core::Dictionary{{"SoftEName", bank}, {"LearningRecordArr", core::Array{record}}});
  }
  // Off the main thread of the running application (core::PropertyListWriter).
  return core::PropertyListWriter::shared().writeFile(path_, banks);
}
