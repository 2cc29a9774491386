// The second JSON codec's reader: its leniencies, its error codes and the guards it keeps against
// hostile input (depth, number shape, surrogates, encodings).

#include <gtest/gtest.h>

#include <string>

#include "librarys/altjson/AltJSONDeserializer.h"
#include "librarys/altjson/AltJSONScanner.h"
#include "librarys/altjson/NSDictionary_JSONExtensions.h"
#include "platform/runloop/RunLoop.h"
#include "tests/librarys/altjson/AltJSONTestSupport.h"

using periphery::bytesOf;
using periphery::read;
using periphery::write;

namespace {

struct Accepted {
  const char* input;
  const char* written;  // the value as the serializer writes it back
};

const Accepted kAccepted[] = {
    // Leniencies: any top-level kind, text after the first value ignored, trailing commas.
    {"42", "42"},
    {"  \"top\"  ", "\"top\""},
    {"{\"a\":1} and then some text", "{\"a\":1}"},
    {"[1,2] [3]", "[1,2]"},
    {"[1,2,]", "[1,2]"},
    {"{\"a\":1,}", "{\"a\":1}"},
    {"{ \"a\" : [ 1 , { } , [ ] , ] , }", "{\"a\":[1,{},[]]}"},
    {"[ ]", "[]"},
    {" \t\r\n\v\f{}", "{}"},
    // A repeated key keeps its first place and its last value.
    {"{\"a\":1,\"b\":2,\"a\":3}", "{\"a\":3,\"b\":2}"},
    // Literals are booleans and null, never numbers.
    {"[true,false,null]", "[true,false,null]"},
    // Numbers.
    {"[0,-0,-12,1.5,-0.25,1e5,2E-3,1.0e+2]", "[0,0,-12,1.5,-0.25,100000,0.002,100]"},
    {"9223372036854775807", "9223372036854775807"},
    {"-9223372036854775808", "-9223372036854775808"},
    {"18446744073709551616", "18446744073709551616"},
    // Strings: escapes, unknown escape letters standing for themselves, raw UTF-8 and raw control bytes.
    {R"("\"\\\/\b\f\n\r\t")", R"("\"\\/\b\f\n\r\t")"},
    {R"("\q\'\é")", "\"q'é\""},
    {R"("\u00e9\u4E2D\u0041")", "\"é中A\""},
    {R"("\uD83D\uDE00")", "\"😀\""},
    {"\"中文 😀\"", "\"中文 😀\""},
    {"\"a\x01z\"", R"("a\u0001z")"},
    {R"("\u0000")", R"("\u0000")"},
};

TEST(AltJSONReader, AcceptsTheLenientForms) {
  for (const auto& c : kAccepted) {
    SCOPED_TRACE(c.input);
    core::Error error;
    const core::Value value = read(c.input, &error);
    ASSERT_FALSE(value.isNil()) << error.code << " " << error.description;
    EXPECT_EQ(write(value), c.written);
  }
}

struct Rejected {
  const char* input;
  int code;        // the error's code in the scanner's domain
  int underlying;  // the first cause's code, 0 when the error is its own cause
};

const Rejected kRejected[] = {
    {"@", -15, 0},
    {"   ", -15, 0},
    {"{\"a\" 1}", -103, 0},
    {"{1:2}", -102, -301},
    {"{'a':2}", -102, -301},
    {"{\"a\":1 \"b\":2}", -105, 0},
    {"{\"a\":1", -105, 0},
    {"{\"a\":tru}", -105, 0},
    {"{\"a\":@}", -104, -15},
    {"[1 2]", -204, 0},
    {"[1,2", -204, 0},
    {"[tru]", -203, 0},
    {"[1,@]", -202, -15},
    {"'single'", -301, 0},
    {R"("\u12G4")", -302, 0},
    {R"("\uD83D")", -302, 0},
    {R"("\uDE00")", -302, 0},
    {R"("\uD83Dx")", -302, 0},
    {R"("\uD83D\u0041")", -302, 0},
    {R"("\uD83D\n")", -302, 0},
    {"\"abc", -304, 0},
    {"\"abc\\", -304, 0},
    // Malformed numbers are refused instead of being read by whatever prefix parses.
    {"01", -401, 0},
    {"1.", -401, 0},
    {"-", -401, 0},
    {"-.5", -401, 0},
    {"1e", -401, 0},
    {"1e+", -401, 0},
    {"1.2.3", -401, 0},
    {"1-2", -401, 0},
    {"--1", -401, 0},
    {"1E5E5", -401, 0},
    {"1e99999999999", -401, 0},
    {"1234567890123456789012345678901234567891", -401, 0},  // more digits than an exact decimal holds
    {"[1-2]", -202, -401},
    {"{\"n\":0x10}", -105, 0},
};

TEST(AltJSONReader, RejectsWithTheErrorCodeOfTheFailure) {
  for (const auto& c : kRejected) {
    SCOPED_TRACE(c.input);
    core::Error error;
    EXPECT_TRUE(read(c.input, &error).isNil());
    EXPECT_EQ(error.domain, AltJSONScanner::kErrorDomain);
    EXPECT_EQ(error.code, c.code) << error.description;
    const core::Value cause = error.userInfo[AltJSONScanner::kUnderlyingErrorKey];
    if (c.underlying == 0) {
      EXPECT_TRUE(cause.isNil());
    } else {
      EXPECT_EQ(cause["code"].toInt(), c.underlying);
    }
  }
}

TEST(AltJSONReader, ErrorsCarryTheDescriptionAndWhereTheScanStopped) {
  core::Error error;
  read("[1,\n @]", &error);
  EXPECT_EQ(error.code, -202);
  EXPECT_EQ(error.description, "Could not scan array. Could not scan a value.");
  EXPECT_EQ(error.userInfo["line"].toInt(), 1);
  EXPECT_EQ(error.userInfo["character"].toInt(), 1);
  EXPECT_EQ(error.userInfo["location"].toInt(), 5);
  EXPECT_EQ(error.userInfo["snippet"].str(), "[1,\n !HERE>!@]");
  EXPECT_EQ(error.userInfo[AltJSONScanner::kUnderlyingErrorKey]["description"].str(),
            "Could not scan object. Character not a valid JSON character.");

  AltJSONDeserializer strict;
  strict.scanner().setStrictEscapeCodes(true);
  const core::Bytes data = bytesOf(R"(["ok","\q"])");
  EXPECT_TRUE(strict.deserialize(&data, &error).isNil());
  EXPECT_EQ(error.code, -202);
  EXPECT_EQ(error.userInfo[AltJSONScanner::kUnderlyingErrorKey]["code"].toInt(), -303);
}

TEST(AltJSONReader, NumbersKeepTheirKindAndExactValue) {
  const core::Value exponent = read("1e5");
  ASSERT_TRUE(exponent.isDecimal());
  EXPECT_EQ(exponent.decimal().mantissa, 1u);
  EXPECT_EQ(exponent.decimal().exponent, 5);

  const core::Value fraction = read("0.1");
  ASSERT_TRUE(fraction.isDecimal());
  EXPECT_EQ(fraction.decimal().toString(), "0.1");

  EXPECT_TRUE(read("-12").isInteger());
  EXPECT_EQ(read("-9223372036854775808").integer(), INT64_MIN);
  // Past the 64-bit range a whole number stays exact instead of wrapping or saturating.
  const core::Value big = read("18446744073709551615");
  ASSERT_TRUE(big.isDecimal());
  EXPECT_EQ(big.decimal().toString(), "18446744073709551615");
  EXPECT_TRUE(read("-9223372036854775809").isDecimal());

  const core::Value flags = read("[true,1,false,0]");
  EXPECT_TRUE(flags[0].isBool());
  EXPECT_TRUE(flags[1].isInteger());
  EXPECT_TRUE(flags[2].isBool());
  EXPECT_TRUE(flags[3].isInteger());
}

TEST(AltJSONReader, NullObjectDecidesWhatANullBecomes) {
  EXPECT_TRUE(read("[null]")[0].isNull());

  AltJSONDeserializer dropping;
  dropping.setNullObject(core::Value());
  core::Error error;
  const core::Bytes array = bytesOf("[1,null,2,null]");
  EXPECT_EQ(write(dropping.deserialize(&array, &error)), "[1,2]");
  const core::Bytes object = bytesOf(R"({"a":null,"b":1})");
  EXPECT_EQ(write(dropping.deserialize(&object, &error)), "{\"b\":1}");
  // A top-level null with nulls dropped is no value, and no error either.
  error = {};
  const core::Bytes top = bytesOf("null");
  EXPECT_TRUE(dropping.deserialize(&top, &error).isNil());
  EXPECT_TRUE(error.domain.empty());

  AltJSONDeserializer marked;
  marked.setNullObject(core::Value("NULL"));
  EXPECT_EQ(write(marked.deserialize(&array)), R"([1,"NULL",2,"NULL"])");
}

TEST(AltJSONReader, LettersThatSpellNoLiteralAtTheTopGiveNoValueAndNoError) {
  core::Error error;
  EXPECT_TRUE(read("tru", &error).isNil());
  EXPECT_TRUE(error.domain.empty());
  EXPECT_TRUE(read("nothing", &error).isNil());
  EXPECT_TRUE(error.domain.empty());
}

std::string utf16(std::string_view ascii, bool bigEndian) {
  std::string out;
  for (char c : ascii) {
    out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
  }
  return out;
}

std::string utf32(std::string_view ascii, bool bigEndian) {
  std::string out;
  for (char c : ascii) {
    out += bigEndian ? std::string{'\0', '\0', '\0', c} : std::string{c, '\0', '\0', '\0'};
  }
  return out;
}

TEST(AltJSONReader, DetectsUtf16AndUtf32FromTheZeroBytes) {
  const std::string text = R"({"a":[1,true,"x"]})";
  const std::string expected = write(read(text));
  for (const std::string& encoded :
       {utf16(text, false), utf16(text, true), utf32(text, false), utf32(text, true)}) {
    core::Error error;
    EXPECT_EQ(write(read(encoded, &error)), expected) << error.description;
  }
  // A byte-order mark in front of the text is not part of it.
  EXPECT_EQ(write(read("\xFF\xFE" + utf16("[1]", false))), "[1]");
  EXPECT_EQ(write(read("\xEF\xBB\xBF[1]")), "[1]");
  // UTF-16 that does not decode (an unpaired surrogate unit).
  core::Error error;
  const std::string loneSurrogate{'[', '\0', '1', '\0', '\0', '\xD8', ']', '\0'};
  EXPECT_TRUE(read(loneSurrogate, &error).isNil());
  EXPECT_EQ(error.code, -12);
}

TEST(AltJSONReader, BytesThatAreNotUtf8FailInsteadOfBecomingText) {
  core::Error error;
  EXPECT_TRUE(read("[\"\xC3\x28\"]", &error).isNil());
  EXPECT_EQ(error.code, -12);
  EXPECT_EQ(error.description, "Could not scan data. Data wasn't encoded properly?");
  // Shorter than four bytes the data is taken as it stands; the string scan refuses it.
  EXPECT_TRUE(read("\"\xFF\"", &error).isNil());
  EXPECT_EQ(error.code, -302);

  // With a second encoding allowed, the same bytes read in it.
  AltJSONDeserializer latin;
  latin.setAllowedEncoding(AltTextEncoding::ISOLatin1);
  const core::Bytes data = bytesOf("[\"caf\xE9\"]");
  EXPECT_EQ(write(latin.deserialize(&data)), "[\"café\"]");
}

std::string nested(std::size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); }

TEST(AltJSONReader, NestingIsLimitedInsteadOfExhaustingTheStack) {
  EXPECT_FALSE(read(nested(AltJSONScanner::kDefaultMaxDepth)).isNil());

  core::Error error;
  EXPECT_TRUE(read(nested(AltJSONScanner::kDefaultMaxDepth + 1), &error).isNil());
  EXPECT_EQ(error.code, -202);
  EXPECT_EQ(error.userInfo[AltJSONScanner::kUnderlyingErrorKey]["code"].toInt(), -16);

  // Far deeper input, unclosed and mixed, fails the same way.
  std::string hostile;
  for (int i = 0; i < 200000; ++i) hostile += i % 2 ? "{\"k\":" : "[";
  EXPECT_TRUE(read(hostile, &error).isNil());
  EXPECT_EQ(error.userInfo[AltJSONScanner::kUnderlyingErrorKey]["code"].toInt(), -16);

  AltJSONDeserializer shallow;
  shallow.scanner().setMaxDepth(2);
  const core::Bytes two = bytesOf("{\"a\":[1]}");
  const core::Bytes three = bytesOf("{\"a\":[[1]]}");
  EXPECT_FALSE(shallow.deserialize(&two).isNil());
  EXPECT_TRUE(shallow.deserialize(&three).isNil());
}

TEST(AltJSONDeserializer, NoDataIsItsOwnError) {
  core::Error error;
  const core::Bytes empty;
  EXPECT_TRUE(AltJSONDeserializer().deserialize(&empty, &error).isNil());
  EXPECT_EQ(error.domain, AltJSONDeserializer::kErrorDomain);
  EXPECT_EQ(error.code, -11);
  EXPECT_EQ(error.description, "");
  error = {};
  EXPECT_TRUE(AltJSONDeserializer().deserialize(static_cast<const core::Bytes*>(nullptr), &error).isNil());
  EXPECT_EQ(error.code, -11);
}

TEST(AltJSONDeserializer, KindSpecificFormsRequireTheirKind) {
  auto deserializer = AltJSONDeserializer::deserializer();
  core::Error error;
  const core::Bytes array = bytesOf(" [1]");
  const core::Bytes object = bytesOf(" {\"a\":1}");
  EXPECT_EQ(write(deserializer->deserializeAsArray(&array, &error)), "[1]");
  EXPECT_EQ(write(deserializer->deserializeAsDictionary(&object, &error)), "{\"a\":1}");
  EXPECT_TRUE(deserializer->deserializeAsDictionary(&array, &error).isNil());
  EXPECT_EQ(error.code, -101);
  EXPECT_TRUE(deserializer->deserializeAsArray(&object, &error).isNil());
  EXPECT_EQ(error.code, -201);
  // The reused scanner starts afresh each time.
  EXPECT_EQ(write(deserializer->deserialize(&array)), "[1]");
}

TEST(AltJSONDeserializer, CompletionFormsAnswerLaterOnTheMainLoop) {
  rl::RunLoop::main().clear();
  auto deserializer = AltJSONDeserializer::deserializer();
  int calls = 0;
  std::string seen;
  std::optional<core::Error> seenError;
  const core::Bytes object = bytesOf("{\"a\":[1,2]}");
  deserializer->deserializeAsDictionary(&object,
                                        [&](const core::Value& value, const std::optional<core::Error>& e) {
                                          ++calls;
                                          seen = write(value);
                                          seenError = e;
                                        });
  deserializer.reset();  // the answer does not depend on the deserializer staying alive
  EXPECT_EQ(calls, 0);
  rl::RunLoop::main().runUntilIdle();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(seen, "{\"a\":[1,2]}");
  EXPECT_FALSE(seenError.has_value());

  AltJSONDeserializer again;
  again.deserializeAsArray(&object, [&](const core::Value& value, const std::optional<core::Error>& e) {
    ++calls;
    seenError = e;
  });
  rl::RunLoop::main().runUntilIdle();
  EXPECT_EQ(calls, 2);
  ASSERT_TRUE(seenError.has_value());
  EXPECT_EQ(seenError->code, -201);

  // No data: answered at once with -11, and nothing is left on the loop.
  const core::Bytes empty;
  again.deserializeAsArray(&empty, [&](const core::Value& value, const std::optional<core::Error>& e) {
    ++calls;
    seenError = e;
  });
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(seenError->code, -11);
  EXPECT_EQ(rl::RunLoop::main().runUntilIdle(), 0u);
}

TEST(NSDictionary_JSONExtensions, ReadAnyKindFromDataOrText) {
  EXPECT_EQ(write(NSDictionary_JSONExtensions::dictionaryWithJSONString("{\"名\":\"值\"}")),
            "{\"名\":\"值\"}");
  EXPECT_EQ(write(NSDictionary_JSONExtensions::dictionaryWithJSONData(bytesOf("[1]"))), "[1]");
  core::Error error;
  EXPECT_TRUE(NSDictionary_JSONExtensions::dictionaryWithJSONString("", &error).isNil());
  EXPECT_EQ(error.code, -11);
}

}  // namespace
