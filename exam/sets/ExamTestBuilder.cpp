#include "exam/sets/ExamTestBuilder.h"

#include <vector>

#include "dao/BankLocation.h"
#include "librarys/json/JsonWriter.h"
#include "platform/core/Text.h"
#include "platform/runloop/DispatchQueue.h"
#include "platform/runloop/TaskAndReply.h"
#include "service/ExamService.h"
#include "service/ServerConfig.h"

std::string ExamTestBuilder::requestBody() const {
  std::vector<std::string> ids;
  for (const core::Value& id : sbjs_.array()) ids.push_back(id.describe());
  core::Value body = core::Value::newDictionary();
  body.set("AppEName", BankLocation::value());
  body.set("KeyWord", keywords_.isNil() ? core::Value::newArray() : keywords_);
  body.set("Sbjs", core::join(ids, ","));
  return JSONRepresentation(body).value_or("");
}

void ExamTestBuilder::generateTests(TestsBlock block) {
  examService_ = std::make_shared<ExamService>();
  std::weak_ptr<TestBuilder> weak = weak_from_this();
  examService_->setFinishedBlock(
      [weak, block = std::move(block)](const std::shared_ptr<AbstractService>&, const core::Value& reply) {
        auto self = weak.lock();
        if (!self || !block) return;
        if (reply.isNil()) {
          block(false, reply, std::nullopt);
        } else if (reply["Body"].isNull()) {
          block(false, reply, std::nullopt);
        } else {
          // Built on a worker from a copy of the reply; the block runs back here while the builder lives.
          rl::postTaskAndReply(
              rl::DispatchQueue::global(), std::weak_ptr<TestBuilder>(self),
              [body = copyForBuild(reply["Body"])] { return changeJSonToTestArrayByDB(body); },
              [block, reply](TestBuilder&, std::optional<QuestionsArray> questions) {
                block(true, reply, questions);
              });
        }
      });
  examService_->doPostGetVirtualExam(ServerConfig::current().mainURL("1.0/json/exam/VirtualExam"),
                                     requestBody());
}
