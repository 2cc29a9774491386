#include "service/FindTestService.h"

void FindTestService::doPostFindTest(const std::string& url, const std::string& json) {
  doPostRequest(url, json, true);
}
