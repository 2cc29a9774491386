#include "service/UserService.h"

void UserService::login(const std::string& url) { doGetRequest(url, true); }

void UserService::getFindPassword(const std::string& url) { doGetRequest(url, true); }

void UserService::doPostLogin(const std::string& url, const std::string& json) {
  doPostRequest(url, json, true);
}

void UserService::doPostRegiest(const std::string& url, const std::string& json) {
  doPostRequest(url, json, true);
}

void UserService::doPostAddUserSuggestion(const std::string& url, const std::string& json) {
  doPostRequest(url, json, true);
}

core::Value UserService::getAppInfo(const std::string& url) { return doGetSynchronousRequest(url); }
