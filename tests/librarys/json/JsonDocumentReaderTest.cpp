// The single-pass reader against the stream parser, which decides what a text is: every text the reader
// accepts must give the stream parser's tree (same types, same key order), and every text the stream
// parser refuses must be refused by the reader too.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "librarys/json/JsonDocumentReader.h"
#include "librarys/json/JsonParser.h"
#include "librarys/json/JsonStreamParser.h"
#include "librarys/json/JsonStreamParserAccumulator.h"
#include "librarys/json/JsonStreamParserAdapter.h"

namespace {

using core::Value;

const std::uint8_t* bytesOf(const std::string& text) {
  return reinterpret_cast<const std::uint8_t*>(text.data());
}

std::optional<Value> readWhole(const std::string& text, std::uint32_t maxDepth = 32) {
  return JsonDocumentReader(maxDepth).read(bytesOf(text), text.size());
}

// The stream parser's tree of the whole text in one call, or nothing when it does not complete.
std::optional<Value> streamParse(const std::string& text, std::uint32_t maxDepth = 32) {
  JsonStreamParserAccumulator accumulator;
  JsonStreamParserAdapter adapter;
  adapter.setDelegate(&accumulator);
  JsonStreamParser parser;
  parser.setMaxDepth(maxDepth);
  parser.setDelegate(&adapter);
  if (parser.parse(bytesOf(text), text.size()) != JsonStreamParserStatus::Complete) return std::nullopt;
  return accumulator.value();
}

// Equal and of the same types all the way down, keys in the same order (== alone lets 1 equal 1.0).
bool sameTree(const Value& a, const Value& b) {
  if (a.type() != b.type()) return false;
  if (a.isArray()) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (!sameTree(a[i], b[i])) return false;
    }
    return true;
  }
  if (a.isDictionary()) {
    const auto& x = a.dict().entries();
    const auto& y = b.dict().entries();
    if (x.size() != y.size()) return false;
    for (std::size_t i = 0; i < x.size(); ++i) {
      if (x[i].first != y[i].first || !sameTree(x[i].second, y[i].second)) return false;
    }
    return true;
  }
  return a == b;
}

}  // namespace

TEST(JsonDocumentReader, AcceptsWhatTheStreamParserAcceptsWithTheSameTree) {
  const std::string texts[] = {
      "{}",
      " [ ] \n",
      "[[],{},[[]]]",
      R"({"Body":true,"Message":"","LoginState":0,"n":null,"f":false})",
      R"([0,-0,1.50,-2e3,1E-2,9223372036854775807,-9223372036854775808,9223372036854775808,-.5])",
      R"(["中文","😀","\u4e2d\ud83d\ude00","a\"b\\c\/d\b\f\n\r\t","\u0000"])",
      R"({"a":1,"b":2,"a":3})",  // a repeated key keeps its first place and its last value
      R"({"":{"":[""]}})",
      R"({"Body":{"ID":12,"Sessions":[{"Type":"ATEST","ATestid":[1,2,3],"Score":1.5}]},"Questions":[]})",
      "\t\r\n{ \"k\" : [ 1 , 2 ] }\t\r\n",
  };
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    const std::optional<Value> reader = readWhole(text);
    const std::optional<Value> stream = streamParse(text);
    ASSERT_TRUE(reader.has_value());
    ASSERT_TRUE(stream.has_value());
    EXPECT_TRUE(sameTree(*reader, *stream));
  }
  const std::optional<Value> repeated = readWhole(R"({"a":1,"b":2,"a":3})");
  ASSERT_TRUE(repeated.has_value());
  EXPECT_EQ(repeated->dict().keys(), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ((*repeated)["a"], Value(3));
}

TEST(JsonDocumentReader, RefusesEveryTextTheStreamParserRefuses) {
  const std::string texts[] = {
      "", "  ", "1", "\"a\"", "null", "[", "]", "{", "}", "[1,]", "[,1]", "[1 2]", "{\"a\"}", "{\"a\":}",
      "{\"a\":1,}", "{,}", "{1:2}", "{\"a\" 1}", "[\"a\":1]", "{\"a\":1]", "[1}", "[}", "{]", "[1]]",
      "[1],", "[] []", "{}x", "[+1]", "[01]", "[1.]", "[1e]", "[-]", "[tru]", "[nul]", "[True]",
      "[\"\x01\"]", "[\"\\x\"]", "[\"\\ud800\"]", "[\"\\udc00\"]", "[\"\\ud800\\u0041\"]", "[\"\xC3\"]",
      "[\"\xED\xA0\x80\"]", "[\"\xC0\xAF\"]", "[1e999]", "[" + std::string(39, '1') + "]",
      std::string(33, '[') + std::string(33, ']'), std::string("[1]\0", 4),
  };
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(streamParse(text).has_value());
    EXPECT_FALSE(readWhole(text).has_value());
  }
}

TEST(JsonDocumentReader, DepthLimitCountsTheOutermostContainer) {
  EXPECT_TRUE(readWhole("[[1]]", 2).has_value());
  EXPECT_FALSE(readWhole("[[[1]]]", 2).has_value());
  EXPECT_FALSE(readWhole("[]", 0).has_value());
  EXPECT_FALSE(readWhole(std::string(1000000, '[')).has_value());
}

TEST(JsonDocumentReader, TheParserStillAcceptsACutOffTokenAfterTheDocument) {
  // The stream parser stops at a token the end of the text cuts off; the reader leaves such texts to it.
  for (const std::string text : {"{} \"abc", "[1] tru", "[] 12"}) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(readWhole(text).has_value());
    ASSERT_TRUE(streamParse(text).has_value());
    EXPECT_FALSE(JSONValue(text).isNil());
  }
}
