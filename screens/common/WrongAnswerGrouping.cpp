#include "screens/common/WrongAnswerGrouping.h"

#include <initializer_list>
#include <string>

namespace {

int classNumber(const std::string& key, std::initializer_list<const char*> keys) {
  int n = 1;
  for (const char* k : keys) {
    if (key == k) return n;
    ++n;
  }
  return 0;
}

}  // namespace

const char* WrongAnswerGrouping::groupingTitle(Grouping grouping) {
  switch (grouping) {
    case BySubject:
      return kBySubject;
    case ByTime:
      return kByTime;
    case ByNumber:
      return kByNumber;
  }
  return kBySubject;
}

core::Value WrongAnswerGrouping::groupingRows(Grouping grouping, const core::Value& body) {
  core::Value rows = core::Value::newArray();
  if (!body.isArray()) return rows;
  for (const core::Value& item : body.array()) {
    if (grouping == BySubject) {
      rows.push_back(core::Dictionary{
          {"ID", item["Sbjid"]}, {"Title", item["Subject1"]}, {"TestsCount", item["TestNum"]}});
      continue;
    }
    const std::string key = item["Key"].toString();
    const int id = grouping == ByTime ? classNumber(key, {"当天", "三天内", "一周内", "更久的"})
                                      : classNumber(key, {"错三次或以上", "错两次", "错一次"});
    rows.push_back(core::Dictionary{{"ID", id}, {"Title", item["Key"]}, {"TestsCount", item["Value"]}});
  }
  return rows;
}
