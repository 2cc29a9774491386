#pragma once
// StatsJsonWriter: the statistics component's JSON writer (its uploads and requests).
//
// What it writes:
//   - dictionaries as objects (keys in the dictionary's own order, or sorted by UTF-16 code units with
//     sortKeys), arrays, strings, null, true and false (booleans never turn into 0 and 1);
//   - integers and decimals by their decimal text, doubles by the shortest text that reads back as the
//     same double ("10.5", "1700000000.25");
//   - in strings: \" \\ \b \f \n \r \t, other characters below 0x20 as \u%04x, everything else as it is
//     (UTF-8; "/" and non-ASCII unescaped). A byte that is not part of well-formed UTF-8 is written as
//     U+FFFD, so the output is always well-formed.
// What it refuses (nothing is returned, errorTrace() says why):
//   - a top level other than a dictionary or an array in stringWithObject ("Not valid type for JSON");
//   - values JSON has no form for: nothing (Nil), data, dates, and doubles that are not finite
//     ("JSON serialisation not supported for %@"); inside an object the key is named as well
//     ("Unsupported value for key %@ in object");
//   - nesting deeper than maxDepth() ("Nested too deep").
// Keys are strings by the type of core::Dictionary, so "JSON object key must be string" cannot arise.
// humanReadable puts each element on its own line, indented two spaces per level, with " : " between a
// key and its value; empty containers stay "{}" and "[]".

#include <optional>
#include <string>

#include "platform/core/Value.h"
#include "statistics/StatsJsonBase.h"

class StatsJsonWriter : public StatsJsonBase {
 public:
  // Any JSON value, top level included.
  std::optional<std::string> stringWithFragment(const core::Value& value);
  // Only a dictionary or an array.
  std::optional<std::string> stringWithObject(const core::Value& value);

  bool sortKeys() const { return sortKeys_; }
  void setSortKeys(bool on) { sortKeys_ = on; }
  bool humanReadable() const { return humanReadable_; }
  void setHumanReadable(bool on) { humanReadable_ = on; }

 private:
  bool appendValue(const core::Value& value, std::string& out, unsigned depth);
  bool appendDictionary(const core::Dictionary& dict, std::string& out, unsigned depth);
  bool appendArray(const core::Array& array, std::string& out, unsigned depth);
  void appendIndent(std::string& out, unsigned depth) const;

  bool sortKeys_ = false;
  bool humanReadable_ = false;
};
