#pragma once
// Arithmetic on numbers that come from outside (a server's reply, a bank, a stored file): counts,
// sums, sizes, shares. Such a number may be anything an int64 holds, so these never overflow: a sum
// or product past the range stops at its end (INT64_MAX or INT64_MIN), and a share is always a
// finite percentage between 0 and 100.

#include <cstdint>
#include <limits>

namespace core {

// a + b, stopping at INT64_MAX or INT64_MIN.
inline std::int64_t satAdd(std::int64_t a, std::int64_t b) {
  std::int64_t out;
  if (!__builtin_add_overflow(a, b, &out)) return out;
  return b > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
}

// a - b, stopping at INT64_MAX or INT64_MIN.
inline std::int64_t satSub(std::int64_t a, std::int64_t b) {
  std::int64_t out;
  if (!__builtin_sub_overflow(a, b, &out)) return out;
  return b < 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
}

// a * b, stopping at INT64_MAX or INT64_MIN.
inline std::int64_t satMul(std::int64_t a, std::int64_t b) {
  std::int64_t out;
  if (!__builtin_mul_overflow(a, b, &out)) return out;
  return (a < 0) == (b < 0) ? std::numeric_limits<std::int64_t>::max()
                            : std::numeric_limits<std::int64_t>::min();
}

// The value held in an int: INT_MAX or INT_MIN past its range.
inline int satInt(std::int64_t v) {
  if (v > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (v < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(v);
}

// The share `part` is of `whole`, in percent: 0 when either is 0 or less (a count below zero counts
// nothing), 100 when the part is larger than the whole (a part never exceeds its whole), else
// part / whole * 100 computed in double (exact enough for a share shown to one decimal).
inline double percentOf(std::int64_t part, std::int64_t whole) {
  if (part <= 0 || whole <= 0) return 0;
  if (part >= whole) return 100;
  return static_cast<double>(part) / static_cast<double>(whole) * 100.0;
}

}  // namespace core
