#pragma once
// SystemService: the requests of the system area and the update centre. Each operation passes its URL (and
// JSON text) to one operation of AbstractService; see there for headers, escaping, the overlay and replies.

#include <string>

#include "platform/core/Value.h"
#include "service/AbstractService.h"

class SystemService : public AbstractService {
 public:
  // Asynchronous GET.
  void getQuoteAsynchronous(const std::string& url);
  // Asynchronous GET.
  void getQuoteProduct(const std::string& url);
  // Asynchronous GET.
  void getStatistics(const std::string& url);
  // Synchronous GET: the reply, or null.
  core::Value getQuote(const std::string& url);
  // Synchronous GET: the reply, or null.
  core::Value getAppENameAndQuoteEName(const std::string& url);
  // Synchronous GET: the reply, or null.
  core::Value getAppVersion(const std::string& url);
  // Synchronous GET: the reply, or null.
  core::Value getTestLibraryVersion(const std::string& url);
  // Synchronous GET: the reply, or null.
  core::Value getServiceAnnouncement(const std::string& url);
  // Synchronous GET of a version number: the reply's "Body" as a number; 1.0 when "Body" is null;
  // 0.0 when there is no reply or it has no "Body".
  double getDBVersion(const std::string& url);
  // Asynchronous POST.
  void doPostQuery(const std::string& url, const std::string& json);
  // Synchronous POST: the reply, or null.
  core::Value doPostSynchronousQuery(const std::string& url, const std::string& json);
  // Synchronous POST; the reply is dropped.
  // Whether the server answered at all (the answer itself is not read).
  bool doPostSentErrorLog(const std::string& url, const std::string& json,
                          double timeoutSeconds = kTimeOutSeconds);
};
