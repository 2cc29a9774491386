#include "service/System.h"

#include <cmath>

#include "dao/SystemDAO.h"
#include "librarys/http/HTTPRequest.h"
#include "librarys/json/JsonWriter.h"
#include "platform/core/Bundle.h"
#include "platform/core/URL.h"
#include "service/AbstractService.h"
#include "service/ApiClientSupport.h"
#include "service/ServerConfig.h"
#include "service/SystemService.h"

namespace {

using apiclient::reporting;

// A synchronous request's URL: the base, the path (its segments escaped already) and the rest of the
// text escaped once, as the asynchronous GET would send it.
std::string syncMainURL(const std::string& path) {
  return AbstractService::escapeURLOnce(ServerConfig::current().mainURL(path));
}

// Calls the delegate's callback on the calling thread: false and null without a reply.
void reportNow(const std::weak_ptr<SystemDelegate>& weak, apiclient::Rule rule,
               void (SystemDelegate::*callback)(bool, const core::Value&), const core::Value& reply) {
  std::shared_ptr<SystemDelegate> delegate = weak.lock();
  if (!delegate) return;
  ((*delegate).*callback)(!reply.isNil() && apiclient::withinLimits(reply) && rule(reply), reply);
}

}  // namespace

std::shared_ptr<SystemService> System::systemService() const {
  std::lock_guard guard(mutex_);
  return systemService_;
}

std::shared_ptr<SystemService> System::newService() {
  auto service = std::make_shared<SystemService>();
  std::lock_guard guard(mutex_);
  systemService_ = service;
  return service;
}

void System::getQuote() {
  core::Value reply = newService()->getQuote(syncMainURL("1.0/json/sys/Quote"));
  reportNow(delegate, apiclient::bodyNonEmpty, &SystemDelegate::didGetQuote, reply);
}

void System::getQuoteAsynchronous() {
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::bodyNonEmpty, &SystemDelegate::didGetQuote));
  service->getQuoteAsynchronous(ServerConfig::current().mainURL("1.0/json/sys/Quote"));
}

void System::getAppENameAndQuoteEName(const std::string& searchText) {
  core::Value reply = newService()->getAppENameAndQuoteEName(
      syncMainURL(apiclient::path("1.0/json/sys/GetAppENameAndQuoteEName/%@", {searchText})));
  reportNow(delegate, apiclient::bodyNonEmpty, &SystemDelegate::didGetAppENameAndQuoteEName, reply);
}

void System::getQuoteInBackground() {
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::bodyNonEmpty, &SystemDelegate::didGetQuote));
  service->doGetRequest(ServerConfig::current().mainURL("1.0/json/sys/Quote"), false);
}

void System::getAppENameAndQuoteENameInBackground(const std::string& searchText) {
  auto service = newService();
  service->setFinishedBlock(reporting(weak_from_this().lock(), apiclient::bodyNonEmpty,
                                      &SystemDelegate::didGetAppENameAndQuoteEName));
  service->doGetRequest(ServerConfig::current().mainURL(
                            apiclient::path("1.0/json/sys/GetAppENameAndQuoteEName/%@", {searchText})),
                        false);
}

void System::getQuoteProduct(const std::string& series) {
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::bodyNonEmpty, &SystemDelegate::didGetQuoteProduct));
  service->getQuoteProduct(
      ServerConfig::current().mainURL(apiclient::path("1.0/json/sys/GetQuoteProductByCounts/%@", {series})));
}

void System::statistics(const std::string& bank) {
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::bodyNonEmpty, &SystemDelegate::didStatistics));
  service->getStatistics(
      ServerConfig::current().mainURL(apiclient::path("1.0/json/sys/Statistics/%@", {bank})));
}

void System::getServiceAnnouncement(const std::string& version, const std::string& quoteName) {
  // The request keeps this service until the reply; no property does.
  auto service = std::make_shared<AbstractService>();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::bodyPresent, &SystemDelegate::didServiceAnnouncement));
  service->doGetRequest(ServerConfig::current().mainURL(
                            apiclient::path("1.0/json/sys/GetAnnouncement/%@/%@", {version, quoteName})),
                        true);
}

void System::getAppVersion(const std::string& x) {
  core::Value reply =
      newService()->getAppVersion(syncMainURL(apiclient::path("1.0/json/sys/GetAppVersion_IPhone/%@", {x})));
  reportNow(delegate, apiclient::bodyPresent, &SystemDelegate::didGetAppVersion, reply);
}

void System::getTestLibraryVersion(const std::string& x) {
  core::Value reply = newService()->getTestLibraryVersion(
      syncMainURL(apiclient::path("1.0/json/sys/GetTestLibraryVersion_Android/%@", {x})));
  reportNow(delegate, apiclient::bodyPresent, &SystemDelegate::didGetTestLibraryVersion, reply);
}

float System::getNetDBVersion(const std::string& x) {
  return static_cast<float>(newService()->getDBVersion(
      syncMainURL(apiclient::path("1.0/json/sys/GetTestLibraryVersion_Android/%@", {x}))));
}

float System::getLocalDBVersion(const core::Value& x) { return SystemDAO("").getDBVersion(x); }

std::int64_t System::appVersionNumber(const std::string& shortVersion) {
  std::string digits;
  for (char c : shortVersion) {
    if (c != '.') digits += c;
  }
  return core::Value(digits).toInt(0);
}

std::string System::updateQueryJson(const std::string& bank, std::int64_t maxBatchId) {
  core::Value request = core::Value::newDictionary();
  request.set("app_ename", bank);
  request.set("app_version", appVersionNumber(core::Bundle::main().shortVersion()));
  request.set("client_type", 3);
  request.set("max_batchid", maxBatchId);
  JsonWriter writer;
  return writer.stringWithObject(request).value_or("");
}

void System::query(const std::string& bank, std::int64_t maxBatchId) {
  auto service = newService();
  service->setFinishedBlock(
      apiclient::holding<System>(weak_from_this().lock(), [](System& self, const core::Value& reply) {
        std::shared_ptr<SystemDelegate> delegate = self.delegate.lock();
        if (!delegate) return;
        if (reply.isNil()) {
          delegate->didQuery(false, core::Value());
          return;
        }
        // Readers of the reply walk "update_list" without checking it: a missing or null list is an empty
        // one.
        if (reply.isDictionary() && reply["update_list"].isNilOrNull()) {
          core::Value(reply).set("update_list", core::Value::newArray());
        }
        delegate->didQuery(true, reply);
      }));
  service->doPostQuery(ServerConfig::current().updateURL("1.0/json/query"),
                       updateQueryJson(bank, maxBatchId));
}

core::Value System::querySyn(const std::string& bank, std::int64_t maxBatchId) {
  return newService()->doPostSynchronousQuery(ServerConfig::current().updateURL("1.0/json/query"),
                                              updateQueryJson(bank, maxBatchId));
}

void System::sentErrorLog(const std::string& json) {
  newService()->doPostSentErrorLog(ServerConfig::current().mainURL("1.0/json/sys/Log"), json);
}

bool System::sentErrorLog(const std::string& json, double timeoutSeconds) {
  if (!std::isfinite(timeoutSeconds) || timeoutSeconds <= 0)
    timeoutSeconds = AbstractService::kTimeOutSeconds;
  return newService()->doPostSentErrorLog(ServerConfig::current().mainURL("1.0/json/sys/Log"), json,
                                          timeoutSeconds);
}

core::Value System::testJiami() {
  core::Value packet = core::Value::newDictionary();
  packet.set("id", 7);
  packet.set("app_ename", "GKSample");
  packet.set("client_type", 3);
  packet.set("packe_type", 1);
  packet.set("packege_url", "http://127.0.0.1:8080/packets/GKSample_up_2_3.db");
  packet.set("max_batchid", 37);
  packet.set("alow_min_batchid", 1);
  packet.set("alow_min_appversion", 1);
  packet.set("publish_time", "2013-7-10");
  packet.set("update_content", "加密测试");
  core::Value reply = core::Value::newDictionary();
  reply.set("status", 0);
  reply.set("message", "");
  reply.set("update_list", core::Value(core::Array{packet}));
  return reply;
}
