#pragma once
// System: the API client of the system area: the exam catalogue (series, subjects, products), learning
// statistics, versions, service announcements, the error log, and the query of the update centre
// (UpdateQuery), whose reply drives the question-bank download and the content updates.
//
// Asynchronous calls report once to the weak delegate on the main thread; synchronous calls run on the
// calling thread and, where a callback is named, call it before they return. Either way a callback
// gets false and null when there is no reply. Make clients with std::make_shared: an asynchronous call
// holds its client until the reply has been delivered.
//
// UpdateQuery request: {"app_ename": bank short name, "app_version": the application's short version
// with its dots dropped, read as an integer (2.3.1 -> 231), "client_type": 3, "max_batchid": the
// caller's batch id (-1 when there is no local bank)}. Reply: {"status", "message", "update_list":
// [packet]}; each packet has "id", "app_ename", "client_type", "packe_type", "packege_url",
// "max_batchid", "alow_min_batchid", "alow_min_appversion", "publish_time" and "update_content".

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/core/Value.h"

class AbstractService;
class SystemService;

// Callbacks of the system area. Every method is optional: the defaults do nothing.
struct SystemDelegate {
  virtual ~SystemDelegate() = default;
  virtual void didGetQuote(bool ok, const core::Value& json) {}
  virtual void didGetAppENameAndQuoteEName(bool ok, const core::Value& json) {}
  virtual void didGetQuoteProduct(bool ok, const core::Value& json) {}
  virtual void didStatistics(bool ok, const core::Value& json) {}
  virtual void didServiceAnnouncement(bool ok, const core::Value& json) {}
  virtual void didGetAppVersion(bool ok, const core::Value& json) {}
  virtual void didGetTestLibraryVersion(bool ok, const core::Value& json) {}
  virtual void didQuery(bool ok, const core::Value& json) {}
};

class System : public std::enable_shared_from_this<System> {
 public:
  // The most entries a list of the catalogue replies may hold: the series catalogue, the search hits,
  // a series' province groups and a group's subjects (the real catalogue holds some hundreds). The
  // subject-choice screens refuse a longer list with their error for a failed reply.
  static constexpr std::size_t kMaxListEntries = 10000;
  // The most notices a reply of getServiceAnnouncement may hold (a server sends a handful): the notices
  // screen builds a card for each, so it shows a longer list as it shows a failed reply.
  static constexpr std::size_t kMaxAnnouncements = 200;

  std::weak_ptr<SystemDelegate> delegate;

  // The SystemService of the latest call.
  std::shared_ptr<SystemService> systemService() const;
  // Present for completeness; no operation keeps a service here.
  std::shared_ptr<AbstractService> abstractService() const { return abstractService_; }

  // Main API base. Texts that go into a path are escaped as one segment each.
  void getQuote();              // synchronous GET 1.0/json/sys/Quote, body-non-empty, didGetQuote
  void getQuoteAsynchronous();  // GET 1.0/json/sys/Quote, overlay, body-non-empty, didGetQuote
  // The same request and rule as getQuote, asynchronous and without the overlay.
  void getQuoteInBackground();
  // Synchronous GET 1.0/json/sys/GetAppENameAndQuoteEName/<text>, body-non-empty.
  void getAppENameAndQuoteEName(const std::string& searchText);
  // The same request and rule, asynchronous and without the overlay (the search as one types).
  void getAppENameAndQuoteENameInBackground(const std::string& searchText);
  // GET 1.0/json/sys/GetQuoteProductByCounts/<series>, overlay, body-non-empty.
  void getQuoteProduct(const std::string& seriesShortName);
  // GET 1.0/json/sys/Statistics/<bank>, overlay, body-non-empty.
  void statistics(const std::string& bankShortName);
  // GET 1.0/json/sys/GetAnnouncement/<version>/<bank>, overlay, body-present. `version` is the first
  // three characters of the application's bundle version.
  void getServiceAnnouncement(const std::string& version, const std::string& quoteName);
  // Synchronous GET 1.0/json/sys/GetAppVersion_IPhone/<x>, body-present.
  void getAppVersion(const std::string& x);
  // Synchronous GET 1.0/json/sys/GetTestLibraryVersion_Android/<x>, body-present.
  void getTestLibraryVersion(const std::string& x);
  // Synchronous GET of the same path: "Body" as a number, 1.0 when it is null, 0.0 without a reply.
  float getNetDBVersion(const std::string& x);
  // The version of the local bank of the chosen subject (SystemDAO::getDBVersion).
  float getLocalDBVersion(const core::Value& x);

  // Update-centre base: POST 1.0/json/query with the UpdateQuery request, overlay. didQuery gets true
  // and the reply for any reply, its "update_list" made an empty array when missing or null.
  void query(const std::string& bankShortName, std::int64_t maxBatchId);
  // The same request, synchronous on the calling thread: the reply as parsed, or null.
  core::Value querySyn(const std::string& bankShortName, std::int64_t maxBatchId);

  // Synchronous POST 1.0/json/sys/Log of a crash report; the reply is dropped.
  void sentErrorLog(const std::string& crashReportJson);
  // The same request with its own time-out: a crashing process waits for its report, so it gives up
  // after `timeoutSeconds` without activity (the HTTP client allows a request that sent a body half as
  // long again) instead of the request layer's 180 s. A time-out that is not a positive number gets
  // the request layer's one. True when the server answered (any answer); the reply is dropped.
  bool sentErrorLog(const std::string& crashReportJson, double timeoutSeconds);

  // A sample update-centre reply made in memory.
  static core::Value testJiami();

  // The UpdateQuery request's JSON text, and its "app_version" for a short version text.
  static std::string updateQueryJson(const std::string& bankShortName, std::int64_t maxBatchId);
  static std::int64_t appVersionNumber(const std::string& shortVersion);

 private:
  std::shared_ptr<SystemService> newService();
  mutable std::mutex mutex_;  // query() may come from the update check's own thread
  std::shared_ptr<SystemService> systemService_;
  std::shared_ptr<AbstractService> abstractService_;
};
