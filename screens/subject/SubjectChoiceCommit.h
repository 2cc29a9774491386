#pragma once
// SubjectChoiceCommit: the two ways the subject choice ends. Each stores the chosen question bank and
// series, asks the server for the bank's application information and opens the main screen through
// the shell (VDHelper::showMainVC), whose home screen then offers the bank's download.
//
// A choice whose subject short name cannot name the bank's files (VDHelper::isUsableSubjectName) is
// not taken: nothing is stored or asked, the main screen does not open, and the user is told with the
// alert "服务器数据不存在" ("确定"). Main thread.

#include "platform/core/Value.h"

class SubjectChoiceCommit {
 public:
  static constexpr const char* kBadChoiceMessage = "服务器数据不存在";

  // A search hit {"Key", "Value", "QuoteEName", "QuoteName"}: the session's "saveAppName" = the whole
  // hit; the user default "saveQuoteName" = {"Key": QuoteEName, "Value": QuoteName}; the user default
  // "saveAppName" = {"Value", "Key"} of the hit; then the application information for "Value" and the
  // main screen. False when the hit was not taken.
  static bool commitSearchHit(const core::Value& hit);

  // A subject entry of a series (every key kept, "Count" included) and the series entry as received:
  // the application information for the entry's "Value", the user default "saveQuoteName" = the series
  // (nothing when it is unknown), the user default "saveAppName" = the entry, then the main screen.
  // The session is not touched. False when the entry was not taken.
  static bool commitSubject(const core::Value& quoteName, const core::Value& subject);

 private:
  static void refuse();
};
