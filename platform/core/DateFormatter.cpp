#include "platform/core/DateFormatter.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <vector>

#include "platform/core/Text.h"

namespace core {

// ---------------------------------------------------------------------------------------------------
// TimeZone

TimeZone TimeZone::local() { return TimeZone(); }

TimeZone TimeZone::fixed(int secondsFromGMT) {
  TimeZone z;
  z.local_ = false;
  z.offset_ = secondsFromGMT;
  return z;
}

std::optional<TimeZone> TimeZone::named(std::string_view name) {
  struct Named {
    const char* name;
    int hours;
  };
  static const Named table[] = {
      {"UTC", 0},         {"GMT", 0},           {"Etc/UTC", 0},
      {"Etc/GMT", 0},     {"Asia/Shanghai", 8}, {"Asia/Chongqing", 8},
      {"Asia/Harbin", 8}, {"PRC", 8},           {"Asia/Hong_Kong", 8},
      {"Asia/Taipei", 8}, {"Asia/Macau", 8},    {"Asia/Singapore", 8},
      {"Asia/Tokyo", 9},  {"Asia/Seoul", 9},
  };
  for (const auto& n : table) {
    if (name == n.name) return fixed(n.hours * 3600);
  }
  // "GMT+8", "UTC-05", "GMT+08:00", "UTC+0800"
  for (std::string_view prefix : {"GMT", "UTC"}) {
    if (!hasPrefix(name, prefix) || name.size() < prefix.size() + 2) continue;
    std::string_view rest = name.substr(prefix.size());
    const int sign = rest[0] == '+' ? 1 : rest[0] == '-' ? -1 : 0;
    if (sign == 0) return std::nullopt;
    rest.remove_prefix(1);
    std::string digits;
    for (char c : rest) {
      if (c == ':') continue;
      if (c < '0' || c > '9') return std::nullopt;
      digits += c;
    }
    int hours = 0, minutes = 0;
    if (digits.size() == 1 || digits.size() == 2) {
      hours = std::stoi(digits);
    } else if (digits.size() == 3 || digits.size() == 4) {
      hours = std::stoi(digits.substr(0, digits.size() - 2));
      minutes = std::stoi(digits.substr(digits.size() - 2));
    } else {
      return std::nullopt;
    }
    if (hours > 18 || minutes > 59) return std::nullopt;
    return fixed(sign * (hours * 3600 + minutes * 60));
  }
  return std::nullopt;
}

int TimeZone::secondsFromGMT(Date at) const {
  if (!local_) return offset_;
  std::time_t t = static_cast<std::time_t>(std::floor(at.secondsSince1970));
  std::tm tm{};
  localtime_r(&t, &tm);
  return static_cast<int>(tm.tm_gmtoff);
}

// ---------------------------------------------------------------------------------------------------
// Calendar fields

namespace {

bool isLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int daysInMonth(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && isLeap(y) ? 29 : days[m - 1];
}

const char* const kMonthsShort[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kMonthsLong[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};
const char* const kDaysShort[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kDaysLong[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};

struct Element {
  char letter = 0;  // 0: literal text
  int count = 0;
  std::string text;
};

bool isPatternLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::vector<Element> tokenize(std::string_view p) {
  std::vector<Element> out;
  auto literal = [&](std::string_view s) {
    if (out.empty() || out.back().letter != 0) out.push_back(Element{});
    out.back().text += s;
  };
  std::size_t i = 0;
  while (i < p.size()) {
    char c = p[i];
    if (c == '\'') {
      if (i + 1 < p.size() && p[i + 1] == '\'') {
        literal("'");
        i += 2;
        continue;
      }
      ++i;
      while (i < p.size()) {
        if (p[i] == '\'') {
          if (i + 1 < p.size() && p[i + 1] == '\'') {
            literal("'");
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        literal(p.substr(i, 1));
        ++i;
      }
    } else if (isPatternLetter(c)) {
      std::size_t j = i;
      while (j < p.size() && p[j] == c) ++j;
      out.push_back(Element{c, static_cast<int>(j - i), std::string(p.substr(i, j - i))});
      i = j;
    } else {
      literal(p.substr(i, 1));
      ++i;
    }
  }
  return out;
}

bool isNumeric(const Element& e) {
  switch (e.letter) {
    case 'y':
    case 'd':
    case 'H':
    case 'h':
    case 'm':
    case 's':
    case 'S':
      return true;
    case 'M':
      return e.count <= 2;
    default:
      return false;
  }
}

std::string padded(long long v, int width) {
  std::string digits = std::to_string(v < 0 ? -v : v);
  if (static_cast<int>(digits.size()) < width)
    digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
  return v < 0 ? "-" + digits : digits;
}

// Matches one of the names (case-insensitively) at text[i]; longest first. Returns the index or -1.
int matchName(std::string_view text, std::size_t& i, const char* const* names, int count) {
  int best = -1;
  std::size_t bestLen = 0;
  for (int k = 0; k < count; ++k) {
    std::string_view n(names[k]);
    if (n.size() > bestLen && equalsIgnoringCase(text.substr(i, n.size()), n)) {
      best = k;
      bestLen = n.size();
    }
  }
  if (best >= 0) i += bestLen;
  return best;
}

}  // namespace

DateParts DateFormatter::partsOf(Date date, const TimeZone& zone) {
  const double whole = std::floor(date.secondsSince1970);
  DateParts p;
  p.fraction = date.secondsSince1970 - whole;
  std::time_t t = static_cast<std::time_t>(whole);
  std::tm tm{};
  if (zone.isLocal()) {
    localtime_r(&t, &tm);
  } else {
    t += zone.secondsFromGMT(date);
    gmtime_r(&t, &tm);
  }
  p.year = tm.tm_year + 1900;
  p.month = tm.tm_mon + 1;
  p.day = tm.tm_mday;
  p.hour = tm.tm_hour;
  p.minute = tm.tm_min;
  p.second = tm.tm_sec;
  p.weekday = tm.tm_wday;
  return p;
}

std::optional<Date> DateFormatter::dateOf(const DateParts& p, const TimeZone& zone) {
  if (p.year < 1 || p.year > 9999 || p.month < 1 || p.month > 12 || p.day < 1 ||
      p.day > daysInMonth(p.year, p.month) || p.hour < 0 || p.hour > 23 || p.minute < 0 || p.minute > 59 ||
      p.second < 0 || p.second > 59 || p.fraction < 0 || p.fraction >= 1)
    return std::nullopt;
  std::tm tm{};
  tm.tm_year = p.year - 1900;
  tm.tm_mon = p.month - 1;
  tm.tm_mday = p.day;
  tm.tm_hour = p.hour;
  tm.tm_min = p.minute;
  tm.tm_sec = p.second;
  std::time_t t;
  if (zone.isLocal()) {
    tm.tm_isdst = -1;
    t = std::mktime(&tm);
  } else {
    t = timegm(&tm) - zone.secondsFromGMT(Date{});
  }
  return Date{static_cast<double>(t) + p.fraction};
}

DateFormatter::DateFormatter(std::string pattern, TimeZone zone)
    : pattern_(std::move(pattern)), zone_(zone) {}

std::string DateFormatter::format(Date date) const {
  const DateParts p = partsOf(date, zone_);
  std::string out;
  for (const Element& e : tokenize(pattern_)) {
    switch (e.letter) {
      case 0:
        out += e.text;
        break;
      case 'y':
        out += e.count == 2 ? padded(p.year % 100, 2) : padded(p.year, e.count);
        break;
      case 'M':
        out += e.count <= 2 ? padded(p.month, e.count)
                            : (e.count == 3 ? kMonthsShort[p.month - 1] : kMonthsLong[p.month - 1]);
        break;
      case 'd':
        out += padded(p.day, e.count);
        break;
      case 'H':
        out += padded(p.hour, e.count);
        break;
      case 'h':
        out += padded(p.hour % 12 == 0 ? 12 : p.hour % 12, e.count);
        break;
      case 'm':
        out += padded(p.minute, e.count);
        break;
      case 's':
        out += padded(p.second, e.count);
        break;
      case 'S': {
        const int width = std::min(e.count, 9);
        const long long scale = static_cast<long long>(std::pow(10, width));
        // Far from 1970 a date's seconds keep the fraction only to a few units in their last place: the
        // ".15" parsed into year 8122 is held as .14996…, and is still 150 milliseconds.
        const double slack =
            std::max(1e-6, std::ldexp(std::fabs(date.secondsSince1970), -50) * static_cast<double>(scale));
        long long v = static_cast<long long>(std::floor(p.fraction * static_cast<double>(scale) + slack));
        if (v >= scale) v = scale - 1;
        out += padded(v, width);
        out.append(static_cast<std::size_t>(e.count - width), '0');
        break;
      }
      case 'a':
        out += p.hour < 12 ? "AM" : "PM";
        break;
      case 'E':
        out += e.count <= 3 ? kDaysShort[p.weekday] : kDaysLong[p.weekday];
        break;
      default:
        out += e.text;
        break;  // letters without a meaning here are written as they stand
    }
  }
  return out;
}

std::optional<Date> DateFormatter::parse(std::string_view text) const {
  const std::vector<Element> elements = tokenize(pattern_);
  DateParts p;
  int hour12 = -1, pm = -1, year2 = -1;
  std::size_t i = 0;
  for (std::size_t k = 0; k < elements.size(); ++k) {
    const Element& e = elements[k];
    if (e.letter == 0 || !(isNumeric(e) || e.letter == 'M' || e.letter == 'a' || e.letter == 'E')) {
      const std::string& lit = e.text;  // literal text, or letters without a meaning here
      if (text.substr(i, lit.size()) != lit) return std::nullopt;
      i += lit.size();
      continue;
    }
    if (isNumeric(e)) {
      // Inside a run of numeric fields with no text between them, each takes exactly its width.
      const bool adjacent =
          (k + 1 < elements.size() && isNumeric(elements[k + 1])) || (k > 0 && isNumeric(elements[k - 1]));
      std::size_t minDigits = 1, maxDigits = 2;
      if (e.letter == 'y') maxDigits = e.count == 2 ? 2 : 4;
      if (e.letter == 'S') maxDigits = 9;
      if (adjacent || (e.letter == 'y' && e.count == 2))
        minDigits = maxDigits = static_cast<std::size_t>(e.count);
      if (e.letter == 'y' && e.count > 4 && !adjacent) maxDigits = static_cast<std::size_t>(e.count);
      // No field reads more digits than its value can hold ("yyyyyyyyyyyyyyyyyyyy" of twenty 4s).
      maxDigits = std::min<std::size_t>(maxDigits, 18);
      std::size_t n = 0;
      long long v = 0;
      while (n < maxDigits && i + n < text.size() && text[i + n] >= '0' && text[i + n] <= '9') {
        v = v * 10 + (text[i + n] - '0');
        ++n;
      }
      if (n < minDigits) return std::nullopt;
      const std::string_view digits = text.substr(i, n);
      i += n;
      switch (e.letter) {
        case 'y':
          if (e.count == 2) {
            year2 = static_cast<int>(v);
          } else {
            p.year = static_cast<int>(v);
          }
          break;
        case 'M':
          p.month = static_cast<int>(v);
          break;
        case 'd':
          p.day = static_cast<int>(v);
          break;
        case 'H':
          p.hour = static_cast<int>(v);
          break;
        case 'h':
          hour12 = static_cast<int>(v);
          break;
        case 'm':
          p.minute = static_cast<int>(v);
          break;
        case 's':
          p.second = static_cast<int>(v);
          break;
        case 'S':
          p.fraction = static_cast<double>(v) / std::pow(10.0, static_cast<double>(digits.size()));
          break;
      }
      continue;
    }
    if (e.letter == 'M') {
      int m = matchName(text, i, kMonthsLong, 12);
      if (m < 0) m = matchName(text, i, kMonthsShort, 12);
      if (m < 0) return std::nullopt;
      p.month = m + 1;
    } else if (e.letter == 'a') {
      static const char* const marks[] = {"AM", "PM", "上午", "下午"};
      int m = matchName(text, i, marks, 4);
      if (m < 0) return std::nullopt;
      pm = m % 2;
    } else if (e.letter == 'E') {
      int d = matchName(text, i, kDaysLong, 7);
      if (d < 0) d = matchName(text, i, kDaysShort, 7);
      if (d < 0) return std::nullopt;
    }
  }
  if (i != text.size()) return std::nullopt;
  if (year2 >= 0) {
    // Two-digit years fall within 80 years before and 20 years after now.
    const int thisYear = partsOf(Date::now(), zone_).year;
    int y = thisYear - thisYear % 100 + year2;
    if (y > thisYear + 20) y -= 100;
    if (y <= thisYear - 80) y += 100;
    p.year = y;
  }
  if (hour12 >= 0) {
    if (hour12 < 1 || hour12 > 12) return std::nullopt;
    p.hour = hour12 % 12 + (pm == 1 ? 12 : 0);
  }
  return dateOf(p, zone_);
}

std::string DateFormatter::format(Date date, std::string_view pattern) {
  return DateFormatter(std::string(pattern)).format(date);
}

std::optional<Date> DateFormatter::parse(std::string_view text, std::string_view pattern) {
  return DateFormatter(std::string(pattern)).parse(text);
}

}  // namespace core
