#include "platform/core/Text.h"

#include <gtest/gtest.h>

#include <climits>

TEST(Text, Utf16Lengths) {
  const std::pair<const char*, std::size_t> cases[] = {
      {"", 0},  {"abc", 3},  {"中文", 2}, {"😀", 2}, {"a😀b", 4}, {"👨‍👩‍👧", 8},
      {"é", 1}, {"\xFF", 1},
  };
  for (const auto& [s, n] : cases) EXPECT_EQ(core::utf16Length(s), n) << s;
  EXPECT_TRUE(core::isValidUtf8("中文😀\xEF\xBF\xBD"));
  for (const char* bad : {"\xFF", "\xC0\x80", "\xED\xA0\x80", "\xE4\xB8", "\xF4\x90\x80\x80"}) {
    EXPECT_FALSE(core::isValidUtf8(bad)) << "overlong, surrogate, cut or too large";
  }
}

TEST(Text, Utf16SubstringsNeverSplitPairs) {
  const std::string s = "a😀中b";  // units: a=0, 😀=1-2, 中=3, b=4
  struct Case {
    std::size_t start, length;
    const char* out;
  };
  const Case cases[] = {
      {0, 1, "a"}, {0, 2, "a"},   {0, 3, "a😀"},
      {1, 2, "😀"}, {2, 2, "😀中"}, {3, 99, "中b"},
      {5, 1, ""},  {9, 1, ""},    {0, std::string::npos, "a😀中b"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(core::utf16Substring(s, c.start, c.length), c.out) << c.start << "," << c.length;
  EXPECT_EQ(core::utf16Prefix("中文字", 2), "中文");
  EXPECT_EQ(core::utf8OffsetOfUtf16(s, 3), 5u);
  EXPECT_EQ(core::fromUtf16(core::toUtf16(s)), s);
  EXPECT_EQ(core::toUtf16(s).size(), 5u);
  EXPECT_EQ(core::fromUtf16(u"\xD800x"), "\xEF\xBF\xBDx") << "an unpaired surrogate";
}

TEST(Text, TrimCaseAffixesSplitJoin) {
  EXPECT_EQ(core::trim(" \t\n 中 文 \r\n\xE3\x80\x80"), "中 文");
  EXPECT_EQ(core::trim("\xC2\xA0x\xC2\xA0"), "x");
  EXPECT_EQ(core::trim("   "), "");
  EXPECT_EQ(core::toLower("AbC中"), "abc中");
  EXPECT_EQ(core::toUpper("aBc"), "ABC");
  EXPECT_TRUE(core::equalsIgnoringCase("JPG", "jpg"));
  EXPECT_TRUE(core::hasPrefix("vdprotocol://x", "vdprotocol://"));
  EXPECT_FALSE(core::hasPrefix("vd", "vdprotocol"));
  EXPECT_TRUE(core::hasSuffix("a.png", ".png"));
  EXPECT_FALSE(core::hasSuffix("g", ".png"));
  EXPECT_EQ(core::split("a,,b", ","), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(core::split("", ","), (std::vector<std::string>{""}));
  EXPECT_EQ(core::split("a||b", "||"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(core::join({"1", "2", "3"}, ","), "1,2,3");
  EXPECT_EQ(core::join({}, ","), "");
  EXPECT_EQ(core::replaceAll("aXbXc", "X", "--"), "a--b--c");
}

TEST(Text, Gb18030RoundTrip) {
  const std::string utf8 = "中文考试 ABC 😀 €";
  auto gb = core::utf8ToGb18030(utf8);
  ASSERT_TRUE(gb.has_value());
  EXPECT_EQ(gb->substr(0, 4), "\xD6\xD0\xCE\xC4") << "中文 in GB 18030";
  EXPECT_EQ(core::gb18030ToUtf8(*gb), utf8);
  EXPECT_FALSE(core::gb18030ToUtf8("\xD6").has_value()) << "a cut-off character";
  EXPECT_FALSE(core::utf8ToGb18030("\xFF").has_value());
  EXPECT_EQ(core::gb18030ToUtf8(""), "");
}

TEST(Text, LenientNumbers) {
  struct Case {
    const char* s;
    std::int64_t integer;
    std::int32_t i32;
    double d;
    bool b;
  };
  const Case cases[] = {
      {"42", 42, 42, 42, true},
      {"  -17abc", -17, -17, -17, true},
      {"+3.9", 3, 3, 3.9, true},
      {"abc", 0, 0, 0, false},
      {"", 0, 0, 0, false},
      {"1e3", 1, 1, 1000, true},
      {".5", 0, 0, 0.5, false},
      {"00", 0, 0, 0, false},
      {"Yes", 0, 0, 0, true},
      {"t", 0, 0, 0, true},
      {"no", 0, 0, 0, false},
      {"-0.0", 0, 0, 0, false},
      {"3000000000", 3000000000, INT_MAX, 3e9, true},
      {"-3000000000", -3000000000, INT_MIN, -3e9, true},
      {"99999999999999999999999", INT64_MAX, INT_MAX, 1e23, true},
      {"inf", 0, 0, 0, false},
      {"0x1A", 0, 0, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.s);
    EXPECT_EQ(core::integerValue(c.s), c.integer);
    EXPECT_EQ(core::intValue(c.s), c.i32);
    EXPECT_DOUBLE_EQ(core::doubleValue(c.s), c.d);
    EXPECT_EQ(core::boolValue(c.s), c.b);
  }
}
