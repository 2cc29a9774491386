// The facade: the one-call entry points, their failure texts and error values, and round trips of
// the values the application sends and receives.

#include <gtest/gtest.h>

#include <string>

#include "librarys/json/JsonParser.h"
#include "librarys/json/JsonWriter.h"

namespace {

using core::Array;
using core::Dictionary;
using core::Value;

}  // namespace

TEST(JsonParser, EmptyInputAndTruncatedTextsAreUnexpectedEnds) {
  const char* inputs[] = {"", "   \n\t\r ", "[", "{\"a\":", "[\"abc", "[1", "[tr", "{\"a\":\"\\u12", "[\"\\"};
  for (const char* input : inputs) {
    SCOPED_TRACE(input);
    JsonParser parser;
    EXPECT_TRUE(parser.objectWithString(input).isNil());
    EXPECT_EQ(parser.error(), "Unexpected end of input");
  }
  JsonParser parser;
  EXPECT_TRUE(parser.objectWithData(nullptr).isNil());
  EXPECT_EQ(parser.error(), "Input was 'nil'");
}

TEST(JsonParser, EmptyContainersAndScalarTypes) {
  Value empty = JSONValue("{}");
  ASSERT_TRUE(empty.isDictionary());
  EXPECT_EQ(empty.size(), 0u);
  ASSERT_TRUE(JSONValue(" [ ] ").isArray());

  Value v =
      JSONValue(R"({"Body":true,"Message":"","LoginState":0,"n":null,"d":2.50,"big":9223372036854775808})");
  ASSERT_TRUE(v.isDictionary());
  EXPECT_TRUE(v["Body"].isBool());
  EXPECT_TRUE(v["Body"].boolean());
  EXPECT_TRUE(v["Message"].isString());
  EXPECT_TRUE(v["LoginState"].isInteger());
  EXPECT_EQ(v["LoginState"].integer(), 0);
  EXPECT_TRUE(v["n"].isNull());
  EXPECT_TRUE(v["d"].isDecimal());
  EXPECT_EQ(v["d"].decimal(), *core::Decimal::parse("2.5"));
  EXPECT_TRUE(v["big"].isDecimal());
  EXPECT_EQ(v["big"].decimal().toString(), "9223372036854775808");

  // The byte-buffer form reads the same.
  const std::string text = R"([1,"中"])";
  EXPECT_EQ(JSONValue(core::Bytes(text.begin(), text.end())), JSONValue(text));
}

TEST(JsonParser, ErrorTextStaysAfterASuccessfulParse) {
  JsonParser parser;
  EXPECT_TRUE(parser.objectWithString("[1,]").isNil());
  EXPECT_TRUE(parser.objectWithString("[1]").isArray());
  EXPECT_EQ(parser.error(), "Token 'end of array' not expected as array value");
}

TEST(JsonParser, ErrorValueCarriesDomainCodeAndDescription) {
  JsonParser parser;
  core::Error error;
  EXPECT_TRUE(parser.objectWithString("[1 2]", &error).isNil());
  EXPECT_EQ(error.domain, JsonParser::kErrorDomain);
  EXPECT_EQ(error.code, 0);
  EXPECT_EQ(error.description, "Token 'number' not expected after array value");
  ASSERT_TRUE(error.userInfo.isDictionary());
  EXPECT_EQ(error.userInfo.size(), 1u);
  EXPECT_EQ(error.userInfo[JsonParser::kLocalizedDescriptionKey].str(), error.description);

  core::Error untouched("before", 9);
  EXPECT_TRUE(parser.objectWithString("[]", &untouched).isArray());
  EXPECT_EQ(untouched.domain, "before");
}

TEST(JsonWriter, ErrorValueAndErrorClearedPerConversion) {
  JsonWriter writer;
  core::Error error;
  EXPECT_FALSE(writer.stringWithObject(Value("scalar"), &error));
  EXPECT_EQ(error.domain, JsonWriter::kErrorDomain);
  EXPECT_EQ(error.code, 0);
  EXPECT_EQ(error.description, "Not valid type for JSON");
  EXPECT_EQ(error.userInfo[JsonWriter::kLocalizedDescriptionKey].str(), "Not valid type for JSON");

  EXPECT_EQ(writer.stringWithObject(Value::newArray()).value_or("?"), "[]");
  EXPECT_EQ(writer.error(), "");
  auto data = writer.dataWithObject(Value(Array{1}));
  ASSERT_TRUE(data);
  EXPECT_EQ(std::string(data->begin(), data->end()), "[1]");
}

TEST(JsonRoundTrip, RequestBodyComesBackWithTheSameKeysAndTypes) {
  Value body(Dictionary{{"UserName", "张三"},
                        {"Pwd", "p\"w\\d/\n"},
                        {"ID", 1024},
                        {"Neg", -7},
                        {"IsFav", true},
                        {"IsDel", false},
                        {"Note", Value::null()},
                        {"Ids", Array{1, 2, 3}},
                        {"Nested", Dictionary{{"Empty", Array{}}, {"Obj", Dictionary{}}}}});
  auto text = JSONRepresentation(body);
  ASSERT_TRUE(text);
  Value back = JSONValue(*text);
  ASSERT_TRUE(back.isDictionary());
  EXPECT_EQ(back, body);
  EXPECT_EQ(back.dict().keys(), body.dict().keys());
  EXPECT_TRUE(back["IsFav"].isBool());
  EXPECT_TRUE(back["ID"].isInteger());
  EXPECT_TRUE(back["Note"].isNull());
  // Writing what was read gives the same text again.
  EXPECT_EQ(JSONRepresentation(back), text);
}

TEST(JsonRoundTrip, DoublesComeBackAsTheNumberTheirTextDenotes) {
  Value back = JSONValue(JSONRepresentation(Value(Array{3.0, 0.1, -1e21})).value_or(""));
  ASSERT_TRUE(back.isArray());
  EXPECT_TRUE(back[0].isInteger());
  EXPECT_EQ(back[0].integer(), 3);
  ASSERT_TRUE(back[1].isDecimal());
  EXPECT_EQ(back[1].decimal(), *core::Decimal::parse("0.10000000000000001"));
  ASSERT_TRUE(back[2].isDecimal());
  EXPECT_EQ(back[2].decimal(), *core::Decimal::parse("-1e21"));
}

TEST(JsonRoundTrip, BigIntegersAndDecimalsKeepEveryDigit) {
  const char* texts[] = {
      "[9223372036854775807,-9223372036854775808]",
      "[9223372036854775808,-9223372036854775809,18446744073709551615,18446744073709551616]",
      "[123456789012345678901234567890,-99999999999999999999999999999999999999]",
      "[0.5,-12.25,1e+127,1e-128,1.2345678901234567890123456789012345678e-90]",
      // Trailing zeros at the largest exponent: dropping them would leave the readable range.
      "[192345678901245670e127,-1000e127,10000000000000000000000000000000000000e-128]",
  };
  for (const char* t : texts) {
    SCOPED_TRACE(t);
    Value v = JSONValue(t);
    ASSERT_TRUE(v.isArray());
    auto out = JSONRepresentation(v);
    ASSERT_TRUE(out);
    EXPECT_EQ(JSONValue(*out), v);
    EXPECT_EQ(JSONRepresentation(JSONValue(*out)), out);
  }
  EXPECT_EQ(
      JSONRepresentation(JSONValue("[9223372036854775808,123456789012345678901234567890]")).value_or(""),
      "[9223372036854775808,123456789012345678901234567890]");
}

TEST(JsonRoundTrip, ChineseAndSurrogatePairs) {
  Value v =
      JSONValue(R"({"题目":"下列哪项\u662F正确的？","emoji":"\uD83D\uDE00 😀","选项":["A．甲","B．乙"]})");
  ASSERT_TRUE(v.isDictionary());
  EXPECT_EQ(v["题目"].str(), "下列哪项是正确的？");
  EXPECT_EQ(v["emoji"].str(), "😀 😀");
  auto text = JSONRepresentation(v);
  ASSERT_TRUE(text);
  // Written back as plain UTF-8, without \u escapes.
  EXPECT_EQ(*text, R"({"题目":"下列哪项是正确的？","emoji":"😀 😀","选项":["A．甲","B．乙"]})");
  EXPECT_EQ(JSONValue(*text), v);
}

TEST(JsonParser, MalformedInputNeverCrashes) {
  // A sample of hostile texts: each yields Nil with some error text.
  const std::string inputs[] = {
      std::string("[\"\0\"]", 5),
      std::string(1, '\0'),
      "[\"\\u",
      "[1e99999999999999999999999999999999999]",
      "[" + std::string(100000, '9') + "]",
      "[\"" + std::string(1000, '\xC3') + "\"]",
      "{\"a\":" + std::string(40, '{'),
      std::string(50, '[') + std::string(50, ']'),
      "[\xE4\xB8\xAD]",
      "[-]",
      "[1.5e]",
  };
  for (const auto& in : inputs) {
    JsonParser parser;
    EXPECT_TRUE(parser.objectWithString(in).isNil());
    EXPECT_FALSE(parser.error().empty());
  }
}
