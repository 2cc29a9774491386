#include "service/ExamGuide.h"

#include "dao/ExamGuideDAO.h"
#include "platform/runloop/DispatchQueue.h"
#include "platform/runloop/TaskAndReply.h"
#include "service/ApiClientSupport.h"
#include "service/ExerciseService.h"
#include "service/ServerConfig.h"

namespace {

// Reads on the global queue and reports on the calling (main) thread: false and null without a
// result, else body-present and the result. The call holds its client (the reply's `keep`) until then.
void readLocally(std::shared_ptr<ExamGuide> client, std::function<core::Value()> read,
                 void (ExamGuideDelegate::*callback)(bool, const core::Value&)) {
  if (!client) return;
  std::weak_ptr<ExamGuide> owner = client;
  rl::postTaskAndReply(rl::DispatchQueue::global(), owner, std::move(read),
                       [keep = std::move(client), callback](ExamGuide& self, core::Value result) {
                         if (auto d = self.delegate.lock())
                           ((*d).*callback)(!result.isNil() && apiclient::bodyPresent(result), result);
                       });
}

}  // namespace

void ExamGuide::getExamGuide(const std::string& bank) {
  exerciseService_ = std::make_shared<ExerciseService>();
  exerciseService_->setFinishedBlock(apiclient::reporting(weak_from_this().lock(), apiclient::bodyNonEmpty,
                                                          &ExamGuideDelegate::didGetExamGuide));
  exerciseService_->getTestInfo(
      ServerConfig::current().mainURL(apiclient::path("1.0/json/exam/%@/GetTestInfo", {bank})));
}

void ExamGuide::getLocalExamGuide() {
  auto dao = std::make_shared<ExamGuideDAO>("");
  examGuideDao_ = dao;
  readLocally(
      weak_from_this().lock(), [dao] { return dao->getExamGuideList(); },
      &ExamGuideDelegate::didGetExamGuide);
}

void ExamGuide::getExamGuideContent(const std::string& bank, const std::string& title) {
  exerciseService_ = std::make_shared<ExerciseService>();
  exerciseService_->setFinishedBlock(apiclient::reporting(weak_from_this().lock(), apiclient::bodyPresent,
                                                          &ExamGuideDelegate::didGetExamGuideContent));
  // The asynchronous GET escapes the URL once; the title only has its segment-breaking characters escaped.
  exerciseService_->getTestInfoContent(ServerConfig::current().mainURL(
      apiclient::path("1.0/json/exam/%@/GetTestInfoContent/%@", {bank, title})));
}

void ExamGuide::getLocalExamGuideContent(const std::string& keyWord) {
  auto dao = std::make_shared<ExamGuideDAO>("");
  examGuideDao_ = dao;
  readLocally(
      weak_from_this().lock(), [dao, keyWord] { return dao->getExamGuideContent(keyWord); },
      &ExamGuideDelegate::didGetExamGuideContent);
}
