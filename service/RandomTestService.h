#pragma once
// RandomTestService: the requests of random tests. Each operation passes its URL (and JSON text) to one
// operation of AbstractService; see there for headers, escaping, the overlay and replies.

#include <string>

#include "service/AbstractService.h"

class RandomTestService : public AbstractService {
 public:
  // Asynchronous GET.
  void getRandomTest(const std::string& url);
};
