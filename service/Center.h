#pragma once
// Center: the API client of the logged-in user's centre: personal details (read and write), password
// change, reports of errors in questions, and the user's feedback records with their removal. Each
// call makes one AbstractService and reports once to the weak delegate on the main thread (false and
// null without a reply); getPersonalDetails answers synchronously by its result instead.
//
// Limits: a "Body" list past apiclient::kMaxListEntries fails, as in every client (ApiClientSupport.h):
// the feedback records among them.
//
// Make clients with std::make_shared: a call holds its client until the reply has been delivered.

#include <memory>
#include <string>

#include "platform/core/Value.h"

class AbstractService;

// Callbacks of the user centre. Every method is optional: the defaults do nothing.
struct CenterDelegate {
  virtual ~CenterDelegate() = default;
  virtual void didSetPersonalDetails(bool ok, const core::Value& json) {}
  virtual void didResetPassWord(bool ok, const core::Value& json) {}
  virtual void didErrorfeedback(bool ok, const core::Value& json) {}
  virtual void didGetSuggestion(bool ok, const core::Value& json) {}
  virtual void didRemoveSuggestion(bool ok, const core::Value& json) {}
};

class Center : public std::enable_shared_from_this<Center> {
 public:
  std::weak_ptr<CenterDelegate> delegate;

  // The service of the latest call (errorfeedback keeps its own in no property).
  std::shared_ptr<AbstractService> abstractService() const { return abstractService_; }

  // Synchronous GET 1.0/json/user/GetPersonalDetails on the calling thread: the whole reply, or null
  // when there is none or its "Body" is not an object (null, a list, a text...). The delegate is not
  // called.
  core::Value getPersonalDetails();
  // POST 1.0/json/user/SetPersonalDetails, overlay, body-is-true.
  void setPersonalDetails(const std::string& detailsJson);
  // GET 1.0/json/user/ResetPassWord/<old>/<new>, overlay, body-is-true.
  void getResetPassWord(const std::string& oldPassword, const std::string& newPassword);
  // POST 1.0/json/user/UserSuggestion with "Client-Type" "Entitled_Revised_Wrong", overlay, body-is-true.
  void errorfeedback(const std::string& reportJson);
  // GET 1.0/json/user/GetSuggestion, overlay, body-non-empty.
  void getSuggestion();
  // GET 1.0/json/user/RemoveSuggestion/<bank>/<id>, overlay, body-is-true.
  void removeSuggestion(const std::string& bankShortName, const std::string& suggestionId);

  static constexpr const char* kErrorReportClientType = "Entitled_Revised_Wrong";

 private:
  std::shared_ptr<AbstractService> newService();
  std::shared_ptr<AbstractService> abstractService_;
};
