// The tokeniser on its own: token sequences, numbers, strings, and tokens cut off by the end of the
// buffered bytes.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "librarys/json/JsonTokeniser.h"

namespace {

using u128 = unsigned __int128;

struct Tok {
  JsonToken token;
  core::Value value;
};

void append(JsonTokeniser& t, std::string_view bytes) {
  t.appendData(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// Every token up to and including the first Eof or Error.
std::vector<Tok> tokens(JsonTokeniser& t) {
  std::vector<Tok> out;
  for (;;) {
    core::Value v;
    JsonToken tok = t.getToken(&v);
    out.push_back({tok, v});
    if (tok == JsonToken::Eof || tok == JsonToken::Error) return out;
  }
}

std::vector<JsonToken> codes(std::string_view text) {
  JsonTokeniser t;
  append(t, text);
  std::vector<JsonToken> out;
  for (const auto& tok : tokens(t)) out.push_back(tok.token);
  return out;
}

// The first token of `text`, with its value or the error text.
struct First {
  JsonToken token;
  core::Value value;
  std::string error;
};
First first(std::string_view text) {
  JsonTokeniser t;
  append(t, text);
  core::Value v;
  JsonToken tok = t.getToken(&v);
  return {tok, v, tok == JsonToken::Error ? t.error() : ""};
}

std::string u128Text(u128 m) {
  if (m == 0) return "0";
  std::string s;
  while (m) {
    s.insert(s.begin(), static_cast<char>('0' + static_cast<int>(m % 10)));
    m /= 10;
  }
  return s;
}

}  // namespace

TEST(JsonTokeniser, StructuralTokensAndLiterals) {
  using T = JsonToken;
  EXPECT_EQ(codes(" [ ] { } , : true false null "),
            (std::vector<T>{T::ArrayStart, T::ArrayEnd, T::ObjectStart, T::ObjectEnd, T::Separator,
                            T::KeyValueSeparator, T::True, T::False, T::Null, T::Eof}));
  // A number is complete only when some byte follows it.
  EXPECT_EQ(codes("[1"), (std::vector<T>{T::ArrayStart, T::Eof}));
  EXPECT_EQ(codes("[1]"), (std::vector<T>{T::ArrayStart, T::Number, T::ArrayEnd, T::Eof}));
  // A literal cut off by the end of the buffer is not yet an error.
  EXPECT_EQ(codes("[nul"), (std::vector<T>{T::ArrayStart, T::Eof}));
  EXPECT_EQ(codes("\t\r\n"), (std::vector<T>{T::Eof}));
}

struct ErrorCase {
  const char* input;
  const char* error;
};

TEST(JsonTokeniser, TokenErrorsHaveTheirExactTexts) {
  const ErrorCase cases[] = {
      {"tru]", "Expected 'true' after initial 't'"},
      {"fals]", "Expected 'false' after initial 'f'"},
      {"nulx", "Expected 'null' after initial 'n'"},
      {"+1]", "Leading + is illegal in number"},
      {".5]", "Illegal start of token [.]"},
      {"x", "Illegal start of token [x]"},
      // A form feed or vertical tab is no white space.
      {"\f[]", "Illegal start of token [\f]"},
      {"\v[]", "Illegal start of token [\v]"},
      // A byte-order mark: its first byte shown as the Latin-1 character of that value.
      {"\xEF\xBB\xBF[]", "Illegal start of token [\xC3\xAF]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    First f = first(c.input);
    EXPECT_EQ(f.token, JsonToken::Error);
    EXPECT_EQ(f.error, c.error);
  }
}

// Expected outcome of a number: an integer, a decimal (mantissa text, exponent, sign) or an error text.
struct NumberCase {
  enum Kind { Int, Dec, Err };
  const char* input;
  Kind kind;
  std::int64_t integer = 0;
  const char* mantissa = nullptr;
  int exponent = 0;
  bool negative = false;
  const char* error = nullptr;
};
NumberCase Int(const char* in, std::int64_t i) { return {in, NumberCase::Int, i}; }
NumberCase Dec(const char* in, const char* mantissa, int exponent, bool negative = false) {
  return {in, NumberCase::Dec, 0, mantissa, exponent, negative};
}
NumberCase Err(const char* in, const char* error) {
  return {in, NumberCase::Err, 0, nullptr, 0, false, error};
}

TEST(JsonTokeniser, NumbersBecomeIntegersOrExactDecimals) {
  using K = NumberCase;
  const NumberCase cases[] = {
      Int("0]", 0),
      Int("-0]", 0),
      Int("42,", 42),
      Int("-17 ", -17),
      Int("9223372036854775807]", INT64_MAX),
      Int("-9223372036854775808]", INT64_MIN),
      // Whole numbers beyond the signed 64-bit range are exact decimals, never wrapped.
      Dec("9223372036854775808]", "9223372036854775808", 0),
      Dec("-9223372036854775809]", "9223372036854775809", 0, true),
      Dec("18446744073709551615]", "18446744073709551615", 0),
      Dec("99999999999999999999]", "99999999999999999999", 0),
      Dec("123456789012345678901]", "123456789012345678901", 0),
      Dec("99999999999999999999999999999999999999]", "99999999999999999999999999999999999999", 0),
      Dec("1.5e3]", "15", 2),
      Dec("-.5]", "5", -1, true),
      Dec("-1.0]", "10", -1, true),
      Dec("1E+2]", "1", 2),
      Dec("2e-3]", "2", -3),
      Dec("1e127]", "1", 127),
      Dec("0.1e128]", "1", 127),
      Dec("1e-128]", "1", -128),
      Dec("0.0000000000000000000000000000000000001]", "1", -37),  // 38 digits, the leading 0 counted
      Err("-01]", "Leading zero is illegal in number"),
      Err("00]", "Leading zero is illegal in number"),
      Err("-x]", "No digits after initial minus"),
      Err("-]", "No digits after initial minus"),
      Err("1e,", "No digits in exponent"),
      Err("1e+]", "No digits in exponent"),
      Err("1.,", "No digits after decimal point"),
      Err("1e128]", "Exponent out of range"),
      Err("1e-129]", "Exponent out of range"),
      Err("0.5e-128]", "Exponent out of range"),
      // Exponents far beyond any 16-bit accumulator stay out of range rather than wrapping.
      Err("1e65537]", "Exponent out of range"),
      Err("1e99999999999999999999999]", "Exponent out of range"),
      Err("1e-99999999999999999999999]", "Exponent out of range"),
      Err("999999999999999999999999999999999999999]", "Precision is too high"),
      Err("0.00000000000000000000000000000000000001]", "Precision is too high"),
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    First f = first(c.input);
    switch (c.kind) {
      case K::Int:
        ASSERT_EQ(f.token, JsonToken::Number);
        ASSERT_TRUE(f.value.isInteger());
        EXPECT_EQ(f.value.integer(), c.integer);
        break;
      case K::Dec: {
        ASSERT_EQ(f.token, JsonToken::Number);
        ASSERT_TRUE(f.value.isDecimal());
        const core::Decimal d = f.value.decimal();
        EXPECT_EQ(u128Text(d.mantissa), c.mantissa);
        EXPECT_EQ(d.exponent, c.exponent);
        EXPECT_EQ(d.negative, c.negative);
        break;
      }
      case K::Err:
        EXPECT_EQ(f.token, JsonToken::Error);
        EXPECT_EQ(f.error, c.error);
        break;
    }
  }
}

struct StringCase {
  const char* input;
  const char* expected;  // the decoded string, or nullptr when an error is expected
  const char* error = nullptr;
};

TEST(JsonTokeniser, StringsDecodeEscapesAndCheckUTF8) {
  const StringCase cases[] = {
      {R"("plain")", "plain"},
      {R"("")", ""},
      {"\"中文题目：下列哪项正确？\"", "中文题目：下列哪项正确？"},
      {R"("\"\\\/\b\f\n\r\t")", "\"\\/\b\f\n\r\t"},
      {R"("a\u4e2Db")", "a中b"},
      {R"("\u00e9")", "\xC3\xA9"},
      {R"("\uD83D\uDE00")", "\xF0\x9F\x98\x80"},
      {R"("x\uD834\uDD1Ey")", "x\xF0\x9D\x84\x9Ey"},
      {"\"\x7F\"", "\x7F"},
      {"\"a\nb\"", nullptr, "Unescaped control character [0x0A]"},
      {"\"\x1f\"", nullptr, "Unescaped control character [0x1F]"},
      {R"("\q")", nullptr, "Illegal escape character"},
      {R"("\u00G0")", nullptr, "Invalid hex quad"},
      {R"("\uD83Dx")", nullptr, "Missing low character in surrogate pair"},
      {R"("\uD83D\x")", nullptr, "Missing low character in surrogate pair"},
      {R"("\uD83D\u12G4")", nullptr, "Missing low character in surrogate pair"},
      {R"("\uD83D\u0041")", nullptr, "Invalid low character in surrogate pair"},
      {R"("\uDE00")", nullptr, "Invalid high character in surrogate pair"},
      {"\"\xFF\"", nullptr, "Broken Unicode encoding"},
      {"\"\xC0\xAF\"", nullptr, "Broken Unicode encoding"},          // overlong "/"
      {"\"\xED\xA0\x80\"", nullptr, "Broken Unicode encoding"},      // an encoded surrogate
      {"\"\xF4\x90\x80\x80\"", nullptr, "Broken Unicode encoding"},  // above U+10FFFF
      {"\"\xE4\xB8\"", nullptr, "Broken Unicode encoding"},          // a character cut short
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    First f = first(c.input);
    if (c.expected) {
      ASSERT_EQ(f.token, JsonToken::String) << f.error;
      EXPECT_EQ(f.value.str(), c.expected);
    } else {
      EXPECT_EQ(f.token, JsonToken::Error);
      EXPECT_EQ(f.error, c.error);
    }
  }
  // U+0000 is a character like any other.
  First nul = first(R"("a\u0000b")");
  ASSERT_EQ(nul.token, JsonToken::String);
  EXPECT_EQ(nul.value.str(), std::string("a\0b", 3));
}

TEST(JsonTokeniser, ACutOffTokenIsReadAgainWholeAfterMoreBytesArrive) {
  // Each text is split at every position; the two halves must give the same tokens as the whole.
  const char* texts[] = {
      R"(["ab\"c\u4e2d\uD83D\uDE00",-12.5e-3,true,null,false])",
      "[\"中文\",123456789012345678901234]",
  };
  for (const char* text : texts) {
    const std::string whole = text;
    JsonTokeniser reference;
    append(reference, whole);
    const auto expected = tokens(reference);
    for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
      SCOPED_TRACE(cut);
      JsonTokeniser t;
      append(t, whole.substr(0, cut));
      auto got = tokens(t);
      ASSERT_EQ(got.back().token, JsonToken::Eof);
      got.pop_back();
      append(t, whole.substr(cut));
      auto rest = tokens(t);
      got.insert(got.end(), rest.begin(), rest.end());
      ASSERT_EQ(got.size(), expected.size());
      for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].token, expected[i].token);
        EXPECT_EQ(got[i].value, expected[i].value);
      }
    }
  }
}

// Plain string content is scanned many bytes at a time; whatever stands at whatever offset of a long
// string (in the first block, across a block boundary, in the tail) must be found.
TEST(JsonTokeniser, EveryOffsetOfALongStringIsLookedAt) {
  struct Insert {
    const char* raw;      // as it stands in the JSON text
    const char* decoded;  // the string content it reads as, or nullptr
    const char* error;
  };
  const Insert inserts[] = {
      {"\xE4\xB8\xAD\xE6\x96\x87", "\xE4\xB8\xAD\xE6\x96\x87", ""},  // two three-byte characters
      {"\xC3\xA9\xF0\x9F\x98\x80", "\xC3\xA9\xF0\x9F\x98\x80", ""},  // a two- and a four-byte one
      {"\\n\\\"", "\n\"", ""},
      {"\xE0\xA4\x85\xED\x9F\xBF", "\xE0\xA4\x85\xED\x9F\xBF", ""},  // leads with narrower ranges
      {"\xFF", nullptr, "Broken Unicode encoding"},
      {"\xE4\xB8", nullptr, "Broken Unicode encoding"},          // cut short
      {"\xED\xA0\x80", nullptr, "Broken Unicode encoding"},      // a surrogate
      {"\xE0\x80\xAF", nullptr, "Broken Unicode encoding"},      // overlong
      {"\xE4\xB8\xAD\x80", nullptr, "Broken Unicode encoding"},  // a stray continuation byte
      {"\t", nullptr, "Unescaped control character [0x09]"},
  };
  for (const auto& ins : inserts) {
    for (std::size_t before = 0; before <= 34; ++before) {
      for (std::size_t after : {0, 1, 7, 16, 23}) {
        SCOPED_TRACE(std::string(ins.raw) + " after " + std::to_string(before) + " bytes");
        const std::string head(before, 'a');
        const std::string tail(after, 'b');
        const First got = first("\"" + head + ins.raw + tail + "\" ");
        if (ins.decoded) {
          ASSERT_EQ(got.token, JsonToken::String);
          EXPECT_EQ(got.value.str(), head + ins.decoded + tail);
        } else {
          ASSERT_EQ(got.token, JsonToken::Error);
          EXPECT_EQ(got.error, ins.error);
        }
      }
    }
  }
}
