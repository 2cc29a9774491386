// The statistics records as they go into the lists: byte cuts of labels and key-value pairs, which
// attributes appear when; and the helpers of the upload: cuts, form encoding, digest, compression.

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

#include "platform/core/DateFormatter.h"
#include "platform/core/PropertyList.h"
#include "statistics/StatsEkv.h"
#include "statistics/StatsError.h"
#include "statistics/StatsEvent.h"
#include "statistics/StatsHosts.h"
#include "statistics/StatsLaunch.h"
#include "statistics/StatsTerminate.h"
#include "tests/statistics/StatsTestSupport.h"

namespace stats_test {
namespace {

std::string repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

using Records = StatsFixture;

struct LabelCut {
  std::string label;
  std::string sent;
  bool warned;
};

TEST_F(Records, EventLabelsAreCutTo256BytesOfWholeCharacters) {
  const LabelCut cases[] = {
      {repeat("a", 256), repeat("a", 256), false},
      {repeat("a", 257), repeat("a", 256), true},
      {repeat("考", 85), repeat("考", 85), false},  // 255 bytes
      {repeat("考", 86), repeat("考", 85), true},   // 258 bytes: 85 characters, never a split one
      {"a" + repeat("考", 85) + "b", "a" + repeat("考", 85), true},  // 257 bytes
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label.size());
    StatsEvent e;
    e.event_id = "id";
    e.label = c.label;
    const std::size_t before = log().size();
    EXPECT_EQ(e.attributes()["label"].str(), c.sent);
    EXPECT_EQ(log().size() > before, c.warned);
  }
  EXPECT_EQ(log().back(), "(Warning) Stats event label (a" + repeat("考", 85) + "b) max bytes length > 256");
}

TEST_F(Records, EventAttributesAppearOnlyWhenSet) {
  StatsEvent counted;
  counted.event_id = "MyFavorites";
  counted.label = "MyFavorites";
  counted.acc = 1;
  counted.session_id = "S1";
  const core::Value a = counted.attributes();
  EXPECT_EQ(a["date"].str(), localDay(kNow));
  EXPECT_EQ(a["time"].str(), core::DateFormatter("HH:mm:ss").format(core::Date{kNow}));
  EXPECT_EQ(a["tag"].str(), "MyFavorites");
  EXPECT_EQ(a["acc"], core::Value(1));
  EXPECT_EQ(a["ts"], core::Value(kNow));
  EXPECT_EQ(a["session_id"].str(), "S1");
  EXPECT_FALSE(a.contains("du"));
  EXPECT_FALSE(a.contains("values"));

  StatsEvent timed;  // no label, no count, a duration
  timed.event_id = "read";
  setNow(kNow + 2.5);
  timed.updateDu();
  EXPECT_EQ(timed.du, 2500);
  const core::Value t = timed.attributes();
  EXPECT_FALSE(t.contains("label"));
  EXPECT_FALSE(t.contains("acc"));
  EXPECT_EQ(t["du"], core::Value(2500));
}

TEST_F(Records, EkvSendsTenPairsWithKeysAndValuesCut) {
  StatsEkv ekv;
  ekv.id = "share";
  ekv.values.set(repeat("k", 130), repeat("v", 300));
  ekv.values.set("中文键", repeat("值", 90));  // 270 bytes: 85 characters
  ekv.values.set("count", 7);
  for (int i = 3; i < 12; ++i) ekv.values.set("p" + std::to_string(i), "x");
  const core::Value a = ekv.attributes();
  EXPECT_EQ(a["id"].str(), "share");
  EXPECT_EQ(a["ts"], core::Value(kNow));
  EXPECT_EQ(a.size(), 2u + 10u);  // id, ts and the first ten pairs
  EXPECT_EQ(a[repeat("k", 128)].str(), repeat("v", 256));
  EXPECT_EQ(a["中文键"].str(), repeat("值", 85));
  EXPECT_EQ(a["count"], core::Value(7));
  EXPECT_TRUE(a.contains("p9"));
  EXPECT_FALSE(a.contains("p10"));
  EXPECT_FALSE(a.contains("du"));
  EXPECT_EQ(log().back().rfind("Stats: (Warning) Stats event's keys and values must be string", 0), 0u);
}

TEST_F(Records, TerminateAndErrorAttributes) {
  StatsTerminate end;
  end.duration = 60;
  end.session_id = "S";
  const core::Value bare = end.attributes();
  EXPECT_EQ(bare["duration"], core::Value(60));
  for (const char* key : {"activities", "lat", "lng", "gps_time"}) EXPECT_FALSE(bare.contains(key)) << key;

  end.pageViews.push_back(core::Array{"GKSample-首页", 12});
  end.latitude = 31.2;
  end.gps_time = 1709634030000;
  core::Value a = end.attributes();
  EXPECT_EQ(a["activities"], core::Value(core::Array{core::Array{"GKSample-首页", 12}}));
  EXPECT_FALSE(a.contains("lat"));  // only with both coordinates
  EXPECT_EQ(a["gps_time"], core::Value(1709634030000));
  end.longitude = 121.5;
  a = end.attributes();
  EXPECT_EQ(a["lat"], core::Value(31.2));
  EXPECT_EQ(a["lng"], core::Value(121.5));

  StatsLaunch launch;
  EXPECT_EQ(launch.attributes().dict().keys(), (std::vector<std::string>{"date", "time"}));

  StatsError crash;
  crash.context = "boom";
  EXPECT_EQ(crash.attributes()["message_type"].str(), "error");
  EXPECT_EQ(crash.attributes()["context"].str(), "boom");
  EXPECT_TRUE(crash.attributes().contains("session_id"));
}

TEST(StatsUtil, CutsFormEncodingAndDigest) {
  EXPECT_EQ(StatsUtil::getString("abc", 2), "ab");
  EXPECT_EQ(StatsUtil::getString("a中b", 3), "a");
  EXPECT_EQ(StatsUtil::getString("a中b", 4), "a中");
  EXPECT_EQ(StatsUtil::getString("a\xFF\xFE", 1), "a\xFF\xFE");  // not UTF-8: whole
  EXPECT_EQ(StatsUtil::urlEncode("a-b_c.d~e !*'\"();:@&=+$,/?%#[]中"),
            "a-b_c.d~e%20%21%2A%27%22%28%29%3B%3A%40%26%3D%2B%24%2C%2F%3F%25%23%5B%5D%E4%B8%AD");
  EXPECT_EQ(StatsUtil::md5Value("7e3c19d0a4b25f8861c0e9d3").size(), 32u);
  EXPECT_EQ(StatsUtil::md5Value(""), "D41D8CD98F00B204E9800998ECF8427E");
}

TEST(StatsUtil, DeflateGivesAZlibStreamThatInflatesBack) {
  for (std::string text : {std::string(), std::string("content=%7B%7D"), repeat("content=abc", 500)}) {
    SCOPED_TRACE(text.size());
    const core::Bytes source(text.begin(), text.end());
    const auto packed = StatsUtil::deflatedData(source);
    ASSERT_TRUE(packed);
    ASSERT_GE(packed->size(), 2u);
    EXPECT_EQ((*packed)[0], 0x78);  // zlib header, default window
    EXPECT_EQ((((*packed)[0] << 8) | (*packed)[1]) % 31, 0);
    core::Bytes back(text.size() + 1);
    uLongf n = back.size();
    ASSERT_EQ(uncompress(back.data(), &n, packed->data(), packed->size()), Z_OK);
    EXPECT_EQ(std::string(back.begin(), back.begin() + n), text);
  }
  const auto prefixed = StatsUtil::deflatedDataPrefixedWith(core::Bytes{'P'}, 9, core::Bytes{'x'});
  ASSERT_TRUE(prefixed);
  EXPECT_EQ((*prefixed)[0], 'P');
  EXPECT_EQ((*prefixed)[1], 0x78);
}

}  // namespace
}  // namespace stats_test

namespace stats_test {
namespace {

struct LocaleCase {
  const char* language;  // LANGUAGE
  const char* locale;    // LC_ALL / LC_MESSAGES / LANG
  const char* country;
  const char* spoken;
};

TEST(StatsDeviceFacts, CountryAndLanguageFromTheLocale) {
  const LocaleCase cases[] = {
      {"", "zh_CN.UTF-8", "CN", "zh-CN"},
      {"zh_TW:en", "en_US.UTF-8", "US", "zh-TW"},
      {"", "de_DE@euro", "DE", "de-DE"},
      {"", "C.UTF-8", "", "en"},
      {"", "POSIX", "", "en"},
      {"", "", "", "en"},
      {"fr", "", "", "fr"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.language) + " / " + c.locale);
    EXPECT_EQ(StatsDeviceFacts::countryFromLocale(c.locale), c.country);
    EXPECT_EQ(StatsDeviceFacts::languageFromLocale(c.language, c.locale), c.spoken);
  }
  const StatsDeviceFacts here = StatsDeviceFacts::current();
  EXPECT_FALSE(here.model.empty());
  EXPECT_EQ(here.resolution, "480 x 320");
  EXPECT_EQ(here.carrier, "");
  EXPECT_FALSE(here.idfa);
  EXPECT_FALSE(here.idfv);
  EXPECT_TRUE(here.access == "WiFi" || here.access.empty());
}

TEST(StatsHosts, ConfigurationFileThenEnvironment) {
  testsupport::TempDir dir;
  testsupport::ScopedEnv home("VARDO_HOME", dir.path());
  ::unsetenv("VARDO_STATS_HOST");
  ::unsetenv("VARDO_STATS_FALLBACK_HOST");
  EXPECT_EQ(StatsHosts::load().logPrimary, "127.0.0.1:8080");
  ASSERT_TRUE(core::PropertyList::writeFile(
      dir.path() + "/config/server.plist",
      core::Dictionary{{"StatisticsHost", "stats.example.test"}, {"StatisticsFallbackHost", "bad host/x"}}));
  StatsHosts hosts = StatsHosts::load();
  EXPECT_EQ(hosts.logPrimary, "stats.example.test");
  EXPECT_EQ(hosts.updatePrimary, "stats.example.test");
  EXPECT_EQ(hosts.logFallback, "127.0.0.1:8080");  // an unusable value is ignored
  testsupport::ScopedEnv primary("VARDO_STATS_HOST", "127.0.0.1:9");
  EXPECT_EQ(StatsHosts::load().configPrimary, "127.0.0.1:9");
}

}  // namespace
}  // namespace stats_test
