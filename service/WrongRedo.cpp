#include "service/WrongRedo.h"

#include "platform/core/Bundle.h"
#include "platform/core/Saturating.h"
#include "service/ApiClientSupport.h"
#include "service/ServerConfig.h"
#include "service/WrongRedoService.h"

namespace {

using apiclient::reporting;

std::string errortest(const char* format, std::initializer_list<std::string_view> segments) {
  return ServerConfig::current().mainURL(
      apiclient::path(std::string("1.0/json/exam/errortest/") + format, segments));
}

// Synchronous requests take their URL as it is: escaped here the way the asynchronous GET would.
std::string syncURL(const std::string& url) { return AbstractService::escapeURLOnce(url); }

void reportNow(const WrongRedo& client, apiclient::Rule rule,
               void (WrongRedoDelegate::*callback)(bool, const core::Value&), const core::Value& reply) {
  std::shared_ptr<WrongRedoDelegate> delegate = client.delegate.lock();
  if (!delegate) return;
  ((*delegate).*callback)(!reply.isNil() && rule(reply), reply);
}

}  // namespace

bool WrongRedo::valuesAddUp(const core::Value& reply) {
  std::int64_t sum = 0;
  core::Value body = reply["Body"];
  if (body.isArray()) {
    // Counts from the server may be anything: the sum stops at the ends of the range.
    for (const core::Value& entry : body.array()) sum = core::satAdd(sum, entry["Value"].toInt(0));
  }
  return sum != 0;
}

std::shared_ptr<WrongRedoService> WrongRedo::newService() {
  wrongRedoService_ = std::make_shared<WrongRedoService>();
  return wrongRedoService_;
}

void WrongRedo::subjectInfoListForSynchronous(const std::string& bank) {
  core::Value reply =
      newService()->getSubjectInfoListForSynchronous(syncURL(errortest("subjectinfolist/%@", {bank})));
  reportNow(*this, apiclient::bodyNonEmpty, &WrongRedoDelegate::didSubjectInfoList, reply);
}

void WrongRedo::getListToTimeForSynchronous(const std::string& bank) {
  core::Value reply =
      newService()->getListToTimeForSynchronous(syncURL(errortest("GetListToTime/%@", {bank})));
  reportNow(*this, valuesAddUp, &WrongRedoDelegate::didGetListToTime, reply);
}

void WrongRedo::getListToErrorCountForSynchronous(const std::string& bank) {
  core::Value reply =
      newService()->getListToErrorCountForSynchronous(syncURL(errortest("GetListToErrorCount/%@", {bank})));
  reportNow(*this, valuesAddUp, &WrongRedoDelegate::didGetListToErrorCount, reply);
}

void WrongRedo::subjectInfoListInBackground(const std::string& bank) {
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::bodyNonEmpty, &WrongRedoDelegate::didSubjectInfoList));
  service->doGetRequest(errortest("subjectinfolist/%@", {bank}), false);
}

void WrongRedo::getListToTimeInBackground(const std::string& bank) {
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), valuesAddUp, &WrongRedoDelegate::didGetListToTime));
  service->doGetRequest(errortest("GetListToTime/%@", {bank}), false);
}

void WrongRedo::getListToErrorCountInBackground(const std::string& bank) {
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), valuesAddUp, &WrongRedoDelegate::didGetListToErrorCount));
  service->doGetRequest(errortest("GetListToErrorCount/%@", {bank}), false);
}

void WrongRedo::subjectInfoList(const std::string& bank) {
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::bodyNonEmpty, &WrongRedoDelegate::didSubjectInfoList));
  service->getSubjectInfoList(errortest("subjectinfolist/%@", {bank}));
}

void WrongRedo::getListToTime(const std::string& bank) {
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::bodyNonEmpty, &WrongRedoDelegate::didGetListToTime));
  service->getListToTime(errortest("GetListToTime/%@", {bank}));
}

void WrongRedo::getListToErrorCount(const std::string& bank) {
  auto service = newService();
  service->setFinishedBlock(reporting(weak_from_this().lock(), apiclient::bodyNonEmpty,
                                      &WrongRedoDelegate::didGetListToErrorCount));
  service->getListToErrorCount(errortest("GetListToErrorCount/%@", {bank}));
}

void WrongRedo::testToSbjIds(const std::string& bank, const std::string& pageSize,
                             const std::string& pageIndex, const std::string& sbjids) {
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::bodyPresent, &WrongRedoDelegate::didGetTests));
  service->getTestToSbjIds(errortest("TestToSbjIds/%@/%@/%@/%@", {bank, pageSize, pageIndex, sbjids}));
}

void WrongRedo::testToTime(const std::string& bank, const std::string& pageSize, const std::string& pageIndex,
                           const std::string& timeSymbol) {
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::bodyPresent, &WrongRedoDelegate::didGetTests));
  service->getTestToTime(errortest("TestToTime/%@/%@/%@/%@", {bank, pageSize, pageIndex, timeSymbol}));
}

void WrongRedo::testToErrorCount(const std::string& bank, const std::string& pageSize,
                                 const std::string& pageIndex, const std::string& numSymbol) {
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::bodyPresent, &WrongRedoDelegate::didGetTests));
  service->getTestToErrorCount(
      errortest("TestToErrorCount/%@/%@/%@/%@", {bank, pageSize, pageIndex, numSymbol}));
}

void WrongRedo::removeToAllTestIDs(const std::string& bank, const core::Value& errIds) {
  auto service = newService();
  service->setFinishedBlock(
      reporting(weak_from_this().lock(), apiclient::bodyTrue, &WrongRedoDelegate::didRemoveToAllTestIDs));
  service->removeToAllTestIDs(errortest("RemoveToAllTestIDs/%@/%@", {bank, apiclient::uniqueIdList(errIds)}));
}

void WrongRedo::errorTestRank(const std::string& bank) {
  auto service = newService();
  service->setFinishedBlock(
      apiclient::holding<WrongRedo>(weak_from_this().lock(), [](WrongRedo& self, const core::Value& reply) {
        std::shared_ptr<WrongRedoDelegate> delegate = self.delegate.lock();
        if (!delegate) return;
        if (reply.isNil()) {
          delegate->didErrorTestRank(false, core::Value());
          return;
        }
        if (reply["Body"].isNull()) {
          core::Value(reply).set("Message", core::Bundle::main().localizedString("nodataMessage"));
          delegate->didErrorTestRank(false, reply);
          return;
        }
        delegate->didErrorTestRank(apiclient::bodyHasName(reply), reply);
      }));
  service->getErrorTestRank(
      ServerConfig::current().mainURL(apiclient::path("1.0/json/exam/GetErrorTestRank/%@", {bank})));
}
