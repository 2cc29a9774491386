#pragma once
// UserAppInfoClient: VDNetworkHelper's application-information request, sent by the account client
// (User). It keeps itself alive until the reply has arrived; main thread.

#include <memory>
#include <string>

#include "app/VDNetworkHelper.h"
#include "service/User.h"

class UserAppInfoClient : public VDAppInfoClient,
                          public UserDelegate,
                          public std::enable_shared_from_this<UserAppInfoClient> {
 public:
  void appInfo(const std::string& bankShortName, Reply reply) override;
  void didAppInfo(bool ok, const core::Value& json) override;

 private:
  Reply reply_;
  std::shared_ptr<User> user_;
  std::shared_ptr<UserAppInfoClient> self_;
};
