#pragma once
// SettingDefaults: the display settings the user picks on the settings screen, kept in the user
// defaults and read by the question pages and the answering screen.
//
//   "fontSize"             the question text size: "小号", "中号", "大号", "特大" or "超大" ("" when never
//                          chosen: the page's own size)
//   "isNightMode"          the night style (dark page background)
//   "isScreenAlwaysLight"  the screen stays lit while the answering screen shows
//
// Main thread, like the user defaults it reads.

#include <string>

class SettingDefaults {
 public:
  static constexpr const char* kFontSizeKey = "fontSize";
  static constexpr const char* kNightModeKey = "isNightMode";
  static constexpr const char* kScreenAlwaysLightKey = "isScreenAlwaysLight";

  static std::string fontSize();
  static void setFontSize(const std::string& size);
  static bool isNightMode();
  static void setNightMode(bool night);
  static bool isScreenAlwaysLight();
  static void setScreenAlwaysLight(bool alwaysLight);
};
