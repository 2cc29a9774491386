#pragma once
// WrongRedo: the API client of the user's wrong-answer book: counts per subject, by age class and by
// error-count class (each synchronous and asynchronous), pages of questions for a subject, an age class
// or an error-count class, removal of questions, and the wrong-answer ranking. Each call makes one
// WrongRedoService (kept in wrongRedoService()) and reports once to the weak delegate: false and null
// without a reply, else the operation's flag and the whole reply. Asynchronous calls report on the main
// thread; synchronous ones on the calling thread, before they return.
//
// Limits: a "Body" list past apiclient::kMaxListEntries fails (ApiClientSupport.h); a page names its
// questions as a set, bounded where it is read (TestBuilder::kMaxSessions, kMaxQuestionIds).
//
// Make clients with std::make_shared: a call holds its client until the reply has been delivered.

#include <memory>
#include <string>

#include "platform/core/Value.h"

class WrongRedoService;

// Callbacks of the wrong-answer book. Every method is optional: the defaults do nothing.
struct WrongRedoDelegate {
  virtual ~WrongRedoDelegate() = default;
  virtual void didSubjectInfoList(bool ok, const core::Value& json) {}
  virtual void didGetListToTime(bool ok, const core::Value& json) {}
  virtual void didGetListToErrorCount(bool ok, const core::Value& json) {}
  virtual void didGetTests(bool ok, const core::Value& json) {}
  virtual void didRemoveToAllTestIDs(bool ok, const core::Value& json) {}
  virtual void didErrorTestRank(bool ok, const core::Value& json) {}
};

class WrongRedo : public std::enable_shared_from_this<WrongRedo> {
 public:
  std::weak_ptr<WrongRedoDelegate> delegate;

  std::shared_ptr<WrongRedoService> wrongRedoService() const { return wrongRedoService_; }

  // Synchronous GETs under 1.0/json/exam/errortest/ on the calling thread.
  // subjectinfolist/<bank>, body-non-empty.
  void subjectInfoListForSynchronous(const std::string& bankShortName);
  // GetListToTime/<bank> and GetListToErrorCount/<bank>: true when the "Value"s of the "Body" entries
  // (numbers or digit texts) add up to something other than 0.
  void getListToTimeForSynchronous(const std::string& bankShortName);
  void getListToErrorCountForSynchronous(const std::string& bankShortName);

  // The same three requests and rules as the synchronous ones, asynchronous and without the overlay.
  void subjectInfoListInBackground(const std::string& bankShortName);
  void getListToTimeInBackground(const std::string& bankShortName);
  void getListToErrorCountInBackground(const std::string& bankShortName);

  // Asynchronous GETs with the overlay, under 1.0/json/exam/errortest/.
  void subjectInfoList(const std::string& bankShortName);      // subjectinfolist/<bank>, body-non-empty
  void getListToTime(const std::string& bankShortName);        // GetListToTime/<bank>, body-non-empty
  void getListToErrorCount(const std::string& bankShortName);  // GetListToErrorCount/<bank>, body-non-empty
  // TestToSbjIds|TestToTime|TestToErrorCount/<bank>/<page size>/<page index>/<x>, body-present,
  // didGetTests.
  void testToSbjIds(const std::string& bankShortName, const std::string& pageSize,
                    const std::string& pageIndex, const std::string& sbjids);
  void testToTime(const std::string& bankShortName, const std::string& pageSize, const std::string& pageIndex,
                  const std::string& timeSymbol);
  void testToErrorCount(const std::string& bankShortName, const std::string& pageSize,
                        const std::string& pageIndex, const std::string& numSymbol);
  // RemoveToAllTestIDs/<bank>/<ids>, body-true. The ids (numbers or texts, an array) go without
  // repeats, joined by ",".
  void removeToAllTestIDs(const std::string& bankShortName, const core::Value& errIds);
  // GET 1.0/json/exam/GetErrorTestRank/<bank>, overlay. A null "Body" fails, with the reply's "Message"
  // replaced by the localized "nodataMessage"; otherwise whether the "Body" has a "Name".
  void errorTestRank(const std::string& bankShortName);

  // The value-sum rule of the synchronous counts: true when the "Body" entries' "Value"s add up to
  // something other than 0 (the sum stops at INT64_MAX or INT64_MIN instead of overflowing).
  static bool valuesAddUp(const core::Value& reply);

 private:
  std::shared_ptr<WrongRedoService> newService();
  std::shared_ptr<WrongRedoService> wrongRedoService_;
};
