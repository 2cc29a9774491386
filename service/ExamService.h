#pragma once
// ExamService: the requests of exams and the reply log. Each operation passes its URL (and JSON text) to one
// operation of AbstractService; see there for headers, escaping, the overlay and replies.

#include <string>

#include "service/AbstractService.h"

class ExamService : public AbstractService {
 public:
  // Asynchronous GET.
  void getSbjsStyle(const std::string& url);
  // Asynchronous POST.
  void doPostGetVirtualExam(const std::string& url, const std::string& json);
  // Asynchronous POST, no overlay.
  void doPostReplylog(const std::string& url, const std::string& json);
};
