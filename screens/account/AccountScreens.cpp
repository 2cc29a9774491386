#include "screens/account/AccountScreens.h"

#include <memory>
#include <string>

#include "app/VDViewControllerFactory.h"
#include "screens/account/AccountShared.h"
#include "screens/account/EmailVerifyViewController.h"
#include "screens/account/EmailWebViewController.h"
#include "screens/account/FindPassWord2ViewController.h"
#include "screens/account/LoginViewController.h"
#include "screens/account/MyCenterViewController.h"
#include "screens/account/PasswordSettingViewController.h"
#include "screens/account/PersonalDataViewController.h"
#include "screens/account/PhoneBindViewController.h"
#include "screens/account/PhoneBindViewController2.h"
#include "screens/account/RegistViewController1.h"
#include "screens/account/RegisterViewController.h"
#include "screens/account/SMSNotifierViewController.h"
#include "screens/account/SecuritySetupViewController.h"

namespace {

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
  registerScreen<RegisterViewController>(RegisterViewController::kIdentifier);
  registerScreen<RegistViewController1>(RegistViewController1::kIdentifier);
  registerScreen<EmailVerifyViewController>(EmailVerifyViewController::kIdentifier);
  registerScreen<EmailWebViewController>(EmailWebViewController::kIdentifier);
  registerScreen<PhoneBindViewController>(PhoneBindViewController::kIdentifier);
  registerScreen<PhoneBindViewController2>(PhoneBindViewController2::kIdentifier);
  registerScreen<MyCenterViewController>(MyCenterViewController::kIdentifier);
  registerScreen<SecuritySetupViewController>(SecuritySetupViewController::kIdentifier);
  // "找回密码" of the login screen: the recovery screen is made from its own interface, not by identifier.
  setFindPasswordScreenMaker([] { return std::make_shared<FindPassWord2ViewController>(); });
}
