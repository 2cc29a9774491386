#pragma once
// core::DateFormatter: dates to text and back with Unicode date patterns, in the forms the application
// uses ("yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd", "yyyyMMdd", "yyyy-MM", "HH:mm", "MM-dd", "yyyy年MM月dd日").
//
// Pattern letters: y (yyyy four digits, yy two), M (M, MM numbers; MMM "Jan"; MMMM "January"), d,
// H (0-23), h (1-12), m, s, S (fraction of a second, as many digits as letters), a ("AM"/"PM"; parsing
// also takes "上午"/"下午"), E (EEE "Mon", EEEE "Monday"). Other letters are kept as text; 'quoted'
// text is literal and '' is a quote. Names are English (a fixed, locale-independent formatter).
//
// Parsing is strict: the whole text must match, numbers must be in range (no 30 February), fields
// not in the pattern default to 1970-01-01 00:00:00. Numbers of adjacent fields ("yyyyMMdd") take
// exactly the pattern's width.

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/core/Date.h"

namespace core {

// A time zone: the process's local zone (TZ / /etc/localtime) or a fixed offset from UTC.
class TimeZone {
 public:
  static TimeZone local();
  static TimeZone utc() { return fixed(0); }
  static TimeZone fixed(int secondsFromGMT);
  // "UTC", "GMT", "GMT+8", "UTC+08:00", and the fixed-offset zones "Asia/Shanghai" (and its aliases
  // "Asia/Chongqing", "Asia/Harbin", "PRC"), "Asia/Hong_Kong", "Asia/Taipei", "Asia/Tokyo",
  // "Asia/Seoul" (no daylight saving in these for decades). Nullopt for other names.
  static std::optional<TimeZone> named(std::string_view name);

  bool isLocal() const { return local_; }
  int secondsFromGMT(Date at) const;

 private:
  bool local_ = true;
  int offset_ = 0;
};

struct DateParts {
  int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  double fraction = 0;  // of a second, [0, 1)
  int weekday = 4;      // 0 = Sunday
};

class DateFormatter {
 public:
  explicit DateFormatter(std::string pattern = "yyyy-MM-dd HH:mm:ss", TimeZone zone = TimeZone::local());

  const std::string& pattern() const { return pattern_; }
  void setPattern(std::string pattern) { pattern_ = std::move(pattern); }
  const TimeZone& timeZone() const { return zone_; }
  void setTimeZone(TimeZone zone) { zone_ = zone; }

  std::string format(Date date) const;
  std::optional<Date> parse(std::string_view text) const;

  // One-off helpers in the local zone.
  static std::string format(Date date, std::string_view pattern);
  static std::optional<Date> parse(std::string_view text, std::string_view pattern);

  // The calendar fields of a date in a zone, and back (nullopt for impossible fields).
  static DateParts partsOf(Date date, const TimeZone& zone);
  static std::optional<Date> dateOf(const DateParts& parts, const TimeZone& zone);

 private:
  std::string pattern_;
  TimeZone zone_;
};

}  // namespace core
