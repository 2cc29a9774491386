#include "platform/core/PropertyList.h"

#include <gtest/gtest.h>
#include <plist/plist.h>

#include <cstdlib>

#include "platform/core/Paths.h"
#include "tests/support/TempDir.h"

using core::Array;
using core::Dictionary;
using core::PropertyList;
using core::Value;

namespace {

Value sample() {
  return Dictionary{
      {"zeta", 1},
      {"alpha", Array{true, false, 0, 1, -42, 2.5, "文字 & <tags>"}},
      {"mid", Dictionary{{"b", core::Bytes{0, 1, 0xff}}, {"a", core::Date::fromReferenceDate(86400 * 365)}}},
      {"empty", Array{}},
      {"big", std::int64_t{9007199254740993}},
  };
}

}  // namespace

TEST(PropertyList, XmlRoundTripKeepsOrderAndTypes) {
  auto xml = PropertyList::toXML(sample());
  ASSERT_TRUE(xml.has_value());
  EXPECT_NE(xml->find("<true/>"), std::string::npos);
  Value back = PropertyList::fromData(*xml);
  EXPECT_EQ(back, sample());
  EXPECT_EQ(back.dict().keys(), (std::vector<std::string>{"zeta", "alpha", "mid", "empty", "big"}));
  EXPECT_EQ(back["mid"].dict().keys(), (std::vector<std::string>{"b", "a"}));
  Value alpha = back["alpha"];
  EXPECT_TRUE(alpha[0].isBool());
  EXPECT_TRUE(alpha[1].isBool());
  EXPECT_TRUE(alpha[2].isInteger());
  EXPECT_TRUE(alpha[3].isInteger());
  EXPECT_TRUE(alpha[5].isDouble());
  EXPECT_TRUE(back["mid"]["a"].isDate());
  EXPECT_EQ(back["big"].integer(), 9007199254740993);
}

TEST(PropertyList, ReadsBinaryMadeByLibplist) {
  plist_t root = plist_new_dict();
  plist_dict_set_item(root, "CFBundleName", plist_new_string("vardo"));
  plist_dict_set_item(root, "count", plist_new_uint(7));
  plist_dict_set_item(root, "flag", plist_new_bool(1));
  plist_dict_set_item(root, "ratio", plist_new_real(0.25));
  plist_t arr = plist_new_array();
  plist_array_append_item(arr, plist_new_string("中文"));
  plist_dict_set_item(root, "list", arr);
  char* bin = nullptr;
  uint32_t length = 0;
  plist_to_bin(root, &bin, &length);
  plist_free(root);
  ASSERT_NE(bin, nullptr);
  core::Bytes bytes(bin, bin + length);
  plist_to_bin_free(bin);

  Value v = PropertyList::fromData(bytes);
  ASSERT_TRUE(v.isDictionary());
  EXPECT_EQ(v["CFBundleName"].str(), "vardo");
  EXPECT_EQ(v["count"], Value(7));
  EXPECT_EQ(v["flag"], Value(true));
  EXPECT_EQ(v["ratio"], Value(0.25));
  EXPECT_EQ(v["list"][0].str(), "中文");

  // Our own binary form reads back too.
  auto ours = PropertyList::toBinary(sample());
  ASSERT_TRUE(ours.has_value());
  EXPECT_EQ(PropertyList::fromData(*ours), sample());
}

TEST(PropertyList, RejectsWhatItCannotReadOrWrite) {
  for (std::string_view bad : {"", "not a plist", "<plist><dict>", "<plist><string>a</plist>",
                               "<plist></plist>", "<?xml version=\"1.0\"?><foo/>", "bplist00garbage"}) {
    EXPECT_TRUE(PropertyList::fromData(bad).isNil()) << bad;
  }
  EXPECT_FALSE(PropertyList::toXML(Value()).has_value());
  EXPECT_FALSE(PropertyList::toXML(Value(Dictionary{{"n", Value::null()}})).has_value());
  EXPECT_FALSE(PropertyList::toXML(Value(Array{1, Value::null()})).has_value());
  EXPECT_TRUE(PropertyList::readFile("/nonexistent/file.plist").isNil());
}

// A damaged file whose strings are not UTF-8 still reads as text (U+FFFD in place of the bad bytes), and
// that text writes back whole in either form; a string cut short at the bad bytes would lose the rest.
TEST(PropertyList, StringsThatAreNotUtf8ReadAsTextAndWriteBackWhole) {
  const std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict><key>k\xff</key>"
      "<string>Main\xc3\x28View</string></dict></plist>";
  Value v = PropertyList::fromData(std::string_view(xml));
  ASSERT_TRUE(v.isDictionary());
  ASSERT_EQ(v.dict().keys().size(), 1u);
  const std::string key = v.dict().keys()[0];
  EXPECT_EQ(key, "k\xef\xbf\xbd");
  EXPECT_EQ(v[key].str(), "Main\xef\xbf\xbd(View");
  auto binary = PropertyList::toBinary(v);
  ASSERT_TRUE(binary.has_value());
  EXPECT_EQ(PropertyList::fromData(*binary), v);
  auto text = PropertyList::toXML(v);
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(PropertyList::fromData(std::string_view(*text)), v);
}

// A file whose key or string holds U+0000 (UTF-16 in binary, a NUL byte in XML) is refused as damaged;
// libplist would abort the process when such a string is read.
TEST(PropertyList, ABinaryStringHoldingUPlus0000IsRefused) {
  const std::string nulInKey(
      "\x62\x70\x6c\x69\x73\x74\x30\x30\xd1\x01\x02\x63\x00\xe9\x00\x00\x00\x62\x51\x63\x08\x0b\x12\x00\x00"
      "\x00"
      "\x00\x00\x00\x01\x01\x00\x00\x00\x00\x00\x00\x00\x03\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
      "\x00\x00\x00\x14",
      55);
  const std::string nulInString(
      "\x62\x70\x6c\x69\x73\x74\x30\x30\xd1\x01\x02\x51\x61\x63\x00\xe9\x00\x00\x00\x64\x08\x0b\x0d\x00\x00"
      "\x00"
      "\x00\x00\x00\x01\x01\x00\x00\x00\x00\x00\x00\x00\x03\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
      "\x00\x00\x00\x14",
      55);
  const std::string nulInXML(
      "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>a\0b</key><string>c</string>"
      "</dict></plist>",
      95);
  ASSERT_EQ(nulInXML.find('\0'), 54u);
  EXPECT_TRUE(PropertyList::fromData(std::string_view(nulInXML)).isNil());
  EXPECT_TRUE(PropertyList::fromData(std::string_view(nulInKey)).isNil());
  EXPECT_TRUE(PropertyList::fromData(std::string_view(nulInString)).isNil());
  // The same files with the string's length written as a 16-byte integer, which libplist also takes.
  const std::string wideNulInString(
      "\x62\x70\x6c\x69\x73\x74\x30\x30\xd1\x01\x02\x51\x61\x6f\x14\x00\x00\x00\x00\x00\x00\x00\x00"
      "\x00\x00\x00\x00\x00\x00\x00\x03\x00\xe9\x00\x00\x00\x64\x08\x0b\x0d\x00\x00\x00\x00\x00\x00"
      "\x01\x01\x00\x00\x00\x00\x00\x00\x00\x03\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
      "\x00\x00\x25",
      72);
  const std::string wideNulInKey(
      "\x62\x70\x6c\x69\x73\x74\x30\x30\xd1\x01\x02\x6f\x14\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
      "\x00\x00\x00\x00\x00\x03\x00\xe9\x00\x00\x00\x62\x51\x63\x08\x0b\x23\x00\x00\x00\x00\x00\x00"
      "\x01\x01\x00\x00\x00\x00\x00\x00\x00\x03\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
      "\x00\x00\x25",
      72);
  EXPECT_TRUE(PropertyList::fromData(std::string_view(wideNulInString)).isNil());
  EXPECT_TRUE(PropertyList::fromData(std::string_view(wideNulInKey)).isNil());
  // The same strings without the U+0000 read.
  std::string plain = nulInString;
  plain[17] = 'x';  // the unit U+0000 becomes U+0078
  EXPECT_EQ(PropertyList::fromData(std::string_view(plain))["a"].str(), "\xc3\xa9xd");
  std::string widePlain = wideNulInString;
  widePlain[34] = 'x';
  EXPECT_EQ(PropertyList::fromData(std::string_view(widePlain))["a"].str(), "\xc3\xa9xd");
}

// A date outside the range libplist holds is written as the nearest one inside, so a file with such a date
// (a far expiry, say) still writes.
TEST(PropertyList, DatesOutsideTheRangeAreKeptAtItsEnds) {
  const double far = 3e9;  // 2096
  Value v(Dictionary{{"when", Value(core::Date::fromReferenceDate(far))}, {"other", 1}});
  auto xml = PropertyList::toXML(v);
  ASSERT_TRUE(xml.has_value());
  Value back = PropertyList::fromData(std::string_view(*xml));
  EXPECT_EQ(back["other"].toInt(), 1);
  EXPECT_DOUBLE_EQ(back["when"].date().secondsSinceReferenceDate(), 2147483647.0);
  ASSERT_TRUE(PropertyList::toBinary(Value(core::Date::fromReferenceDate(-far))).has_value());
}

TEST(PropertyList, BinaryDatesBefore2001KeepTheirFraction) {
  for (double ref : {-27.25, -86400.5, 12.75, -1e6 - 0.125}) {
    SCOPED_TRACE(ref);
    Value v(Array{Value(core::Date::fromReferenceDate(ref))});
    auto binary = PropertyList::toBinary(v);
    ASSERT_TRUE(binary.has_value());
    EXPECT_DOUBLE_EQ(PropertyList::fromData(*binary).array()[0].date().secondsSinceReferenceDate(), ref);
  }
}

TEST(PropertyList, WriteFileIsAtomicAndFailsCleanly) {
  testsupport::TempHome home{"vd-core-test"};
  const std::string path = home.path() + "/p.plist";
  ASSERT_TRUE(PropertyList::writeFile(path, sample()));
  EXPECT_EQ(PropertyList::readFile(path), sample());
  // A value that cannot be written leaves the old file as it was.
  EXPECT_FALSE(PropertyList::writeFile(path, Value(Dictionary{{"n", Value::null()}})));
  EXPECT_EQ(PropertyList::readFile(path), sample());
  EXPECT_FALSE(PropertyList::writeFile(home.path() + "/no/such/dir.plist", sample()));
}
