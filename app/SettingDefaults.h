#pragma once
// SettingDefaults: the display settings the user picks on the settings screen, kept in the standard
// user defaults and read by the question pages and the answering screen. Every key is absent until it is
// first written.
//
//   "fontSize"             string: the question text size, one of the five size words "小号", "中号",
//                          "大号", "特大", "超大" (the text of the chosen row); "" when never chosen (the
//                          page's own size). "中号" is what the reset writes.
//   "isScreenAlwaysLight"  integer 0 or 1: the screen stays lit while the answering screen shows
//   "isNightMode"          integer 0 or 1: the night style (dark page background)
//   "isEnable3gdown"       boolean: downloads allowed over the mobile network (the traffic screen's
//                          switch; nothing else reads it)
//
// The switches write without saving the defaults file (the next synchronise does); the reset writes
// its three defaults and saves at once. Main thread, like the user defaults it reads.

#include <array>
#include <string>

class SettingDefaults {
 public:
  static constexpr const char* kFontSizeKey = "fontSize";
  static constexpr const char* kNightModeKey = "isNightMode";
  static constexpr const char* kScreenAlwaysLightKey = "isScreenAlwaysLight";
  static constexpr const char* kEnable3gdownKey = "isEnable3gdown";
  // The five size words, smallest first, and the default the reset writes.
  static constexpr std::array<const char*, 5> kFontSizes = {"小号", "中号", "大号", "特大", "超大"};
  static constexpr const char* kDefaultFontSize = "中号";

  static std::string fontSize();
  static void setFontSize(const std::string& size);
  static bool isNightMode();
  static void setNightMode(bool night);
  static bool isScreenAlwaysLight();
  static void setScreenAlwaysLight(bool alwaysLight);
  static bool isEnable3gdown();
  static void setEnable3gdown(bool enable);
  // The reset: screen light 0, font size "中号", night mode 0; the defaults are saved.
  static void restoreDefaults();
};
