// The registration of the application shell's own screens (declared in app/VDViewControllerFactory.h).
// It lives apart from the factory, so the factory depends on no screen.

#include "app/DataManagementViewController.h"
#include "app/MainInterfaceViewController1.h"
#include "app/UpdateSoftwareViewController.h"
#include "app/VDViewControllerFactory.h"

void registerAllScreens() {
  // A clean slate: what was registered before (another area's screens, a test's stand-in) goes.
  for (const std::string& id : allScreenIdentifiers()) VDViewControllerFactory::unregisterScreen(id);
  MainInterfaceViewController1::registerScreen();  // "sidebar": the home screen
  UpdateSoftwareViewController::registerScreen();  // "updateSoftware": the content-update panel
  DataManagementViewController::registerScreen();  // "dataManagement": data clearing
}
