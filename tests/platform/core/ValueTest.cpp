#include "platform/core/Value.h"

#include <gtest/gtest.h>

#include <cmath>

using core::Array;
using core::Decimal;
using core::Dictionary;
using core::Value;

TEST(Value, ContainersAreSharedByCopyAndSeparatedByDeepCopy) {
  Value outer = Dictionary{{"list", Array{1, 2}}, {"name", "a"}};
  Value alias = outer;
  Value inner = outer["list"];
  inner.push_back(3);
  alias.set("name", "b");
  EXPECT_EQ(outer["list"].size(), 3u);
  EXPECT_EQ(outer["name"].str(), "b");
  EXPECT_TRUE(alias.sameAs(outer));

  Value copy = outer.deepCopy();
  EXPECT_EQ(copy, outer);
  EXPECT_FALSE(copy.sameAs(outer));
  EXPECT_FALSE(copy["list"].sameAs(outer["list"]));
  copy["list"].push_back(4);
  copy.set("name", "c");
  EXPECT_EQ(outer["list"].size(), 3u);
  EXPECT_EQ(outer["name"].str(), "b");
}

TEST(Value, DeepCopyOfASelfReferencingArrayKeepsTheCycle) {
  Value a = Array{1};
  a.push_back(a);
  Value c = a.deepCopy();
  ASSERT_EQ(c.size(), 2u);
  EXPECT_TRUE(c[1].sameAs(c));
  EXPECT_FALSE(c.sameAs(a));
  a.array().clear();  // break the cycles so both are freed
  c.array().clear();
}

TEST(Value, DictionaryKeepsInsertionOrderAndPlaceOnReplace) {
  Dictionary d{{"z", 1}, {"a", 2}, {"m", 3}};
  d.set("a", 20);
  d.set("b", 4);
  d.remove("z");
  EXPECT_EQ(d.keys(), (std::vector<std::string>{"a", "m", "b"}));
  EXPECT_EQ(d.get("m").integer(), 3);
  EXPECT_EQ(d.get("b").integer(), 4);
  d.set("m", Value());  // Nil removes
  EXPECT_FALSE(d.contains("m"));
  EXPECT_EQ(d.keys(), (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(d.get("missing").isNil());
}

// Small dictionaries look keys up along their entries, large ones through an index: every look-up,
// replacement and removal must find the same entries on both sides of that line and while crossing
// it (short keys live inside their string object and move with every growth of the entries).
TEST(Value, DictionaryFindsEveryKeyAtAnySize) {
  for (int n : {0, 1, 15, 16, 17, 40, 300}) {
    SCOPED_TRACE(n);
    Dictionary d;
    auto key = [](int i) {
      return i % 2 ? "k" + std::to_string(i) : "a longer key, past the short form " + std::to_string(i);
    };
    for (int i = 0; i < n; ++i) d.set(key(i), i);
    for (int i = 0; i < n; ++i) d.set(key(i), i * 10);  // replaced in place
    ASSERT_EQ(d.size(), static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) EXPECT_EQ(d.get(key(i)).integer(), i * 10);
    EXPECT_FALSE(d.contains("k-1"));

    for (int i = 0; i < n; i += 3) d.remove(key(i));
    std::vector<std::string> expected;
    for (int i = 0; i < n; ++i) {
      if (i % 3 == 0) {
        EXPECT_FALSE(d.contains(key(i)));
      } else {
        expected.push_back(key(i));
        EXPECT_EQ(d.get(key(i)).integer(), i * 10);
      }
    }
    EXPECT_EQ(d.keys(), expected);

    d.set(key(0), -1);  // a removed key comes back at the end
    EXPECT_EQ(d.keys().back(), key(0));
    EXPECT_EQ(d.get(key(0)).integer(), -1);
    d.clear();
    EXPECT_TRUE(d.empty());
    EXPECT_FALSE(d.contains(key(0)));
  }
}
TEST(Value, ArrayBoundsAreSafe) {
  Array a{1, 2};
  EXPECT_TRUE(a.at(5).isNil());
  a.set(5, 9);
  a.insert(7, 9);
  a.erase(9);
  EXPECT_EQ(a.size(), 2u);
  a.insert(2, 3);
  a.insert(0, 0);
  EXPECT_EQ(Value(a), Value(Array{0, 1, 2, 3}));
  EXPECT_EQ(a.indexOf(2), 2u);
  EXPECT_TRUE(Value(5)[0].isNil());
  EXPECT_TRUE(Value(a)[-1].isNil());
}

TEST(Value, BooleansAreNotNumbers) {
  EXPECT_NE(Value(true), Value(1));
  EXPECT_NE(Value(false), Value(0));
  EXPECT_EQ(Value(true), Value(true));
  EXPECT_TRUE(Value(true).isBool());
  EXPECT_FALSE(Value(true).isNumber());
  EXPECT_TRUE(Value(1).isInteger());
  EXPECT_FALSE(Value(Array{1}).array().contains(true));
  // But they convert among themselves.
  EXPECT_EQ(Value(true).toInt(), 1);
  EXPECT_TRUE(Value(2).toBool());
}

TEST(Value, NumbersCompareByValueAcrossKinds) {
  EXPECT_EQ(Value(2), Value(2.0));
  EXPECT_EQ(Value(*Decimal::parse("2.50")), Value(2.5));
  EXPECT_EQ(Value(*Decimal::parse("12")), Value(12));
  EXPECT_NE(Value(*Decimal::parse("12.1")), Value(12));
  EXPECT_NE(Value(2.5), Value(2));
  EXPECT_NE(Value("2"), Value(2));
  EXPECT_EQ(Value::null(), Value::null());
  EXPECT_NE(Value::null(), Value());
  EXPECT_EQ(Value(Dictionary{{"a", 1}, {"b", 2}}), Value(Dictionary{{"b", 2}, {"a", 1}}));
}

TEST(Value, Conversions) {
  struct Case {
    Value v;
    bool b;
    std::int64_t i;
    double d;
    std::string s;
  };
  const Case cases[] = {
      {Value("12abc"), true, 12, 12, "12abc"},
      {Value("  -7.5x"), true, -7, -7.5, "  -7.5x"},
      {Value("YES"), true, 0, 0, "YES"},
      {Value("true"), true, 0, 0, "true"},
      {Value("no"), false, 0, 0, "no"},
      {Value("0"), false, 0, 0, "0"},
      {Value("007"), true, 7, 7, "007"},
      {Value("99999999999999999999"), true, INT64_MAX, 1e20, "99999999999999999999"},
      {Value(""), false, 0, 0, ""},
      {Value(true), true, 1, 1, "1"},
      {Value(false), false, 0, 0, "0"},
      {Value(42), true, 42, 42, "42"},
      {Value(2.5), true, 2, 2.5, "2.5"},
      {Value(-0.1), true, 0, -0.1, "-0.1"},
      {Value(3.0), true, 3, 3, "3"},
      {Value(*Decimal::parse("-12.50")), true, -12, -12.5, "-12.5"},
      {Value::null(), false, 0, 0, ""},
      {Value(), false, 0, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.v.describe());
    EXPECT_EQ(c.v.toBool(), c.b);
    EXPECT_EQ(c.v.toInt(), c.i);
    EXPECT_DOUBLE_EQ(c.v.toDouble(), c.d);
    EXPECT_EQ(c.v.toString(), c.s);
  }
  EXPECT_EQ(Value().toInt(-1), -1);
  EXPECT_TRUE(Value::null().toBool(true));
  EXPECT_EQ(Value(1e300).toInt(), INT64_MAX);
  EXPECT_EQ(Value(*Decimal::parse("-1e30")).toInt(), INT64_MIN);
}

TEST(Value, DescribeTexts) {
  const std::pair<Value, std::string> cases[] = {
      {Value(), "(null)"},
      {Value::null(), "<null>"},
      {Value(true), "1"},
      {Value(false), "0"},
      {Value(-5), "-5"},
      {Value(2.5), "2.5"},
      {Value(0.1), "0.1"},
      {Value("文字 text"), "文字 text"},
      {Value(core::Bytes{0x0a, 0x1b}), "<0a1b>"},
      {Value(core::Bytes{1, 2, 3, 4, 5}), "<01020304 05>"},
      {Value(core::Date{0}), "1970-01-01 00:00:00 +0000"},
      {Value(Array{}), "(\n)"},
      {Value(Array{1, "a b"}), "(\n    1,\n    \"a b\"\n)"},
      {Value(Dictionary{{"k", "v"}, {"n", Value::null()}}), "{\n    k = v;\n    n = <null>;\n}"},
      {Value(Dictionary{{"d", Dictionary{{"x", 1}}}}), "{\n    d =     {\n        x = 1;\n    };\n}"},
      {Value(Array{Array{1}}), "(\n        (\n        1\n    )\n)"},
      {Value(Array{"中"}), "(\n    \"\\U4e2d\"\n)"},
  };
  for (const auto& [v, text] : cases) EXPECT_EQ(v.describe(), text);
}

TEST(Decimal, ParseAndPrint) {
  struct Case {
    const char* in;
    const char* out;  // nullptr: rejected
  };
  const Case cases[] = {
      {"0", "0"},
      {"-0", "0"},
      {"12.50", "12.5"},
      {"-12.50", "-12.5"},
      {"1e-3", "0.001"},
      {"1E3", "1000"},
      {"0.000", "0"},
      {"123456789012345678901234567890", "123456789012345678901234567890"},
      {"12345678901234567890123456789012345678", "12345678901234567890123456789012345678"},
      {"123456789012345678901234567890123456780000", "1.2345678901234567890123456789012345678e+41"},
      {"1e40", "1e+40"},
      {"2.5e-45", "2.5e-45"},
      {".5", "0.5"},
      {"5.", "5"},
      {"123456789012345678901234567890123456789", nullptr},
      {"", nullptr},
      {"-", nullptr},
      {"1e", nullptr},
      {"1.2.3", nullptr},
      {"12a", nullptr},
      {" 1", nullptr},
      {"e5", nullptr},
      {".", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    auto d = Decimal::parse(c.in);
    if (c.out == nullptr) {
      EXPECT_FALSE(d.has_value());
    } else {
      ASSERT_TRUE(d.has_value());
      EXPECT_EQ(d->toString(), c.out);
    }
  }
  EXPECT_EQ(*Decimal::parse("1.50"), *Decimal::parse("1.5"));
  EXPECT_EQ(*Decimal::parse("0"), *Decimal::parse("-0.0"));
  EXPECT_DOUBLE_EQ(Decimal::parse("-12.25")->toDouble(), -12.25);
  EXPECT_DOUBLE_EQ(Decimal::parse("1e-3")->toDouble(), 0.001);
  EXPECT_TRUE(std::isinf(Decimal::parse("1e400")->toDouble()));
  EXPECT_EQ(Decimal::parse("1e-400")->toDouble(), 0.0);
}
