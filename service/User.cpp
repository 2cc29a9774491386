#include "service/User.h"

#include "service/AbstractService.h"
#include "service/ApiClientSupport.h"
#include "service/ServerConfig.h"
#include "service/ServiceShell.h"

namespace {

using apiclient::reporting;

// The login reply's "Body" is the user record that becomes the session's user: a record with a
// numeric "ID" and a text "UserName". Anything else (false, a text, a number, a record of another
// kind) is a refusal, whatever the server's "Message".
bool bodyIsUserRecord(const core::Value& reply) {
  if (!reply.isDictionary()) return false;
  const core::Value body = reply["Body"];
  return body.isDictionary() && body["ID"].isNumber() && body["UserName"].isString();
}

bool resultsPresent(const core::Value& reply) { return !reply["results"].isNull(); }

}  // namespace

std::shared_ptr<AbstractService> User::newService() {
  abstractService_ = std::make_shared<AbstractService>();
  return abstractService_;
}

void User::regist(const std::string& json) {
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::bodyIsTrue, &UserDelegate::didRegist));
  service->doPostRequest(ServerConfig::current().mainURL("1.0/json/User/regist"), json, true);
}

void User::login(const std::string& json) {
  auto service = newService();
  service->setFinishedBlock(reporting(weak_from_this().lock(), bodyIsUserRecord, &UserDelegate::didLogin));
  service->doPostRequest(ServerConfig::current().mainURL("1.0/json/User/login"), json, true);
}

void User::appInfo(const std::string& bank) {
  auto loggedIn = serviceShell().isLoggedIn;
  const char* format = loggedIn && loggedIn() ? "1.0/json/user/SoftInfo/%@" : "1.0/json/user/AppInfo/%@";
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::bodyPresent, &UserDelegate::didAppInfo));
  service->doGetRequest(ServerConfig::current().mainURL(apiclient::path(format, {bank})), false);
}

void User::GetPrimary() {
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::bodyIsTrue, &UserDelegate::didGetPrimary));
  service->doGetRequest(ServerConfig::current().mainURL("1.0/json/user/GetPrimary"), false);
}

void User::CancelTel() {
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::bodyIsTrue, &UserDelegate::didCancelTel));
  service->doGetRequest(ServerConfig::current().mainURL("1.0/json/user/CancelTel"), false);
}

void User::reSendEmail(const std::string& json) {
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::bodyIsTrue, &UserDelegate::didReSendEmail));
  service->doPostRequest(ServerConfig::current().mainURL("1.0/json/user/ReSendEmail"), json, false);
}

void User::motifyPassword(const std::string& json) {
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::bodyIsTrue, &UserDelegate::didMotifyPassword));
  service->doPostRequest(ServerConfig::current().mainURL("1.0/json/user/MotifyPassword"), json, false);
}

void User::checkNewUsername(const std::string& text, const std::string& type) {
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::bodyIsTrue, &UserDelegate::didCheckNewUsername));
  service->doGetRequest(
      ServerConfig::current().mainURL(apiclient::path("1.0/json/user/CheckNewUsername/%@/%@", {text, type})),
      false);
}

void User::checkSMSCode(const std::string& code) {
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::bodyIsTrue, &UserDelegate::didCheckSMSCode));
  service->doGetRequest(
      ServerConfig::current().mainURL(apiclient::path("1.0/json/sys/CheckSMSCode/%@", {code})), false);
}

void User::getApplyForVerification(const std::string& tel) {
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::bodyIsTrue, &UserDelegate::didApplyForVerification));
  service->doGetRequest(
      ServerConfig::current().mainURL(apiclient::path("1.0/json/sys/ApplyForVerification/%@", {tel})), false);
}

void User::feedback(const std::string& json) {
  auto service = newService();
  service->setClientType(std::string(AbstractService::kClientType));
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::bodyIsTrue, &UserDelegate::didFeedback));
  service->doPostRequest(ServerConfig::current().mainURL("1.0/json/user/UserSuggestion"), json, true);
}

void User::findPassword(const std::string& account) {
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::bodyIsTrue, &UserDelegate::didFindPassword));
  service->doGetRequest(
      ServerConfig::current().mainURL(apiclient::path("1.0/json/User/FindPassword/%@/a", {account})), true);
}

void User::getVeritifyCodeGetGuid() {
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::successTrue, &UserDelegate::didgetVeritifyCodeGetGuid));
  service->doGetRequest(ServerConfig::current().verificationCodeURL("VerificationCode/CreateGuid"), true);
}

void User::getVeritifyCodeGetImage(const std::string& guid) {
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::successTrue, &UserDelegate::didVeritifyCodeGetImage));
  service->doGetRequest(ServerConfig::current().verificationCodeURL(
                            "VerificationCode/CreateVerificationCode/?guid=" + apiclient::queryValue(guid)),
                        true);
}

void User::postVeritifyCodeGetCode(const std::string& guid, const std::string& code, const std::string& tel) {
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::bodyIsTrue, &UserDelegate::didVerifyCode));
  service->doGetRequest(ServerConfig::current().verificationCodeURL(
                            "Verify/VerifyCode?guidCode=" + apiclient::queryValue(guid) +
                            "&verifyCode=" + apiclient::queryValue(code) +
                            "&Tel=" + apiclient::queryValue(tel) + "&ClientType=iphone"),
                        true);
}

void User::checkAppVersion() {
  if (appStoreLookupURL.empty()) {
    abstractService_.reset();
    apiclient::postToMain([weak = delegate] {
      if (auto d = weak.lock()) d->didCheckAppVersion(false, core::Value());
    });
    return;
  }
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), resultsPresent, &UserDelegate::didCheckAppVersion));
  const char joiner = appStoreLookupURL.find('?') == std::string::npos ? '?' : '&';
  service->doGetRequest(appStoreLookupURL + joiner + "country=cn", false);
}
