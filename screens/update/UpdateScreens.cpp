#include "screens/update/UpdateScreens.h"

#include "screens/update/DataManagementViewController.h"
#include "screens/update/UpdateSoftwareViewController.h"

void registerUpdateScreens() {
  UpdateSoftwareViewController::registerScreen();
  DataManagementViewController::registerScreen();
}
