#pragma once
// core::PropertyList: Apple property lists (XML and binary) to and from core::Value.
//
// Mapping: dict <-> Dictionary (document order kept), array <-> Array, string <-> String,
// integer <-> Integer, real -> Double (Decimal and Double are written as real), true/false <-> Bool
// (never mixed with integers), date <-> Date (from 1932-12-13 to 2069-01-19, the dates libplist holds:
// a date outside is written as the nearest one inside), data <-> Bytes. A property list cannot hold Nil or
// Null: writing a value that contains one fails. A string or key of the file that is not UTF-8 is read with
// U+FFFD in place of the bytes that are not; a file
// whose strings hold the character U+0000 (a NUL byte in XML) is refused (read as Nil).

#include <optional>
#include <string>
#include <string_view>

#include "platform/core/Value.h"

namespace core {

class PropertyList {
 public:
  // Parses XML or binary property-list bytes; Nil when they are neither.
  static Value fromData(const Bytes& bytes);
  static Value fromData(std::string_view bytes);
  static Value readFile(const std::string& path);  // Nil when missing or not a property list

  // XML text of the value; nullopt when it holds something a property list cannot (Nil, Null).
  static std::optional<std::string> toXML(const Value& value);
  static std::optional<Bytes> toBinary(const Value& value);
  // Writes the XML form atomically (temporary file in the same directory + rename).
  static bool writeFile(const std::string& path, const Value& value);
};

}  // namespace core
