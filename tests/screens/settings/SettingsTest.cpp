// The settings screens: the labels as loaded from the defaults, the switches and the reset, the two
// lists (from the menu and from the answering screen), the answering screen told only when the user
// leaves, the font-size choice and the traffic figures.

#include "app/SettingDefaults.h"
#include "app/VDLogHelper.h"
#include "exam/AnsweringSettingsScreen.h"
#include "platform/core/DateFormatter.h"
#include "screens/settings/FontSizeViewController.h"
#include "screens/settings/NetCounterViewController.h"
#include "screens/settings/SettingViewController.h"
#include "tests/screens/settings/MenuSettingsFixture.h"
#include "ui/NavigationBar.h"

namespace menusettings_test {
namespace {

// Stands where the answering screen stands: it pushes the settings screen as the answering screen does
// (itself as delegate, isTest YES) and records what it is told.
class AnsweringHost : public ui::ViewController, public AnsweringSettingsDelegate {
 public:
  std::vector<std::string> calls;
  void refreshView() override { calls.push_back("refreshView"); }
  void enableScreenLight(bool enable) override { calls.push_back(std::string("enableScreenLight:") + (enable ? "1" : "0")); }
};

class Settings : public MenuSettingsFixture {
 public:
  // The settings screen pushed in a navigation controller of its own, as the answering screen does it
  // (with `host` as delegate) or as the menu does it (without).
  SettingViewController& openSettings(bool fromAnswering) {
    openHome();  // the start settles (its overlays gone) before the test's own screens take the window
    waitForQuiet();
    host_ = std::make_shared<AnsweringHost>();
    host_->setTitle("答题");
    nav_ = std::make_shared<ui::NavigationController>(host_);
    h().setRoot(nav_);
    h().settle();
    auto screen = VDViewControllerFactory::shareFactory().instantiateViewControllerWithIdentifier("softSetting");
    auto* settings = dynamic_cast<SettingViewController*>(screen.get());
    EXPECT_NE(settings, nullptr);
    if (fromAnswering) {
      auto* answering = dynamic_cast<AnsweringSettingsScreen*>(screen.get());
      answering->setDelegate(host_->weakAs<AnsweringSettingsDelegate>());
      answering->setIsTest(true);
    }
    nav_->pushViewController(screen, true);
    h().settle();
    return *settings;
  }
  void TearDown() override {
    now_.reset();
    loopback().network().setStatus(2);
    VDLogHelper::resetSharedInstance();
    MenuSettingsFixture::TearDown();
  }
  bool tapRow(SettingViewController& s, int row) {
    const bool took = h().tapRow(*s.tableView(), {0, row});
    h().settle();
    return took;
  }
  bool goBack() {
    ui::BarButtonView* back = nav_->navigationBar().backButtonView();
    if (!back) return false;
    const bool took = h().tap(*back);
    h().settle();
    return took;
  }
  // The value saved in the defaults file (not what the defaults hold in memory).
  static core::Value saved(const char* key) {
    core::UserDefaults file(core::UserDefaults::standard().path());
    return file.objectForKey(key);
  }

  std::shared_ptr<AnsweringHost> host_;
  std::shared_ptr<ui::NavigationController> nav_;
};

TEST_F(Settings, LabelsAndSwitchesFollowTheStoredSettings) {
  struct Case {
    core::Value fontSize, light, night;
    const char* fontLabel;
    const char* lightLabel;
    const char* nightLabel;
  };
  const Case cases[] = {
      {core::Value(), core::Value(), core::Value(), "当前字体大小为：中号（默认）", "当前设置：屏幕不常亮", "当前设置：白天"},
      {core::Value("中号"), core::Value(0), core::Value(0), "当前字体大小为：中号（默认）", "当前设置：屏幕不常亮",
       "当前设置：白天"},
      {core::Value("特大"), core::Value(1), core::Value(1), "当前字体大小为：特大", "当前设置：屏幕常亮", "当前设置：夜间"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fontLabel);
    auto& defaults = core::UserDefaults::standard();
    defaults.setObject(SettingDefaults::kFontSizeKey, c.fontSize);
    defaults.setObject(SettingDefaults::kScreenAlwaysLightKey, c.light);
    defaults.setObject(SettingDefaults::kNightModeKey, c.night);
    SettingViewController& s = openSettings(false);
    EXPECT_EQ(s.lblFontSize()->text(), c.fontLabel);
    EXPECT_EQ(s.lblScreenLight()->text(), c.lightLabel);
    EXPECT_EQ(s.lblNightMode()->text(), c.nightLabel);
    EXPECT_EQ(s.switchScreenLight()->isOn(), c.light.toBool());
    EXPECT_EQ(s.switchNightMode()->isOn(), c.night.toBool());
  }
}

// The switches write 1 / 0; the reset restores the three defaults and saves them at once.
TEST_F(Settings, SwitchesWriteTheirNumbersAndTheResetRestoresAndSaves) {
  SettingViewController& s = openSettings(false);
  ASSERT_TRUE(h().tap(*s.switchScreenLight()));
  ASSERT_TRUE(h().tap(*s.switchNightMode()));
  EXPECT_EQ(s.lblScreenLight()->text(), "当前设置：屏幕常亮");
  EXPECT_EQ(s.lblNightMode()->text(), "当前设置：夜间");
  auto& defaults = core::UserDefaults::standard();
  EXPECT_EQ(defaults.objectForKey("isScreenAlwaysLight"), core::Value(1));
  EXPECT_EQ(defaults.objectForKey("isNightMode"), core::Value(1));

  ASSERT_TRUE(h().tap(*s.switchNightMode()));
  EXPECT_EQ(defaults.objectForKey("isNightMode"), core::Value(0));
  EXPECT_EQ(s.lblNightMode()->text(), "当前设置：白天");

  ASSERT_TRUE(tapRow(s, 4));  // from the menu, row 4 resets
  EXPECT_EQ(s.lblFontSize()->text(), "当前字体大小为：中号（默认)");
  EXPECT_EQ(s.lblScreenLight()->text(), "当前设置：屏幕不常亮");
  EXPECT_EQ(s.lblNightMode()->text(), "当前设置：白天");
  EXPECT_FALSE(s.switchScreenLight()->isOn());
  EXPECT_FALSE(s.switchNightMode()->isOn());
  EXPECT_EQ(saved("isScreenAlwaysLight"), core::Value(0));
  EXPECT_EQ(saved("fontSize"), core::Value("中号"));
  EXPECT_EQ(saved("isNightMode"), core::Value(0));

  // Opened again, the label is made from the stored size.
  SettingViewController& again = openSettings(false);
  EXPECT_EQ(again.lblFontSize()->text(), "当前字体大小为：中号（默认）");
}

TEST_F(Settings, SwitchChangesAreSavedWhenTheScreenGoesAway) {
  SettingViewController& s = openSettings(false);
  ASSERT_TRUE(h().tap(*s.switchScreenLight()));
  ASSERT_TRUE(goBack());
  EXPECT_EQ(saved("isScreenAlwaysLight"), core::Value(1));
}

TEST_F(Settings, FromTheAnsweringScreenFourRowsAndRowThreeResets) {
  core::UserDefaults::standard().setObject("fontSize", core::Value("超大"));
  SettingViewController& s = openSettings(true);
  EXPECT_EQ(s.tableView()->numberOfRowsInSection(0), 4);
  EXPECT_TRUE(s.chongzuoView()->isHidden());
  EXPECT_FALSE(s.hfLabel()->isHidden());
  server().clearJournal();
  ASSERT_TRUE(tapRow(s, 3));
  EXPECT_EQ(s.lblFontSize()->text(), "当前字体大小为：中号（默认)");
  EXPECT_EQ(SettingDefaults::fontSize(), "中号");
  settleRequests();
  EXPECT_TRUE(requests("1.0/json/query").empty());
}

TEST_F(Settings, FromTheMenuSixRowsRowThreeUpdatesAndRowFiveShowsTheTraffic) {
  installSampleBank();
  SettingViewController& s = openSettings(false);
  EXPECT_EQ(s.tableView()->numberOfRowsInSection(0), 6);
  EXPECT_FALSE(s.chongzuoView()->isHidden());
  EXPECT_TRUE(s.hfLabel()->isHidden());

  server().clearJournal();
  ASSERT_TRUE(tapRow(s, 3));
  settleRequests();
  // The whole bank is asked for again, as the menu's update.
  const auto queries = requests("1.0/json/query");
  ASSERT_EQ(queries.size(), 1u);
  EXPECT_EQ(JSONValue(queries[0]["body"].toString())["max_batchid"].toInt(), -1);
  const core::Value down = app().downSession();
  EXPECT_TRUE(down["isUpdateDB"].toBool());
  EXPECT_TRUE(down["isEvenMore"].toBool());
  EXPECT_TRUE(down["isHavefileName"].toBool());
  EXPECT_FALSE(down["Main"].toBool(true));
  EXPECT_FALSE(down["isFirstOpenMain"].toBool(true));
  while (h().alert()) {
    ASSERT_TRUE(h().press(h().alert()->buttonTitleAtIndex(0)));
    h().settle();
  }

  ASSERT_TRUE(tapRow(s, 5));
  EXPECT_EQ(top(), "NetCounterViewController");
}

// Going into the font-size screen and back tells the answering screen nothing; leaving the settings
// screen tells it once, refreshView first, with the switch's state.
TEST_F(Settings, TheAnsweringScreenIsToldOnlyWhenTheUserLeaves) {
  SettingViewController& s = openSettings(true);
  ASSERT_TRUE(h().tap(*s.switchScreenLight()));
  ASSERT_TRUE(tapRow(s, 0));
  EXPECT_EQ(top(), "FontSizeViewController");
  ASSERT_TRUE(goBack());
  EXPECT_EQ(top(), "SettingViewController");
  EXPECT_TRUE(host_->calls.empty());
  ASSERT_TRUE(goBack());
  EXPECT_EQ(host_->calls, (std::vector<std::string>{"refreshView", "enableScreenLight:1"}));
}

TEST_F(Settings, FontSizeScreenChecksTheCurrentSizeAndStoresTheChoice) {
  core::UserDefaults::standard().setObject("fontSize", core::Value("特大"));
  SettingViewController& s = openSettings(false);
  ASSERT_TRUE(tapRow(s, 0));
  auto* font = dynamic_cast<FontSizeViewController*>(h().topScreen());
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->title(), "字体大小");
  auto marks = [font] {
    std::vector<std::string> checked;
    for (ui::TableViewCell* cell : font->tableView()->visibleCells())
      if (cell->accessoryType() == ui::TableViewCellAccessoryType::Checkmark)
        checked.push_back(cell->textLabel()->text());
    return checked;
  };
  ASSERT_EQ(font->tableView()->numberOfRowsInSection(0), 5);
  EXPECT_EQ(marks(), std::vector<std::string>{"特大"});
  EXPECT_EQ(font->tableView()->cellForRowAtIndexPath({0, 1})->reuseIdentifier(), "row1");

  ASSERT_TRUE(h().tapRow(*font->tableView(), {0, 1}));  // "中号"
  h().settle();
  EXPECT_EQ(top(), "FontSizeViewController");
  EXPECT_EQ(marks(), std::vector<std::string>{"中号"});
  EXPECT_EQ(SettingDefaults::fontSize(), "中号");
  ASSERT_TRUE(goBack());
  // The label says what was chosen, without "（默认）", until the settings screen loads again.
  EXPECT_EQ(s.lblFontSize()->text(), "当前字体大小为：中号");
  EXPECT_EQ(saved("fontSize"), core::Value("中号"));
}

TEST_F(Settings, TrafficFiguresTurnToMegabytesAbove1024Kilobytes) {
  struct Case {
    std::int64_t bytes;
    const char* shown;
  };
  const Case cases[] = {{0, "0.00 KB"},           {512, "0.50 KB"},           {1048576, "1024.00 KB"},
                        {1048577, "1.00 MB"},     {5 * 1048576 + 524288, "5.50 MB"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    EXPECT_EQ(NetCounterViewController::formatBytes(c.bytes), c.shown);
  }
}

TEST_F(Settings, TrafficScreenShowsTodayAndThisMonthAndKeepsTheSwitch) {
  // A fixed "now" (2026-03-15 12:00 UTC), counted as the counter counts on a mobile network.
  const core::Date now{1773576000.0};
  now_ = now;
  loopback().network().setStatus(1);
  VDLogHelper::resetSharedInstance();
  auto log = VDLogHelper::sharedInstance();
  log->saveDay(core::DateFormatter::format(now, "yyyyMMdd"), 1048576);
  log->saveMon(core::DateFormatter::format(now, "yyyyMM"), 1048577);
  log->saveDay(core::DateFormatter::format(core::Date{now.secondsSince1970 - 3 * 86400}, "yyyyMMdd"), 99);
  loopback().network().setStatus(2);

  SettingViewController& s = openSettings(false);
  ASSERT_TRUE(tapRow(s, 5));
  auto* counter = dynamic_cast<NetCounterViewController*>(h().topScreen());
  ASSERT_NE(counter, nullptr);
  EXPECT_EQ(counter->title(), "流量统计");
  EXPECT_EQ(counter->lblDayCount()->text(), "1024.00 KB");
  EXPECT_EQ(counter->lblMonCount()->text(), "1.00 MB");
  EXPECT_FALSE(counter->switchEnable3gdown()->isOn());
  ASSERT_TRUE(h().tap(*counter->switchEnable3gdown()));
  EXPECT_EQ(core::UserDefaults::standard().objectForKey("isEnable3gdown"), core::Value(true));
  ASSERT_TRUE(goBack());
  EXPECT_EQ(saved("isEnable3gdown"), core::Value(true));
}

// The keep-lit choice: a window that can keep the desktop awake is told of the current state when it
// hooks in and of each change after; headless, the flag is all there is.
TEST_F(Settings, KeepingTheScreenLitReachesTheWindowsIdleInhibit) {
  ui::Application& application = h().app();
  std::vector<bool> told;
  application.setIdleTimerDisabled(true);
  application.setIdleInhibitHook([&told](bool inhibit) { told.push_back(inhibit); });
  application.setIdleTimerDisabled(true);
  application.setIdleTimerDisabled(false);
  application.setIdleInhibitHook({});
  application.setIdleTimerDisabled(true);
  EXPECT_EQ(told, (std::vector<bool>{true, false}));
  EXPECT_TRUE(application.isIdleTimerDisabled());
}

}  // namespace
}  // namespace menusettings_test
