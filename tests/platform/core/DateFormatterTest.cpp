#include "platform/core/DateFormatter.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include "tests/support/TempDir.h"

using core::Date;
using core::DateFormatter;
using core::TimeZone;

namespace {
// 2013-03-05 14:07:09.250 in Shanghai (06:07:09.250 UTC), a Tuesday.
const Date kSample{1362463629.25};
const TimeZone kShanghai = *TimeZone::named("Asia/Shanghai");
}  // namespace

TEST(DateFormatter, FormatsTheApplicationsPatterns) {
  const std::pair<const char*, const char*> cases[] = {
      {"yyyy-MM-dd HH:mm:ss", "2013-03-05 14:07:09"},
      {"yyyy-MM-dd", "2013-03-05"},
      {"yyyyMMdd", "20130305"},
      {"yyyy-MM", "2013-03"},
      {"HH:mm", "14:07"},
      {"MM-dd", "03-05"},
      {"yyyy年MM月dd日", "2013年03月05日"},
      {"yy/M/d h:mm a", "13/3/5 2:07 PM"},
      {"EEE, d MMM yyyy", "Tue, 5 Mar 2013"},
      {"EEEE MMMM", "Tuesday March"},
      {"HH:mm:ss.SSS", "14:07:09.250"},
      {"'at' HH 'o''clock' ''", "at 14 o'clock '"},
  };
  for (const auto& [pattern, text] : cases) {
    EXPECT_EQ(DateFormatter(pattern, kShanghai).format(kSample), text) << pattern;
  }
  EXPECT_EQ(DateFormatter("yyyy-MM-dd HH:mm", TimeZone::utc()).format(kSample), "2013-03-05 06:07");
  EXPECT_EQ(DateFormatter("h a", TimeZone::utc()).format(Date{0}), "12 AM");
}

TEST(DateFormatter, ParsesStrictly) {
  struct Case {
    const char* pattern;
    const char* text;
    std::optional<double> utcSeconds;
  };
  const Case cases[] = {
      {"yyyy-MM-dd HH:mm:ss", "2013-03-05 14:07:09", 1362463629},
      {"yyyy-MM-dd", "2013-03-05", 1362412800},
      {"yyyyMMdd", "20130305", 1362412800},
      {"yyyy-MM", "2013-03", 1362067200},
      {"yyyy年MM月dd日", "2013年03月05日", 1362412800},
      {"HH:mm", "14:07", 21600 + 7 * 60},  // 1970-01-01 14:07 in Shanghai
      {"yyyy-M-d", "2013-3-5", 1362412800},
      {"h:mm a", "2:07 PM", 21600 + 7 * 60},
      {"h:mm a", "2:07 下午", 21600 + 7 * 60},
      {"dd MMM yyyy", "05 mar 2013", 1362412800},
      {"yyyy-MM-dd HH:mm:ss.SSS", "2013-03-05 14:07:09.250", 1362463629.25},
      {"yyyy-MM-dd", "2012-02-29", 1330444800},
      {"yyyy-MM-dd", "2013-02-29", std::nullopt},
      {"yyyy-MM-dd", "2013-13-01", std::nullopt},
      {"yyyy-MM-dd", "2013-03-05 ", std::nullopt},
      {"yyyy-MM-dd", "2013-03", std::nullopt},
      {"yyyy-MM-dd", "2013/03/05", std::nullopt},
      {"yyyyMMdd", "2013035", std::nullopt},
      {"HH:mm", "24:00", std::nullopt},
      {"HH:mm", "", std::nullopt},
      {"h a", "13 PM", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " <- " + c.text);
    auto d = DateFormatter(c.pattern, kShanghai).parse(c.text);
    ASSERT_EQ(d.has_value(), c.utcSeconds.has_value());
    if (d) {
      EXPECT_DOUBLE_EQ(d->secondsSince1970, *c.utcSeconds);
    }
  }
}

TEST(DateFormatter, RoundTripAndLocalZone) {
  DateFormatter f("yyyy-MM-dd HH:mm:ss", kShanghai);
  EXPECT_EQ(f.parse(f.format(kSample))->secondsSince1970, 1362463629);

  // Milliseconds survive a round trip near 1970 and far from it, where the seconds hold the fraction
  // only to a few units in their last place.
  DateFormatter millis("yyyy-MM-dd HH:mm:ss.SSS", TimeZone::utc());
  for (const char* text : {"2013-03-05 06:07:09.150", "8122-06-05 01:00:00.150", "8122-06-05 01:00:00.999",
                           "1901-12-14 00:00:00.001"}) {
    auto date = millis.parse(text);
    ASSERT_TRUE(date) << text;
    EXPECT_EQ(millis.format(*date), text);
  }

  // The local zone follows TZ.
  {
    const testsupport::ScopedEnv utc("TZ", "UTC0");
    tzset();
    EXPECT_EQ(DateFormatter::format(kSample, "yyyy-MM-dd HH:mm"), "2013-03-05 06:07");
    EXPECT_EQ(DateFormatter::parse("1970-01-02", "yyyy-MM-dd")->secondsSince1970, 86400);
  }
  tzset();
}

TEST(TimeZone, Names) {
  const std::pair<const char*, std::optional<int>> cases[] = {
      {"UTC", 0},
      {"GMT", 0},
      {"Asia/Shanghai", 28800},
      {"PRC", 28800},
      {"GMT+8", 28800},
      {"UTC-05:30", -19800},
      {"GMT+0930", 34200},
      {"Mars/Olympus", std::nullopt},
      {"GMT+", std::nullopt},
      {"GMT+25", std::nullopt},
  };
  for (const auto& [name, offset] : cases) {
    auto z = TimeZone::named(name);
    ASSERT_EQ(z.has_value(), offset.has_value()) << name;
    if (z) {
      EXPECT_EQ(z->secondsFromGMT(Date{}), *offset) << name;
    }
  }
}
