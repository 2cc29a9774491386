#pragma once
// UserLoginAdapter: the re-login request of AppServices, sent through the account client (User::login);
// nobody listens for its reply.

#include "app/AppServices.h"

class UserLoginAdapter : public UserLoginSender {
 public:
  void login(const core::Value& loginRequest) override;
};
