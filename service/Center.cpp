#include "service/Center.h"

#include "service/AbstractService.h"
#include "service/ApiClientSupport.h"
#include "service/ServerConfig.h"

using apiclient::reporting;

std::shared_ptr<AbstractService> Center::newService() {
  abstractService_ = std::make_shared<AbstractService>();
  return abstractService_;
}

core::Value Center::getPersonalDetails() {
  auto service = newService();
  core::Value reply = service->doGetSynchronousRequest(
      AbstractService::escapeURLOnce(ServerConfig::current().mainURL("1.0/json/user/GetPersonalDetails")));
  // Only a record is personal details: a null "Body", or one of another shape, is no answer.
  if (!reply.isDictionary() || !reply["Body"].isDictionary()) return core::Value();
  return reply;
}

void Center::setPersonalDetails(const std::string& json) {
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::bodyIsTrue, &CenterDelegate::didSetPersonalDetails));
  service->doPostRequest(ServerConfig::current().mainURL("1.0/json/user/SetPersonalDetails"), json, true);
}

void Center::getResetPassWord(const std::string& oldPassword, const std::string& newPassword) {
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::bodyIsTrue, &CenterDelegate::didResetPassWord));
  service->doGetRequest(ServerConfig::current().mainURL(
                            apiclient::path("1.0/json/user/ResetPassWord/%@/%@", {oldPassword, newPassword})),
                        true);
}

void Center::errorfeedback(const std::string& json) {
  // The only thing that sets a question-error report apart from general feedback is its Client-Type.
  // The request keeps this service until the reply; no property does.
  auto service = std::make_shared<AbstractService>();
  service->setClientType(std::string(kErrorReportClientType));
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::bodyIsTrue, &CenterDelegate::didErrorfeedback));
  service->doPostRequest(ServerConfig::current().mainURL("1.0/json/user/UserSuggestion"), json, true);
}

void Center::getSuggestion() {
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::bodyNonEmpty, &CenterDelegate::didGetSuggestion));
  service->doGetRequest(ServerConfig::current().mainURL("1.0/json/user/GetSuggestion"), true);
}

void Center::removeSuggestion(const std::string& bank, const std::string& suggestionId) {
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::bodyIsTrue, &CenterDelegate::didRemoveSuggestion));
  service->doGetRequest(ServerConfig::current().mainURL(
                            apiclient::path("1.0/json/user/RemoveSuggestion/%@/%@", {bank, suggestionId})),
                        true);
}
