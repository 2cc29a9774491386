#include "service/SimulationExam.h"

#include "dao/BankLocation.h"
#include "service/ApiClientSupport.h"
#include "service/ExamService.h"
#include "service/ServerConfig.h"

std::shared_ptr<ExamService> SimulationExam::examService() const {
  std::lock_guard guard(mutex_);
  return examService_;
}

std::shared_ptr<ExamService> SimulationExam::newService() {
  auto service = std::make_shared<ExamService>();
  std::lock_guard guard(mutex_);
  examService_ = service;
  return service;
}

void SimulationExam::getSbjsStyle(const std::string& sbjIds) {
  const std::string bank = BankLocation::value();
  if (bank.empty()) {
    apiclient::postToMain([self = weak_from_this().lock()] {
      if (!self) return;
      if (auto d = self->delegate.lock()) d->didGetSbjsStyle(false, core::Value());
    });
    return;
  }
  auto service = newService();
  service->setFinishedBlock(apiclient::reporting(weak_from_this().lock(), apiclient::bodyNonEmpty,
                                                 &SimulationExamDelegate::didGetSbjsStyle));
  service->getSbjsStyle(
      ServerConfig::current().mainURL(apiclient::path("1.0/json/exam/SbjsStyle/%@/%@", {bank, sbjIds})));
}

void SimulationExam::replylog(const std::string& json) {
  const std::string bank = BankLocation::value();
  if (bank.empty()) return;
  auto service = newService();
  service->setFinishedBlock([](const std::shared_ptr<AbstractService>&, const core::Value&) {});
  service->doPostReplylog(AbstractService::escapeURLOnce(ServerConfig::current().mainURL(
                              apiclient::path("1.0/json/exam/%@/replylog", {bank}))),
                          json);
}
