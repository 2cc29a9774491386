// Time texts: parsing and formatting, calendar fields, and the relative labels of note times.

#include <gmock/gmock.h>

#include <optional>

#include "app/AppDelegate.h"
#include "app/VDHelper.h"
#include "platform/core/DateFormatter.h"
#include "ui/test/Harness.h"

namespace {

// Now: 2013-07-10 12:00:00 local time (no daylight-saving change in the eleven days before it).
core::Date fixedNow() {
  auto now = VDHelper::dateFromString("2013-07-10 12:00:00");
  EXPECT_TRUE(now.has_value());
  return now.value_or(core::Date{});
}

std::string secondsBefore(core::Date now, double seconds) {
  return core::DateFormatter::format(now.addingSeconds(-seconds), "yyyy-MM-dd HH:mm:ss");
}

constexpr double kMinute = 60, kHour = 3600, kDay = 86400;

}  // namespace

TEST(TimeText, RelativeLabels) {
  struct Case {
    double secondsAgo;
    std::optional<std::string> label;
  };
  const Case cases[] = {
      {0, "刚刚"},
      {30, "刚刚"},
      {59, "刚刚"},
      {-kHour, "刚刚"},  // a future time
      {-20 * kDay, "刚刚"},
      {kMinute, ""},  // exactly one minute: no label
      {kMinute + 1, "1分钟前"},
      {2 * kMinute - 1, "1分钟前"},
      {2 * kMinute, "2分钟前"},
      {kHour - 1, "59分钟前"},
      {kHour, ""},  // exactly one hour: no label
      {kHour + 1, "1小时前"},
      {2 * kHour, "2小时前"},
      {kDay - 1, "23小时前"},
      {kDay, ""},  // exactly one day: no label
      {kDay + 1, "昨天"},
      {36 * kHour, "昨天"},
      {2 * kDay - 1, "昨天"},
      {2 * kDay, "2天前"},
      {10.5 * kDay, "10天前"},
      {11 * kDay - 1, "10天前"},
      {11 * kDay, std::nullopt},
      {400 * kDay, std::nullopt},
  };
  const core::Date now = fixedNow();
  for (const Case& c : cases) {
    const std::string time = secondsBefore(now, c.secondsAgo);
    SCOPED_TRACE(time);
    EXPECT_EQ(VDHelper::intervalSinceNow(time, now), c.label);
  }
}

TEST(TimeText, UnreadableTimesGiveNoLabel) {
  const core::Date now = fixedNow();
  for (const char* time : {"", "2013/07/10 11:59:30", "2013-07-10", "yesterday", "2013-02-30 12:00:00"}) {
    SCOPED_TRACE(time);
    EXPECT_EQ(VDHelper::intervalSinceNow(time, now), std::nullopt);
  }
}

TEST(TimeText, TheHelpersClockCanBeFixed) {
  const core::Date now = fixedNow();
  ui::test::Harness harness;
  AppServices services;
  services.clock = [now] { return now; };
  harness.app().setDelegate(std::make_shared<AppDelegate>(std::move(services)));
  EXPECT_EQ(VDHelper::intervalSinceNow(secondsBefore(now, 3 * kHour)), "3小时前");
  EXPECT_EQ(VDHelper::now(), now);
  harness.app().setDelegate(nullptr);
  // No application, the real clock: a time of 2013 is long ago.
  EXPECT_EQ(VDHelper::intervalSinceNow("2013-07-10 12:00:00"), std::nullopt);
}

TEST(TimeText, ParseFormatAndCalendarFields) {
  const auto date = VDHelper::dateFromString("2013-07-10 12:30:45");
  ASSERT_TRUE(date.has_value());
  EXPECT_EQ(core::DateFormatter::format(*date, "yyyy-MM-dd HH:mm:ss"), "2013-07-10 12:30:45");
  EXPECT_FALSE(VDHelper::dateFromString("2013-07-10T12:30:45").has_value());

  // Formatted with the zone's offset from GMT.
  const std::string text = VDHelper::stringFromDate(*date);
  EXPECT_THAT(text, ::testing::MatchesRegex("2013-07-10 12:30:45 GMT([+-][0-9]{1,2}(:[0-9]{2})?)?"));

  // 10 July 2013 was a Wednesday: 4 counting Sunday as 1.
  const core::Value fields = VDHelper::getTimeProperty(*date);
  EXPECT_EQ(
      fields,
      (core::Value(core::Dictionary{
          {"week", 4}, {"year", 2013}, {"month", 7}, {"day", 10}, {"hour", 12}, {"min", 30}, {"sec", 45}})));
}
