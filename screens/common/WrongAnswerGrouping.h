#pragma once
// WrongAnswerGrouping: the three groupings of the wrong-answer book, shared by the book
// (ErrorRedoViewController) and the learning-record tab that fetches them: by subject ("按科目显示"), by
// age ("遗忘曲线") and by error frequency ("出错频率"), and the rows each makes of its reply.

#include "platform/core/Value.h"

class WrongAnswerGrouping {
 public:
  static constexpr const char* kBySubject = "按科目显示";
  static constexpr const char* kByTime = "遗忘曲线";
  static constexpr const char* kByNumber = "出错频率";

  enum Grouping { BySubject = 0, ByTime = 1, ByNumber = 2 };

  // The rows {"ID", "Title", "TestsCount"} of a grouping's reply "Body", in its order (rows with a
  // count of 0 kept): by subject from {"Sbjid", "Subject1", "TestNum"}; by age and by frequency from
  // {"Key", "Value"}, the "ID" being the class number of the key (当天 1, 三天内 2, 一周内 3, 更久的 4;
  // 错三次或以上 1, 错两次 2, 错一次 3; any other key 0). A body that is not an array gives no rows.
  static core::Value groupingRows(Grouping grouping, const core::Value& body);
  // The grouping's name (kBySubject, kByTime, kByNumber).
  static const char* groupingTitle(Grouping grouping);
};
