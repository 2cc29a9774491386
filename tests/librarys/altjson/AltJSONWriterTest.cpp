// The second JSON codec's writers: what each kind becomes, the escapes, the failures that must not
// turn into output (text that is not UTF-8, unknown kinds, runaway nesting), filtering, and round trips
// through the reader.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>

#include "librarys/altjson/AltFilteringJSONSerializer.h"
#include "librarys/altjson/AltJSONDataSerializer.h"
#include "librarys/altjson/AltJSONSerialization.h"
#include "librarys/altjson/AltJSONSerializedData.h"
#include "librarys/altjson/AltJSONSerializer.h"
#include "librarys/altjson/AltSerializedJSONData.h"
#include "tests/librarys/altjson/AltJSONTestSupport.h"

using periphery::bytesOf;
using periphery::read;
using periphery::textOf;
using periphery::write;

namespace {

struct Written {
  const char* name;
  core::Value value;
  const char* text;
};

TEST(AltJSONSerializer, WritesEachKind) {
  core::Dictionary ordered;
  ordered.set("z", core::Value(1));
  ordered.set("a", core::Value(2));
  const Written cases[] = {
      {"null", core::Value::null(), "null"},
      {"booleans are not numbers", core::Value(core::Array{true, 1, false, 0}), "[true,1,false,0]"},
      {"integer", core::Value(INT64_MIN), "-9223372036854775808"},
      {"decimal", core::Value(*core::Decimal::parse("-12.50")), "-12.5"},
      {"double", core::Value(0.1), "0.1"},
      {"top-level string", core::Value("x"), "\"x\""},
      {"one pair, no trailing comma", core::Value(core::Dictionary{{"a", core::Value(1)}}), "{\"a\":1}"},
      {"key order kept", core::Value(ordered), "{\"z\":1,\"a\":2}"},
      {"empty containers", core::Value(core::Array{core::Value::newArray(), core::Value::newDictionary()}),
       "[[],{}]"},
      {"data as text", core::Value(bytesOf("hi")), "\"hi\""},
      {"slash unescaped by default", core::Value("a/b"), "\"a/b\""},
      {"short escapes", core::Value("\"\\\b\t\n\f\r"), R"("\"\\\b\t\n\f\r")"},
      {"other control bytes", core::Value(std::string("\x01\x1f\0x", 4)), R"("\u0001\u001f\u0000x")"},
      {"UTF-8 copied", core::Value("中文😀"), "\"中文😀\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(write(c.value), c.text);
  }
}

TEST(AltJSONSerializer, EscapesTheSlashOnlyWhenAsked) {
  AltJSONSerializer serializer;
  serializer.setOptions(AltJSONSerializer::kEscapeSlash);
  EXPECT_EQ(textOf(*serializer.serializeObject(core::Value("a/b"))), R"("a\/b")");
}

TEST(AltJSONSerializer, FailsInsteadOfWritingWhatJsonCannotHold) {
  AltJSONSerializer serializer;
  core::Error error;

  EXPECT_FALSE(serializer.serializeObject(core::Value(core::Date{}), &error));
  EXPECT_EQ(error.domain, "TODO_DOMAIN");
  EXPECT_EQ(error.code, -1);
  EXPECT_EQ(error.description, "Cannot serialize data of type 'Date'");

  // Text that is not UTF-8 is refused, not written as "".
  EXPECT_FALSE(serializer.serializeObject(core::Value(std::string("a\xFF")), &error));
  EXPECT_EQ(error.description, "Cannot serialize string: not valid UTF-8");
  EXPECT_FALSE(serializer.serializeObject(core::Value(core::Bytes{0xC3, 0x28}), &error));

  // A failing part fails its container, which names itself and keeps the first cause.
  const core::Value array(core::Array{1, core::Value(std::string("\xFF"))});
  EXPECT_FALSE(serializer.serializeObject(core::Value(core::Dictionary{{"k", array}}), &error));
  EXPECT_EQ(error.description.rfind("Could not serialize object '", 0), 0u);
  EXPECT_EQ(error.userInfo["NSUnderlyingError"]["description"].str(),
            "Cannot serialize string: not valid UTF-8");

  EXPECT_FALSE(serializer.serializeObject(core::Value(std::numeric_limits<double>::infinity()), &error));
  EXPECT_FALSE(serializer.serializeObject(core::Value(std::nan("")), &error));
  EXPECT_FALSE(serializer.serializeObject(core::Value(), &error));
  EXPECT_EQ(error.description, "Cannot serialize data of type 'nil'");

  // The per-kind forms check their kind.
  EXPECT_FALSE(serializer.serializeArray(core::Value(1), &error));
  EXPECT_FALSE(serializer.serializeNull(core::Value("x"), &error));
  EXPECT_EQ(textOf(*serializer.serializeNumber(core::Value(true))), "true");
}

TEST(AltJSONSerializer, AContainerThatHoldsItselfFailsInsteadOfRecursingForever) {
  core::Array loop;
  loop.push_back(core::Value(1));
  loop.push_back(core::Value(loop));
  core::Error error;
  AltJSONSerializer serializer;
  EXPECT_FALSE(serializer.serializeObject(core::Value(loop), &error));
  EXPECT_EQ(error.userInfo["NSUnderlyingError"]["description"].str(), "Containers are nested too deep");
  EXPECT_FALSE(AltJSONDataSerializer().serializeObject(core::Value(loop), &error));
  loop.clear();  // break the cycle so the array can be freed
}

TEST(AltJSONSerializer, ValidityLooksAtTheKindOnly) {
  AltJSONSerializer serializer;
  EXPECT_TRUE(serializer.isValidJSONObject(core::Value::null()));
  EXPECT_TRUE(serializer.isValidJSONObject(core::Value(bytesOf("x"))));
  EXPECT_TRUE(serializer.isValidJSONObject(core::Value(core::Array{core::Value(core::Date{})})));
  EXPECT_FALSE(serializer.isValidJSONObject(core::Value(core::Date{})));
  EXPECT_FALSE(AltJSONSerialization::isValidJSONObject(core::Value()));
}

TEST(AltJSONSerializer, FinishedTextIsCopiedUnchanged) {
  const AltJSONSerializedData finished(bytesOf("{ \"pre\" : 1 }"));
  EXPECT_EQ(textOf(*AltJSONSerializer().serializeObject(finished)), "{ \"pre\" : 1 }");
  const AltSerializedJSONData older(bytesOf("[ 2 ]"));
  EXPECT_EQ(textOf(*AltJSONDataSerializer().serializeObject(older)), "[ 2 ]");
}

TEST(AltJSONDataSerializer, AlwaysEscapesTheSlashAndReportsFailuresAsExceptions) {
  auto serializer = AltJSONDataSerializer::serializer();
  const core::Value value(core::Dictionary{{"p", core::Value("a/b\n\x02")},
                                           {"t", core::Value(true)},
                                           {"n", core::Value::null()},
                                           {"d", core::Value(bytesOf("x"))}});
  EXPECT_EQ(textOf(*serializer->serializeObject(value)), R"({"p":"a\/b\n\u0002","t":true,"n":null,"d":"x"})");

  core::Error exception;
  EXPECT_FALSE(serializer->serializeObject(core::Value(core::Date{}), &exception));
  EXPECT_EQ(exception.domain, AltJSONDataSerializer::kExceptionDomain);
  EXPECT_EQ(exception.description, "Cannot serialize data of type 'Date'");
  EXPECT_FALSE(serializer->serializeObject(core::Value(core::Array{core::Value(core::Date{})}), &exception));
  EXPECT_EQ(exception.description.rfind("Could not serialize object '", 0), 0u);
  EXPECT_FALSE(serializer->serializeObject(core::Value(std::string("\xFF")), &exception));
}

TEST(AltFilteringJSONSerializer, ConvertersReplaceValuesAtEveryLevel) {
  AltFilteringJSONSerializer serializer;
  serializer.addTest([](const core::Value& v) -> std::optional<std::string> {
    if (v.isDate()) return "date";
    return std::nullopt;
  });
  serializer.addTest([](const core::Value& v) -> std::optional<std::string> {
    if (v.isString() && v.str() == "raw") return "finished";
    if (v.isString() && v.str() == "skip") return "nothing";
    if (v.isString() && v.str() == "unknown") return "no such converter";
    return std::nullopt;
  });
  serializer.addConverter([](const core::Value& v) { return core::Value(v.date().secondsSince1970); },
                          "date");
  serializer.addConverter([](const core::Value&) { return core::Value(bytesOf("{\"pre\":true}")); },
                          "finished");
  serializer.addConverter([](const core::Value&) { return core::Value(); }, "nothing");

  const core::Value value(core::Array{core::Value(core::Date{12.5}), core::Value("raw"),
                                      core::Value(core::Dictionary{{"when", core::Value(core::Date{3})}}),
                                      core::Value("skip"), core::Value("unknown")});
  core::Error error;
  const auto text = serializer.serializeObject(value, &error);
  ASSERT_TRUE(text) << error.description;
  EXPECT_EQ(textOf(*text), R"([12.5,{"pre":true},{"when":3},"skip","unknown"])");

  // A replacement that cannot be written either leaves the value to be written as it is.
  AltFilteringJSONSerializer failing;
  failing.addTest([](const core::Value&) -> std::optional<std::string> { return "bad"; });
  failing.addConverter([](const core::Value&) { return core::Value(core::Date{}); }, "bad");
  EXPECT_EQ(textOf(*failing.serializeObject(core::Value(1))), "1");
  EXPECT_FALSE(failing.serializeObject(core::Value(core::Date{}), &error));
}

TEST(AltJSONSerialization, OneCallFront) {
  core::Error error;
  EXPECT_EQ(textOf(*AltJSONSerialization::dataWithJSONObject(core::Value(core::Array{1, "a"}), 0)),
            "[1,\"a\"]");
  EXPECT_EQ(AltJSONSerialization::JSONObjectWithData(bytesOf(" 7 trailing"), 0).integer(), 7);

  std::ostringstream out;
  EXPECT_EQ(
      AltJSONSerialization::writeJSONObject(core::Value(core::Dictionary{{"a", core::Value(1)}}), out, 0), 7);
  EXPECT_EQ(out.str(), "{\"a\":1}");
  EXPECT_EQ(AltJSONSerialization::writeJSONObject(core::Value(core::Date{}), out, 0, &error), -1);
  std::ostringstream closed;
  closed.setstate(std::ios::badbit);
  EXPECT_EQ(AltJSONSerialization::writeJSONObject(core::Value(1), closed, 0, &error), -1);

  std::istringstream in("[1]");
  EXPECT_TRUE(AltJSONSerialization::JSONObjectWithStream(in, 0, &error).isNil());
  EXPECT_FALSE(error.description.empty());
}

TEST(AltJSONRoundTrip, ReadWriteReadGivesTheSameValueAndText) {
  const char* texts[] = {
      R"({"名称":"执业药师","id":42,"ratio":0.125,"big":18446744073709551616,"neg":-9223372036854775808})",
      R"([true,false,null,"",{},[],[[[]]],{"a":{"b":{"c":[1,2,3]}}}])",
      R"(["\"quoted\" \\ back","tab\there","nl\n","\u0001\u001f","é中😀","a/b"])",
      R"([1e40,1.5e-7,-0.0,123456789012345678901234567890])",
  };
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    core::Error error;
    const core::Value first = read(text, &error);
    ASSERT_FALSE(first.isNil()) << error.description;
    const std::string written = write(first);
    const core::Value second = read(written, &error);
    ASSERT_FALSE(second.isNil()) << written;
    EXPECT_EQ(second, first);
    EXPECT_EQ(write(second), written);
  }
}

}  // namespace
