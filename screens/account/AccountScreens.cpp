#include "screens/account/AccountScreens.h"

#include <algorithm>

#include "app/VDViewControllerFactory.h"
#include "screens/account/LoginViewController.h"
#include "screens/account/PasswordSettingViewController.h"
#include "screens/account/PersonalDataViewController.h"
#include "screens/account/SMSNotifierViewController.h"
#include "ui/NavigationController.h"

namespace {

AccountScreenMaker& findPasswordMaker() {
  static AccountScreenMaker maker;
  return maker;
}

template <class Screen>
void registerScreen(const char* identifier) {
  VDViewControllerFactory::registerScreen(identifier,
                                          [](const std::string&) { return std::make_shared<Screen>(); });
}

}  // namespace

void registerAccountScreens() {
  registerScreen<LoginViewController>(LoginViewController::kIdentifier);
  registerScreen<PersonalDataViewController>(PersonalDataViewController::kIdentifier);
  registerScreen<PasswordSettingViewController>(PasswordSettingViewController::kIdentifier);
  registerScreen<SMSNotifierViewController>(SMSNotifierViewController::kIdentifier);
}

void leaveScreen(ui::ViewController& screen) {
  if (screen.rootAncestor()->presentingViewController()) {
    screen.dismissViewController(true);
    return;
  }
  ui::NavigationController* nav = screen.navigationController();
  if (!nav) return;
  const auto& stack = nav->viewControllers();
  if (stack.size() > 1 && stack.back().get() == &screen) nav->popViewController(true);
}

void setFindPasswordScreenMaker(AccountScreenMaker maker) { findPasswordMaker() = std::move(maker); }

std::shared_ptr<ui::ViewController> makeFindPasswordScreen() {
  const AccountScreenMaker& maker = findPasswordMaker();
  return maker ? maker() : nullptr;
}
