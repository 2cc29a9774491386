#pragma once
// ExerciseService: the requests of chapters, the exam guide and the chapter tree. Each operation passes its
// URL (and JSON text) to one operation of AbstractService; see there for headers, escaping, the overlay and
// replies.

#include <string>

#include "service/AbstractService.h"

class ExerciseService : public AbstractService {
 public:
  // Asynchronous GET.
  void getChapter(const std::string& url);
  // Asynchronous GET.
  void getTestInfo(const std::string& url);
  // Asynchronous GET.
  void getTestInfoContent(const std::string& url);
  // Asynchronous GET.
  void getNavigation(const std::string& url);
};
