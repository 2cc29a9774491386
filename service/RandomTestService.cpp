#include "service/RandomTestService.h"

void RandomTestService::getRandomTest(const std::string& url) { doGetRequest(url, true); }
