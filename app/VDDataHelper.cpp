#include "app/VDDataHelper.h"

#include "platform/core/DateFormatter.h"

std::optional<core::Date> VDDataHelper::dateFromString(const std::string& text) {
  return core::DateFormatter("yyyy-MM-dd HH:mm:ss").parse(text);
}

std::string VDDataHelper::stringFromDate(core::Date date) {
  return core::DateFormatter("yyyy-MM-dd").format(date);
}

void VDDataHelper::dateCompare() {
  // The formatter's names are English whatever the locale, as the fixed "en_US" reading was.
  const auto fixed = core::DateFormatter("yyyy-MM-dd HH:mm:ss").parse("2012-09-10 18:20:00");
  if (fixed) (void)(core::Date::now() < *fixed);
}
