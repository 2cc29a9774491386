#pragma once
// StatsJsonParser: the statistics component's strict JSON reader (the service's replies).
//
// What it accepts: one JSON value in UTF-8 text, with JSON white space (space, tab, CR, LF) around and
// between tokens. Objects become dictionaries (a repeated key keeps its first place and its last value),
// arrays arrays, strings UTF-8 strings, true and false Bool values, null the Null value, and every
// number an exact decimal (core::Decimal), as the component reads all numbers.
// What it refuses, with the error it leaves in errorTrace() (innermost first):
//   - no input: "Input was 'nil'"; nothing but white space: "Unexpected end of string";
//   - text after the value: "Garbage after JSON";
//   - numbers: "Leading + disallowed in number", "Leading 0 disallowed in number" (a 0 followed by a
//     digit), "No digits after initial minus", "No digits after decimal point", "No digits after
//     exponent", and "Failed creating decimal instance" for more than 38 significant digits;
//   - strings: "Unescaped control character '0x%x'" (below 0x20), "Illegal escape sequence '0x%x'",
//     "Missing hex digit in quad", a lone low surrogate "Invalid high character in surrogate pair", a
//     high one without a following \u "Missing low character in surrogate pair" or with a following
//     quad that is not a low surrogate "Invalid low surrogate char", bytes that are not well-formed
//     UTF-8 "Broken unicode character", and "Unexpected EOF while parsing string";
//   - arrays: "Trailing comma disallowed in array", "Expected value while parsing array", and "End of
//     input while parsing array" when neither "," nor "]" follows an element;
//   - objects: "Object key string expected", "Expected ':' separating key and value", "Object value
//     expected for key: %@", "Trailing comma disallowed in object", "End of input while parsing object";
//   - literals: "Expected 'true'", "Expected 'false'", "Expected 'null'"; any other leading character:
//     "Unrecognised leading character";
//   - containers nested deeper than maxDepth() (512 by default): "Nested too deep".
// objectWithString() also refuses a valid fragment that is not an object or array ("Valid fragment, but
// not JSON"). Limits: the depth above; the input's size is the caller's (the whole text is in memory).

#include <optional>
#include <string_view>

#include "platform/core/Value.h"
#include "statistics/StatsJsonBase.h"

class StatsJsonParser : public StatsJsonBase {
 public:
  // Any JSON value; Nil on failure. nullopt stands for no input at all.
  core::Value fragmentWithString(std::optional<std::string_view> text);
  // Only an object or an array; Nil on failure.
  core::Value objectWithString(std::optional<std::string_view> text);

 private:
  struct Cursor;
  bool scanValue(Cursor& c, core::Value& out, unsigned depth);
  bool scanArray(Cursor& c, core::Value& out, unsigned depth);
  bool scanObject(Cursor& c, core::Value& out, unsigned depth);
  bool scanString(Cursor& c, std::string& out);
  bool scanNumber(Cursor& c, core::Value& out);
  bool scanLiteral(Cursor& c, std::string_view word, core::Value value, const char* error, core::Value& out);
  bool scanQuad(Cursor& c, char32_t& out);
};
