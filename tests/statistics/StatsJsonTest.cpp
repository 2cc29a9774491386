// The statistics component's own JSON codec: what the parser refuses and why, what it reads, and how the
// writer spells values.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/core/Value.h"
#include "statistics/StatsJsonParser.h"
#include "statistics/StatsJsonWriter.h"
#include "statistics/StatsUtil.h"

namespace {

struct Refusal {
  const char* text;
  const char* fault;  // the innermost error
};

const Refusal kRefusals[] = {
    {"", "Unexpected end of string"},
    {"  \n", "Unexpected end of string"},
    {"[1,]", "Trailing comma disallowed in array"},
    {"{\"a\":1,}", "Trailing comma disallowed in object"},
    {"[01]", "Leading 0 disallowed in number"},
    {"[+1]", "Leading + disallowed in number"},
    {"[-]", "No digits after initial minus"},
    {"[-x]", "No digits after initial minus"},
    {"[1.]", "No digits after decimal point"},
    {"[1.e5]", "No digits after decimal point"},
    {"[1e]", "No digits after exponent"},
    {"[1e+]", "No digits after exponent"},
    {"[123456789012345678901234567890123456789]", "Failed creating decimal instance"},
    {"[\"a\\x\"]", "Illegal escape sequence '0x78'"},
    {"[\"a\tb\"]", "Unescaped control character '0x9'"},
    {"[\"\\u12\"]", "Missing hex digit in quad"},
    {"[\"\\uDC00\"]", "Invalid high character in surrogate pair"},
    {"[\"\\uD83D\"]", "Missing low character in surrogate pair"},
    {"[\"\\uD83Dx\"]", "Missing low character in surrogate pair"},
    {"[\"\\uD83D\\u0041\"]", "Invalid low surrogate char"},
    {"[\"\xC3\"]", "Broken unicode character"},
    {"[\"\xFF\"]", "Broken unicode character"},
    {"[\"abc", "Unexpected EOF while parsing string"},
    {"[1", "End of input while parsing array"},
    {"[1 2]", "End of input while parsing array"},
    {"[", "Unexpected end of string"},
    {"{", "End of input while parsing object"},
    {"{\"a\":1", "End of input while parsing object"},
    {"{1:2}", "Object key string expected"},
    {"{\"a\" 1}", "Expected ':' separating key and value"},
    {"{\"a\":}", "Unrecognised leading character"},
    {"[tru]", "Expected 'true'"},
    {"[fals]", "Expected 'false'"},
    {"[nul]", "Expected 'null'"},
    {"[x]", "Unrecognised leading character"},
    {"[1] x", "Garbage after JSON"},
    {"{} {}", "Garbage after JSON"},
};

TEST(StatsJsonParser, RefusesMalformedTextNamingTheFault) {
  for (const auto& c : kRefusals) {
    SCOPED_TRACE(c.text);
    StatsJsonParser parser;
    EXPECT_TRUE(parser.objectWithString(std::string_view(c.text)).isNil());
    ASSERT_FALSE(parser.errorTrace().empty());
    EXPECT_EQ(parser.errorTrace().front().description, c.fault);
    EXPECT_EQ(parser.errorTrace().front().domain, "org.morvane.JSON.ErrorDomain");
  }
}

TEST(StatsJsonParser, EnclosingLevelsAddToTheTraceAndChainTheEarlierError) {
  StatsJsonParser parser;
  EXPECT_TRUE(parser.objectWithString(std::string_view("{\"a\":[01]}")).isNil());
  EXPECT_EQ(parser.errorDescriptions(),
            (std::vector<std::string>{"Leading 0 disallowed in number", "Expected value while parsing array",
                                      "Object value expected for key: a"}));
  const core::Value underlying = parser.errorTrace().back().userInfo["NSUnderlyingError"];
  EXPECT_EQ(underlying["description"].str(), "Expected value while parsing array");
  EXPECT_EQ(underlying["userInfo"]["NSUnderlyingError"]["description"].str(),
            "Leading 0 disallowed in number");

  // A new call starts a new trace.
  EXPECT_FALSE(parser.objectWithString(std::string_view("[]")).isNil());
  EXPECT_TRUE(parser.errorTrace().empty());
}

TEST(StatsJsonParser, FragmentsOnlyThroughFragmentWithString) {
  StatsJsonParser parser;
  EXPECT_TRUE(parser.objectWithString(std::string_view("true")).isNil());
  EXPECT_EQ(parser.errorDescriptions().back(), "Valid fragment, but not JSON");
  EXPECT_EQ(parser.fragmentWithString(std::string_view(" true ")), core::Value(true));
  EXPECT_EQ(parser.fragmentWithString(std::string_view("\"x\"")), core::Value("x"));
  EXPECT_TRUE(parser.fragmentWithString(std::string_view("null")).isNull());

  EXPECT_TRUE(parser.fragmentWithString(std::nullopt).isNil());
  EXPECT_EQ(parser.errorDescriptions(), std::vector<std::string>{"Input was 'nil'"});
}

TEST(StatsJsonParser, ReadsValuesExactly) {
  StatsJsonParser parser;
  const core::Value v = parser.objectWithString(std::string_view(
      R"( {"s":"a\"\\\/\b\f\n\r\t\u00e9\uD83D\uDE00中","n":[0,-1.50,1e3,12345678901234567890123],)"
      R"("b":[true,false,null],"o":{},"k":1,"k":2} )"));
  ASSERT_TRUE(v.isDictionary()) << parser.describeErrorTrace();
  EXPECT_EQ(v["s"].str(), "a\"\\/\b\f\n\r\t\xC3\xA9\xF0\x9F\x98\x80\xE4\xB8\xAD");
  EXPECT_TRUE(v["n"][1].isDecimal());
  EXPECT_EQ(v["n"][1].decimal().toString(), "-1.5");
  EXPECT_EQ(v["n"][2], core::Value(1000));
  EXPECT_EQ(v["n"][3].decimal().toString(), "12345678901234567890123");
  EXPECT_EQ(v["b"][0], core::Value(true));
  EXPECT_TRUE(v["b"][2].isNull());
  EXPECT_EQ(v["k"], core::Value(2));  // the last value of a repeated key
  EXPECT_EQ(v.dict().keys(), (std::vector<std::string>{"s", "n", "b", "o", "k"}));
}

TEST(StatsJsonParser, NestingIsBoundedByMaxDepth) {
  auto nested = [](unsigned depth) { return std::string(depth, '[') + std::string(depth, ']'); };
  StatsJsonParser parser;
  EXPECT_FALSE(parser.objectWithString(nested(512)).isNil());
  EXPECT_TRUE(parser.objectWithString(nested(513)).isNil());
  EXPECT_EQ(parser.errorDescriptions().front(), "Nested too deep");
  parser.setMaxDepth(2);
  EXPECT_FALSE(parser.objectWithString(std::string_view("{\"a\":[]}")).isNil());
  EXPECT_TRUE(parser.objectWithString(std::string_view("{\"a\":[[]]}")).isNil());
}

struct Written {
  core::Value value;
  const char* text;
};

TEST(StatsJsonWriter, SpellsEachValue) {
  const Written cases[] = {
      {core::Value(true), "true"},
      {core::Value(false), "false"},
      {core::Value(1), "1"},
      {core::Value(-42), "-42"},
      {core::Value(10.5), "10.5"},
      {core::Value(1709634030.25), "1709634030.25"},
      {core::Value(*core::Decimal::parse("0.10")), "0.1"},
      {core::Value::null(), "null"},
      {core::Value("q\"b\\s/\b\f\n\r\t\x01\x1f\x7f中"),
       "\"q\\\"b\\\\s/\\b\\f\\n\\r\\t\\u0001\\u001f\x7f中\""},
      {core::Value("a\xFFz"), "\"a\xEF\xBF\xBDz\""},
      {core::Value(core::Array{1, "x", core::Array{}}), "[1,\"x\",[]]"},
      {core::Value(core::Dictionary{{"b", 1}, {"a", core::Dictionary{}}}), "{\"b\":1,\"a\":{}}"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    StatsJsonWriter writer;
    EXPECT_EQ(writer.stringWithFragment(c.value), std::optional<std::string>(c.text));
  }
}

TEST(StatsJsonWriter, SortedAndIndentedOnRequest) {
  StatsJsonWriter writer;
  writer.setSortKeys(true);
  writer.setHumanReadable(true);
  const core::Value doc =
      core::Dictionary{{"b", core::Array{1, 2}}, {"a", core::Dictionary{{"z", 0}}}, {"c", core::Array{}}};
  EXPECT_EQ(
      writer.stringWithObject(doc),
      std::optional<std::string>("{\n  \"a\" : {\n    \"z\" : 0\n  },\n  \"b\" : [\n    1,\n    2\n  ],\n"
                                 "  \"c\" : []\n}"));
}

TEST(StatsJsonWriter, RefusesWhatJsonCannotHold) {
  StatsJsonWriter writer;
  EXPECT_EQ(writer.stringWithObject(core::Value("text")), std::nullopt);
  EXPECT_EQ(writer.errorDescriptions(), std::vector<std::string>{"Not valid type for JSON"});

  const core::Value withData = core::Dictionary{{"ok", 1}, {"blob", core::Bytes{1, 2}}};
  EXPECT_EQ(writer.stringWithObject(withData), std::nullopt);
  ASSERT_EQ(writer.errorDescriptions().size(), 2u);
  EXPECT_EQ(writer.errorDescriptions()[0].rfind("JSON serialisation not supported for", 0), 0u);
  EXPECT_EQ(writer.errorDescriptions()[1], "Unsupported value for key blob in object");

  EXPECT_EQ(writer.stringWithFragment(core::Value(std::nan(""))), std::nullopt);
  EXPECT_EQ(writer.stringWithFragment(core::Value()), std::nullopt);

  core::Value deep = core::Value::newArray();
  for (int i = 0; i < 600; ++i) deep = core::Value(core::Array{deep});
  EXPECT_EQ(writer.stringWithObject(deep), std::nullopt);
  EXPECT_EQ(writer.errorDescriptions().front(), "Nested too deep");
}

TEST(StatsJsonWriter, AnUploadDocumentReadsBackAsItWasWritten) {
  const core::Value doc = core::Dictionary{
      {"header", core::Dictionary{{"appkey", "7e3c19d0a4b25f8861c0e9d3"}, {"access", "WiFi"}}},
      {"body",
       core::Dictionary{{"event", core::Array{core::Dictionary{{"tag", "考试"}, {"acc", 1}, {"ts", 1.5}}}}}}};
  const auto text = StatsUtil::JSONFragment(doc);
  ASSERT_TRUE(text);
  EXPECT_EQ(StatsUtil::JSONValue(*text), doc);
  EXPECT_TRUE(StatsUtil::JSONValue("[1,]").isNil());
}

}  // namespace
