// The grammar machine and the tree builder: error texts with token and state names, the depth limit,
// input that arrives in pieces, and the adapter's skipped levels.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "librarys/json/JsonParser.h"
#include "librarys/json/JsonStreamParser.h"
#include "librarys/json/JsonStreamParserAccumulator.h"
#include "librarys/json/JsonStreamParserAdapter.h"

namespace {

JsonStreamParserStatus feed(JsonStreamParser& p, std::string_view bytes) {
  return p.parse(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

std::string nested(int depth) { return std::string(depth, '[') + std::string(depth, ']'); }

// Records the events a parser reports.
struct Recorder : JsonStreamParserDelegate {
  std::vector<std::string> events;
  void parserFoundObjectStart(JsonStreamParser&) override { events.push_back("{"); }
  void parserFoundObjectKey(JsonStreamParser&, const std::string& key) override {
    events.push_back("key " + key);
  }
  void parserFoundObjectEnd(JsonStreamParser&) override { events.push_back("}"); }
  void parserFoundArrayStart(JsonStreamParser&) override { events.push_back("["); }
  void parserFoundArrayEnd(JsonStreamParser&) override { events.push_back("]"); }
  void parserFoundBoolean(JsonStreamParser&, bool x) override { events.push_back(x ? "true" : "false"); }
  void parserFoundNull(JsonStreamParser&) override { events.push_back("null"); }
  void parserFoundNumber(JsonStreamParser&, core::Value n) override {
    events.push_back("number " + n.toString());
  }
  void parserFoundString(JsonStreamParser&, core::Value s) override { events.push_back("string " + s.str()); }
};

struct ParseCase {
  const char* input;
  const char* error;
};

}  // namespace

TEST(JsonStreamParser, GrammarErrorsNameTheTokenAndTheState) {
  const ParseCase cases[] = {
      {"[1,]", "Token 'end of array' not expected as array value"},
      {R"({"a":1,})", "Token 'end of object' not expected in place of object key"},
      {"{1:2}", "Token 'number' not expected at beginning of object"},
      {R"({"a":1,true:2})", "Token 'boolean' not expected in place of object key"},
      {"[1 2]", "Token 'number' not expected after array value"},
      {R"(["a":1])", "Token 'key-value separator' not expected after array value"},
      {R"({"a" 1})", "Token 'number' not expected after object key"},
      {R"({"a":1:2})", "Token 'key-value separator' not expected after object value"},
      {R"({"a",1})", "Token 'value separator' not expected after object key"},
      {R"({"a":})", "Token 'end of object' not expected as object value"},
      {"[,1]", "Token 'value separator' not expected at array start"},
      {"[1,,2]", "Token 'value separator' not expected as array value"},
      {"[1}", "Token 'end of object' not expected after array value"},
      {R"({"a":1])", "Token 'end of array' not expected after object value"},
      // A bare scalar is refused before the outermost array or object.
      {"1 ", "Token 'number' not expected before outer-most array or object"},
      {R"("text")", "Token 'string' not expected before outer-most array or object"},
      {"true", "Token 'boolean' not expected before outer-most array or object"},
      {"null", "Token 'null' not expected before outer-most array or object"},
      {"]", "Token 'end of array' not expected before outer-most array or object"},
      // Nothing may follow the first document but white space.
      {"[] []", "Token 'start of array' not expected after outer-most array or object"},
      {"{}1 ", "Token 'number' not expected after outer-most array or object"},
      {"[]x", "Illegal start of token [x]"},
      // Token errors arrive unchanged.
      {"[tru]", "Expected 'true' after initial 't'"},
      {"[\"\\uDE00\"]", "Invalid high character in surrogate pair"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    JsonParser parser;
    EXPECT_TRUE(parser.objectWithString(c.input).isNil());
    EXPECT_EQ(parser.error(), c.error);
  }
}

TEST(JsonStreamParser, DepthLimitAcceptsExactlyMaxDepthContainers) {
  {
    JsonParser parser;
    core::Value v = parser.objectWithString(nested(32));
    ASSERT_TRUE(v.isArray());
    int depth = 0;
    for (core::Value cur = v; cur.isArray(); cur = cur[0]) ++depth;
    EXPECT_EQ(depth, 32);
  }
  {
    JsonParser parser;
    EXPECT_TRUE(parser.objectWithString(nested(33)).isNil());
    EXPECT_EQ(parser.error(), "Input depth exceeds max depth of 32");
  }
  {
    // Objects and arrays count alike.
    std::string text;
    for (int i = 0; i < 16; ++i) text += R"({"k":[)";
    for (int i = 0; i < 16; ++i) text += "]}";
    EXPECT_TRUE(JSONValue(text).isDictionary());
    EXPECT_TRUE(JSONValue("[" + text + "]").isNil());
  }
  {
    JsonParser parser;
    parser.setMaxDepth(2);
    EXPECT_TRUE(parser.objectWithString("[[1]]").isArray());
    EXPECT_TRUE(parser.objectWithString("[[[1]]]").isNil());
    EXPECT_EQ(parser.error(), "Input depth exceeds max depth of 2");
  }
  {
    // A hostile text of a million open brackets fails quickly and cleanly.
    EXPECT_TRUE(JSONValue(std::string(1000000, '[')).isNil());
  }
}

TEST(JsonStreamParser, TheDelegateNeverHearsOfTheContainerPastTheLimit) {
  Recorder recorder;
  JsonStreamParser parser;
  parser.setDelegate(&recorder);
  EXPECT_EQ(feed(parser, nested(33)), JsonStreamParserStatus::Error);
  EXPECT_EQ(std::count(recorder.events.begin(), recorder.events.end(), "["), 32);
  EXPECT_EQ(parser.error(), "Input depth exceeds max depth of 32");
  // An error is final.
  EXPECT_EQ(feed(parser, "]"), JsonStreamParserStatus::Error);
}

TEST(JsonStreamParser, ReportsEventsInOrder) {
  Recorder recorder;
  JsonStreamParser parser;
  parser.setDelegate(&recorder);
  EXPECT_EQ(feed(parser, R"({"a":[1,"x",true,false,null],"b":{}})"), JsonStreamParserStatus::Complete);
  EXPECT_EQ(recorder.events, (std::vector<std::string>{"{", "key a", "[", "number 1", "string x", "true",
                                                       "false", "null", "]", "key b", "{", "}", "}"}));
}

TEST(JsonStreamParser, InputInPiecesWaitsAndThenCompletes) {
  JsonStreamParserAccumulator accumulator;
  JsonStreamParserAdapter adapter;
  adapter.setDelegate(&accumulator);
  JsonStreamParser parser;
  parser.setDelegate(&adapter);
  EXPECT_EQ(feed(parser, R"({"Body":[1,2)"), JsonStreamParserStatus::WaitingForData);
  EXPECT_EQ(feed(parser, R"(3,"中)"), JsonStreamParserStatus::WaitingForData);
  EXPECT_TRUE(accumulator.value().isNil());
  EXPECT_EQ(feed(parser, R"(文"]})"), JsonStreamParserStatus::Complete);
  EXPECT_EQ(accumulator.value(), JSONValue(R"({"Body":[1,23,"中文"]})"));
}

TEST(JsonStreamParser, ByteByByteGivesTheSameTreeAsTheWholeText) {
  const std::string text =
      R"({"Body":{"ID":12,"Name":"第一章 \"总论\"","Sessions":[{"Type":"ATEST","ATestid":[1,2,3]}]},)"
      R"("Message":"","LoginState":0,"x":[-0.5e-3,12345678901234567890123,true,false,null,"\uD83D\uDE00"]})";
  const core::Value whole = JSONValue(text);
  ASSERT_TRUE(whole.isDictionary());

  JsonStreamParserAccumulator accumulator;
  JsonStreamParserAdapter adapter;
  adapter.setDelegate(&accumulator);
  JsonStreamParser parser;
  parser.setDelegate(&adapter);
  JsonStreamParserStatus status = JsonStreamParserStatus::WaitingForData;
  for (std::size_t i = 0; i < text.size(); ++i) {
    status = feed(parser, text.substr(i, 1));
    if (i + 1 < text.size()) {
      ASSERT_EQ(status, JsonStreamParserStatus::WaitingForData) << i;
    }
  }
  EXPECT_EQ(status, JsonStreamParserStatus::Complete);
  EXPECT_EQ(accumulator.value(), whole);
}

TEST(JsonStreamParser, MultipleDocumentsWhenAllowed) {
  struct Collect : JsonStreamParserAdapterDelegate {
    std::vector<core::Value> values;
    void parserFoundArray(JsonStreamParser&, const core::Value& a) override { values.push_back(a); }
    void parserFoundObject(JsonStreamParser&, const core::Value& o) override { values.push_back(o); }
  } collect;
  JsonStreamParserAdapter adapter;
  adapter.setDelegate(&collect);
  JsonStreamParser parser;
  parser.setDelegate(&adapter);
  parser.setSupportMultipleDocuments(true);
  EXPECT_EQ(feed(parser, R"([1] {"a":2} [)"), JsonStreamParserStatus::WaitingForData);
  ASSERT_EQ(collect.values.size(), 2u);
  EXPECT_EQ(collect.values[1], JSONValue(R"({"a":2})"));
}

TEST(JsonStreamParserAdapter, RepeatedKeyKeepsItsFirstPlaceAndLastValue) {
  core::Value v = JSONValue(R"({"a":1,"b":2,"a":{"x":true}})");
  ASSERT_TRUE(v.isDictionary());
  EXPECT_EQ(v.dict().keys(), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(v["a"], JSONValue(R"({"x":true})"));
  EXPECT_EQ(v["b"].integer(), 2);
}

TEST(JsonStreamParserAdapter, SkippedLevelsHandOutTheInnerValues) {
  struct Collect : JsonStreamParserAdapterDelegate {
    std::vector<std::string> found;
    void parserFoundArray(JsonStreamParser&, const core::Value& a) override {
      found.push_back("array " + std::to_string(a.size()));
    }
    void parserFoundObject(JsonStreamParser&, const core::Value& o) override {
      found.push_back(o.isDictionary() ? "object " + o["a"].toString() : "value " + o.toString());
    }
  } collect;
  JsonStreamParserAdapter adapter;
  adapter.setDelegate(&collect);
  adapter.setLevelsToSkip(1);
  JsonStreamParser parser;
  parser.setDelegate(&adapter);
  EXPECT_EQ(feed(parser, R"([{"a":1},[2,3],4])"), JsonStreamParserStatus::Complete);
  EXPECT_EQ(collect.found, (std::vector<std::string>{"object 1", "array 2", "value 4"}));
}
