#include "screens/home/HomeScreens.h"

#include "app/SidePanelContainer.h"
#include "screens/home/MainInterfaceViewController1.h"
#include "screens/home/SidePanelController.h"

void registerHomeScreens() {
  MainInterfaceViewController1::registerScreen();
  SidePanelContainer::registerMaker([](SidePanelContainer::BankCheck check) {
    auto panel = std::make_shared<SidePanelController>(std::move(check));
    return SidePanelContainer::Made{panel, panel.get()};
  });
}
