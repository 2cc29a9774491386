#pragma once
// Cuts the bytes of a JSON text into tokens and turns number and string tokens into values.
//
// The tokeniser works on bytes: every structural character, literal, digit, sign and escape of JSON
// is ASCII, and only the runs of plain string content between them are decoded as UTF-8. A token
// that the end of the buffered bytes cuts off gives JsonToken::Eof with the read position put back
// to its first byte, so the same token is read again, whole, once more bytes are appended.

#include <cstddef>
#include <cstdint>
#include <string>

#include "librarys/json/JsonUTF8Stream.h"
#include "platform/core/Value.h"

enum class JsonToken : int {
  Error = -1,  // the text is in error()
  Eof = 0,     // no complete token left in the buffer
  ArrayStart = 1,
  ArrayEnd = 2,
  ObjectStart = 3,
  ObjectEnd = 4,
  Separator = 5,          // ","
  KeyValueSeparator = 6,  // ":"
  Number = 7,
  String = 8,
  True = 9,
  False = 10,
  Null = 11,
};

class JsonTokeniser {
 public:
  JsonTokeniser() = default;

  void appendData(const std::uint8_t* bytes, std::size_t length) { stream_.appendData(bytes, length); }

  // The next token. For Number the value is an Integer (64-bit) or a Decimal; for String a String.
  JsonToken getToken(core::Value* value);
  // As above, except that a String token's text goes to `text` (replacing what it held) and `value` is
  // left alone: for object keys, which are kept as plain strings.
  JsonToken getToken(core::Value* value, std::string* text);

  const std::string& error() const { return error_; }
  JsonUTF8Stream& stream() { return stream_; }

 private:
  JsonToken match(const char* literal, std::size_t length, JsonToken retval);
  // A simple (one-letter) escape; false for a letter that is no escape.
  static bool decodeEscape(std::uint8_t ch, std::string& into);
  // Four hex digits at `at`, most significant first; false when one is no hex digit.
  bool decodeHexQuad(std::size_t at, std::uint16_t* quad);
  JsonToken getStringToken(std::string* text);
  JsonToken getNumberToken(core::Value* value);
  JsonToken fail(std::string text);

  JsonUTF8Stream stream_;
  std::string error_;
};
