#pragma once
// FindTestService: the requests of the question search. Each operation passes its URL (and JSON text) to one
// operation of AbstractService; see there for headers, escaping, the overlay and replies.

#include <string>

#include "service/AbstractService.h"

class FindTestService : public AbstractService {
 public:
  // Asynchronous POST.
  void doPostFindTest(const std::string& url, const std::string& json);
};
