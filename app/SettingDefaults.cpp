#include "app/SettingDefaults.h"

#include "platform/core/UserDefaults.h"

namespace {
core::UserDefaults& defaults() { return core::UserDefaults::standard(); }

// The two on/off settings are stored as the numbers 0 and 1; a boolean written by an older build reads
// the same.
bool flag(const char* key) { return defaults().boolForKey(key); }
}  // namespace

std::string SettingDefaults::fontSize() { return defaults().stringForKey(kFontSizeKey); }

void SettingDefaults::setFontSize(const std::string& size) { defaults().setObject(kFontSizeKey, core::Value(size)); }

bool SettingDefaults::isNightMode() { return flag(kNightModeKey); }

void SettingDefaults::setNightMode(bool night) { defaults().setInteger(kNightModeKey, night ? 1 : 0); }

bool SettingDefaults::isScreenAlwaysLight() { return flag(kScreenAlwaysLightKey); }

void SettingDefaults::setScreenAlwaysLight(bool alwaysLight) {
  defaults().setInteger(kScreenAlwaysLightKey, alwaysLight ? 1 : 0);
}

bool SettingDefaults::isEnable3gdown() { return defaults().boolForKey(kEnable3gdownKey); }

void SettingDefaults::setEnable3gdown(bool enable) { defaults().setBool(kEnable3gdownKey, enable); }

void SettingDefaults::restoreDefaults() {
  setScreenAlwaysLight(false);
  setFontSize(kDefaultFontSize);
  setNightMode(false);
  defaults().synchronize();
}
