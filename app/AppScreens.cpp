// The registration of the application shell's own screens (declared in app/VDViewControllerFactory.h).
// It lives apart from the factory, so the factory depends on no screen.

#include "app/DataManagementViewController.h"
#include "app/MainInterfaceViewController1.h"
#include "app/PlaceholderViewController.h"
#include "app/UpdateSoftwareViewController.h"
#include "app/VDViewControllerFactory.h"

void registerAllScreens() {
  // Every identifier first shows a placeholder; the screens that are built then register their own
  // class in place of it.
  for (const std::string& id : allScreenIdentifiers()) {
    VDViewControllerFactory::registerScreen(id, [id](const std::string& storyboard) {
      return std::make_shared<PlaceholderViewController>(id, storyboard);
    });
  }
  MainInterfaceViewController1::registerScreen();   // "sidebar": the home screen
  UpdateSoftwareViewController::registerScreen();   // "updateSoftware": the content-update panel
  DataManagementViewController::registerScreen();   // "dataManagement": data clearing
}
