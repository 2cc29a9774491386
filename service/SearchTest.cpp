#include "service/SearchTest.h"

#include "service/ApiClientSupport.h"
#include "service/FindTestService.h"
#include "service/ServerConfig.h"

void SearchTest::findTest(const std::string& json, Block block) {
  findTestService_ = std::make_shared<FindTestService>();
  findTestService_->setFinishedBlock(
      [block = std::move(block)](const std::shared_ptr<AbstractService>&, const core::Value& reply) {
        if (!block) return;
        block(!reply.isNil() && apiclient::withinLimits(reply) && apiclient::bodyPresent(reply), reply);
      });
  findTestService_->doPostFindTest(ServerConfig::current().mainURL("1.0/json/exam/findTest"), json);
}
