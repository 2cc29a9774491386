#pragma once
// User: the API client of the account area: registration, login, the chosen bank's product record,
// SMS and image verification codes, password recovery, phone binding, e-mail verification and
// feedback. Each call makes one AbstractService (kept in abstractService() until the next call) and
// reports once to the weak delegate on the main thread: false and null when there is no reply, else
// the operation's success flag and the whole reply. "body-is-true": apiclient::bodyIsTrue.
//
// Limits: a "Body" list past apiclient::kMaxListEntries fails, as in every client (ApiClientSupport.h).
//
// Make clients with std::make_shared: a call holds its client until the reply has been delivered.

#include <memory>
#include <string>

#include "platform/core/Value.h"

class AbstractService;

// Callbacks of the account area. Every method is optional: the defaults do nothing.
struct UserDelegate {
  virtual ~UserDelegate() = default;
  virtual void didRegist(bool ok, const core::Value& json) {}
  virtual void didLogin(bool ok, const core::Value& json) {}
  virtual void didAppInfo(bool ok, const core::Value& json) {}
  virtual void didGetPrimary(bool ok, const core::Value& json) {}
  virtual void didCancelTel(bool ok, const core::Value& json) {}
  virtual void didReSendEmail(bool ok, const core::Value& json) {}
  virtual void didMotifyPassword(bool ok, const core::Value& json) {}
  virtual void didCheckNewUsername(bool ok, const core::Value& json) {}
  virtual void didCheckSMSCode(bool ok, const core::Value& json) {}
  virtual void didApplyForVerification(bool ok, const core::Value& json) {}
  virtual void didFeedback(bool ok, const core::Value& json) {}
  virtual void didFindPassword(bool ok, const core::Value& json) {}
  virtual void didgetVeritifyCodeGetGuid(bool ok, const core::Value& json) {}
  virtual void didVeritifyCodeGetImage(bool ok, const core::Value& json) {}
  virtual void didVerifyCode(bool ok, const core::Value& json) {}
  virtual void didCheckAppVersion(bool ok, const core::Value& json) {}
};

class User : public std::enable_shared_from_this<User> {
 public:
  std::weak_ptr<UserDelegate> delegate;
  // The store lookup that checkAppVersion asks (a URL with its query, such as
  // "https://store.example/lookup?bundleId=x"); "&country=cn" is added. Empty: nothing is sent and
  // the callback gets false and null.
  std::string appStoreLookupURL;

  // The service of the latest call.
  std::shared_ptr<AbstractService> abstractService() const { return abstractService_; }

  // Main API base. Texts that go into a path are escaped as one segment each.
  void regist(const std::string& registrationJson);  // POST 1.0/json/User/regist, overlay, body-is-true
  // POST 1.0/json/User/login, overlay. Succeeds only when "Body" is the user record: an object with a
  // numeric "ID" and a text "UserName".
  void login(const std::string& loginRequestJson);
  // GET 1.0/json/user/AppInfo/<bank>, or .../SoftInfo/<bank> while a user is logged in; body-present.
  void appInfo(const std::string& bankShortName);
  void GetPrimary();                                     // GET 1.0/json/user/GetPrimary, body-is-true
  void CancelTel();                                      // GET 1.0/json/user/CancelTel, body-is-true
  void reSendEmail(const std::string& emailJson);        // POST 1.0/json/user/ReSendEmail, body-is-true
  void motifyPassword(const std::string& keyValueJson);  // POST 1.0/json/user/MotifyPassword, body-is-true
  // GET 1.0/json/user/CheckNewUsername/<text>/<type> (type "Email", "Tel" or "NickName"), body-is-true.
  void checkNewUsername(const std::string& text, const std::string& type);
  void checkSMSCode(const std::string& code);            // GET 1.0/json/sys/CheckSMSCode/<code>
  void getApplyForVerification(const std::string& tel);  // GET 1.0/json/sys/ApplyForVerification/<tel>
  // POST 1.0/json/user/UserSuggestion with "Client-Type" "iphone", overlay, body-is-true.
  void feedback(const std::string& feedbackJson);
  // GET 1.0/json/User/FindPassword/<account>/a, overlay, body-is-true.
  void findPassword(const std::string& account);

  // Verification-code base, overlay.
  void getVeritifyCodeGetGuid();  // GET VerificationCode/CreateGuid, success-true
  // GET VerificationCode/CreateVerificationCode/?guid=<guid>, success-true.
  void getVeritifyCodeGetImage(const std::string& guid);
  // GET Verify/VerifyCode?guidCode=<guid>&verifyCode=<code>&Tel=<tel>&ClientType=iphone, body-is-true.
  void postVeritifyCodeGetCode(const std::string& guid, const std::string& verityCode,
                               const std::string& tel);

  // GET of the store lookup, no overlay; succeeds when the reply's "results" is not null.
  void checkAppVersion();

 private:
  std::shared_ptr<AbstractService> newService();
  std::shared_ptr<AbstractService> abstractService_;
};
