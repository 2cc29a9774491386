// The writer: separators, escapes, number formats, key order, indentation, the depth limit and the
// refusals, each with its exact text.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "librarys/json/JsonStreamWriter.h"
#include "librarys/json/JsonStreamWriterAccumulator.h"
#include "librarys/json/JsonWriter.h"

namespace {

using core::Array;
using core::Dictionary;
using core::Value;

core::Decimal decimal(std::string_view text) { return *core::Decimal::parse(text); }

Value nestedArrays(int depth) {
  Value v = Value::newArray();
  for (int i = 1; i < depth; ++i) v = Value(Array{v});
  return v;
}

struct WriteCase {
  const char* name;
  Value value;
  const char* expected;
};

}  // namespace

TEST(JsonStreamWriter, CompactOutputTable) {
  const WriteCase cases[] = {
      {"object", Value(Dictionary{{"a", 1}}), R"({"a":1})"},
      {"booleans and null", Value(Array{true, false, Value::null()}), "[true,false,null]"},
      {"integers 0 and 1 stay numbers", Value(Array{0, 1}), "[0,1]"},
      {"64-bit extremes", Value(Array{INT64_MAX, INT64_MIN}), "[9223372036854775807,-9223372036854775808]"},
      {"doubles in %.17g", Value(Array{0.1, 3.0, -2.5, 1e21, 1e-7}),
       "[0.10000000000000001,3,-2.5,1e+21,9.9999999999999995e-08]"},
      {"decimals as their text",
       Value(Array{decimal("1.50"), decimal("-0.001"), decimal("1500"), decimal("0")}),
       "[1.5,-0.001,1500,0]"},
      {"decimals beyond 38 plain digits",
       Value(Array{decimal("1e40"), decimal("-2.5e-60"), core::Decimal{1500, 126, false}}),
       "[1e+40,-2.5e-60,1.50e+129]"},
      {"largest unsigned 64-bit", Value(Array{decimal("18446744073709551615")}), "[18446744073709551615]"},
      {"empty containers", Value(Array{Value::newArray(), Value::newDictionary()}), "[[],{}]"},
      {"dictionary order kept", Value(Dictionary{{"z", 1}, {"a", 2}, {"m", 3}}), R"({"z":1,"a":2,"m":3})"},
      {"nested",
       Value(Dictionary{{"Body", Dictionary{{"ID", 7}, {"Sessions", Array{1, 2}}}}, {"Message", ""}}),
       R"({"Body":{"ID":7,"Sessions":[1,2]},"Message":""})"},
      {"recurring keys", Value(Array{Dictionary{{"ID", 1}}, Dictionary{{"ID", 2}}}),
       R"([{"ID":1},{"ID":2}])"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    JsonWriter writer;
    auto text = writer.stringWithObject(c.value);
    ASSERT_TRUE(text) << writer.error();
    EXPECT_EQ(*text, c.expected);
  }
}

TEST(JsonStreamWriter, EscapesOnlyWhatJsonRequires) {
  struct Case {
    std::string input;
    std::string expected;
  };
  const Case cases[] = {
      {"q\"b\\n\nv\x0Bs/", R"("q\"b\\n\nv\u000bs/")"},
      {"\b\t\n\f\r", R"("\b\t\n\f\r")"},
      {std::string("\x00\x01\x1F", 3), R"("\u0000\u0001\u001f")"},
      {"\x7F", "\"\x7F\""},
      {"中文题目：“引号”", "\"中文题目：“引号”\""},
      {"\xF0\x9F\x98\x80", "\"\xF0\x9F\x98\x80\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    auto text = JSONRepresentation(Value(Array{c.input}));
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, "[" + c.expected + "]");
    // Plain runs are copied many bytes at a time: the same escapes at every offset of a longer string.
    const std::string inner = c.expected.substr(1, c.expected.size() - 2);
    for (std::size_t before = 1; before <= 20; ++before) {
      const std::string head(before, 'a'), tail(before % 9, 'b');
      EXPECT_EQ(JSONRepresentation(Value(Array{head + c.input + tail})).value_or(""),
                "[\"" + head + inner + tail + "\"]")
          << before;
    }
  }
}

TEST(JsonStreamWriter, RefusalsCarryTheirExactTexts) {
  const double inf = std::numeric_limits<double>::infinity();
  const WriteCase cases[] = {
      {"date", Value(Array{core::Date{0}}), "JSON serialisation not supported for Date"},
      {"data", Value(Dictionary{{"k", core::Bytes{1, 2}}}), "JSON serialisation not supported for Data"},
      {"nil inside an array", Value(Array{Value()}), "JSON serialisation not supported for Nil"},
      {"+infinity", Value(Array{inf}), "+Infinity is not a valid number in JSON"},
      {"-infinity", Value(Array{-inf}), "-Infinity is not a valid number in JSON"},
      {"NaN", Value(Array{std::nan("")}), "NaN is not a valid number in JSON"},
      {"top-level string", Value("text"), "Not valid type for JSON"},
      {"top-level number", Value(1), "Not valid type for JSON"},
      {"top-level null", Value::null(), "Not valid type for JSON"},
      {"nothing", Value(), "Not valid type for JSON"},
      {"33 levels", nestedArrays(33), "Nested too deep"},
      {"string not UTF-8", Value(Array{"\xFF\xFE"}), "Broken Unicode encoding"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    JsonWriter writer;
    EXPECT_FALSE(writer.stringWithObject(c.value));
    EXPECT_EQ(writer.error(), c.expected);
  }
}

TEST(JsonStreamWriter, DepthLimit) {
  JsonWriter writer;
  auto text = writer.stringWithObject(nestedArrays(32));
  ASSERT_TRUE(text) << writer.error();
  EXPECT_EQ(*text, std::string(32, '[') + std::string(32, ']'));

  Value deepObject = Value::newDictionary();
  for (int i = 1; i < 33; ++i) deepObject = Value(Dictionary{{"k", deepObject}});
  EXPECT_FALSE(writer.stringWithObject(deepObject));
  EXPECT_EQ(writer.error(), "Nested too deep");

  // 0 lifts the limit.
  writer.setMaxDepth(0);
  text = writer.stringWithObject(nestedArrays(1000));
  ASSERT_TRUE(text) << writer.error();
  EXPECT_EQ(*text, std::string(1000, '[') + std::string(1000, ']'));
}

TEST(JsonStreamWriter, AContainerInsideItselfIsRefusedNotFollowedForever) {
  for (std::uint32_t depth : {32u, 0u}) {
    SCOPED_TRACE(depth);
    Value a = Value::newArray();
    a.push_back(1);
    a.push_back(a);
    JsonWriter writer;
    writer.setMaxDepth(depth);
    EXPECT_FALSE(writer.stringWithObject(a));
    EXPECT_EQ(writer.error(), "Nested too deep");
    a.array().clear();  // break the cycle so the test leaks nothing
  }
  // The same container twice side by side is no cycle.
  Value shared(Array{1});
  EXPECT_EQ(JSONRepresentation(Value(Array{shared, shared})).value_or(""), "[[1],[1]]");
}

TEST(JsonStreamWriter, SortedKeys) {
  Value v(Dictionary{{"b", 1}, {"a", Dictionary{{"y", 1}, {"x", 2}}}, {"c", 3}});
  JsonWriter writer;
  writer.setSortKeys(true);
  EXPECT_EQ(writer.stringWithObject(v).value_or(""), R"({"a":{"x":2,"y":1},"b":1,"c":3})");

  writer.setSortKeysComparator([](const std::string& a, const std::string& b) { return b.compare(a); });
  EXPECT_EQ(writer.stringWithObject(v).value_or(""), R"({"c":3,"b":1,"a":{"y":1,"x":2}})");

  // The comparator's sort is stable: keys it calls equal keep the dictionary's order.
  writer.setSortKeysComparator([](const std::string&, const std::string&) { return 0; });
  EXPECT_EQ(writer.stringWithObject(v).value_or(""), R"({"b":1,"a":{"y":1,"x":2},"c":3})");
}

TEST(JsonStreamWriter, HumanReadableIndentsTwoSpacesPerLevel) {
  JsonWriter writer;
  writer.setHumanReadable(true);
  EXPECT_EQ(writer.stringWithObject(Value(Dictionary{{"a", 1}, {"b", Array{true}}})).value_or(""),
            "{\n"
            "  \"a\": 1,\n"
            "  \"b\": [\n"
            "    true\n"
            "  ]\n"
            "}");
  EXPECT_EQ(writer.stringWithObject(Value(Dictionary{{"a", Array{}}, {"b", Dictionary{}}})).value_or(""),
            "{\n"
            "  \"a\": [\n"
            "  ],\n"
            "  \"b\": {\n"
            "  }\n"
            "}");
  EXPECT_EQ(writer.stringWithObject(Value::newArray()).value_or(""), "[\n]");
  EXPECT_EQ(writer.stringWithObject(Value(Array{1, Array{2}})).value_or(""), "[\n  1,\n  [\n    2\n  ]\n]");
}

TEST(JsonStreamWriter, PiecesOutOfPlaceAreRefused) {
  JsonStreamWriterAccumulator out;
  {
    JsonStreamWriter w;
    w.setDelegate(&out);
    ASSERT_TRUE(w.writeObjectOpen());
    EXPECT_FALSE(w.writeNumber(Value(1)));
    EXPECT_EQ(w.error(), "JSON object key must be string");
  }
  {
    JsonStreamWriter w;
    w.setDelegate(&out);
    ASSERT_TRUE(w.writeObjectOpen());
    EXPECT_FALSE(w.writeArrayOpen());
    EXPECT_EQ(w.error(), "JSON object key must be string");
  }
  {
    JsonStreamWriter w;
    w.setDelegate(&out);
    ASSERT_TRUE(w.writeArray(Array{1}));
    EXPECT_FALSE(w.writeArrayOpen());
    EXPECT_EQ(w.error(), "Stream is closed");
    EXPECT_FALSE(w.writeString("x"));
    EXPECT_EQ(w.error(), "Stream is closed");
  }
  {
    JsonStreamWriter w;
    w.setDelegate(&out);
    EXPECT_FALSE(w.writeArrayClose());
    EXPECT_EQ(w.error(), "No open array or object to close");
  }
  {
    // Piece by piece, as the whole-value writes do it.
    JsonStreamWriterAccumulator acc;
    JsonStreamWriter w;
    w.setDelegate(&acc);
    EXPECT_TRUE(w.writeObjectOpen());
    EXPECT_TRUE(w.writeString("k"));
    EXPECT_TRUE(w.writeArrayOpen());
    EXPECT_TRUE(w.writeBool(false));
    EXPECT_TRUE(w.writeNull());
    EXPECT_TRUE(w.writeArrayClose());
    EXPECT_TRUE(w.writeObjectClose());
    EXPECT_EQ(std::string(acc.data().begin(), acc.data().end()), R"({"k":[false,null]})");
  }
}
