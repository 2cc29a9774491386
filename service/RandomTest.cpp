#include "service/RandomTest.h"

#include "service/ApiClientSupport.h"
#include "service/RandomTestService.h"
#include "service/ServerConfig.h"

void RandomTest::getRandomTest(const std::string& bank, const std::string& questionCount) {
  randomTestService_ = std::make_shared<RandomTestService>();
  randomTestService_->setFinishedBlock(apiclient::reporting(weak_from_this().lock(), apiclient::bodyPresent,
                                                            &RandomTestDelegate::didGetRandomTest));
  randomTestService_->getRandomTest(ServerConfig::current().mainURL(
      apiclient::path("1.0/json/exam/GetRandomTest/%@/%@", {bank, questionCount})));
}
