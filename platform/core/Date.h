#pragma once
#include <cstdint>

namespace core {

// A point in time: seconds since 1970-01-01 00:00:00 UTC (the unit the stores and formatters use).
struct Date {
  double secondsSince1970 = 0;

  static Date now();  // the real wall clock (screens that need a testable clock take rl::Clock)
  static Date fromReferenceDate(double secondsSince2001) { return {secondsSince2001 + 978307200.0}; }
  double secondsSinceReferenceDate() const { return secondsSince1970 - 978307200.0; }
  double timeIntervalSince(const Date& other) const { return secondsSince1970 - other.secondsSince1970; }
  Date addingSeconds(double s) const { return {secondsSince1970 + s}; }

  friend bool operator==(const Date& a, const Date& b) { return a.secondsSince1970 == b.secondsSince1970; }
  friend bool operator<(const Date& a, const Date& b) { return a.secondsSince1970 < b.secondsSince1970; }
};

}  // namespace core
