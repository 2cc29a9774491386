#pragma once
// WrongRedoService: the requests of the wrong-answer book. Each operation passes its URL (and JSON text) to
// one operation of AbstractService; see there for headers, escaping, the overlay and replies.

#include <string>

#include "platform/core/Value.h"
#include "service/AbstractService.h"

class WrongRedoService : public AbstractService {
 public:
  // Asynchronous GET.
  void getSubjectInfoList(const std::string& url);
  // Asynchronous GET.
  void getListToTime(const std::string& url);
  // Asynchronous GET.
  void getListToErrorCount(const std::string& url);
  // Asynchronous GET.
  void getTestToSbjIds(const std::string& url);
  // Asynchronous GET.
  void getTestToTime(const std::string& url);
  // Asynchronous GET.
  void getTestToErrorCount(const std::string& url);
  // Asynchronous GET.
  void removeToAllTestIDs(const std::string& url);
  // Asynchronous GET.
  void getErrorTestRank(const std::string& url);
  // Synchronous GET: the reply, or null.
  core::Value getSubjectInfoListForSynchronous(const std::string& url);
  // Synchronous GET: the reply, or null.
  core::Value getListToTimeForSynchronous(const std::string& url);
  // Synchronous GET: the reply, or null.
  core::Value getListToErrorCountForSynchronous(const std::string& url);
};
