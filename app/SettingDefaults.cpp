#include "app/SettingDefaults.h"

#include "platform/core/UserDefaults.h"

namespace {
core::UserDefaults& defaults() { return core::UserDefaults::standard(); }
}  // namespace

std::string SettingDefaults::fontSize() { return defaults().stringForKey(kFontSizeKey); }

void SettingDefaults::setFontSize(const std::string& size) {
  defaults().setObject(kFontSizeKey, core::Value(size));
  defaults().synchronize();
}

bool SettingDefaults::isNightMode() { return defaults().boolForKey(kNightModeKey); }

void SettingDefaults::setNightMode(bool night) {
  defaults().setBool(kNightModeKey, night);
  defaults().synchronize();
}

bool SettingDefaults::isScreenAlwaysLight() { return defaults().boolForKey(kScreenAlwaysLightKey); }

void SettingDefaults::setScreenAlwaysLight(bool alwaysLight) {
  defaults().setBool(kScreenAlwaysLightKey, alwaysLight);
  defaults().synchronize();
}
