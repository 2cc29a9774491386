#include "exam/sets/ChapterTestBuilder.h"

#include "platform/runloop/DispatchQueue.h"
#include "platform/runloop/TaskAndReply.h"
#include "service/ApiClientSupport.h"
#include "service/ExerciseService.h"
#include "service/ServerConfig.h"

void ChapterTestBuilder::sendRequest(std::function<void(ChapterTestBuilder&, const core::Value&)> done) {
  exerciseService_ = std::make_shared<ExerciseService>();
  // The service holds its block until the reply; the block holds the builder weakly, so a builder its
  // caller dropped gets no call (and the service does not keep it alive).
  std::weak_ptr<TestBuilder> weak = weak_from_this();
  exerciseService_->setFinishedBlock(
      [weak, done = std::move(done)](const std::shared_ptr<AbstractService>&, const core::Value& reply) {
        auto self = std::static_pointer_cast<ChapterTestBuilder>(weak.lock());
        if (self) done(*self, reply);
      });
  exerciseService_->getChapter(ServerConfig::current().mainURL(
      apiclient::path("1.0/json/exam/%@/Chapter/Test/%@", {softname_, chapterid_})));
}

void ChapterTestBuilder::generateTests(TestsBlock block) {
  sendRequest([block = std::move(block)](ChapterTestBuilder& self, const core::Value& reply) {
    if (!block) return;
    if (reply.isNil()) {
      block(false, reply, std::nullopt);
      return;
    }
    // The set reads the bank: built on a worker from a copy of the reply, handed to the block back on
    // this thread, and only while the builder lives.
    rl::postTaskAndReply(
        rl::DispatchQueue::global(), self.weak_from_this(),
        [body = copyForBuild(reply["Body"])] { return changeJSonToTestArrayByDB(body); },
        [block, ok = apiclient::bodyPresent(reply), reply](
            TestBuilder&, std::optional<QuestionsArray> questions) { block(ok, reply, questions); });
  });
}

void ChapterTestBuilder::chapterTests(ReplyBlock block) {
  sendRequest([block = std::move(block)](ChapterTestBuilder&, const core::Value& reply) {
    if (!block) return;
    block(!reply.isNil() && apiclient::bodyPresent(reply), reply);
  });
}
