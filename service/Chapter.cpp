#include "service/Chapter.h"

#include "dao/ChapterDAO.h"
#include "platform/runloop/DispatchQueue.h"
#include "platform/runloop/TaskAndReply.h"
#include "service/ApiClientSupport.h"
#include "service/ExerciseService.h"
#include "service/ServerConfig.h"

void Chapter::getNavigation(const std::string& bank) {
  exerciseService_ = std::make_shared<ExerciseService>();
  exerciseService_->setFinishedBlock(apiclient::reporting(weak_from_this().lock(), apiclient::bodyNonEmpty,
                                                          &ChapterDelegate::didGetNavigation));
  exerciseService_->getNavigation(
      ServerConfig::current().mainURL(apiclient::path("1.0/json/exam/%@/Navigation", {bank})));
}

void Chapter::getLocalNavigation() {
  // The read uses the object made for it, even when a later read has replaced the property.
  auto dao = std::make_shared<ChapterDAO>("");
  charpterDao_ = dao;
  // The call holds its client (the reply's `keep`) until the answer, which comes on this thread; the
  // client is let go there.
  rl::postTaskAndReply(
      rl::DispatchQueue::global(), weak_from_this(), [dao] { return dao->getChapterList(); },
      [keep = weak_from_this().lock()](Chapter& self, core::Value result) {
        if (auto d = self.delegate.lock())
          d->didGetNavigation(!result.isNil() && apiclient::bodyNonEmpty(result), result);
      });
}
