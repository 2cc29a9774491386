#include "platform/core/PropertyList.h"

#include <gtest/gtest.h>
#include <plist/plist.h>

#include <cstdlib>

#include "TempHome.h"
#include "platform/core/Paths.h"

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

TEST(PropertyList, WriteFileIsAtomicAndFailsCleanly) {
  coretest::TempHome home;
  const std::string path = home.dir() + "/p.plist";
  ASSERT_TRUE(PropertyList::writeFile(path, sample()));
  EXPECT_EQ(PropertyList::readFile(path), sample());
  // A value that cannot be written leaves the old file as it was.
  EXPECT_FALSE(PropertyList::writeFile(path, Value(Dictionary{{"n", Value::null()}})));
  EXPECT_EQ(PropertyList::readFile(path), sample());
  EXPECT_FALSE(PropertyList::writeFile(home.dir() + "/no/such/dir.plist", sample()));
}
