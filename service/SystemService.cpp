#include "service/SystemService.h"

#include "librarys/http/HTTPRequest.h"

void SystemService::getQuoteAsynchronous(const std::string& url) { doGetRequest(url, true); }

void SystemService::getQuoteProduct(const std::string& url) { doGetRequest(url, true); }

void SystemService::getStatistics(const std::string& url) { doGetRequest(url, true); }

core::Value SystemService::getQuote(const std::string& url) { return doGetSynchronousRequest(url); }

core::Value SystemService::getAppENameAndQuoteEName(const std::string& url) {
  return doGetSynchronousRequest(url);
}

core::Value SystemService::getAppVersion(const std::string& url) { return doGetSynchronousRequest(url); }

core::Value SystemService::getTestLibraryVersion(const std::string& url) {
  return doGetSynchronousRequest(url);
}

core::Value SystemService::getServiceAnnouncement(const std::string& url) {
  return doGetSynchronousRequest(url);
}

double SystemService::getDBVersion(const std::string& url) {
  core::Value reply = doGetSynchronousRequest(url);
  if (!reply.isDictionary() || !reply.contains("Body")) return 0.0;
  core::Value body = reply["Body"];
  if (body.isNull()) return 1.0;
  return body.toDouble(0.0);
}

void SystemService::doPostQuery(const std::string& url, const std::string& json) {
  doPostRequest(url, json, true);
}

core::Value SystemService::doPostSynchronousQuery(const std::string& url, const std::string& json) {
  return doPostSynchronousRequest(url, json);
}

bool SystemService::doPostSentErrorLog(const std::string& url, const std::string& json,
                                       double timeoutSeconds) {
  doPostSynchronousRequest(url, json, timeoutSeconds);
  return httpRequest() && !httpRequest()->error();
}
