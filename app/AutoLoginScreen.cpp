#include "app/AutoLoginScreen.h"

#include "app/AppDelegate.h"
#include "app/VDHelper.h"
#include "librarys/json/JsonWriter.h"

core::Value HeadlessLoginViewController::loginRequest(const std::string& userName,
                                                      const std::string& password) {
  core::Value request = core::Value::dictionary();
  request.set("AppEName", VDHelper::getSubjectEName());
  request.set("Group", 0);
  request.set("ID", 0);
  request.set("LoginCheckCode", VDHelper::macaddress().value_or(""));
  request.set("LoginCount", 0);
  request.set("Pwd", password);
  request.set("UserName", userName);
  return request;
}

void HeadlessLoginViewController::loginAction() {
  const auto body = JSONRepresentation(loginRequest(username_, password_));
  if (!body) return;
  userBll_ = std::make_shared<User>();
  userBll_->delegate = weakAs<UserDelegate>();
  userBll_->login(*body);
}

void HeadlessLoginViewController::didLogin(bool ok, const core::Value& json) {
  AppDelegate* app = VDHelper::getAppdelegate();
  if (!ok || !app || !json["Body"].isDictionary()) return;
  core::Value userInfo = json["Body"].deepCopy();
  userInfo.set("Pwd", password_);
  core::Value session = app->userSession();
  session.set("userInfo", userInfo);
  app->fireAutoLoginTimer();
  if (userInfo["LoginCount"].toInt() == 1) app->setIsfirstLogin(true);
  session.set("isUserLogout", false);
  // The application information of the subject, then back to the main screen.
  userBll_ = std::make_shared<User>();
  userBll_->delegate = weakAs<UserDelegate>();
  userBll_->appInfo(VDHelper::getSubjectEName());
}

void HeadlessLoginViewController::didAppInfo(bool ok, const core::Value& json) {
  // showMainVC replaces the screens that own this one: keep it alive until the call returns.
  auto self = shared_from_this();
  AppDelegate* app = VDHelper::getAppdelegate();
  if (!app) return;
  if (ok) app->userSession().set("appInfo", json["Body"]);
  VDHelper::showMainVC();
}
