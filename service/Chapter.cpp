#include "service/Chapter.h"

#include "dao/ChapterDAO.h"
#include "platform/runloop/DispatchQueue.h"
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
  // The client goes back to the main thread with the result, so it is let go there.
  rl::DispatchQueue::global().async([self = weak_from_this().lock(), dao]() mutable {
    core::Value result = dao->getChapterList();
    rl::RunLoop::main().post([self = std::move(self), result = std::move(result)] {
      if (!self) return;
      if (auto d = self->delegate.lock())
        d->didGetNavigation(!result.isNil() && apiclient::bodyNonEmpty(result), result);
    });
  });
}
