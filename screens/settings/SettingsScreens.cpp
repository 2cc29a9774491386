#include "screens/settings/SettingsScreens.h"

#include "app/VDViewControllerFactory.h"
#include "screens/settings/EvenMoreViewController.h"
#include "screens/settings/FontSizeViewController.h"
#include "screens/settings/NetCounterViewController.h"
#include "screens/settings/SettingViewController.h"

namespace {

template <class Screen>
void registerScreen(const char* identifier) {
  VDViewControllerFactory::registerScreen(identifier,
                                          [](const std::string&) { return std::make_shared<Screen>(); });
}

}  // namespace

void registerSettingsScreens() {
  registerScreen<EvenMoreViewController>(EvenMoreViewController::kIdentifier);
  registerScreen<SettingViewController>(SettingViewController::kIdentifier);
  registerScreen<FontSizeViewController>(FontSizeViewController::kIdentifier);
  registerScreen<NetCounterViewController>(NetCounterViewController::kIdentifier);
}
