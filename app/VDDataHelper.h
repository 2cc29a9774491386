#pragma once
// VDDataHelper: date texts. Class methods only, no state.

#include <optional>
#include <string>

#include "platform/core/Date.h"

class VDDataHelper {
 public:
  // "yyyy-MM-dd HH:mm:ss" in the local zone; nullopt for text that is not such a date.
  static std::optional<core::Date> dateFromString(const std::string& text);
  // "yyyy-MM-dd" in the local zone.
  static std::string stringFromDate(core::Date date);
  // Compares now with the fixed time "2012-09-10 18:20:00" and drops the result.
  static void dateCompare();
};
