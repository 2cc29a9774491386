#pragma once
// UserService: the requests of the account area (nothing in the application makes one: the account client
// uses AbstractService itself). Each operation passes its URL (and JSON text) to one operation of
// AbstractService; see there for headers, escaping, the overlay and replies.

#include <string>

#include "platform/core/Value.h"
#include "service/AbstractService.h"

class UserService : public AbstractService {
 public:
  // Asynchronous GET.
  void login(const std::string& url);
  // Asynchronous GET.
  void getFindPassword(const std::string& url);
  // Asynchronous POST.
  void doPostLogin(const std::string& url, const std::string& json);
  // Asynchronous POST.
  void doPostRegiest(const std::string& url, const std::string& json);
  // Asynchronous POST.
  void doPostAddUserSuggestion(const std::string& url, const std::string& json);
  // Synchronous GET: the reply, or null.
  core::Value getAppInfo(const std::string& url);
};
